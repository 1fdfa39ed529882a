// Small-file access for the Linux backend: whole attribute files, symlink targets and existence
// checks, each in as few system calls as the kernel allows. Reports failure as no value; never
// follows anything but the given path.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace identification {

// The file's bytes, at most limit of them. A sysfs attribute or a regular file ends at the first
// short read; pass untilEnd for files that arrive in pieces (/proc). No value when it cannot be
// opened or read.
[[nodiscard]] std::optional<std::string> ReadFileBytes(const std::string& path,
                                                       std::size_t limit = 16 * 1024,
                                                       bool untilEnd = false);

// The target of a symbolic link, or no value.
[[nodiscard]] std::optional<std::string> ReadLinkTarget(const std::string& path);

// True when something (a dangling link included) exists at path.
[[nodiscard]] bool PathExists(const std::string& path);

}  // namespace identification
