// QsEncode: the three stages of the encoded password text over fixed buffers on its own stack,
// each zero-filled before its stage and wiped before returning. The stages are CEncrypt
// (encoding/encrypt.h), CAES (encoding/aes.h) and the escaping of encoding/escaping.cpp.
#include <cstring>

#include "encoding/aes.h"
#include "encoding/encrypt.h"
#include "encoding/jnidecrypt.h"
#include "encoding/wipe.h"

void QsEncodeWithDraw(char* out, const char* clear, int r) {
  if (out == nullptr) return;
  if (clear == nullptr) {
    out[0] = '\0';
    return;
  }
  CEncrypt scrambler;
  CAES aes;

  // The scrambled text (at most 126 bytes and the variant number) keeps a zero byte behind it,
  // which ends it for the AES stage and fills its last block.
  char scrambled[128];
  std::memset(scrambled, 0, sizeof scrambled);
  scrambler.EncodeWithDraw(scrambled, clear, r, kMaxClearTextLength);

  // 0, 64 or 128 cipher bytes; the rest stay zero and are escaped as "%00" all the same.
  char cipher[512];
  std::memset(cipher, 0, sizeof cipher);
  aes.Encode(cipher, scrambled);

  char escaped[512];
  std::memset(escaped, 0, sizeof escaped);
  URLEncode(cipher, 128, escaped, sizeof escaped);  // at most 384 characters: never refuses
  replace(escaped, '%', '*');
  std::strcpy(out, escaped);

  encoding::SecureWipe(scrambled, sizeof scrambled);
  encoding::SecureWipe(cipher, sizeof cipher);
  encoding::SecureWipe(escaped, sizeof escaped);
}

extern "C" void QsEncode(char* out, const char* clear) { QsEncodeWithDraw(out, clear, CEncrypt::Draw()); }
