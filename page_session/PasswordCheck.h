// The page session's --verify: decodes the encoded password text that "GetPassword" gave the
// page and says, in one sentence, whether it is what was typed. Uses the receiver's decoder
// (decoder/decode.h); never shows the clear text, only lengths, positions and the variant.
#pragma once

#include <string>
#include <string_view>

namespace pagesession {

struct PasswordCheck {
  enum class Verdict {
    kMatches,      // the page got exactly what was typed (or, rightly, nothing)
    kDiffers,      // it decodes to something else, or a text was given or missing wrongly
    kUndecodable,  // the encoded password text cannot be decoded (the decoder says why)
  };
  Verdict verdict = Verdict::kDiffers;
  std::string sentence;
};

// typed: the field's expected text (UTF-16, at most 126 units); answer: the string "GetPassword"
// returned. The plug-in encodes only a non-empty ASCII text; for an empty field or a text with a
// character outside ASCII the right answer is the empty string.
PasswordCheck checkPassword(std::u16string_view typed, const std::string& answer);

}  // namespace pagesession
