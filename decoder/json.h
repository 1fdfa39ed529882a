// JSON strings for decoded clear texts: any bytes written so a JSON reader gets them back, and the
// check for well-formed UTF-8 that decides how they are read. Used by the decode tool, and for
// servers that log decoding results as JSON. Pure functions over bytes; no I/O.
#pragma once

#include <string>
#include <string_view>

namespace decoder::json {

// True when bytes are well-formed UTF-8: no stray continuation bytes, no overlong forms, no
// surrogates (U+D800 to U+DFFF) and nothing above U+10FFFF.
bool IsUtf8(std::string_view bytes) noexcept;

// Appends bytes as a JSON string literal, quotes included. With utf8 the bytes must be
// well-formed UTF-8 (see IsUtf8) and are kept as they are; without, each byte stands for the
// code point of the same value (ISO 8859-1), so any bytes can be written and read back. Either
// way '"', '\\', control characters, DEL, U+2028 and U+2029 are escaped, so the result is valid
// JSON and safe inside a script. Returns false, with out as it was, when memory runs out.
[[nodiscard]] bool AppendString(std::string& out, std::string_view bytes, bool utf8) noexcept;

}  // namespace decoder::json
