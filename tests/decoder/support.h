// What the decoder tests build their inputs from: the real encoder (QsEncodeWithDraw, and the
// scrambler alone through CEncrypt::EncodeWithDraw), and, for texts the encoder would never
// write, any 128 scrambled bytes encrypted with OpenSSL's AES and escaped. Nothing here calls the
// decoder.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "encoding/encrypt.h"
#include "encoding/escaping.h"
#include "encoding/format/encoded_text.h"
#include "encoding/jnidecrypt.h"
#include "tests/support/reference.h"

namespace decoder_test {

using reference::Bytes;

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

// The encoded password text of 128 cipher bytes, escaped as the encoder escapes them.
inline std::string Escape(const Bytes& cipher) {
  char text[encoded_text::kMaxLength + 1];
  escaping::EscapeAll(cipher.data(), encoded_text::kUnitCount, text, escaping::Mark::kStar);
  return text;
}

// The encoded password text whose cipher bytes are the first `encrypted` (0, 64 or 128) bytes of
// scrambled (zero-padded to 128) encrypted in ECB under the key the key text yields (OpenSSL), and
// zero bytes behind them: any layout, also ones the encoder never writes.
inline std::string EncryptAndEscape(Bytes scrambled, int encrypted) {
  scrambled.resize(encoded_text::kUnitCount, 0);
  Bytes cipher(encoded_text::kUnitCount, 0);
  if (encrypted > 0) {
    const Bytes part(scrambled.begin(), scrambled.begin() + encrypted);
    const Bytes done = reference::OpenSslEcb(true, reference::kDerivedKey, part);
    std::copy(done.begin(), done.end(), cipher.begin());
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
