// Fuzz target for SerialFromVpdPage80: random page bytes in an exactly-sized heap buffer. A serial
// must be page 0x80's bytes behind the 4-byte header, within both the declared length and the
// bytes given, non-empty and without NUL padding at its end.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz/common/fuzz_check.h"
#include "identification/parse_vpd.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 70000) return 0;
  std::unique_ptr<std::uint8_t[]> page(new std::uint8_t[size]);
  std::memcpy(page.get(), data, size);
  const auto serial = identification::SerialFromVpdPage80({page.get(), size});
  if (!serial) return 0;
  const std::string context = "page " + fuzzing::Printable(data, size);
  FUZZ_CHECK(size >= 4 && data[1] == 0x80, "a serial from a page that is not 0x80: " + context);
  const std::size_t declared = (std::size_t{data[2]} << 8) | data[3];
  FUZZ_CHECK(!serial->empty() && serial->size() <= std::min(declared, size - 4),
             "serial length out of bounds: " + context);
  FUZZ_CHECK(std::memcmp(serial->data(), data + 4, serial->size()) == 0,
             "serial differs from the page: " + context);
  FUZZ_CHECK(serial->back() != '\0', "serial keeps NUL padding: " + context);
  const std::size_t end = std::min(declared, size - 4);
  for (std::size_t i = 4 + serial->size(); i < 4 + end; ++i)
    FUZZ_CHECK(data[i] == 0, "serial cut before a non-zero byte: " + context);
  return 0;
}
