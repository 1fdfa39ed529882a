// The Linux backend of the identification platform layer, the one used by default: getifaddrs and
// getnameinfo for addresses, netlink RTM_GETLINK for the link-layer query, /sys/class/net for the
// Ethernet controllers, "/sbin/ifconfig" for the command, /sys/dev/block, sysfs and udev data for
// the root disk's serial, /sys/class/dmi/id for the platform ids. Every root can be pointed
// elsewhere, so tests run it over fabricated trees. Trusts nothing it reads; parsing is in
// parse_*.h.
#pragma once

#include <string>

#include "identification/platform.h"

namespace identification {

struct LinuxRoots {
  std::string sys = "/sys";
  std::string udev = "/run/udev";
  std::string proc = "/proc";
  std::string dev = "/dev";
  std::string ifconfig = "/sbin/ifconfig";
};

class LinuxPlatform final : public Platform {
 public:
  LinuxPlatform() = default;
  explicit LinuxPlatform(LinuxRoots roots) : roots_(std::move(roots)) {}

  // linux_addresses.cpp
  bool forEachAddress(const std::function<void(const InterfaceAddress&)>& visit) override;
  std::optional<std::string> numericHost(const InterfaceAddress& entry) override;
  // linux_link_query.cpp
  std::unique_ptr<LinkQuery> openLinkQuery() override;
  // linux_net_registry.cpp
  std::optional<std::vector<EthernetInterface>> ethernetInterfaces() override;
  std::optional<std::int64_t> linkStatus(const EthernetInterface& interface) override;
  std::optional<std::vector<std::uint8_t>> macAddress(const EthernetInterface& interface) override;
  // linux_ifconfig.cpp
  std::optional<std::string> interfaceConfigurationOutput() override;
  // linux_disk.cpp
  std::optional<std::string> rootDevicePath() override;
  std::optional<std::vector<RegistryEntry>> registryEntriesAtPath(const std::string& path) override;
  std::optional<RegistryEntry> parentOf(const RegistryEntry& entry) override;
  std::optional<std::string> serialNumberOf(const RegistryEntry& entry) override;
  std::optional<std::string> platformSerialNumber() override;
  std::optional<std::string> platformUUID() override;

 private:
  std::optional<std::string> BlockDevicePath(unsigned major, unsigned minor);

  LinuxRoots roots_;
};

}  // namespace identification
