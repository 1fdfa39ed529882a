// The last stage of the encoded password text undone for DecodePassword: the text back to its 128
// cipher bytes, with the decoder's own fault codes. The strict reading is the format's
// (encoding/format/encoded_text.h); well-formed texts may take a quicker way first. It knows
// nothing of AES or the scrambler.
#pragma once

#include <string_view>

#include "decoder/decode_error.h"
#include "encoding/format/encoded_text.h"

namespace decoder {

inline constexpr int kUnitCount = encoded_text::kUnitCount;

struct UnescapeStatus {
  DecodeError error = DecodeError::kNone;
  int position = -1;  // character offset of the fault in the text (its length for kTooFewUnits)
  int value = -1;     // the offending character or escaped byte; the unit count for kTooFewUnits
};

// Accepts only what the encoder writes (encoded_text::ReadUnits says exactly what that is). On
// success out holds the 128 bytes; on failure out holds whatever was decoded before the fault and
// the status says which fault comes first in the text.
[[nodiscard]] UnescapeStatus Unescape(std::string_view text,
                                      unsigned char (&out)[kUnitCount]) noexcept;

// The same, through the format's strict reading in every case (Unescape takes a quicker way
// through texts without a fault where the CPU allows). For the tests that hold the two side by
// side.
[[nodiscard]] UnescapeStatus UnescapeStrict(std::string_view text,
                                            unsigned char (&out)[kUnitCount]) noexcept;

}  // namespace decoder
