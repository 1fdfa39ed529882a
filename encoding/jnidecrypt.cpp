// QsEncode: the three stages of the encoded password text over fixed buffers on its own stack,
// each zero-filled before its stage and wiped before returning. The stages are CEncrypt
// (encoding/encrypt.h), CAES (encoding/aes.h) and the escaping of encoding/escaping.h.

#include "encoding/aes.h"
#include "encoding/encrypt.h"
#include "encoding/escaping.h"
#include "encoding/jnidecrypt.h"
#include "encoding/wipe.h"

namespace {

// The cipher bytes that the encoded password text shows. AES writes 64-byte multiples of a
// scrambled text of at most 127 bytes, so it never writes past them either.
constexpr int kShownCipherBytes = 128;
static_assert(kMaxClearTextLength + 1 <= kShownCipherBytes);

}  // namespace

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
  encoding::ZeroFill(scrambled, sizeof scrambled);
  scrambler.EncodeWithDraw(scrambled, clear, r, kMaxClearTextLength);

  // 0, 64 or 128 cipher bytes; the rest stay zero and are escaped as "*00" all the same.
  char cipher[kShownCipherBytes];
  encoding::ZeroFill(cipher, sizeof cipher);
  aes.Encode(cipher, scrambled);

  // URLEncode of the 128 bytes, then "%" turned into "*", then copied out: done in one pass
  // straight into out, which receives the same text and NUL and nothing behind them.
  escaping::EscapeAll(reinterpret_cast<const unsigned char*>(cipher), kShownCipherBytes, out,
                      escaping::Mark::kStar);

  encoding::SecureWipe(scrambled, sizeof scrambled);
  encoding::SecureWipe(cipher, sizeof cipher);
}

extern "C" void QsEncode(char* out, const char* clear) { QsEncodeWithDraw(out, clear, CEncrypt::Draw()); }
