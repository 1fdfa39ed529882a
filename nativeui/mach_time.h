// The host's monotonic tick counter under its macOS name. Here one tick is one nanosecond of
// CLOCK_MONOTONIC.
#pragma once

#include <cstdint>

extern "C" uint64_t mach_absolute_time(void);
