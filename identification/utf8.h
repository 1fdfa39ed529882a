// UTF-8 checks and conversion for identifier texts. The disk logic checks that a serial is UTF-8;
// the Linux backend turns the raw bytes of sysfs attributes into UTF-8. No other encodings.
#pragma once

#include <string>
#include <string_view>

namespace identification {

// True when bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool IsUtf8(std::string_view bytes);

// bytes unchanged when they are UTF-8; otherwise read as ISO-8859-1, one character per byte, and
// written as UTF-8, so that no byte is lost and the result is always UTF-8.
std::string ToUtf8(std::string_view bytes);

}  // namespace identification
