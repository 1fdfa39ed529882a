// The network half of identification: the NIC map, the MAC of a named interface, the active
// controller's MAC, the active interface and the interface list. Written once over the platform
// layer; knows nothing of netlink or sysfs. The four trace lines are part of the module's
// observable behaviour and are written exactly as they stand, "/n" included.
//
// No MAC is not a MAC: an address of six zero bytes (a driver that never set one, a blank
// EEPROM, a loopback) counts as no address everywhere. The link-layer lookup gives no value for
// it, so the interface keeps an empty mac and matches nothing; the active-controller walk passes
// such a controller over as it passes over one without a link. A controller that has no MAC at all
// still ends the walk with no value.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "identification/mac_text.h"
#include "identification/parse_ifconfig.h"
#include "identification/platform.h"
#include "identification/utils.h"

namespace identification {
namespace {

bool IsZero(const std::array<std::uint8_t, 6>& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

std::optional<std::string> MacForName(LinkQuery& query, const char* name) {
  const unsigned index = query.indexForName(name);
  if (index == 0) {
    std::printf("Error: if_nametoindex error/n");
    return std::nullopt;
  }
  const std::optional<std::size_t> size = query.replySize(index);
  if (!size) {
    std::printf("Error: sysctl, take 1/n");
    return std::nullopt;
  }
  // A zero-byte reply still gets a buffer of its own, so that a null pointer always means failure.
  auto* buffer = static_cast<std::uint8_t*>(std::malloc(*size ? *size : 1));
  if (buffer == nullptr) {
    std::printf("Could not allocate memory. error!/n");
    return std::nullopt;
  }
  const std::optional<std::size_t> written = query.readReply(index, buffer, *size);
  if (!written) {
    std::printf("Error: sysctl, take 2");
    std::free(buffer);
    return std::nullopt;
  }
  const auto bytes = query.hardwareAddress(index, {buffer, std::min(*written, *size)});
  std::free(buffer);
  if (!bytes || IsZero(*bytes)) return std::nullopt;
  return MacText(*bytes);
}

void BuildNICMap(Platform& platform, LinkQuery& query, NICMap& map) {
  map.clear();
  platform.forEachAddress([&](const InterfaceAddress& entry) {
    if (entry.address == nullptr) return;
    if (entry.family != AddressFamily::IPv4 && entry.family != AddressFamily::IPv6) return;
    std::optional<std::string> host = platform.numericHost(entry);
    if (!host) return;
    NIC& nic = map[entry.name];
    (entry.family == AddressFamily::IPv4 ? nic.ipv4 : nic.ipv6) = std::move(*host);
    if (nic.mac.empty()) {
      // No MAC leaves the field empty: it then matches no active MAC.
      if (std::optional<std::string> mac = MacForName(query, entry.name)) nic.mac = std::move(*mac);
    }
  });
}

std::optional<std::string> ActiveControllerMac(Platform& platform) {
  const std::optional<std::vector<EthernetInterface>> interfaces = platform.ethernetInterfaces();
  if (!interfaces) return std::nullopt;
  for (const EthernetInterface& interface : *interfaces) {
    if (!interface.hasController) continue;
    const std::optional<std::int64_t> status = platform.linkStatus(interface);
    if (!status) continue;
    // 1 is "status valid, no link"; every other value, 0 (not reported) included, counts as active.
    if (*status == 1) continue;
    const std::optional<std::vector<std::uint8_t>> mac = platform.macAddress(interface);
    if (!mac) return std::nullopt;
    std::array<std::uint8_t, 6> bytes{};
    std::copy_n(mac->begin(), std::min(mac->size(), bytes.size()), bytes.begin());
    if (IsZero(bytes)) continue;
    return MacText(bytes);
  }
  return std::nullopt;
}

// Item "mac,ipv4" as the active interface and the list write it.
std::string Item(const NIC& nic) { return nic.mac + "," + nic.ipv4; }

}  // namespace
}  // namespace identification

using namespace identification;

const char* ActiveNIC() {
  static std::string text;
  Platform& platform = CurrentPlatform();
  NICMap map;
  {
    const std::unique_ptr<LinkQuery> query = platform.openLinkQuery();
    BuildNICMap(platform, *query, map);
  }
  const std::optional<std::string> active = ActiveControllerMac(platform);
  if (!active) return nullptr;
  for (const auto& [name, nic] : map) {
    if (nic.mac == *active) {
      text = Item(nic);
      return text.c_str();
    }
  }
  return nullptr;
}

const char* LocalNICList() {
  static std::string text;
  Platform& platform = CurrentPlatform();
  NICMap map;
  {
    const std::unique_ptr<LinkQuery> query = platform.openLinkQuery();
    BuildNICMap(platform, *query, map);
  }
  text.clear();
  bool first = true;
  for (const auto& [name, nic] : map) {
    if (!first) text += '|';
    text += Item(nic);
    first = false;
  }
  return text.c_str();
}

const char* __FirstActiveMAC() {
  static std::string text;
  const std::optional<std::string> mac = ActiveControllerMac(CurrentPlatform());
  if (!mac) return nullptr;
  text = *mac;
  return text.c_str();
}

std::optional<std::string> GetMacAddressFromIOKit() {
  return ActiveControllerMac(CurrentPlatform());
}

std::optional<std::string> GetMacAddressFromIfconfig() {
  const std::optional<std::string> output = CurrentPlatform().interfaceConfigurationOutput();
  if (!output) return std::nullopt;
  return MacFromIfconfigOutput(*output);
}

void __getNICMap(NICMap& map) {
  Platform& platform = CurrentPlatform();
  const std::unique_ptr<LinkQuery> query = platform.openLinkQuery();
  BuildNICMap(platform, *query, map);
}

std::optional<std::string> __getMacForName(const char* name) {
  if (name == nullptr) name = "";
  Platform& platform = CurrentPlatform();
  const std::unique_ptr<LinkQuery> query = platform.openLinkQuery();
  return MacForName(*query, name);
}
