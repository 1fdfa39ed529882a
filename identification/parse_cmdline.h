// Pure parsing of the kernel command line (/proc/cmdline) for the device the kernel mounted as
// "/dev/root": the Linux backend asks it when the root's mount source is "/dev/root" and the
// root's own device number names no block device. No system calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "identification/parse_sysfs.h"

namespace identification {

// Where the last "root=" argument points: a path under /dev ("/dev/sda2"; "PARTUUID=X" and
// "PARTLABEL=X" become udev's links under /dev/disk), or a device number ("8:2"). No value for no
// root= argument, or a form this backend does not follow (UUID=, hexadecimal numbers, PARTNROFF).
struct KernelRoot {
  std::optional<std::string> devPath;
  std::optional<DeviceNumber> device;
};
std::optional<KernelRoot> KernelRootArgument(std::string_view cmdline);

// The root= arguments alone, one per line: what a capture keeps of the command line, which may
// hold other people's secrets.
std::string KernelRootArguments(std::string_view cmdline);

}  // namespace identification
