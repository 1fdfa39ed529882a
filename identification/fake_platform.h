// A scripted platform for tests of what no Linux machine shows at will: registries whose first
// active controller lacks a MAC, link status 0, platform serials outside ASCII, registry entries
// without parents, failing link queries. Tests fill its fields, install it with SetPlatform, and
// read what the logic asked of it. Built as its own library; never part of the plug-in.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "identification/platform.h"

namespace identification {

class FakePlatform final : public Platform {
 public:
  struct Address {
    std::string name;
    AddressFamily family = AddressFamily::IPv4;
    std::optional<std::string> host;  // the numeric text; no value: the entry has no address
    bool converts = true;             // false: the numeric host conversion fails
  };
  enum class LinkFailure { None, SizeStep, Allocation, ReadStep };
  struct Link {
    unsigned index = 0;  // 0: no index for the name
    LinkFailure failure = LinkFailure::None;
    std::vector<std::uint8_t> reply;  // the hardware address is its first six bytes, if it has six
  };
  struct Ethernet {
    std::string id;
    bool hasController = true;
    std::optional<std::int64_t> linkStatus;
    std::optional<std::vector<std::uint8_t>> mac;
  };
  struct Entry {
    std::string path;  // the registry path it matches
    std::string id;
    std::optional<std::string> parent;  // the parent's id
  };

  // Network script.
  bool addressListFails = false;
  std::vector<Address> addresses;
  std::map<std::string, Link> links;  // by interface name
  std::optional<std::vector<Ethernet>> ethernet =
      std::vector<Ethernet>{};  // no value: search fails
  std::optional<std::string> ifconfigOutput;
  // Disk and platform script.
  std::optional<std::string> rootPath;
  std::optional<std::vector<Entry>> registry = std::vector<Entry>{};  // no value: search fails
  std::map<std::string, std::string> serials;                         // entry id -> "Serial Number"
  std::optional<std::string> platformSerial;
  std::optional<std::string> platformUuid;

  // What the logic asked.
  std::vector<std::string> linkLookups;  // names whose link query reached the size step
  std::vector<std::string> statusReads;  // Ethernet ids whose link status was read
  std::vector<std::string> macReads;     // Ethernet ids whose MAC was read
  std::vector<std::string> serialReads;  // entry ids whose serial was read

  bool forEachAddress(const std::function<void(const InterfaceAddress&)>& visit) override;
  std::optional<std::string> numericHost(const InterfaceAddress& entry) override;
  std::unique_ptr<LinkQuery> openLinkQuery() override;
  std::optional<std::vector<EthernetInterface>> ethernetInterfaces() override;
  std::optional<std::int64_t> linkStatus(const EthernetInterface& interface) override;
  std::optional<std::vector<std::uint8_t>> macAddress(const EthernetInterface& interface) override;
  std::optional<std::string> interfaceConfigurationOutput() override;
  std::optional<std::string> rootDevicePath() override;
  std::optional<std::vector<RegistryEntry>> registryEntriesAtPath(const std::string& path) override;
  std::optional<RegistryEntry> parentOf(const RegistryEntry& entry) override;
  std::optional<std::string> serialNumberOf(const RegistryEntry& entry) override;
  std::optional<std::string> platformSerialNumber() override;
  std::optional<std::string> platformUUID() override;

 private:
  const Ethernet* FindEthernet(const std::string& id) const;
};

// Installs a platform for the lifetime of the object and restores the one before.
class ScopedPlatform {
 public:
  explicit ScopedPlatform(Platform& platform) : previous_(SetPlatform(&platform)) {}
  ~ScopedPlatform() { SetPlatform(previous_); }
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Platform* previous_;
};

}  // namespace identification
