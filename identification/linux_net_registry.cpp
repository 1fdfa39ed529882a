// The Ethernet controllers of the Linux backend, from /sys/class/net: the entries of type 1
// (ARPHRD_ETHER) that have a device (virtual interfaces have none and are passed over here, as the
// logic would pass over an interface without a controller), in interface-index order; the link
// status from operstate and carrier; the MAC from address.
#include <algorithm>
#include <utility>

#include "identification/linux_platform.h"
#include "identification/parse_sysfs.h"

namespace identification {
namespace {

constexpr std::int64_t kArphrdEther = 1;
constexpr std::size_t kMaxInterfaces = 1 << 16;

}  // namespace

std::optional<std::vector<EthernetInterface>> LinuxPlatform::ethernetInterfaces() {
  const std::string classDir = roots_.sys + "/class/net/";
  const std::optional<std::vector<std::string>> names = files_.List(classDir, kMaxInterfaces);
  // A folder that is missing altogether is a failed search, not an empty one.
  if (!names || (names->empty() && !files_.Exists(classDir))) return std::nullopt;
  std::vector<std::pair<std::int64_t, std::string>> found;
  for (const std::string& name : *names) {
    if (name[0] == '.') continue;
    const std::string entry = classDir + name;
    // Cheapest test first: most non-Ethernet and all virtual interfaces fail it.
    if (!files_.Exists(entry + "/device")) continue;
    const std::optional<std::string> type = files_.Read(entry + "/type");
    if (!type || DecimalAttribute(*type) != kArphrdEther) continue;
    found.emplace_back(0, name);
  }
  // Order by interface index; a lone controller needs no index.
  if (found.size() > 1) {
    std::vector<std::pair<std::int64_t, std::string>> placed;
    for (auto& [unused, name] : found) {
      const std::optional<std::string> index = files_.Read(classDir + name + "/ifindex");
      const std::optional<std::int64_t> number = index ? DecimalAttribute(*index) : std::nullopt;
      if (number) placed.emplace_back(*number, std::move(name));  // else: cannot be placed in order
    }
    found = std::move(placed);
  }
  std::sort(found.begin(), found.end());
  std::vector<EthernetInterface> interfaces;
  interfaces.reserve(found.size());
  for (auto& [index, name] : found) interfaces.push_back({std::move(name), true});
  return interfaces;
}

std::optional<std::int64_t> LinuxPlatform::linkStatus(const EthernetInterface& interface) {
  const std::string entry = roots_.sys + "/class/net/" + interface.id;
  const std::optional<std::string> operstate = files_.Read(entry + "/operstate");
  if (const std::optional<std::int64_t> status = LinkStatusFromOperstate(
          operstate ? std::optional<std::string_view>(*operstate) : std::nullopt))
    return status;
  const std::optional<std::string> carrier = files_.Read(entry + "/carrier");
  return LinkStatusFromCarrier(carrier ? std::optional<std::string_view>(*carrier) : std::nullopt);
}

std::optional<std::vector<std::uint8_t>> LinuxPlatform::macAddress(
    const EthernetInterface& interface) {
  const std::optional<std::string> address =
      files_.Read(roots_.sys + "/class/net/" + interface.id + "/address");
  if (!address) return std::nullopt;
  return MacAttribute(*address);
}

}  // namespace identification
