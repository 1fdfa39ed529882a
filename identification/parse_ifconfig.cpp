// Search of the "ifconfig" output; see parse_ifconfig.h.
#include "identification/parse_ifconfig.h"

namespace identification {

std::optional<std::string> MacFromIfconfigOutput(std::string_view output) {
  static constexpr std::string_view kMarker = "ether";
  static constexpr std::size_t kMacLength = 17;
  const std::size_t found = output.find(kMarker);
  if (found == std::string_view::npos) return std::nullopt;
  const std::size_t start = found + kMarker.size() + 1;
  if (start > output.size() || output.size() - start < kMacLength) return std::nullopt;
  return std::string(output.substr(start, kMacLength));
}

}  // namespace identification
