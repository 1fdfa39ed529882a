// Formatting of MAC texts; see mac_text.h.
#include "identification/mac_text.h"

namespace identification {

std::string MacText(const std::array<std::uint8_t, 6>& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(17);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i != 0) text += ':';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

}  // namespace identification
