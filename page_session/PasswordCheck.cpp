// Comparing the decoded "GetPassword" answer with the expected field text.
#include "page_session/PasswordCheck.h"

#include <algorithm>

#include "decoder/decode.h"

namespace pagesession {

namespace {

std::string characters(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " character" : " characters");
}

PasswordCheck verdict(PasswordCheck::Verdict v, std::string sentence) {
  return {v, std::move(sentence)};
}

}  // namespace

PasswordCheck checkPassword(std::u16string_view typed, const std::string& answer) {
  using Verdict = PasswordCheck::Verdict;
  const bool ascii = std::all_of(typed.begin(), typed.end(), [](char16_t c) { return c < 0x80; });
  if (typed.empty() || !ascii) {
    const char* why =
        typed.empty() ? "the field was empty" : "the password holds a character outside ASCII";
    if (answer.empty()) {
      return verdict(Verdict::kMatches,
                     std::string("nothing to decode, and rightly so: ") + why + ".");
    }
    return verdict(Verdict::kDiffers, std::string("GetPassword gave an encoded text although ") +
                                          why + ", so there was nothing to encode.");
  }
  if (answer.empty()) {
    return verdict(Verdict::kDiffers, "GetPassword gave nothing although " +
                                          characters(typed.size()) + " of ASCII were typed.");
  }

  const decoder::DecodeResult decoded = decoder::DecodePassword(answer);
  if (!decoded.ok()) {
    char message[decoder::kMessageSize];
    decoder::DescribeError(decoded, message, sizeof message);
    return verdict(Verdict::kUndecodable,
                   std::string("the encoded password text cannot be decoded: ") + message + ".");
  }
  const std::string_view clear = decoded.text();
  std::size_t same = 0;
  while (same < clear.size() && same < typed.size() &&
         static_cast<unsigned char>(clear[same]) == typed[same]) {
    ++same;
  }
  if (same == clear.size() && same == typed.size()) {
    std::string sentence = "the encoded password text decodes (variant " +
                           std::to_string(decoded.variant) + ") to exactly the " +
                           characters(typed.size()) + " typed.";
    if (decoded.warning != decoder::DecodeWarning::kNone) {
      char message[decoder::kMessageSize];
      decoder::DescribeWarning(decoded, message, sizeof message);
      sentence += std::string(" The decoder warns: ") + message + ".";
    }
    return verdict(Verdict::kMatches, sentence);
  }
  return verdict(Verdict::kDiffers,
                 "the encoded password text decodes to " + characters(clear.size()) + ", not the " +
                     characters(typed.size()) + " typed; they first differ at character " +
                     std::to_string(same + 1) + ".");
}

}  // namespace pagesession
