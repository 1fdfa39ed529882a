// The Linux backend of the identification platform layer, the one used by default: getifaddrs and
// getnameinfo for addresses, netlink RTM_GETLINK for the link-layer query, /sys/class/net for the
// Ethernet controllers, "/sbin/ifconfig" for the command, the root's block device followed down
// through partitions, device-mapper and md to its whole disk, with the serial from sysfs, the VPD
// page or udev data, and /sys/class/dmi/id for the platform ids. Every root can be pointed
// elsewhere: tests run it over fabricated trees, and "identify --root" over a tree captured on
// another machine. Trusts nothing it reads; parsing is in parse_*.h.
#pragma once

#include <string>

#include "identification/linux_files.h"
#include "identification/parse_mountinfo.h"
#include "identification/platform.h"

namespace identification {

struct LinuxRoots {
  std::string sys = "/sys";
  std::string udev = "/run/udev";
  std::string proc = "/proc";
  std::string dev = "/dev";
  std::string ifconfig = "/sbin/ifconfig";
  // A tree captured from a machine rather than this machine's own: the root's device number comes
  // from the "/" line of proc/self/mountinfo (this machine's "/" says nothing about it), and what a
  // tree cannot hold is not asked of this machine either: the interface address list is empty and
  // no command is run.
  bool captured = false;

  // The roots of a captured tree in folder: sys/, run/udev/, proc/, dev/.
  static LinuxRoots Captured(const std::string& folder);
};

class TreeRecorder;

class LinuxPlatform final : public Platform {
 public:
  LinuxPlatform() = default;
  // recorder: when set, everything read is also copied into a capture (linux_capture.h).
  explicit LinuxPlatform(LinuxRoots roots, TreeRecorder* recorder = nullptr)
      : roots_(std::move(roots)), files_(recorder, roots_.captured) {}

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
  std::optional<std::string> serialNumberOf(const RegistryEntry& entry) override;
  std::optional<std::string> platformSerialNumber() override;
  std::optional<std::string> platformUUID() override;
  // linux_block_stack.cpp: the whole disk that holds a block device.
  std::optional<RegistryEntry> parentOf(const RegistryEntry& entry) override;

 private:
  // linux_disk.cpp
  std::optional<std::string> BlockDevicePath(DeviceNumber number);
  std::optional<Mount> RootMount(std::optional<DeviceNumber> stated);
  std::optional<std::string> DeviceAtDevPath(std::string path, int depth);
  std::optional<std::string> BlockDeviceNamed(std::string_view name);
  std::optional<std::string> DeviceMapperNamed(std::string_view name);
  std::optional<std::string> KernelRootDevice(int depth);
  std::optional<std::string> TextAttribute(const std::string& path);
  // linux_block_stack.cpp
  std::optional<std::string> ChooseMember(const std::string& device,
                                          const std::vector<std::string>& members);

  LinuxRoots roots_;
  LinuxFiles files_;
};

}  // namespace identification
