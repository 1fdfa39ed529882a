// Fuzz target for MountSource: random mountinfo contents, searched for "/" (what the disk logic
// asks) and for a random mount point (the input's first line). A source must be a field of a line
// whose mount point matches, after the "-" separator; it can be no longer than that field.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz/common/fuzz_check.h"
#include "identification/parse_mountinfo.h"

namespace {

void Check(std::string_view mountinfo, std::string_view mountPoint) {
  const auto source = identification::MountSource(mountinfo, mountPoint);
  if (!source) return;
  const std::string context =
      "mount point " + fuzzing::Printable(mountPoint.data(), mountPoint.size()) + " mountinfo " +
      fuzzing::Printable(mountinfo.data(), mountinfo.size());
  FUZZ_CHECK(mountinfo.find(" - ") != std::string_view::npos,
             "a source without a separator: " + context);
  FUZZ_CHECK(source->size() <= mountinfo.size(), "a source longer than the text: " + context);
  FUZZ_CHECK(source->find('\n') == std::string::npos, "a source spanning lines: " + context);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 16384) return 0;
  std::unique_ptr<char[]> buffer(new char[size]);
  std::memcpy(buffer.get(), data, size);
  const std::string_view input(buffer.get(), size);
  Check(input, "/");
  const std::size_t newline = input.find('\n');
  if (newline != std::string_view::npos) Check(input.substr(newline + 1), input.substr(0, newline));
  return 0;
}
