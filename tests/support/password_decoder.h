// Test support: the receiving side of the encoded password text, written for the tests only, so
// they can check that what a page receives from "GetPassword" or "EncodeData" decodes back to the
// clear text. Undoes the escaping, decrypts with OpenSSL (AES-128-ECB under the key the encoder
// derives from its key text) and undoes the scrambler variant named by the last scrambled byte.
// Every function checks its input and answers no value for anything malformed.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace testsupport {

// The 128 cipher bytes an encoded password text stands for: each unit is a letter or digit
// standing for itself, or "*" and two upper-case hexadecimal digits. No value when the text has
// another character, a broken escape, or not exactly 128 units.
std::optional<std::array<uint8_t, 128>> unescapeEncodedText(const std::string& encoded);

// The scrambler's forward transform of variant n (1..123) over clear, followed by the variant
// byte; and its inverse, which reads the variant from the last byte. The inverse answers no value
// for an empty text or a variant outside 1..123.
std::string scramble(const std::string& clear, int variant);
std::optional<std::string> unscramble(const std::string& scrambled);

// The whole receiving side: the clear text of an encoded password text, or no value.
std::optional<std::string> decodePassword(const std::string& encoded);

// The variant number the encoded text carries (1..123), or no value.
std::optional<int> variantOf(const std::string& encoded);

}  // namespace testsupport
