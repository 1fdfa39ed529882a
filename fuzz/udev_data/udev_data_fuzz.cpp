// Fuzz target for UdevProperty: a random key (the input's first line) looked up in random
// database contents (the rest), and the fixed key the disk logic uses. A value must come from a
// line that reads exactly "E:" key "=" value, and be the first such line.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz/common/fuzz_check.h"
#include "identification/parse_udev.h"

namespace {

void Check(std::string_view database, std::string_view key) {
  const auto value = identification::UdevProperty(database, key);
  const std::string context = "key " + fuzzing::Printable(key.data(), key.size()) + " database " +
                              fuzzing::Printable(database.data(), database.size());
  // The reference: the first line that is "E:" key "=" followed by anything.
  const std::string prefix = "E:" + std::string(key) + "=";
  std::optional<std::string> expected;
  std::size_t start = 0;
  while (start < database.size()) {
    std::size_t end = database.find('\n', start);
    if (end == std::string_view::npos) end = database.size();
    const std::string_view line = database.substr(start, end - start);
    if (line.substr(0, prefix.size()) == prefix) {
      expected = std::string(line.substr(prefix.size()));
      break;
    }
    start = end + 1;
  }
  FUZZ_CHECK(value == expected, "differs from the first matching line: " + context);
  if (value)
    FUZZ_CHECK(value->find('\n') == std::string::npos, "a value spanning lines: " + context);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8192) return 0;
  std::unique_ptr<char[]> buffer(new char[size]);
  std::memcpy(buffer.get(), data, size);
  const std::string_view input(buffer.get(), size);
  const std::size_t newline = input.find('\n');
  const std::string_view key = newline == std::string_view::npos ? input : input.substr(0, newline);
  const std::string_view database =
      newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);
  Check(database, key);
  Check(input, "ID_SERIAL_SHORT");
  return 0;
}
