// The receiving side of the encoded password text, for the tests.
#include "tests/support/password_decoder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "encoding/format/encoded_text.h"
#include "tests/support/reference.h"

namespace testsupport {

namespace {

// The scrambled text (transformed bytes and the variant byte) an encoded text carries.
std::optional<std::string> scrambledTextOf(const std::string& encoded) {
  unsigned char cipher[encoded_text::kUnitCount];
  if (!encoded_text::ReadUnits(encoded, cipher).ok()) return std::nullopt;
  // 1 to 64 scrambled bytes are encrypted as 64 bytes and the other 64 stay zero.
  const bool half = std::all_of(cipher + 64, std::end(cipher), [](uint8_t b) { return b == 0; });
  const std::size_t size = half ? 64 : 128;
  const reference::Bytes plain =
      reference::OpenSslEcb(false, reference::kDerivedKey, reference::Bytes(cipher, cipher + size));
  const auto* end = static_cast<const uint8_t*>(std::memchr(plain.data(), 0, size));
  const std::size_t length = end != nullptr ? static_cast<std::size_t>(end - plain.data()) : size;
  if (length == 0 || (end == nullptr && size == 128)) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(plain.data()), length);
}

}  // namespace

std::optional<std::string> decodePassword(const std::string& encoded) {
  auto scrambled = scrambledTextOf(encoded);
  if (!scrambled) return std::nullopt;
  const int n = static_cast<uint8_t>(scrambled->back());
  if (n < 1 || n > 123) return std::nullopt;
  return reference::Unscramble(*scrambled);
}

std::optional<int> variantOf(const std::string& encoded) {
  auto scrambled = scrambledTextOf(encoded);
  if (!scrambled) return std::nullopt;
  const int n = static_cast<uint8_t>(scrambled->back());
  if (n < 1 || n > 123) return std::nullopt;
  return n;
}

}  // namespace testsupport
