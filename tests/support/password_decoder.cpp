// The receiving side of the encoded password text, for the tests.
#include "tests/support/password_decoder.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace testsupport {

namespace {

// Addends of one scrambler variant for a text of length L: the stepped shape adds
// start + i / group at position i; every other shape adds `even` at even and `odd` at odd
// positions (reversing the text first for variants 5 to 8).
struct Variant {
  int even = 0, odd = 0, start = 0, group = 0;
  bool reversed = false;
};

Variant variantFor(int n, int L) {
  const int m8 = std::min(L, 8);
  auto alternating = [](int e, int o) { return Variant{e, o, 0, 0, false}; };
  auto uniform = [](int u) { return Variant{u, u, 0, 0, false}; };
  if (n <= 4) {
    const int add[4] = {1, L, -1, -L};
    return alternating(add[n - 1], -add[n - 1]);
  }
  if (n <= 8) {
    Variant v = variantFor(n - 4, L);
    v.reversed = true;
    return v;
  }
  if (n == 9) return uniform(m8);
  if (n == 10) return uniform(-m8);
  if (n <= 14) return alternating(n - 9, -(n - 9));
  if (n <= 18) return alternating(-(n - 13), n - 13);
  if (n <= 23) return alternating(L + (n - 18), -(L + (n - 18)));
  if (n <= 28) return alternating(L - (n - 23), -(L - (n - 23)));
  if (n <= 33) return uniform(m8 + (n - 28));
  if (n <= 38) return uniform(m8 - (n - 33));
  if (n <= 68) {
    // Five blocks of ten: L mod 5, L mod 4, L mod 3, each first "+ d" then "- d".
    const int block = (n - 39) / 10, step = (n - 39) % 10, d = step % 5 + 1;
    const int base = L % (5 - block);
    const int a = step < 5 ? base + d : base - d;
    return alternating(a, -a);
  }
  if (n <= 83) return Variant{0, 0, 1 + (n - 69) % 5, 2 + (n - 69) / 5, false};
  // Ordered pairs (a, b) of different numbers 1..5, a ascending, then b ascending.
  const int p = (n - 84) % 20, a = 1 + p / 4;
  int b = 1 + p % 4;
  if (b >= a) ++b;
  return n <= 103 ? alternating(a, -b) : alternating(-a, b);
}

int addendAt(const Variant& v, int i) {
  if (v.group > 0) return v.start + i / v.group;
  return i % 2 == 0 ? v.even : v.odd;
}

// The AES key: one byte per bit of the key text's first two characters ("R4$wN!7e@Lq2#x9"),
// lowest bit first, the highest set bit of each coming out as 0 (the encoder's CharToBinary).
std::array<uint8_t, 16> aesKey() {
  const char keyText[] = "R4$wN!7e@Lq2#x9";
  std::array<uint8_t, 16> key{};
  for (int i = 0; i < 2; ++i) {
    auto v = static_cast<signed char>(keyText[i]);
    for (int j = 0; j < 8; ++j) {
      key[8 * i + j] = (v >= -1 && v <= 1) ? 0 : static_cast<uint8_t>(v % 2);
      v = static_cast<signed char>(v / 2);
    }
  }
  return key;
}

bool decryptECB(const uint8_t* in, std::size_t size, uint8_t* out) {
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                      EVP_CIPHER_CTX_free);
  const std::array<uint8_t, 16> key = aesKey();
  int written = 0;
  return ctx && EVP_DecryptInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr, key.data(), nullptr) &&
         EVP_CIPHER_CTX_set_padding(ctx.get(), 0) &&
         EVP_DecryptUpdate(ctx.get(), out, &written, in, static_cast<int>(size)) &&
         written == static_cast<int>(size);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isAlnum(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The scrambled text (transformed bytes and the variant byte) an encoded text carries.
std::optional<std::string> scrambledTextOf(const std::string& encoded) {
  auto cipher = unescapeEncodedText(encoded);
  if (!cipher) return std::nullopt;
  // 1 to 64 scrambled bytes are encrypted as 64 bytes and the other 64 stay zero.
  const bool half =
      std::all_of(cipher->begin() + 64, cipher->end(), [](uint8_t b) { return b == 0; });
  const std::size_t size = half ? 64 : 128;
  std::array<uint8_t, 128> plain{};
  if (!decryptECB(cipher->data(), size, plain.data())) return std::nullopt;
  const auto* end = static_cast<const uint8_t*>(std::memchr(plain.data(), 0, size));
  const std::size_t length = end != nullptr ? static_cast<std::size_t>(end - plain.data()) : size;
  if (length == 0 || (end == nullptr && size == 128)) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(plain.data()), length);
}

}  // namespace

std::optional<std::array<uint8_t, 128>> unescapeEncodedText(const std::string& encoded) {
  std::array<uint8_t, 128> bytes{};
  std::size_t units = 0, i = 0;
  while (i < encoded.size()) {
    if (units == bytes.size()) return std::nullopt;
    if (encoded[i] == '*') {
      if (i + 2 >= encoded.size()) return std::nullopt;
      const int high = hexDigit(encoded[i + 1]), low = hexDigit(encoded[i + 2]);
      if (high < 0 || low < 0) return std::nullopt;
      bytes[units++] = static_cast<uint8_t>(high * 16 + low);
      i += 3;
    } else if (isAlnum(encoded[i])) {
      bytes[units++] = static_cast<uint8_t>(encoded[i++]);
    } else {
      return std::nullopt;
    }
  }
  if (units != bytes.size()) return std::nullopt;
  return bytes;
}

std::string scramble(const std::string& clear, int variant) {
  const int L = static_cast<int>(clear.size());
  const Variant v = variantFor(variant, L);
  std::string out = clear;
  if (v.reversed) std::reverse(out.begin(), out.end());
  for (int i = 0; i < L; ++i)
    out[i] = static_cast<char>(static_cast<uint8_t>(out[i]) + addendAt(v, i));
  out.push_back(static_cast<char>(variant));
  return out;
}

std::optional<std::string> unscramble(const std::string& scrambled) {
  if (scrambled.empty()) return std::nullopt;
  const int n = static_cast<uint8_t>(scrambled.back());
  if (n < 1 || n > 123) return std::nullopt;
  const int L = static_cast<int>(scrambled.size()) - 1;
  const Variant v = variantFor(n, L);
  std::string out = scrambled.substr(0, L);
  for (int i = 0; i < L; ++i)
    out[i] = static_cast<char>(static_cast<uint8_t>(out[i]) - addendAt(v, i));
  if (v.reversed) std::reverse(out.begin(), out.end());
  return out;
}

std::optional<std::string> decodePassword(const std::string& encoded) {
  auto scrambled = scrambledTextOf(encoded);
  if (!scrambled) return std::nullopt;
  return unscramble(*scrambled);
}

std::optional<int> variantOf(const std::string& encoded) {
  auto scrambled = scrambledTextOf(encoded);
  if (!scrambled) return std::nullopt;
  const int n = static_cast<uint8_t>(scrambled->back());
  if (n < 1 || n > 123) return std::nullopt;
  return n;
}

}  // namespace testsupport
