// The receiving side of the encoded password text: DecodePassword turns the text a page sent
// back into the clear text and the scrambler variant used, or says precisely why it cannot.
// For servers and for checking the encoder; the plug-in itself never decodes. Checks all of its
// input; trusts only that the text's bytes are readable.
//
// How a text is read. The escaping is undone strictly (decoder/unescape.h, over the format of
// encoding/format/encoded_text.h). The 128 cipher bytes show how much the encoder encrypted: bytes
// it never wrote are zero, so 128 zero bytes mean nothing was encrypted and 64 zero bytes at the
// end mean only the first 64 were (any other reading needs encrypted blocks that happen to be
// zero, about one chance in 2^512). AES with the built-in key (AES-NI where the CPU has it, CAES's
// tables otherwise) gives back the scrambled text: the clear text's L transformed bytes, the
// variant number 1 to 123 at position L, then zero bytes. The encoder measures the scrambled text
// up to its first zero byte and encrypts that length rounded up to 64, so a transformed byte that
// is zero (at position p) decides what survives:
//
//  - 128 bytes encrypted: the first zero byte lies above 64 and everything up to byte 127 was
//    encrypted. The variant number is the last non-zero byte, whatever zero bytes precede it: the
//    text is always recovered. A zero byte at 64 or below, or a non-zero byte 127, cannot occur.
//  - 64 bytes encrypted, laid out as "non-zero bytes, variant number, zero bytes": a clear text of
//    0 to 63 bytes; it is recovered. A longer text whose first zero byte comes right behind such a
//    layout and is followed by zero bytes up to byte 63 looks the same. For a reading of 62 or 63
//    bytes that takes one zero byte, and the result carries kLongerTextPossible; shorter readings
//    need zero bytes at both 62 and 63, which no clear text of printable ASCII characters gives.
//  - 64 bytes encrypted with a zero byte before the last non-zero one: a short text holding that
//    zero byte, or a longer text cut there whose end was never encrypted. The decoder cannot tell
//    them apart and refuses (kAmbiguousZero); when the short reading is impossible it says the
//    text was cut (kTextCut). Both give the position of the zero byte.
//  - 64 bytes encrypted, laid out as above, whose short reading fails: a longer text cut behind
//    its last non-zero byte (kTextCut), except for a variant number 95, which is refused as such
//    (kVariantNeverSelected, at that byte) in every layout.
//  - nothing encrypted: the first transformed byte was zero and the clear text is lost.
//
// Variant 95 is refused: the encoder never selects it, so a 95 means the text did not come from it
// unchanged, or (64 bytes encrypted) that a longer text was cut; decoding it would turn a
// detectable cut into a wrong clear text. The format carries no integrity check: any 128 units of
// the right shape decrypt to something, and some random ones pass every check above.
//
// Safe to call on several threads at once, beside encoders on other threads: each call works on
// its own buffers, the AES-NI path has no state, and CAES's tables are constant data.
#pragma once

#include <cstddef>
#include <string_view>

#include "decoder/cipher.h"
#include "decoder/decode_error.h"
#include "encoding/format/encoded_text.h"

namespace decoder {

// The longest clear text the encoder takes (126 bytes).
inline constexpr int kMaxClearLength = static_cast<int>(encoded_text::kMaxClearLength);

enum class DecodeWarning : int {
  kNone = 0,
  kLongerTextPossible,  // see above: a 62- or 63-byte reading that a cut longer text would match
};

const char* WarningName(DecodeWarning warning) noexcept;         // "longer-text-possible"
const char* WarningExplanation(DecodeWarning warning) noexcept;  // one line

// Room for any message of DescribeError or DescribeWarning with its NUL.
inline constexpr std::size_t kMessageSize = 320;

// The outcome of DecodePassword. Allocates nothing; its destructor wipes the clear text.
struct DecodeResult {
  DecodeError error = DecodeError::kNone;
  int position = -1;  // where the fault lies (see DecodeError); -1 when none applies
  int value = -1;     // the offending character, byte or variant number, or the length of the
                      // short reading for kAmbiguousZero; -1 when none applies
  int variant = 0;    // 1 to 123 on success, 0 otherwise
  DecodeWarning warning = DecodeWarning::kNone;
  std::size_t length = 0;                // bytes of clear text; 0 for an empty one
  char clear[kMaxClearLength + 1] = {};  // the clear text, then a zero byte; it never holds one

  DecodeResult() = default;
  DecodeResult(const DecodeResult&) = default;
  DecodeResult& operator=(const DecodeResult&) = default;
  ~DecodeResult();

  bool ok() const noexcept { return error == DecodeError::kNone; }
  // The clear text's bytes (any value but zero, not necessarily ASCII or UTF-8).
  std::string_view text() const noexcept { return {clear, length}; }
};

// Decodes an encoded password text: exactly the encoder's output, with no line end or spaces
// around it. On failure only error, position and value are set. Intermediate buffers are wiped
// before it returns. Never throws. cipher names the AES implementation (see decoder/cipher.h);
// every choice gives the same result.
[[nodiscard]] DecodeResult DecodePassword(std::string_view encoded,
                                          Cipher cipher = Cipher::kAuto) noexcept;

// Writes a one-line description of result's error (its kind, position and cause) into buf,
// truncated to size bytes with its NUL; "no error" on success. Never throws.
void DescribeError(const DecodeResult& result, char* buf, std::size_t size) noexcept;

// The same for result's warning; an empty line when there is none.
void DescribeWarning(const DecodeResult& result, char* buf, std::size_t size) noexcept;

}  // namespace decoder
