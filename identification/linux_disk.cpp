// The root disk and platform ids of the Linux backend. The registry path of a block device is its
// sysfs device path ("/devices/.../block/sda/sda2"); a partition's parent is its whole disk, and a
// whole disk is its own. The serial comes from the disk's "serial" (virtio), its device's
// "serial" (NVMe, MMC), udev's ID_SERIAL_SHORT, or the device's VPD page 0x80 (SCSI, SATA), in
// that order. Platform ids come from DMI. Absent or unreadable files mean no value.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "identification/linux_files.h"
#include "identification/linux_platform.h"
#include "identification/parse_mountinfo.h"
#include "identification/parse_sysfs.h"
#include "identification/parse_udev.h"
#include "identification/parse_vpd.h"
#include "identification/utf8.h"

namespace identification {
namespace {

// A text attribute's value, when there is one and it is not empty.
std::optional<std::string> TextAttribute(const std::string& path) {
  const std::optional<std::string> raw = ReadFileBytes(path);
  if (!raw) return std::nullopt;
  const std::string_view value = AttributeValue(*raw);
  if (value.empty()) return std::nullopt;
  return ToUtf8(value);
}

}  // namespace

std::optional<std::string> LinuxPlatform::BlockDevicePath(unsigned major, unsigned minor) {
  const std::optional<std::string> target = ReadLinkTarget(
      roots_.sys + "/dev/block/" + std::to_string(major) + ":" + std::to_string(minor));
  if (!target) return std::nullopt;
  return DevicePathFromBlockLink(*target);
}

std::optional<std::string> LinuxPlatform::rootDevicePath() {
  struct stat root;
  if (::stat("/", &root) != 0) return std::nullopt;
  if (std::optional<std::string> path = BlockDevicePath(major(root.st_dev), minor(root.st_dev)))
    return path;
  // Some file systems (btrfs) give "/" a number of their own: the mount's source names the disk.
  // Overlay, tmpfs and other sources that are no device in /dev mean no disk.
  const std::optional<std::string> mountinfo =
      ReadFileBytes(roots_.proc + "/self/mountinfo", 1 << 20, true);
  if (!mountinfo) return std::nullopt;
  const std::optional<std::string> source = MountSource(*mountinfo, "/");
  static constexpr std::string_view kDev = "/dev/";
  if (!source || source->compare(0, kDev.size(), kDev) != 0 || !IsPlainDevicePath(*source))
    return std::nullopt;
  struct stat device;
  if (::stat((roots_.dev + source->substr(kDev.size() - 1)).c_str(), &device) != 0 ||
      !S_ISBLK(device.st_mode))
    return std::nullopt;
  return BlockDevicePath(major(device.st_rdev), minor(device.st_rdev));
}

std::optional<std::vector<RegistryEntry>> LinuxPlatform::registryEntriesAtPath(
    const std::string& path) {
  std::vector<RegistryEntry> entries;
  if (IsPlainDevicePath(path) && path.size() > 1) entries.push_back({path});
  return entries;
}

std::optional<RegistryEntry> LinuxPlatform::parentOf(const RegistryEntry& entry) {
  if (!PathExists(roots_.sys + entry.id + "/partition")) return entry;
  const std::size_t slash = entry.id.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return std::nullopt;
  return RegistryEntry{entry.id.substr(0, slash)};
}

std::optional<std::string> LinuxPlatform::serialNumberOf(const RegistryEntry& entry) {
  const std::string disk = roots_.sys + entry.id;
  if (std::optional<std::string> serial = TextAttribute(disk + "/serial")) return serial;
  if (std::optional<std::string> serial = TextAttribute(disk + "/device/serial")) return serial;
  if (const std::optional<std::string> dev = ReadFileBytes(disk + "/dev")) {
    if (const std::optional<DeviceNumber> number = DeviceNumberAttribute(*dev)) {
      const std::optional<std::string> database =
          ReadFileBytes(roots_.udev + "/data/b" + std::to_string(number->major) + ":" +
                            std::to_string(number->minor),
                        1 << 20);
      if (database) {
        const std::optional<std::string> serial = UdevProperty(*database, "ID_SERIAL_SHORT");
        if (serial && !serial->empty()) return ToUtf8(*serial);
      }
    }
  }
  if (const std::optional<std::string> page = ReadFileBytes(disk + "/device/vpd_pg80")) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(page->data());
    if (const std::optional<std::string> serial = SerialFromVpdPage80({bytes, page->size()}))
      return ToUtf8(*serial);
  }
  return std::nullopt;
}

std::optional<std::string> LinuxPlatform::platformSerialNumber() {
  return TextAttribute(roots_.sys + "/class/dmi/id/product_serial");
}

std::optional<std::string> LinuxPlatform::platformUUID() {
  return TextAttribute(roots_.sys + "/class/dmi/id/product_uuid");
}

}  // namespace identification
