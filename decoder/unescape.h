// The strict inverse of the last stage of the encoded password text: exactly 128 units, each a
// letter or digit standing for itself or "*" and two upper-case hexadecimal digits, back to the
// 128 cipher bytes. Used by DecodePassword; it knows nothing of AES or the scrambler.
#pragma once

#include <string_view>

#include "decoder/decode_error.h"

namespace decoder {

inline constexpr int kUnitCount = 128;

struct UnescapeStatus {
  DecodeError error = DecodeError::kNone;
  int position = -1;  // character offset of the fault in the text (its length for kTooFewUnits)
  int value = -1;     // the offending character or escaped byte; the unit count for kTooFewUnits
};

// Checks every character of text and accepts only what the encoder writes: a letter or digit
// stands for itself; "*" must be followed by two upper-case hexadecimal digits whose value is not
// a letter or digit; nothing else is allowed (no "%", "+", space, line end or zero byte), and
// there must be exactly 128 units. Reads at most as far as the 129th unit. On success out holds
// the 128 bytes; on failure out holds whatever was decoded before the fault and the status says
// which fault comes first in the text.
UnescapeStatus Unescape(std::string_view text, unsigned char (&out)[kUnitCount]) noexcept;

// The same, character by character in every case (Unescape takes a quicker way through texts
// without a fault where the CPU allows). For the tests that hold the two side by side.
UnescapeStatus UnescapeStrict(std::string_view text, unsigned char (&out)[kUnitCount]) noexcept;

}  // namespace decoder
