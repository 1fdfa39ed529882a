// Pure parsing of a udev database file (/run/udev/data/bMAJ:MIN), whose property lines read
// "E:KEY=VALUE". Used by the Linux backend for a disk's ID_SERIAL_SHORT. No system calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace identification {

// The value of the first "E:key=" line, up to its line end, exactly as stored; no value when no
// line carries that key (a key that merely begins with key does not count).
[[nodiscard]] std::optional<std::string> UdevProperty(std::string_view database,
                                                      std::string_view key);

}  // namespace identification
