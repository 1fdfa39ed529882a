// Encoded password text checks, with the test suite's decoder as the receiving side.
#include "fuzz/common/encoded_text.h"

#include "encoding/format/encoded_text.h"
#include "fuzz/common/fuzz_check.h"
#include "tests/support/password_decoder.h"

namespace fuzzing {

std::string CheckEncodedShape(std::string_view encoded, const std::string& context) {
  unsigned char cipher[encoded_text::kUnitCount];
  const encoded_text::ReadStatus status = encoded_text::ReadUnits(encoded, cipher);
  FUZZ_CHECK(status.ok(), "not as the encoder writes it (fault " +
                              std::to_string(static_cast<int>(status.fault)) + " at offset " +
                              std::to_string(status.position) + "): " + context + "\n  encoded " +
                              Printable(encoded.data(), encoded.size(), 400));
  return std::string(reinterpret_cast<const char*>(cipher), sizeof cipher);
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
