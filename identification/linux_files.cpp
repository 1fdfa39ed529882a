// File helpers of the Linux backend; see linux_files.h.
#include "identification/linux_files.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace identification {

std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t limit,
                                         bool untilEnd) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  char chunk[4096];
  bool ok = true;
  while (bytes.size() < limit) {
    const std::size_t want = std::min(sizeof chunk, limit - bytes.size());
    const ssize_t got = ::read(fd, chunk, want);
    if (got < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    bytes.append(chunk, static_cast<std::size_t>(got));
    if (got == 0 || (!untilEnd && static_cast<std::size_t>(got) < want)) break;
  }
  ::close(fd);
  if (!ok) return std::nullopt;
  return bytes;
}

std::optional<std::string> ReadLinkTarget(const std::string& path) {
  char target[PATH_MAX];
  const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof target) return std::nullopt;
  return std::string(target, static_cast<std::size_t>(length));
}

bool PathExists(const std::string& path) {
  struct stat status;
  return ::fstatat(AT_FDCWD, path.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace identification
