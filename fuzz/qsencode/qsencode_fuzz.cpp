// Fuzz target for QsEncode: any clear text bytes of any length (zero bytes and texts past the
// 126-byte limit included), with the scrambler's draw taken from the input so a run reproduces.
// Checks the encoded password text's shape, the cut at 126 bytes, and that no byte of a long
// clear text beyond the first 126 is read. Does not check the cipher itself (the unit tests do).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "encoding/jnidecrypt.h"
#include "fuzz/common/fuzz_check.h"
#include "fuzz/common/fuzz_input.h"

namespace {

constexpr std::size_t kMaxInput = 4096;
constexpr std::size_t kOutRoom = 385;  // what QsEncode promises to stay within
constexpr unsigned char kUntouched = 0xCB;

bool IsAlnum(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}
bool IsUpperHex(unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
int HexValue(unsigned char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

// An output block of exactly the promised size, filled with a byte the encoder never writes.
std::unique_ptr<char[]> OutputBlock() {
  std::unique_ptr<char[]> out(new char[kOutRoom]);
  std::memset(out.get(), kUntouched, kOutRoom);
  return out;
}

// The shape of the encoded password text: NUL-terminated within 385 bytes; 128 units, each a
// letter or digit, or "*" and two upper-case hexadecimal digits standing for a byte that is not a
// letter or digit; 128 to 384 characters. Answers the unit values (the cipher bytes).
std::string CheckShape(const char* out, const std::string& clear) {
  const std::size_t length = strnlen(out, kOutRoom);
  const std::string context = "clear text " + fuzzing::Printable(clear.data(), clear.size()) +
                              "\n  encoded " + fuzzing::Printable(out, length);
  FUZZ_CHECK(length < kOutRoom, "no NUL within 385 bytes: " + context);
  FUZZ_CHECK(length >= 128 && length <= 384 && (length - 128) % 2 == 0, "length " + std::to_string(length) + ": " + context);
  std::string units;
  for (std::size_t i = 0; i < length;) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (IsAlnum(c)) {
      units += static_cast<char>(c);
      i += 1;
      continue;
    }
    FUZZ_CHECK(c == '*', "character outside [A-Za-z0-9*] at " + std::to_string(i) + ": " + context);
    FUZZ_CHECK(i + 2 < length && IsUpperHex(static_cast<unsigned char>(out[i + 1])) &&
                   IsUpperHex(static_cast<unsigned char>(out[i + 2])),
               "\"*\" without two upper-case hexadecimal digits at " + std::to_string(i) + ": " + context);
    const auto value = static_cast<unsigned char>(HexValue(out[i + 1]) * 16 + HexValue(out[i + 2]));
    FUZZ_CHECK(!IsAlnum(value), "a letter or digit escaped at " + std::to_string(i) + ": " + context);
    units += static_cast<char>(value);
    i += 3;
  }
  FUZZ_CHECK(units.size() == 128, std::to_string(units.size()) + " units: " + context);
  // Bytes behind the NUL: the encoder copies the text and its NUL, nothing more.
  for (std::size_t i = length + 1; i < kOutRoom; ++i)
    FUZZ_CHECK(static_cast<unsigned char>(out[i]) == kUntouched, "written behind the NUL at " + std::to_string(i) + ": " + context);
  return units;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  fuzzing::FuzzInput input(data, size);
  const int draw = input.i32();
  const std::string bytes = input.rest();

  // The clear text in an exactly-sized heap block with its NUL: a read past it is caught.
  std::unique_ptr<char[]> clear(new char[bytes.size() + 1]);
  std::memcpy(clear.get(), bytes.data(), bytes.size());
  clear[bytes.size()] = '\0';
  const std::size_t clearLength = std::strlen(clear.get());  // a zero byte ends the text
  const std::size_t encodedLength = clearLength < kMaxClearTextLength ? clearLength : kMaxClearTextLength;

  auto out = OutputBlock();
  QsEncodeWithDraw(out.get(), clear.get(), draw);
  const std::string units = CheckShape(out.get(), bytes);

  // At most 64 scrambled bytes (a clear text of up to 63 bytes): only the first 64 cipher bytes
  // were written, so the last 64 units are the zero byte.
  if (encodedLength <= 63) {
    FUZZ_CHECK(units.substr(64) == std::string(64, '\0'),
               "a short text with cipher bytes past 64: " + fuzzing::Printable(bytes.data(), bytes.size()));
  }

  // A text past the limit is encoded as its first 126 bytes, and nothing beyond them is read: the
  // same text in a 126-byte block without a terminator gives the same result.
  if (clearLength >= kMaxClearTextLength) {
    std::unique_ptr<char[]> cut(new char[kMaxClearTextLength]);
    std::memcpy(cut.get(), clear.get(), kMaxClearTextLength);
    auto again = OutputBlock();
    QsEncodeWithDraw(again.get(), cut.get(), draw);
    FUZZ_CHECK(std::memcmp(out.get(), again.get(), kOutRoom) == 0,
               "a long text and its first 126 bytes encode differently: " +
                   fuzzing::Printable(bytes.data(), bytes.size()));
  }

  // The exported encoder with its clock-seeded draw gives the same shape.
  auto exported = OutputBlock();
  QsEncode(exported.get(), clear.get());
  CheckShape(exported.get(), bytes);
  return 0;
}
