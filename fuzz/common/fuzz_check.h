// The fuzz targets' oracle: FUZZ_CHECK states a property that must hold for every input; when it
// does not, the message and the failed condition go to standard error and the process aborts,
// which libFuzzer and the replay programs report as a finding with the input that caused it.
#pragma once

#include <cstddef>
#include <string>

namespace fuzzing {

[[noreturn]] void Fail(const char* file, int line, const char* condition,
                       const std::string& detail);

// Printable form of bytes for a failure message ("ab\x00\xFF"), cut at limit bytes.
std::string Printable(const void* data, std::size_t size, std::size_t limit = 200);

}  // namespace fuzzing

#define FUZZ_CHECK(condition, detail)                                          \
  do {                                                                         \
    if (!(condition)) ::fuzzing::Fail(__FILE__, __LINE__, #condition, detail); \
  } while (false)
