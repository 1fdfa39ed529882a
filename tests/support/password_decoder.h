// Test support: the receiving side of the encoded password text, written for the tests only, so
// they can check that what a page receives from "GetPassword" or "EncodeData" decodes back to the
// clear text. Reads the units with the format's strict reading (encoding/format/encoded_text.h),
// then decrypts with OpenSSL and undoes the scrambler with the tests' own reading of the variant
// table (tests/support/reference.h): nothing of the encoder or the decoder. Answers no value for
// anything malformed.
#pragma once

#include <optional>
#include <string>

namespace testsupport {

// The whole receiving side: the clear text of an encoded password text, or no value.
std::optional<std::string> decodePassword(const std::string& encoded);

// The variant number the encoded text carries (1..123), or no value.
std::optional<int> variantOf(const std::string& encoded);

}  // namespace testsupport
