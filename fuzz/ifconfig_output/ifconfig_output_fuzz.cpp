// Fuzz target for MacFromIfconfigOutput: random command output in an exactly-sized heap buffer.
// The answer must be the 17 characters one past the first "ether", and there must be one exactly
// when that many characters follow.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz/common/fuzz_check.h"
#include "identification/parse_ifconfig.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 65536) return 0;
  std::unique_ptr<char[]> buffer(new char[size]);
  std::memcpy(buffer.get(), data, size);
  const std::string_view output(buffer.get(), size);
  const auto mac = identification::MacFromIfconfigOutput(output);
  const std::string context = "output " + fuzzing::Printable(data, size);
  const std::size_t found = output.find("ether");
  if (found == std::string_view::npos || size < found + 6 + 17) {
    FUZZ_CHECK(!mac, "a MAC without \"ether\" and 17 characters after it: " + context);
    return 0;
  }
  FUZZ_CHECK(mac && *mac == output.substr(found + 6, 17),
             "not the 17 characters after \"ether\": " + context);
  return 0;
}
