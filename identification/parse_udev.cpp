// Line-by-line search of a udev database file; see parse_udev.h.
#include "identification/parse_udev.h"

namespace identification {

std::optional<std::string> UdevProperty(std::string_view database, std::string_view key) {
  std::size_t start = 0;
  while (start < database.size()) {
    std::size_t end = database.find('\n', start);
    if (end == std::string_view::npos) end = database.size();
    const std::string_view line = database.substr(start, end - start);
    if (line.size() >= key.size() + 3 && line.substr(0, 2) == "E:" &&
        line.substr(2, key.size()) == key && line[2 + key.size()] == '=')
      return std::string(line.substr(3 + key.size()));
    start = end + 1;
  }
  return std::nullopt;
}

}  // namespace identification
