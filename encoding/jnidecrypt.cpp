// QsEncode: the three stages of the encoded password text over fixed buffers on its own stack,
// each zero-filled before its stage and wiped before returning, and the stack the stages used
// cleared as well (the AES rounds spill words of the scrambled text to it). The stages are CEncrypt
// (encoding/encrypt.h), CAES (encoding/aes.h) and the escaping of encoding/escaping.h; and the
// choice of a draw whose variant leaves no zero byte in the scrambled text.

#include <cstring>

#include "encoding/aes.h"
#include "encoding/encrypt.h"
#include "encoding/escaping.h"
#include "encoding/format/encoded_text.h"
#include "encoding/jnidecrypt.h"
#include "encoding/variants.h"
#include "wipe/secure_wipe.h"
#include "wipe/stack_wipe.h"

namespace {

// The cipher bytes that the encoded password text shows. AES writes 64-byte multiples of a
// scrambled text of at most 127 bytes, so it never writes past them either.
constexpr int kShownCipherBytes = encoded_text::kUnitCount;
static_assert(kMaxClearTextLength + 1 < kShownCipherBytes);

// The fill before each stage, through the C library's memset reached by a pointer read at run
// time: the compiler's own expansion of a fixed-size fill here is a "rep stos", which takes tens
// of cycles to start.
void ZeroFill(void* p, std::size_t n) { wipe::kMemset(p, 0, n); }

// Scrambles clear into scrambled (zero-filled, 128 bytes) under the draw r, or, when its variant
// turns a byte into zero, under the first following draw whose variant does not; under r again
// when none does. Returns the draw used.
int ScrambleKeepingEveryByte(char* scrambled, const char* clear, int r) {
  const std::size_t length = strnlen(clear, kMaxClearTextLength);
  CEncrypt scrambler;
  const int count = scrambler::kVariantCount;
  const int k = (r % count + count) % count;
  for (int step = 0; step < count; ++step) {
    const int draw = step == 0 ? r : (k + step) % count;
    scrambler.EncodeWithDraw(scrambled, clear, draw, kMaxClearTextLength);
    // The variant number behind the text is never zero; only the transformed bytes can be.
    if (std::memchr(scrambled, 0, length) == nullptr) return draw;
  }
  scrambler.EncodeWithDraw(scrambled, clear, r, kMaxClearTextLength);
  return r;
}

// The AES and escaping stages over a scrambled text: writes the encoded password text into out
// and wipes both working buffers.
void EncodeScrambled(char* out, char (&scrambled)[kShownCipherBytes]) {
  CAES aes;
  // 0, 64 or 128 cipher bytes; the rest stay zero and are escaped as "*00" all the same.
  char cipher[kShownCipherBytes];
  ZeroFill(cipher, sizeof cipher);
  aes.Encode(cipher, scrambled);

  // URLEncode of the 128 bytes, then "%" turned into "*", then copied out: done in one pass
  // straight into out, which receives the same text and NUL and nothing behind them.
  escaping::EscapeAll(reinterpret_cast<const unsigned char*>(cipher), kShownCipherBytes, out,
                      escaping::Mark::kStar);

  wipe::SecureWipe(scrambled, sizeof scrambled);
  wipe::SecureWipe(cipher, sizeof cipher);
}

void EncodeWithDraw(char* out, const char* clear, int r) {
  // The scrambled text (at most 126 bytes and the variant number) keeps a zero byte behind it,
  // which ends it for the AES stage and fills its last block.
  char scrambled[kShownCipherBytes];
  ZeroFill(scrambled, sizeof scrambled);
  CEncrypt scrambler;
  scrambler.EncodeWithDraw(scrambled, clear, r, kMaxClearTextLength);
  EncodeScrambled(out, scrambled);
}

void EncodeWithClockDraw(char* out, const char* clear) {
  char scrambled[kShownCipherBytes];
  ZeroFill(scrambled, sizeof scrambled);
  ScrambleKeepingEveryByte(scrambled, clear, CEncrypt::Draw());
  EncodeScrambled(out, scrambled);
}

int TrialDraw(const char* clear, int r) {
  char trial[kShownCipherBytes];
  ZeroFill(trial, sizeof trial);
  const int draw = ScrambleKeepingEveryByte(trial, clear, r);
  wipe::SecureWipe(trial, sizeof trial);
  return draw;
}

}  // namespace

void QsEncodeWithDraw(char* out, const char* clear, int r) {
  if (out == nullptr) return;
  if (clear == nullptr) {
    out[0] = '\0';
    return;
  }
  wipe::WithStackWipe<kEncoderStackWipeBytes>([=] { EncodeWithDraw(out, clear, r); });
}

int DrawKeepingEveryByte(const char* clear, int r) {
  if (clear == nullptr) return r;
  return wipe::WithStackWipe<kEncoderStackWipeBytes>([=] { return TrialDraw(clear, r); });
}

extern "C" void QsEncode(char* out, const char* clear) {
  if (out == nullptr) return;
  if (clear == nullptr) {
    out[0] = '\0';
    return;
  }
  wipe::WithStackWipe<kEncoderStackWipeBytes>([=] { EncodeWithClockDraw(out, clear); });
}
