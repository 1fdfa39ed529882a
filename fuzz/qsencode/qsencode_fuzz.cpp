// Fuzz target for QsEncode: any clear text bytes of any length (zero bytes and texts past the
// 126-byte limit included), with the scrambler's draw taken from the input so a run reproduces.
// Checks the encoded password text's shape, that it decodes back to the clear text and names the
// drawn variant, the cut at 126 bytes, and that no byte of a long clear text beyond the first 126
// is read and no byte of the output block beyond the text and its NUL is written.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "encoding/encrypt.h"
#include "encoding/jnidecrypt.h"
#include "fuzz/common/encoded_text.h"
#include "fuzz/common/fuzz_check.h"
#include "fuzz/common/fuzz_input.h"
#include "tests/support/password_decoder.h"

namespace {

constexpr std::size_t kMaxInput = 4096;
constexpr std::size_t kOutRoom = 385;  // what QsEncode promises to stay within
constexpr unsigned char kUntouched = 0xCB;

// An output block of exactly the promised size, filled with a byte the encoder never writes.
std::unique_ptr<char[]> OutputBlock() {
  std::unique_ptr<char[]> out(new char[kOutRoom]);
  std::memset(out.get(), kUntouched, kOutRoom);
  return out;
}

// The text in an output block: NUL-terminated within the block, nothing written behind the NUL.
std::string TextIn(const char* out, const std::string& context) {
  const std::size_t length = strnlen(out, kOutRoom);
  FUZZ_CHECK(length < kOutRoom, "no NUL within 385 bytes: " + context);
  for (std::size_t i = length + 1; i < kOutRoom; ++i)
    FUZZ_CHECK(static_cast<unsigned char>(out[i]) == kUntouched,
               "written behind the NUL at " + std::to_string(i) + ": " + context);
  return std::string(out, length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxInput) return 0;
  fuzzing::FuzzInput input(data, size);
  const int draw = input.i32();
  const std::string bytes = input.rest();
  const std::string context = "draw " + std::to_string(draw) + " clear text " +
                              fuzzing::Printable(bytes.data(), bytes.size());

  // The clear text in an exactly-sized heap block with its NUL: a read past it is caught.
  std::unique_ptr<char[]> clear(new char[bytes.size() + 1]);
  std::memcpy(clear.get(), bytes.data(), bytes.size());
  clear[bytes.size()] = '\0';
  const std::size_t clearLength = std::strlen(clear.get());  // a zero byte ends the text
  const std::string encodedClear(
      clear.get(), clearLength < kMaxClearTextLength ? clearLength : kMaxClearTextLength);

  auto out = OutputBlock();
  QsEncodeWithDraw(out.get(), clear.get(), draw);
  const std::string encoded = TextIn(out.get(), context);
  fuzzing::CheckEncodedTextOf(encoded, encodedClear, context);
  if (fuzzing::AlwaysReadable(encodedClear)) {
    FUZZ_CHECK(testsupport::variantOf(encoded) == CEncrypt::VariantForDraw(draw),
               "names another variant: " + context);
  }

  // A text past the limit is encoded as its first 126 bytes, and nothing beyond them is read: the
  // same text in a 126-byte block without a terminator gives the same result.
  if (clearLength >= kMaxClearTextLength) {
    std::unique_ptr<char[]> cut(new char[kMaxClearTextLength]);
    std::memcpy(cut.get(), clear.get(), kMaxClearTextLength);
    auto again = OutputBlock();
    QsEncodeWithDraw(again.get(), cut.get(), draw);
    FUZZ_CHECK(std::memcmp(out.get(), again.get(), kOutRoom) == 0,
               "a long text and its first 126 bytes encode differently: " + context);
  }

  // The exported encoder with its clock-seeded draw gives a text of the same kind.
  auto exported = OutputBlock();
  QsEncode(exported.get(), clear.get());
  fuzzing::CheckEncodedTextOf(TextIn(exported.get(), context), encodedClear, context);
  return 0;
}
