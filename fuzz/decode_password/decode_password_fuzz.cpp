// Fuzz target for DecodePassword, the receiving side's decoder: any bytes as an encoded password
// text (in an exactly-sized heap block), and, from the same input, a clear text encoded with a
// given draw and decoded back. Checks that every answer is well formed (a clear text without
// zero bytes, at most 126 bytes, a variant the encoder can draw; messages terminated within
// their buffer) and that a clear text the format always keeps comes back exactly.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "decoder/decode.h"
#include "encoding/encrypt.h"
#include "encoding/jnidecrypt.h"
#include "fuzz/common/encoded_text.h"
#include "fuzz/common/fuzz_check.h"
#include "fuzz/common/fuzz_input.h"

namespace {

void CheckWellFormed(const decoder::DecodeResult& result, const std::string& context) {
  char message[decoder::kMessageSize];
  std::memset(message, 0x5A, sizeof message);
  decoder::DescribeError(result, message, sizeof message);
  FUZZ_CHECK(std::memchr(message, 0, sizeof message) != nullptr,
             "an error message without its NUL: " + context);
  std::memset(message, 0x5A, sizeof message);
  decoder::DescribeWarning(result, message, sizeof message);
  FUZZ_CHECK(std::memchr(message, 0, sizeof message) != nullptr,
             "a warning without its NUL: " + context);
  char tiny[1] = {'x'};
  decoder::DescribeError(result, tiny, sizeof tiny);
  FUZZ_CHECK(tiny[0] == '\0', "a one-byte message buffer not terminated: " + context);
  if (!result.ok()) {
    FUZZ_CHECK(result.length == 0 && result.variant == 0,
               "a failed decoding with a text or variant: " + context);
    return;
  }
  FUZZ_CHECK(result.length <= decoder::kMaxClearLength && result.clear[result.length] == '\0',
             "clear text length out of bounds: " + context);
  FUZZ_CHECK(std::memchr(result.clear, 0, result.length) == nullptr,
             "a zero byte in the clear text: " + context);
  FUZZ_CHECK(result.variant >= 1 && result.variant <= 123 && result.variant != 95,
             "variant " + std::to_string(result.variant) + ": " + context);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 2048) return 0;
  fuzzing::FuzzInput input(data, size);
  const int draw = input.i32();
  const std::string bytes = input.rest();

  // The bytes as an encoded text, as a page or an attacker may send it.
  {
    std::unique_ptr<char[]> text(new char[bytes.size()]);
    std::memcpy(text.get(), bytes.data(), bytes.size());
    const decoder::DecodeResult result =
        decoder::DecodePassword(std::string_view(text.get(), bytes.size()));
    CheckWellFormed(result, "text " + fuzzing::Printable(bytes.data(), bytes.size()));
  }

  // The bytes as a clear text, encoded and decoded back.
  const std::string clear =
      bytes.substr(0, std::min(std::strlen(bytes.c_str()), kMaxClearTextLength));
  char out[385];
  QsEncodeWithDraw(out, clear.c_str(), draw);
  const decoder::DecodeResult back = decoder::DecodePassword(out);
  const std::string context = "clear text " + fuzzing::Printable(clear.data(), clear.size()) +
                              " draw " + std::to_string(draw);
  CheckWellFormed(back, context);
  if (fuzzing::AlwaysReadable(clear)) {
    FUZZ_CHECK(back.ok() && back.text() == clear && back.variant == CEncrypt::VariantForDraw(draw),
               "not decoded back: " + context);
  }
  return 0;
}
