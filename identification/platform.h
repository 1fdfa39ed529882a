// The narrow platform layer under the identification logic (network.cpp, disk.cpp): the few
// operations it needs from the system, in platform-neutral form. The Linux backend
// (linux_platform.h) is the default; tests install a fake or a Linux backend over other roots.
// Nothing here decides anything: choosing, ordering and formatting stay in the logic.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace identification {

enum class AddressFamily { IPv4, IPv6, Other };

// One entry of the interface address list. address is the socket address as the platform holds
// it (addressSize bytes), or null when the entry has none. Valid only during the visit.
struct InterfaceAddress {
  const char* name = "";
  AddressFamily family = AddressFamily::Other;
  const void* address = nullptr;
  std::size_t addressSize = 0;
};

// The link-layer query, open for the length of one top-level call so that its resources (a
// netlink socket on Linux) serve every interface of that call.
class LinkQuery {
 public:
  virtual ~LinkQuery() = default;
  // The interface index for a name; 0 when there is none.
  virtual unsigned indexForName(const char* name) = 0;
  // First step: the size of the reply for this index, or no value on failure.
  virtual std::optional<std::size_t> replySize(unsigned index) = 0;
  // Second step: the reply into buffer (size bytes); the count of bytes written, or no value.
  virtual std::optional<std::size_t> readReply(unsigned index, std::uint8_t* buffer,
                                               std::size_t size) = 0;
  // The first six bytes of the hardware address in a reply; no value when the reply does not hold
  // six or the interface is a loopback. Reads nothing outside reply.
  virtual std::optional<std::array<std::uint8_t, 6>> hardwareAddress(
      unsigned index, std::span<const std::uint8_t> reply) const = 0;
};

// One Ethernet-class interface of the device registry, in registry order.
struct EthernetInterface {
  std::string id;              // platform handle; the interface name on Linux
  bool hasController = false;  // the interface has a parent (its controller)
};

// One registry entry matching a registry path.
struct RegistryEntry {
  std::string id;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Network.
  // Visits every interface address entry in list order; false when no list was obtained.
  virtual bool forEachAddress(const std::function<void(const InterfaceAddress&)>& visit) = 0;
  // Numeric host text of an IPv4 or IPv6 entry's address, or no value when it does not convert.
  virtual std::optional<std::string> numericHost(const InterfaceAddress& entry) = 0;
  virtual std::unique_ptr<LinkQuery> openLinkQuery() = 0;
  // Ethernet-class interfaces in registry order; no value when the search fails.
  virtual std::optional<std::vector<EthernetInterface>> ethernetInterfaces() = 0;
  // The controller's link-status number (bit 0: status valid, bit 1: link active), or no value.
  virtual std::optional<std::int64_t> linkStatus(const EthernetInterface& interface) = 0;
  // The controller's MAC address bytes (any length), or no value.
  virtual std::optional<std::vector<std::uint8_t>> macAddress(
      const EthernetInterface& interface) = 0;
  // The whole standard output of the interface-configuration command, or no value when it cannot
  // be run.
  virtual std::optional<std::string> interfaceConfigurationOutput() = 0;

  // Disk and platform.
  // The registry path of the device that holds the root volume, or no value.
  virtual std::optional<std::string> rootDevicePath() = 0;
  // Registry entries matching a path, in order; no value when the search fails.
  virtual std::optional<std::vector<RegistryEntry>> registryEntriesAtPath(
      const std::string& path) = 0;
  // An entry's parent, or no value.
  virtual std::optional<RegistryEntry> parentOf(const RegistryEntry& entry) = 0;
  // The entry's "Serial Number" as UTF-8, or no value.
  virtual std::optional<std::string> serialNumberOf(const RegistryEntry& entry) = 0;
  // The platform serial number and UUID as UTF-8, or no value.
  virtual std::optional<std::string> platformSerialNumber() = 0;
  virtual std::optional<std::string> platformUUID() = 0;
};

// The platform the identification functions use: the Linux backend unless one was installed.
Platform& CurrentPlatform();
// Installs a platform (null restores the Linux backend) and returns the one installed before, or
// null when that was the Linux backend. Not thread-safe; for tests and tools.
Platform* SetPlatform(Platform* platform);

}  // namespace identification
