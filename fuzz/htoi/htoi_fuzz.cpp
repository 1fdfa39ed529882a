// Fuzz target for htoi: any two bytes in an exactly-sized, unterminated heap buffer (htoi reads
// two characters and nothing more). Two hexadecimal digits, in either case, give their value;
// any other pair gives some number without undefined behaviour.
#include <cstdint>
#include <memory>
#include <string>

#include "encoding/jnidecrypt.h"
#include "fuzz/common/fuzz_check.h"

namespace {

int Digit(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size != 2) return 0;
  std::unique_ptr<char[]> digits(
      new char[2]{static_cast<char>(data[0]), static_cast<char>(data[1])});
  const int value = htoi(digits.get());
  const int high = Digit(data[0]);
  const int low = Digit(data[1]);
  if (high >= 0 && low >= 0) {
    FUZZ_CHECK(value == high * 16 + low,
               "htoi(" + fuzzing::Printable(data, 2) + ") = " + std::to_string(value));
  }
  return 0;
}
