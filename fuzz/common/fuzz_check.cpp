// Failure reporting of the fuzz targets' oracle.
#include "fuzz/common/fuzz_check.h"

#include <cstdio>
#include <cstdlib>

namespace fuzzing {

void Fail(const char* file, int line, const char* condition, const std::string& detail) {
  std::fprintf(stderr, "\n==FUZZ CHECK FAILED== %s:%d: %s\n  %s\n", file, line, condition,
               detail.c_str());
  std::fflush(stderr);
  std::abort();
}

std::string Printable(const void* data, std::size_t size, std::size_t limit) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::string out;
  for (std::size_t i = 0; i < size && i < limit; ++i) {
    const unsigned char c = bytes[i];
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      out += escape;
    }
  }
  if (size > limit) out += "...";
  return out;
}

}  // namespace fuzzing
