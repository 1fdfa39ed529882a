// Pure parsing of /proc/self/mountinfo, used by the Linux backend to find the device behind "/":
// the device number that the root file system reports (in a captured tree, where this machine's
// "/" says nothing), and the mount source when that number belongs to no block device (btrfs and
// other file systems with an anonymous number). No system calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "identification/parse_sysfs.h"

namespace identification {

struct Mount {
  std::optional<DeviceNumber> device;  // the "MAJ:MIN" field, when well formed
  std::string source;                  // the field after the file-system type, escapes decoded
};

// The last mount whose mount point is mountPoint (the one on top), with mountinfo's octal escapes
// ("\040") decoded. Malformed lines are skipped.
std::optional<Mount> MountAt(std::string_view mountinfo, std::string_view mountPoint);

// The lines MountAt looks at for mountPoint, each with a line end: what a capture keeps of
// mountinfo.
std::string MountLinesAt(std::string_view mountinfo, std::string_view mountPoint);

}  // namespace identification
