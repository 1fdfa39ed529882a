// Fuzz target for urldecode: any bytes in an exactly-sized heap buffer of len + 1 bytes (the room
// for the NUL it stores), with len the whole input, a part of it, zero or negative. Checks the
// result against a plain reference decoder, that decoding never grows the text, that nothing
// past the NUL it stores is changed, and that escaping then decoding gives the bytes back.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "encoding/jnidecrypt.h"
#include "fuzz/common/fuzz_check.h"
#include "fuzz/common/fuzz_input.h"

namespace {

constexpr std::size_t kMaxInput = 4096;

bool IsHex(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
int Hex(unsigned char c) { return c <= '9' ? c - '0' : (c >= 'a' ? c - 'a' + 10 : c - 'A' + 10); }

std::string ReferenceDecode(const std::string& text) {
  std::string out;
  for (std::size_t r = 0; r < text.size();) {
    const auto c = static_cast<unsigned char>(text[r]);
    if (c == '%' && r + 2 < text.size() && IsHex(static_cast<unsigned char>(text[r + 1])) &&
        IsHex(static_cast<unsigned char>(text[r + 2]))) {
      out += static_cast<char>(Hex(static_cast<unsigned char>(text[r + 1])) * 16 +
                               Hex(static_cast<unsigned char>(text[r + 2])));
      r += 3;
    } else {
      out += c == '+' ? ' ' : static_cast<char>(c);
      r += 1;
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  fuzzing::FuzzInput input(data, size);
  const std::uint8_t mode = input.byte();
  const std::string text = input.rest();

  int len = static_cast<int>(text.size());
  if (mode % 8 == 0) len = 0;
  if (mode % 8 == 1) len = -1 - (mode >> 3);
  if (mode % 8 == 2 && !text.empty()) len = static_cast<int>((mode >> 3) % text.size());
  const std::size_t used = len > 0 ? static_cast<std::size_t>(len) : 0;

  // The text and one spare byte for the NUL; the bytes behind len keep a marker to be checked.
  const std::size_t room = text.size() + 1;
  std::unique_ptr<char[]> buffer(new char[room]);
  std::memcpy(buffer.get(), text.data(), text.size());
  buffer[text.size()] = '\x5A';

  const int decoded = urldecode(buffer.get(), len);
  const std::string expected = ReferenceDecode(text.substr(0, used));
  const std::string context =
      "len " + std::to_string(len) + " text " + fuzzing::Printable(text.data(), used);
  FUZZ_CHECK(decoded == static_cast<int>(expected.size()),
             "answered " + std::to_string(decoded) + ": " + context);
  FUZZ_CHECK(decoded >= 0 && static_cast<std::size_t>(decoded) <= used, "grew: " + context);
  FUZZ_CHECK(std::memcmp(buffer.get(), expected.data(), expected.size()) == 0 &&
                 buffer[expected.size()] == '\0',
             "decoded text differs from the reference: " + context);
  for (std::size_t i = used + 1; i < text.size(); ++i)
    FUZZ_CHECK(buffer[i] == text[i], "changed a byte past len: " + context);
  if (used < text.size())
    FUZZ_CHECK(buffer[text.size()] == '\x5A', "changed the spare byte: " + context);

  // Escaping then decoding gives every byte back ("+" included: the escaper writes "%2B").
  if (!text.empty() && text.size() <= 1024) {
    std::unique_ptr<char[]> escaped(new char[3 * text.size() + 1]);
    const int n = URLEncode(text.data(), static_cast<int>(text.size()), escaped.get(),
                            static_cast<int>(3 * text.size() + 1));
    FUZZ_CHECK(n > 0, "escaping refused with full room: " + context);
    FUZZ_CHECK(urldecode(escaped.get(), n) == static_cast<int>(text.size()) &&
                   std::memcmp(escaped.get(), text.data(), text.size()) == 0,
               "escape then decode lost bytes: " + fuzzing::Printable(text.data(), text.size()));
  }
  return 0;
}
