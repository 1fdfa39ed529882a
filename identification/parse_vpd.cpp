// Unit Serial Number VPD page: byte 1 is the page code, bytes 2-3 the big-endian length of what
// follows the 4-byte header, then the serial. See parse_vpd.h.
#include "identification/parse_vpd.h"

#include <algorithm>

namespace identification {

std::optional<std::string> SerialFromVpdPage80(std::span<const std::uint8_t> page) {
  constexpr std::size_t kHeader = 4;
  if (page.size() < kHeader || page[1] != 0x80) return std::nullopt;
  const std::size_t declared = (std::size_t{page[2]} << 8) | page[3];
  std::size_t length = std::min(declared, page.size() - kHeader);
  while (length > 0 && page[kHeader + length - 1] == 0) --length;
  if (length == 0) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(page.data() + kHeader), length);
}

}  // namespace identification
