// The decoder's reading of the units: the quick reading of decoder/fast_unescape.h where the CPU
// runs it, and for anything it is unsure of the format's strict reading, whose faults become the
// decoder's codes.
#include "decoder/unescape.h"

#include "decoder/fast_unescape.h"

namespace decoder {
namespace {

DecodeError ErrorOf(encoded_text::Fault fault) {
  using encoded_text::Fault;
  switch (fault) {
    case Fault::kNone:
      return DecodeError::kNone;
    case Fault::kInvalidCharacter:
      return DecodeError::kInvalidCharacter;
    case Fault::kIncompleteEscape:
      return DecodeError::kIncompleteEscape;
    case Fault::kInvalidEscape:
      return DecodeError::kInvalidEscape;
    case Fault::kLowerCaseEscape:
      return DecodeError::kLowerCaseEscape;
    case Fault::kEscapedLetterOrDigit:
      return DecodeError::kEscapedLetterOrDigit;
    case Fault::kTooFewUnits:
      return DecodeError::kTooFewUnits;
    case Fault::kTooManyUnits:
      return DecodeError::kTooManyUnits;
  }
  return DecodeError::kInvalidCharacter;
}

}  // namespace

UnescapeStatus UnescapeStrict(std::string_view text, unsigned char (&out)[kUnitCount]) noexcept {
  const encoded_text::ReadStatus status = encoded_text::ReadUnits(text, out);
  return {ErrorOf(status.fault), status.position, status.value};
}

UnescapeStatus Unescape(std::string_view text, unsigned char (&out)[kUnitCount]) noexcept {
  if (FastUnescapeAvailable() && UnescapeFast(text, out)) return {};
  return UnescapeStrict(text, out);
}

}  // namespace decoder
