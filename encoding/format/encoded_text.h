// The encoded password text's format, in one place: 128 units, one per cipher byte, each an ASCII
// letter or digit standing for itself or "*" and two upper-case hexadecimal digits; 128 to 384
// characters. The encoder writes its units (encoding/escaping.cpp), the receiving side's decoder
// reads them back strictly, and the tests and fuzz targets check texts with the same reading. It
// knows nothing of AES or the scrambler.
#pragma once

#include <cstddef>
#include <string_view>

namespace encoded_text {

// The cipher bytes a text shows, one unit each.
inline constexpr int kUnitCount = 128;
// Its length: every unit a letter or digit, or every unit an escape.
inline constexpr std::size_t kMinLength = kUnitCount;
inline constexpr std::size_t kMaxLength = 3 * kUnitCount;
// The longest clear text a text carries: the scrambled text (the clear text and its variant
// number) keeps a zero byte behind it within the cipher bytes.
inline constexpr std::size_t kMaxClearLength = kUnitCount - 2;

// The character that starts an escape, where URL escaping writes "%".
inline constexpr char kEscapeMark = '*';
// The digits of an escape: upper case only.
inline constexpr char kHexDigits[] = "0123456789ABCDEF";

// Whether byte b is written as itself: the ASCII letters and digits.
constexpr bool IsLiteral(unsigned char b) {
  return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

// What byte b becomes: itself, or mark and its two digits (mark is "%" for URL escaping).
struct Unit {
  char chars[3];
  int length;  // 1 or 3
};
constexpr Unit UnitOf(unsigned char b, char mark = kEscapeMark) {
  if (IsLiteral(b)) return {{static_cast<char>(b), 0, 0}, 1};
  return {{mark, kHexDigits[b >> 4], kHexDigits[b & 15]}, 3};
}

// Why a text is not one the encoder writes. The position is a character offset in the text.
enum class Fault {
  kNone = 0,
  kInvalidCharacter,      // neither a letter, a digit nor "*"
  kIncompleteEscape,      // the text ends before the two digits of an escape
  kInvalidEscape,         // "*" not followed by two hexadecimal digits
  kLowerCaseEscape,       // hexadecimal digits in lower case
  kEscapedLetterOrDigit,  // a letter or digit written as an escape
  kTooFewUnits,           // fewer than 128 units; the position is the text's length
  kTooManyUnits,          // more than 128 units; the position is where the 129th starts
};

struct ReadStatus {
  Fault fault = Fault::kNone;
  int position = -1;  // where the fault lies; -1 on success
  int value = -1;     // the offending character or escaped byte; the unit count for kTooFewUnits
  bool ok() const { return fault == Fault::kNone; }
};

// Reads the 128 cipher bytes of text, accepting only what the encoder writes: a letter or digit
// stands for itself; "*" must be followed by two upper-case hexadecimal digits whose value is not
// a letter or digit; nothing else is allowed (no "%", "+", space, line end or zero byte), and
// there must be exactly 128 units. Reads at most as far as the 129th unit. On success cipher holds
// the 128 bytes; on failure it holds whatever was read before the fault, and the status names the
// fault that comes first in the text.
[[nodiscard]] ReadStatus ReadUnits(std::string_view text,
                                   unsigned char (&cipher)[kUnitCount]) noexcept;

}  // namespace encoded_text
