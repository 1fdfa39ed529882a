// What the decoder tests build their inputs from: the real encoder (QsEncodeWithDraw, and the
// scrambler alone through CEncrypt::EncodeWithDraw), and, for texts the encoder would never
// write, an independent encoder of any 128 scrambled bytes over OpenSSL's AES and our own
// escaping. Nothing here calls the decoder.
#pragma once

#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "encoding/encrypt.h"
#include "encoding/jnidecrypt.h"

namespace decoder_test {

using Bytes = std::vector<unsigned char>;

// The encoded password text of clear under draw r, as the plug-in writes it.
inline std::string Encode(const std::string& clear, int r) {
  char out[512];
  QsEncodeWithDraw(out, clear.c_str(), r);
  return out;
}

// The scrambled text of clear under draw r: its transformed bytes and the variant number.
inline Bytes Scramble(const std::string& clear, int r) {
  unsigned char out[128] = {};
  CEncrypt scrambler;
  scrambler.EncodeWithDraw(reinterpret_cast<char*>(out), clear.c_str(), r);
  return Bytes(out, out + clear.size() + 1);
}

// The AES-128 key that the built-in key text "R4$wN!7e@Lq2#x9" gives: "R" (0x52) and "4" (0x34)
// spread one byte per bit, lowest bit first, with the highest set bit of each written as 0.
inline const unsigned char kKey[16] = {0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0};

// The encoded password text of 128 cipher bytes: letters and digits as themselves, every other
// byte as "*" and two upper-case hexadecimal digits.
inline std::string Escape(const Bytes& cipher) {
  std::string text;
  for (unsigned char b : cipher) {
    if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
      text += static_cast<char>(b);
    } else {
      char unit[4];
      std::snprintf(unit, sizeof unit, "*%02X", b);
      text += unit;
    }
  }
  return text;
}

// The encoded password text whose cipher bytes are the first `encrypted` (0, 64 or 128) bytes of
// scrambled (zero-padded to 128) encrypted in ECB, and zero bytes behind them: any layout, also
// ones the encoder never writes.
inline std::string EncryptAndEscape(Bytes scrambled, int encrypted) {
  scrambled.resize(128, 0);
  Bytes cipher(128, 0);
  if (encrypted > 0) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int len = 0;
    EVP_EncryptInit_ex(ctx, EVP_aes_128_ecb(), nullptr, kKey, nullptr);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    EVP_EncryptUpdate(ctx, cipher.data(), &len, scrambled.data(), encrypted);
    EVP_CIPHER_CTX_free(ctx);
  }
  return Escape(cipher);
}

// The position of the first zero byte among the transformed bytes of a scrambled text (all but
// its last byte), or -1.
inline int FirstZero(const Bytes& scrambled) {
  const auto end = scrambled.end() - 1;
  const auto zero = std::find(scrambled.begin(), end, 0);
  return zero == end ? -1 : static_cast<int>(zero - scrambled.begin());
}

}  // namespace decoder_test
