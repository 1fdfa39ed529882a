// Independent readings used by the tests: AES through OpenSSL, the AES-128 key that the key text
// yields, and the scrambler's variant table re-read range by range (with its inverse, which the
// plug-in itself does not hold). Nothing here calls the code under test.
#pragma once

#include <openssl/evp.h>

#include <string>
#include <vector>

namespace reference {

using Bytes = std::vector<unsigned char>;

inline Bytes Hex(const std::string& hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

// AES in ECB without padding through OpenSSL; the key size picks AES-128, -192 or -256.
inline Bytes OpenSslEcb(bool encrypt, const Bytes& key, const Bytes& in) {
  const EVP_CIPHER* cipher = key.size() == 16   ? EVP_aes_128_ecb()
                             : key.size() == 24 ? EVP_aes_192_ecb()
                                                : EVP_aes_256_ecb();
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  Bytes out(in.size());
  int len = 0;
  EVP_CipherInit_ex(ctx, cipher, nullptr, key.data(), nullptr, encrypt ? 1 : 0);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EVP_CipherUpdate(ctx, out.data(), &len, in.data(), static_cast<int>(in.size()));
  EVP_CIPHER_CTX_free(ctx);
  return out;
}

// The AES-128 key that the key text "R4$wN!7e@Lq2#x9" yields: the bit bytes of "R" (0x52) and of
// "4" (0x34), lowest bit first, each with its highest set bit given as 0.
inline const Bytes kDerivedKey = Hex("00010000010000000000010001000000");

// The addend that variant n gives the byte at position pos of a clear text of length len (after
// the reversal of variants 5 to 8).
inline int ExpectedAddend(int n, int len, int pos) {
  const bool even = pos % 2 == 0;
  const int min8 = len < 8 ? len : 8;
  auto alt = [&](int e, int o) { return even ? e : o; };
  if (n >= 5 && n <= 8) n -= 4;
  if (n == 1) return alt(1, -1);
  if (n == 2) return alt(len, -len);
  if (n == 3) return alt(-1, 1);
  if (n == 4) return alt(-len, len);
  if (n == 9) return min8;
  if (n == 10) return -min8;
  if (n <= 14) return alt(n - 9, -(n - 9));
  if (n <= 18) return alt(-(n - 13), n - 13);
  if (n <= 23) return alt(len + (n - 18), -(len + (n - 18)));
  if (n <= 28) return alt(len - (n - 23), -(len - (n - 23)));
  if (n <= 33) return min8 + (n - 28);
  if (n <= 38) return min8 - (n - 33);
  if (n <= 68) {
    const int block = (n - 39) / 10;  // 0: L mod 5, 1: L mod 4, 2: L mod 3
    const int m = len % (5 - block);
    const int step = (n - 39) % 10;
    const int d = step < 5 ? step + 1 : -(step - 4);
    return alt(m + d, -(m + d));
  }
  if (n <= 83) return 1 + (n - 69) % 5 + pos / (2 + (n - 69) / 5);
  static const int kPairs[20][2] = {{1, 2}, {1, 3}, {1, 4}, {1, 5}, {2, 1}, {2, 3}, {2, 4},
                                    {2, 5}, {3, 1}, {3, 2}, {3, 4}, {3, 5}, {4, 1}, {4, 2},
                                    {4, 3}, {4, 5}, {5, 1}, {5, 2}, {5, 3}, {5, 4}};
  if (n <= 103) return alt(kPairs[n - 84][0], -kPairs[n - 84][1]);
  return alt(-kPairs[n - 104][0], kPairs[n - 104][1]);
}

// The variant that the draw r selects.
inline int VariantOfDraw(int r) { return r % 123 == 94 ? 96 : r % 123 + 1; }

// What variant n makes of clear: the transformed bytes and the variant number.
inline std::string Scramble(int n, const std::string& clear) {
  std::string s = clear;
  if (n >= 5 && n <= 8) s.assign(clear.rbegin(), clear.rend());
  const int len = static_cast<int>(s.size());
  for (int i = 0; i < len; ++i)
    s[i] = static_cast<char>(static_cast<unsigned char>(s[i]) + ExpectedAddend(n, len, i));
  return s + static_cast<char>(n);
}

// The receiver's side: the clear text back from a whole scrambled text (variant number last).
inline std::string Unscramble(const std::string& scrambled) {
  const int n = static_cast<unsigned char>(scrambled.back());
  const int len = static_cast<int>(scrambled.size()) - 1;
  std::string s = scrambled.substr(0, len);
  for (int i = 0; i < len; ++i)
    s[i] = static_cast<char>(static_cast<unsigned char>(s[i]) - ExpectedAddend(n, len, i));
  if (n >= 5 && n <= 8) s.assign(s.rbegin(), s.rend());
  return s;
}

}  // namespace reference
