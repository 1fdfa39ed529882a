// Pure parsing of /proc/self/mountinfo, used by the Linux backend to find the device behind "/"
// when the root file system's own device number has no block device (btrfs and other file systems
// that report an anonymous number). No system calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace identification {

// The mount source (the field after the file-system type) of the last mount whose mount point is
// mountPoint, with mountinfo's octal escapes ("\040") decoded. Malformed lines are skipped.
[[nodiscard]] std::optional<std::string> MountSource(std::string_view mountinfo,
                                                     std::string_view mountPoint);

}  // namespace identification
