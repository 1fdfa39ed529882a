// File access of the Linux backend: whole small files, symbolic link targets, existence checks and
// directory listings, each in as few system calls as the kernel allows. Files are opened without
// blocking, so a FIFO where a file is expected gives no value and never a hang, and a file larger
// than the limit gives no value rather than a part of it. In a tree from elsewhere (a capture)
// only regular files are read at all: a device node, FIFO or folder where a file is expected
// gives no value. When a recorder is set, every successful access is also handed to it, so that a
// capture holds exactly what the identification read (see linux_capture.h).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace identification {

class TreeRecorder;

class LinuxFiles {
 public:
  // sysfs shows an attribute in one page at most; the rest is allowed a little more.
  static constexpr std::size_t kAttributeLimit = 16 * 1024;

  // onlyRegular: read regular files only (one more system call per file), for trees from
  // elsewhere; the kernel's own sysfs and proc, and udev's data, hold nothing else.
  explicit LinuxFiles(TreeRecorder* recorder = nullptr, bool onlyRegular = false)
      : recorder_(recorder), onlyRegular_(onlyRegular) {}

  // The bytes of a file, or no value when it cannot be opened or read, holds more than limit
  // bytes, or (onlyRegular) is not a regular file. A sysfs attribute arrives in one read, which
  // ends it at the first short read; pass untilEnd for files that arrive in pieces (/proc). The
  // whole file is recorded unless recordWhole is false (the caller then records the part it used
  // with Keep).
  std::optional<std::string> Read(const std::string& path, std::size_t limit = kAttributeLimit,
                                  bool untilEnd = false, bool recordWhole = true);
  // The target of a symbolic link, or no value.
  std::optional<std::string> ReadLink(const std::string& path);
  // True when something (a dangling link included) is at path; the link itself is not followed.
  bool Exists(const std::string& path);
  // The names in a folder (without "." and ".."), in no particular order. An empty list when
  // nothing is at path; no value when it is no readable folder or holds more than limit names.
  std::optional<std::vector<std::string>> List(const std::string& path, std::size_t limit);

  // Records text as the file at path: the part of a file read with recordWhole false that the
  // identification used.
  void Keep(const std::string& path, std::string_view text);
  bool recording() const { return recorder_ != nullptr; }

 private:
  TreeRecorder* recorder_;
  bool onlyRegular_;
};

}  // namespace identification
