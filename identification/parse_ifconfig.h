// Pure extraction of a MAC address text from the output of the interface-configuration command
// ("ifconfig"). Used by GetMacAddressFromIfconfig. No system calls; the output may hold any bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace identification {

// The 17 characters that begin one character after the end of the first "ether" in output (a
// case-sensitive substring search, so "ether" inside a longer word counts), unchanged. No value
// when there is no "ether" or fewer than 17 characters follow the skipped one.
[[nodiscard]] std::optional<std::string> MacFromIfconfigOutput(std::string_view output);

}  // namespace identification
