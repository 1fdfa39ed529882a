// The walk of the Linux backend from a block device down to the whole disk that holds it, the
// "parent" whose serial the logic asks for.
//
// A partition's disk is the folder above it. A device built on other block devices, device-mapper
// (LVM, LUKS and dm-crypt, in any order over each other) and md RAID, lists them in slaves/, and
// the walk goes on with one of them: the only one, or, where a layer has several (RAID1 mirrors,
// a volume group over two disks), the member whose whole disk's name sorts first byte by byte
// (between two partitions of one disk, the partition's own name decides), so that a machine always
// names the same one of its disks. A device with a "device" link is hardware: the walk ends there.
// A device right under /devices/virtual/block (device-mapper, md, loop) is neither a partition nor
// hardware, so for it the walk lists the members without looking for either. A device with no
// members ends the walk too, unless it is a loop device, which is backed by a file and so holds no
// disk. A device met twice, more than kMaxSteps steps, a member link that leaves the
// tree, and a slaves/ folder that cannot be read or holds more than kMaxMembers names end the walk
// with no disk.
#include <algorithm>
#include <tuple>

#include "identification/linux_platform.h"

namespace identification {
namespace {

constexpr int kMaxSteps = 16;  // a real stack (dm-crypt on LVM on md on a partition) needs five
constexpr std::size_t kMaxMembers = 256;
constexpr std::string_view kVirtual = "/devices/virtual/block/";

std::string_view LastName(std::string_view path) { return path.substr(path.find_last_of('/') + 1); }

}  // namespace

std::optional<RegistryEntry> LinuxPlatform::parentOf(const RegistryEntry& entry) {
  std::string device = entry.id;
  std::vector<std::string> seen;
  for (int step = 0; step < kMaxSteps; ++step) {
    if (!IsPlainDevicePath(device) || device.size() < 2) return std::nullopt;
    if (std::find(seen.begin(), seen.end(), device) != seen.end()) return std::nullopt;
    seen.push_back(device);
    const std::string folder = roots_.sys + device;
    const bool virtualDisk = device.compare(0, kVirtual.size(), kVirtual) == 0 &&
                             device.find('/', kVirtual.size()) == std::string::npos;
    if (!virtualDisk) {
      if (files_.Exists(folder + "/partition")) {
        device.erase(device.find_last_of('/'));
        continue;
      }
      if (files_.Exists(folder + "/device")) return RegistryEntry{std::move(device)};
    }
    const std::optional<std::vector<std::string>> members =
        files_.List(folder + "/slaves", kMaxMembers);
    if (!members) return std::nullopt;
    if (members->empty()) {
      if (files_.Exists(folder + "/loop/backing_file")) return std::nullopt;
      return RegistryEntry{std::move(device)};
    }
    std::optional<std::string> next = ChooseMember(device, *members);
    if (!next) return std::nullopt;
    device = std::move(*next);
  }
  return std::nullopt;
}

// The device path of the member the walk goes on with.
std::optional<std::string> LinuxPlatform::ChooseMember(const std::string& device,
                                                       const std::vector<std::string>& members) {
  const std::string slaves = device + "/slaves";
  const auto pathOf = [&](const std::string& member) -> std::optional<std::string> {
    const std::optional<std::string> target = files_.ReadLink(roots_.sys + slaves + "/" + member);
    if (!target) return std::nullopt;
    std::optional<std::string> path = ResolveRelative(slaves, *target);
    if (!path || path->size() < 2) return std::nullopt;
    return path;
  };
  if (members.size() == 1) return pathOf(members.front());
  // (whole disk's name, member's name, member's path)
  std::vector<std::tuple<std::string, std::string, std::string>> ranked;
  for (const std::string& member : members) {
    std::optional<std::string> path = pathOf(member);
    if (!path) return std::nullopt;
    std::string whole(LastName(*path));
    if (files_.Exists(roots_.sys + *path + "/partition"))
      whole = LastName(std::string_view(*path).substr(0, path->find_last_of('/')));
    ranked.emplace_back(std::move(whole), member, std::move(*path));
  }
  return std::get<2>(*std::min_element(ranked.begin(), ranked.end()));
}

}  // namespace identification
