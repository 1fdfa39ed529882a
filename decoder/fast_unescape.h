// A quick reading of a well-formed encoded password text into its 128 cipher bytes, with SSSE3:
// the text is classified sixteen characters at a time, every escape's value worked out in place,
// and the units packed together through a shuffle per eight characters. It only accepts; for any
// text it is not sure of (a fault anywhere, a wrong number of units) it answers false and the
// strict reading (decoder/unescape.h) decides and names the fault. Used by Unescape.
#pragma once

#include <string_view>

namespace decoder {

// True when the CPU runs UnescapeFast (SSSE3 and POPCNT). Asked once per process.
bool FastUnescapeAvailable() noexcept;

// Fills out and answers true when text is exactly what the encoder writes: 128 units, letters and
// digits as themselves, "*" and two upper-case hexadecimal digits for any other byte. Answers
// false, with out in any state, for everything else. Only to be called when
// FastUnescapeAvailable().
bool UnescapeFast(std::string_view text, unsigned char (&out)[128]) noexcept;

}  // namespace decoder
