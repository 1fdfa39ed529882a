// Table-driven reading of the units: one lookup classifies a character, one more gives a digit's
// value or says why it is not an upper-case hexadecimal digit.
#include "encoding/format/encoded_text.h"

#include <array>
#include <cstdint>

namespace encoded_text {
namespace {

enum Class : uint8_t { kOther, kLiteral, kMark };

constexpr std::array<uint8_t, 256> kClass = [] {
  std::array<uint8_t, 256> t{};
  for (int c = 0; c < 256; ++c)
    t[c] = IsLiteral(static_cast<unsigned char>(c)) ? kLiteral : c == kEscapeMark ? kMark : kOther;
  return t;
}();

// Digit values 0 to 15 for the digits of kHexDigits; kLower for their lower-case forms; kNotHex
// otherwise.
constexpr uint8_t kLower = 0x40;
constexpr uint8_t kNotHex = 0x80;
constexpr std::array<uint8_t, 256> kDigit = [] {
  std::array<uint8_t, 256> t{};
  t.fill(kNotHex);
  for (int v = 0; v < 16; ++v) {
    const auto c = static_cast<unsigned char>(kHexDigits[v]);
    t[c] = static_cast<uint8_t>(v);
    if (c >= 'A' && c <= 'F') t[c - 'A' + 'a'] = kLower;
  }
  return t;
}();

ReadStatus Failure(Fault fault, std::size_t position, int value) {
  return {fault, static_cast<int>(position), value};
}

}  // namespace

ReadStatus ReadUnits(std::string_view text, unsigned char (&cipher)[kUnitCount]) noexcept {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  int units = 0;
  while (i < n) {
    const unsigned char c = s[i];
    const uint8_t cls = kClass[c];
    if (cls == kOther) return Failure(Fault::kInvalidCharacter, i, c);
    // A well-formed 129th unit is one too many; a malformed one is reported as what it is.
    if (cls == kLiteral) {
      if (units == kUnitCount) return Failure(Fault::kTooManyUnits, i, -1);
      cipher[units++] = c;
      ++i;
      continue;
    }
    if (n - i < 3) {
      const bool digitMissing = n - i == 1 || (kDigit[s[i + 1]] & kNotHex) == 0;
      return Failure(digitMissing ? Fault::kIncompleteEscape : Fault::kInvalidEscape, i, -1);
    }
    const uint8_t hi = kDigit[s[i + 1]], lo = kDigit[s[i + 2]];
    if ((hi | lo) & kNotHex) return Failure(Fault::kInvalidEscape, i, -1);
    if ((hi | lo) & kLower) return Failure(Fault::kLowerCaseEscape, i, -1);
    const unsigned char b = static_cast<unsigned char>(hi << 4 | lo);
    if (kClass[b] == kLiteral) return Failure(Fault::kEscapedLetterOrDigit, i, b);
    if (units == kUnitCount) return Failure(Fault::kTooManyUnits, i, -1);
    cipher[units++] = b;
    i += 3;
  }
  if (units < kUnitCount) return Failure(Fault::kTooFewUnits, n, units);
  return {};
}

}  // namespace encoded_text
