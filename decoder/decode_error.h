// What can go wrong when an encoded password text is decoded: one code per distinct cause, each
// with a stable short name (for logs and the JSON output of the decode tool) and a one-line
// explanation. Used by decoder/decode.h and the decode tool; it decodes nothing itself.
#pragma once

namespace decoder {

enum class DecodeError : int {
  kNone = 0,

  // The text itself; the position is a character offset in the text.
  kInvalidCharacter,  // neither a letter, a digit nor "*" ("%", "+", space, line end, non-ASCII)
  kIncompleteEscape,  // the text ends before the two digits of a "*" escape
  kInvalidEscape,     // "*" not followed by two hexadecimal digits
  kLowerCaseEscape,   // hexadecimal digits in lower case; the encoder writes upper case
  kEscapedLetterOrDigit,  // a letter or digit written as an escape; the encoder never does that
  kTooFewUnits,           // fewer than 128 units; the position is the text's length
  kTooManyUnits,          // more than 128 units; the position is where the 129th starts

  // The decrypted bytes; the position is a byte position in the scrambled text.
  kNothingEncrypted,      // all 128 cipher bytes are zero: the scrambled text began with a zero
                          // byte, nothing was encrypted, the whole clear text is lost
  kTextCut,               // only 64 bytes were encrypted because a zero byte at the position
                          // ended the scrambled text early; it was longer, and its end with the
                          // variant number is lost
  kAmbiguousZero,         // only 64 bytes were encrypted and they hold a zero byte at the position
                          // before the last non-zero byte: a short text with that zero byte in
                          // it, or a longer text cut there; the two cannot be told apart
  kLayoutMismatch,        // a zero byte at the position contradicts how many bytes were encrypted
  kTooLong,               // byte 127 is not zero: a 128-byte scrambled text, longer than any
                          // the encoder writes
  kVariantOutOfRange,     // the variant number (at the position) is above 123
  kVariantNeverSelected,  // the variant number is 95, which the encoder never selects
  kZeroInClearText,       // undoing the variant gives a zero byte at the position; no clear text
                          // holds one
};

// Stable short name, e.g. "invalid-character"; "none" for kNone, "unknown" for other values.
const char* ErrorName(DecodeError error) noexcept;

// One-line explanation of the cause, without the position.
const char* ErrorExplanation(DecodeError error) noexcept;

}  // namespace decoder
