// Field walk over mountinfo lines: "ID PARENT MAJ:MIN ROOT MOUNTPOINT OPTIONS [TAGS...] - TYPE
// SOURCE SUPEROPTIONS". See parse_mountinfo.h.
#include "identification/parse_mountinfo.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace identification {
namespace {

std::string Unescape(std::string_view field) {
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && field.size() - i >= 4) {
      int value = 0;
      bool octal = true;
      for (std::size_t k = 1; k <= 3; ++k) {
        if (field[i + k] < '0' || field[i + k] > '7') octal = false;
        value = value * 8 + (field[i + k] - '0');
      }
      if (octal && value < 256) {
        text += static_cast<char>(value);
        i += 3;
        continue;
      }
    }
    text += field[i];
  }
  return text;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (start < line.size()) {
    const std::size_t end = std::min(line.find(' ', start), line.size());
    if (end > start) fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

// Calls visit with each line (without its line end) whose mount point is mountPoint and whose
// fields go on to a type and a source after the "-" separator, and the index of that separator.
void ForEachMountAt(std::string_view mountinfo, std::string_view mountPoint,
                    const std::function<void(std::string_view, const std::vector<std::string_view>&,
                                             std::size_t)>& visit) {
  std::size_t start = 0;
  while (start < mountinfo.size()) {
    std::size_t end = mountinfo.find('\n', start);
    if (end == std::string_view::npos) end = mountinfo.size();
    const std::string_view line = mountinfo.substr(start, end - start);
    start = end + 1;
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() < 6 || Unescape(fields[4]) != mountPoint) continue;
    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-") ++separator;
    if (separator + 2 >= fields.size()) continue;  // no "-", or no type and source after it
    visit(line, fields, separator);
  }
}

}  // namespace

std::optional<Mount> MountAt(std::string_view mountinfo, std::string_view mountPoint) {
  std::optional<Mount> mount;
  ForEachMountAt(
      mountinfo, mountPoint,
      [&](std::string_view, const std::vector<std::string_view>& fields, std::size_t separator) {
        mount = Mount{DeviceNumberAttribute(fields[2]), Unescape(fields[separator + 2])};
      });
  return mount;
}

std::string MountLinesAt(std::string_view mountinfo, std::string_view mountPoint) {
  std::string lines;
  ForEachMountAt(mountinfo, mountPoint,
                 [&](std::string_view line, const std::vector<std::string_view>&, std::size_t) {
                   lines.append(line);
                   lines += '\n';
                 });
  return lines;
}

}  // namespace identification
