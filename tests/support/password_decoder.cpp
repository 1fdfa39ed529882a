// The receiving side of the encoded password text, for the tests.
#include "tests/support/password_decoder.h"

#include <algorithm>
#include <cstring>

#include "tests/support/reference.h"

namespace testsupport {

namespace {

bool decryptECB(const uint8_t* in, std::size_t size, uint8_t* out) {
  const reference::Bytes plain =
      reference::OpenSslEcb(false, reference::kDerivedKey, reference::Bytes(in, in + size));
  if (plain.size() != size) return false;
  std::memcpy(out, plain.data(), size);
  return true;
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
  return reference::Scramble(variant, clear);
}

std::optional<std::string> unscramble(const std::string& scrambled) {
  if (scrambled.empty()) return std::nullopt;
  const int n = static_cast<uint8_t>(scrambled.back());
  if (n < 1 || n > 123) return std::nullopt;
  return reference::Unscramble(scrambled);
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
