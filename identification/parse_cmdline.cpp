// Root argument of the kernel command line; see parse_cmdline.h.
#include "identification/parse_cmdline.h"

#include <cctype>
#include <functional>

namespace identification {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

void ForEachRootArgument(std::string_view cmdline,
                         const std::function<void(std::string_view)>& visit) {
  static constexpr std::string_view kRoot = "root=";
  std::size_t start = 0;
  while (start < cmdline.size()) {
    while (start < cmdline.size() && IsBlank(cmdline[start])) ++start;
    std::size_t end = start;
    while (end < cmdline.size() && !IsBlank(cmdline[end])) ++end;
    const std::string_view argument = cmdline.substr(start, end - start);
    if (argument.substr(0, kRoot.size()) == kRoot) visit(argument.substr(kRoot.size()));
    start = end;
  }
}

// A value that can stand as a name under /dev/disk/by-*: no "/", not "." or "..", no NUL.
bool IsLinkName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

}  // namespace

std::optional<KernelRoot> KernelRootArgument(std::string_view cmdline) {
  std::optional<std::string_view> value;
  ForEachRootArgument(cmdline, [&](std::string_view v) { value = v; });
  if (!value) return std::nullopt;
  static constexpr std::string_view kPartUuid = "PARTUUID=";
  static constexpr std::string_view kPartLabel = "PARTLABEL=";
  if (value->substr(0, 5) == "/dev/" && IsPlainDevicePath(*value))
    return KernelRoot{std::string(*value), std::nullopt};
  if (value->substr(0, kPartUuid.size()) == kPartUuid) {
    // udev names the link in lower case; the kernel compares without case.
    std::string uuid(value->substr(kPartUuid.size()));
    if (!IsLinkName(uuid)) return std::nullopt;
    for (char& c : uuid) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return KernelRoot{"/dev/disk/by-partuuid/" + uuid, std::nullopt};
  }
  if (value->substr(0, kPartLabel.size()) == kPartLabel) {
    const std::string_view label = value->substr(kPartLabel.size());
    if (!IsLinkName(label)) return std::nullopt;
    return KernelRoot{"/dev/disk/by-partlabel/" + std::string(label), std::nullopt};
  }
  if (const std::optional<DeviceNumber> device = DeviceNumberAttribute(*value))
    return KernelRoot{std::nullopt, device};
  return std::nullopt;
}

std::string KernelRootArguments(std::string_view cmdline) {
  std::string kept;
  ForEachRootArgument(cmdline, [&](std::string_view value) {
    kept += "root=";
    kept.append(value);
    kept += '\n';
  });
  return kept;
}

}  // namespace identification
