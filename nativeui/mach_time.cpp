// mach_absolute_time over the monotonic clock.
#include "nativeui/mach_time.h"

#include <ctime>

extern "C" uint64_t mach_absolute_time(void) {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000000ULL + static_cast<uint64_t>(now.tv_nsec);
}
