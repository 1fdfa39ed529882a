// The escaping loop behind URLEncode, inside the encoding unit: URLEncode runs it when the
// destination has room for every byte escaped, and QsEncode runs it with "*" as the escape mark to
// write the encoded password text in one pass. It checks nothing; callers give it the room.
#pragma once

namespace escaping {

// The character that starts an escape: "%" for URLEncode, "*" for the encoded password text.
enum class Mark { kPercent, kStar };

// Escapes exactly n > 0 bytes of src into dst (zero bytes included): letters and digits as
// themselves, every other byte as the mark and two upper-case hexadecimal digits. Writes the units
// and a NUL, nothing behind it, and returns the number of characters before the NUL. dst needs
// room for 3 * n + 1 bytes, which always suffice: nothing is refused.
int EscapeAll(const unsigned char* src, int n, char* dst, Mark mark);

}  // namespace escaping
