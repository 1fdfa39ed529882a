// The root device, the disk serial and the platform ids of the Linux backend.
//
// The registry path of a block device is its sysfs device path ("/devices/.../block/sda/sda2").
// The root's device is the block device of the number "/" reports (a captured tree states it in
// the "/" line of its mountinfo). Where that number belongs to no block device (btrfs and other
// file systems with an anonymous number), the mount source of "/" names it: "/dev/mapper/NAME" or
// "/dev/vg/lv" through udev's links or device-mapper's names, "/dev/NAME" by its kernel name, and
// "/dev/root", the kernel's own name for what it mounted, through the kernel command line's root=.
// Sources that are no device (overlay, tmpfs, a container's root, a ZFS dataset) mean no disk.
//
// One serial text per disk, whoever reads it: the disk's own text, exactly as the device holds it,
// from the sources every user can read, in this order: the disk's "serial" (virtio), its device's
// "serial" (NVMe, eMMC and SD), the device's VPD page 0x80 (SCSI, SATA, most USB bridges); only
// when none of them answers, udev's ID_SERIAL_SHORT, which udev trims and rewrites (USB disks
// whose bridge has no VPD page). Platform ids come from DMI. Absent or unreadable files mean no
// value.
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "identification/linux_platform.h"
#include "identification/parse_cmdline.h"
#include "identification/parse_udev.h"
#include "identification/parse_vpd.h"
#include "identification/utf8.h"

namespace identification {
namespace {

constexpr std::size_t kMountinfoLimit = 16 << 20;  // even hosts with many thousand mounts
constexpr std::size_t kUdevLimit = 1 << 20;
constexpr std::size_t kMaxDevLinks = 8;         // "/dev/vg/lv" -> "../dm-3" and the like
constexpr std::size_t kMaxBlockDevices = 4096;  // /sys/block, searched for a device-mapper name

std::string NumberText(DeviceNumber number) {
  return std::to_string(number.major) + ":" + std::to_string(number.minor);
}

// A mountinfo field: blanks, line ends and backslashes as octal escapes.
std::string MountinfoField(std::string_view text) {
  std::string field;
  for (const char c : text) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\\') {
      const auto byte = static_cast<unsigned char>(c);
      field += '\\';
      field += static_cast<char>('0' + (byte >> 6));
      field += static_cast<char>('0' + ((byte >> 3) & 7));
      field += static_cast<char>('0' + (byte & 7));
    } else {
      field += c;
    }
  }
  return field;
}

// A single file name: not empty, no "/", not "." or "..".
bool IsName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

}  // namespace

LinuxRoots LinuxRoots::Captured(const std::string& folder) {
  LinuxRoots roots;
  roots.sys = folder + "/sys";
  roots.udev = folder + "/run/udev";
  roots.proc = folder + "/proc";
  roots.dev = folder + "/dev";
  roots.ifconfig.clear();
  roots.captured = true;
  return roots;
}

std::optional<std::string> LinuxPlatform::TextAttribute(const std::string& path) {
  const std::optional<std::string> raw = files_.Read(path);
  if (!raw) return std::nullopt;
  const std::string_view value = AttributeValue(*raw);
  if (value.empty()) return std::nullopt;
  return ToUtf8(value);
}

std::optional<std::string> LinuxPlatform::BlockDevicePath(DeviceNumber number) {
  const std::optional<std::string> target =
      files_.ReadLink(roots_.sys + "/dev/block/" + NumberText(number));
  if (!target) return std::nullopt;
  return DevicePathFromBlockLink(*target);
}

// The mount on "/". stated: the number this machine's "/" reports, when it was asked; a capture
// keeps it as a last "/" line of its own when the table does not already say so.
std::optional<Mount> LinuxPlatform::RootMount(std::optional<DeviceNumber> stated) {
  const std::string path = roots_.proc + "/self/mountinfo";
  const std::optional<std::string> mountinfo = files_.Read(path, kMountinfoLimit, true, false);
  std::optional<Mount> mount = mountinfo ? MountAt(*mountinfo, "/") : std::nullopt;
  if (files_.recording()) {
    std::string kept = mountinfo ? MountLinesAt(*mountinfo, "/") : std::string();
    if (stated && (!mount || !mount->device || mount->device->major != stated->major ||
                   mount->device->minor != stated->minor))
      kept += "0 0 " + NumberText(*stated) + " / / rw - " +
              (mount ? "unknown " + MountinfoField(mount->source) : std::string("none none")) +
              " rw\n";
    files_.Keep(path, kept);
  }
  return mount;
}

std::optional<std::string> LinuxPlatform::rootDevicePath() {
  std::optional<DeviceNumber> number;
  if (!roots_.captured) {
    struct stat root;
    if (::stat("/", &root) == 0) number = DeviceNumber{major(root.st_dev), minor(root.st_dev)};
  }
  std::optional<Mount> mount;
  bool mountRead = false;
  if (roots_.captured || files_.recording()) {
    mount = RootMount(number);
    mountRead = true;
    if (roots_.captured && mount) number = mount->device;
  }
  if (number) {
    if (std::optional<std::string> path = BlockDevicePath(*number)) return path;
  }
  if (!mountRead) mount = RootMount(number);
  if (!mount) return std::nullopt;
  return DeviceAtDevPath(mount->source, 0);
}

// The block device that a path under /dev stands for: udev's links are followed within /dev, then
// the name decides; a device node of its own is the last resort.
std::optional<std::string> LinuxPlatform::DeviceAtDevPath(std::string path, int depth) {
  static constexpr std::string_view kDev = "/dev/";
  for (std::size_t hop = 0;; ++hop) {
    if (path.compare(0, kDev.size(), kDev) != 0 || !IsPlainDevicePath(path)) return std::nullopt;
    const std::optional<std::string> target = files_.ReadLink(roots_.dev + path.substr(4));
    if (!target) break;
    if (hop == kMaxDevLinks) return std::nullopt;
    std::optional<std::string> next;
    if (target->front() == '/')
      next = *target;
    else
      next = ResolveRelative(std::string_view(path).substr(0, path.find_last_of('/')), *target);
    if (!next) return std::nullopt;
    path = std::move(*next);
  }
  const std::string_view name = std::string_view(path).substr(kDev.size());
  if (name == "root") {
    if (std::optional<std::string> device = KernelRootDevice(depth)) return device;
  } else if (name.substr(0, 7) == "mapper/") {
    if (std::optional<std::string> device = DeviceMapperNamed(name.substr(7))) return device;
  } else if (std::optional<std::string> device = BlockDeviceNamed(name)) {
    return device;
  }
  struct stat node;
  if (::stat((roots_.dev + path.substr(4)).c_str(), &node) != 0 || !S_ISBLK(node.st_mode))
    return std::nullopt;
  return BlockDevicePath({major(node.st_rdev), minor(node.st_rdev)});
}

std::optional<std::string> LinuxPlatform::BlockDeviceNamed(std::string_view name) {
  if (!IsName(name)) return std::nullopt;
  const std::optional<std::string> target =
      files_.ReadLink(roots_.sys + "/class/block/" + std::string(name));
  if (!target) return std::nullopt;
  return DevicePathFromBlockLink(*target);
}

std::optional<std::string> LinuxPlatform::DeviceMapperNamed(std::string_view name) {
  if (!IsName(name)) return std::nullopt;
  const std::optional<std::vector<std::string>> devices =
      files_.List(roots_.sys + "/block", kMaxBlockDevices);
  if (!devices) return std::nullopt;
  for (const std::string& device : *devices) {
    if (device.compare(0, 3, "dm-") != 0) continue;
    const std::optional<std::string> own =
        files_.Read(roots_.sys + "/block/" + device + "/dm/name");
    if (own && AttributeValue(*own) == name) return BlockDeviceNamed(device);
  }
  return std::nullopt;
}

// "/dev/root": what the kernel was told to mount. depth keeps root=/dev/root from going round.
std::optional<std::string> LinuxPlatform::KernelRootDevice(int depth) {
  if (depth > 0) return std::nullopt;
  const std::string path = roots_.proc + "/cmdline";
  const std::optional<std::string> cmdline = files_.Read(path, 1 << 16, true, false);
  if (!cmdline) return std::nullopt;
  files_.Keep(path, KernelRootArguments(*cmdline));
  const std::optional<KernelRoot> root = KernelRootArgument(*cmdline);
  if (!root) return std::nullopt;
  if (root->device) return BlockDevicePath(*root->device);
  return DeviceAtDevPath(*root->devPath, depth + 1);
}

std::optional<std::vector<RegistryEntry>> LinuxPlatform::registryEntriesAtPath(
    const std::string& path) {
  std::vector<RegistryEntry> entries;
  if (IsPlainDevicePath(path) && path.size() > 1) entries.push_back({path});
  return entries;
}

std::optional<std::string> LinuxPlatform::serialNumberOf(const RegistryEntry& entry) {
  const std::string disk = roots_.sys + entry.id;
  if (std::optional<std::string> serial = TextAttribute(disk + "/serial")) return serial;
  if (std::optional<std::string> serial = TextAttribute(disk + "/device/serial")) return serial;
  if (const std::optional<std::string> page = files_.Read(disk + "/device/vpd_pg80")) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(page->data());
    if (const std::optional<std::string> serial = SerialFromVpdPage80({bytes, page->size()}))
      return ToUtf8(*serial);
  }
  const std::optional<std::string> dev = files_.Read(disk + "/dev");
  const std::optional<DeviceNumber> number = dev ? DeviceNumberAttribute(*dev) : std::nullopt;
  if (!number) return std::nullopt;
  const std::string path = roots_.udev + "/data/b" + NumberText(*number);
  const std::optional<std::string> database = files_.Read(path, kUdevLimit, true, false);
  if (!database) return std::nullopt;
  static constexpr std::string_view kKey = "ID_SERIAL_SHORT";
  const std::optional<std::string> serial = UdevProperty(*database, kKey);
  files_.Keep(path, serial ? "E:" + std::string(kKey) + "=" + *serial + "\n" : std::string());
  if (!serial || serial->empty()) return std::nullopt;
  return ToUtf8(*serial);
}

std::optional<std::string> LinuxPlatform::platformSerialNumber() {
  return TextAttribute(roots_.sys + "/class/dmi/id/product_serial");
}

std::optional<std::string> LinuxPlatform::platformUUID() {
  return TextAttribute(roots_.sys + "/class/dmi/id/product_uuid");
}

}  // namespace identification
