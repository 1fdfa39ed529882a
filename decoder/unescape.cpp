// Table-driven reading of the units: one lookup classifies a character, one more gives a digit's
// value or says why it is not an upper-case hexadecimal digit. Well-formed texts take the quick
// reading of decoder/fast_unescape.h where the CPU runs it; anything it is unsure of comes here.
#include "decoder/unescape.h"

#include <array>
#include <cstdint>

#include "decoder/fast_unescape.h"

namespace decoder {
namespace {

enum Class : uint8_t { kOther, kLiteral, kStar };

constexpr bool IsLetterOrDigit(int c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

constexpr std::array<uint8_t, 256> kClass = [] {
  std::array<uint8_t, 256> t{};
  for (int c = 0; c < 256; ++c) t[c] = IsLetterOrDigit(c) ? kLiteral : c == '*' ? kStar : kOther;
  return t;
}();

// Digit values 0 to 15 for "0" to "9" and "A" to "F"; kLower for "a" to "f"; kNotHex otherwise.
constexpr uint8_t kLower = 0x40;
constexpr uint8_t kNotHex = 0x80;
constexpr std::array<uint8_t, 256> kDigit = [] {
  std::array<uint8_t, 256> t{};
  for (int c = 0; c < 256; ++c) {
    if (c >= '0' && c <= '9')
      t[c] = static_cast<uint8_t>(c - '0');
    else if (c >= 'A' && c <= 'F')
      t[c] = static_cast<uint8_t>(c - 'A' + 10);
    else if (c >= 'a' && c <= 'f')
      t[c] = kLower;
    else
      t[c] = kNotHex;
  }
  return t;
}();

UnescapeStatus Fault(DecodeError error, std::size_t position, int value) {
  return {error, static_cast<int>(position), value};
}

}  // namespace

UnescapeStatus UnescapeStrict(std::string_view text, unsigned char (&out)[kUnitCount]) noexcept {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  int units = 0;
  while (i < n) {
    const unsigned char c = s[i];
    const uint8_t cls = kClass[c];
    if (cls == kOther) return Fault(DecodeError::kInvalidCharacter, i, c);
    // A well-formed 129th unit is one too many; a malformed one is reported as what it is.
    if (cls == kLiteral) {
      if (units == kUnitCount) return Fault(DecodeError::kTooManyUnits, i, -1);
      out[units++] = c;
      ++i;
      continue;
    }
    if (n - i < 3) {
      const bool digitMissing = n - i == 1 || (kDigit[s[i + 1]] & kNotHex) == 0;
      return Fault(digitMissing ? DecodeError::kIncompleteEscape : DecodeError::kInvalidEscape, i,
                   -1);
    }
    const uint8_t hi = kDigit[s[i + 1]], lo = kDigit[s[i + 2]];
    if ((hi | lo) & kNotHex) return Fault(DecodeError::kInvalidEscape, i, -1);
    if ((hi | lo) & kLower) return Fault(DecodeError::kLowerCaseEscape, i, -1);
    const unsigned char b = static_cast<unsigned char>(hi << 4 | lo);
    if (kClass[b] == kLiteral) return Fault(DecodeError::kEscapedLetterOrDigit, i, b);
    if (units == kUnitCount) return Fault(DecodeError::kTooManyUnits, i, -1);
    out[units++] = b;
    i += 3;
  }
  if (units < kUnitCount) return Fault(DecodeError::kTooFewUnits, n, units);
  return {};
}

UnescapeStatus Unescape(std::string_view text, unsigned char (&out)[kUnitCount]) noexcept {
  if (FastUnescapeAvailable() && UnescapeFast(text, out)) return {};
  return UnescapeStrict(text, out);
}

}  // namespace decoder
