// MAC text: six bytes as two upper-case hexadecimal digits each, joined by ":" (17 characters).
// Used by the network logic for both the link-layer lookup and the active controller's MAC, so
// that the two compare byte for byte.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace identification {

std::string MacText(const std::array<std::uint8_t, 6>& bytes);

}  // namespace identification
