// Encoded password text checks, with the test suite's decoder as the receiving side.
#include "fuzz/common/encoded_text.h"

#include "fuzz/common/fuzz_check.h"
#include "tests/support/password_decoder.h"

namespace fuzzing {

namespace {

bool IsAlnum(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}
bool IsUpperHex(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
int HexValue(unsigned char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

}  // namespace

std::string CheckEncodedShape(std::string_view encoded, const std::string& context) {
  // Called only when a check fails.
  const auto where = [&] {
    return context + "\n  encoded " + Printable(encoded.data(), encoded.size(), 400);
  };
  const std::size_t length = encoded.size();
  FUZZ_CHECK(length >= 128 && length <= 384 && (length - 128) % 2 == 0,
             "length " + std::to_string(length) + ": " + where());
  std::string units;
  for (std::size_t i = 0; i < length;) {
    const auto c = static_cast<unsigned char>(encoded[i]);
    if (IsAlnum(c)) {
      units += static_cast<char>(c);
      i += 1;
      continue;
    }
    FUZZ_CHECK(c == '*', "character outside [A-Za-z0-9*] at " + std::to_string(i) + ": " + where());
    FUZZ_CHECK(
        i + 2 < length && IsUpperHex(static_cast<unsigned char>(encoded[i + 1])) &&
            IsUpperHex(static_cast<unsigned char>(encoded[i + 2])),
        "\"*\" without two upper-case hexadecimal digits at " + std::to_string(i) + ": " + where());
    const auto value =
        static_cast<unsigned char>(HexValue(static_cast<unsigned char>(encoded[i + 1])) * 16 +
                                   HexValue(static_cast<unsigned char>(encoded[i + 2])));
    FUZZ_CHECK(!IsAlnum(value),
               "a letter or digit escaped at " + std::to_string(i) + ": " + where());
    units += static_cast<char>(value);
    i += 3;
  }
  FUZZ_CHECK(units.size() == 128, std::to_string(units.size()) + " units: " + where());
  return units;
}

bool AlwaysReadable(std::string_view clear) {
  if (clear.empty() || clear.size() > 26) return false;
  for (const char c : clear)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

void CheckEncodedTextOf(std::string_view encoded, std::string_view clear,
                        const std::string& context) {
  const std::string units = CheckEncodedShape(encoded, context);
  // Up to 63 clear bytes give at most 64 scrambled bytes: the last 64 cipher bytes stay zero.
  if (clear.size() <= 63) {
    FUZZ_CHECK(units.substr(64) == std::string(64, '\0'),
               "cipher bytes past 64 for a short text: " + context);
  }
  if (!AlwaysReadable(clear)) return;
  const auto decoded = testsupport::decodePassword(std::string(encoded));
  FUZZ_CHECK(decoded.has_value() && *decoded == clear,
             "decodes to " +
                 (decoded ? "\"" + Printable(decoded->data(), decoded->size()) + "\""
                          : std::string("nothing")) +
                 ", not the clear text \"" + Printable(clear.data(), clear.size()) +
                 "\": " + context);
}

}  // namespace fuzzing
