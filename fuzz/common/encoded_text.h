// Checks of an encoded password text shared by the fuzz targets that get one (QsEncode, and the
// script methods through the stand-in browser): its shape, and for clear texts the receiving side
// can always read back, that it decodes to exactly that text. Failures abort through FUZZ_CHECK.
#pragma once

#include <string>
#include <string_view>

namespace fuzzing {

// The text as the encoder writes it (encoding/format/encoded_text.h): 128 units, each a letter or
// digit, or "*" and two upper-case hexadecimal digits standing for a byte that is not a letter or
// digit. Answers the 128 cipher bytes.
std::string CheckEncodedShape(std::string_view encoded, const std::string& context);

// True for a clear text whose every scrambled byte is non-zero, so nothing of it can be lost:
// 1 to 26 printable ASCII characters.
bool AlwaysReadable(std::string_view clear);

// For such a clear text, checks that encoded decodes to exactly it; other texts only get the
// shape check.
void CheckEncodedTextOf(std::string_view encoded, std::string_view clear,
                        const std::string& context);

}  // namespace fuzzing
