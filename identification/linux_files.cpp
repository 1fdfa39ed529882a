// File access of the Linux backend; see linux_files.h.
#include "identification/linux_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "identification/linux_capture.h"

namespace identification {
std::optional<std::string> LinuxFiles::Read(const std::string& path, std::size_t limit,
                                            bool untilEnd, bool recordWhole) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  std::string bytes;
  bool ok = true;
  if (onlyRegular_) {
    struct stat status;
    ok = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  }
  char chunk[4096];
  while (ok) {
    // One byte past the limit tells a file that is too large from one that fills it exactly.
    const std::size_t want = std::min(sizeof chunk, limit + 1 - bytes.size());
    const ssize_t got = ::read(fd, chunk, want);
    if (got < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    bytes.append(chunk, static_cast<std::size_t>(got));
    if (bytes.size() > limit) ok = false;
    if (got == 0 || (!untilEnd && static_cast<std::size_t>(got) < want)) break;
  }
  ::close(fd);
  if (!ok) return std::nullopt;
  if (recorder_ && recordWhole) recorder_->File(path, bytes);
  return bytes;
}

std::optional<std::string> LinuxFiles::ReadLink(const std::string& path) {
  char target[PATH_MAX];
  const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) return std::nullopt;
  std::string text(target, static_cast<std::size_t>(length));
  if (recorder_) recorder_->Link(path, text);
  return text;
}

bool LinuxFiles::Exists(const std::string& path) {
  struct stat status;
  if (::fstatat(AT_FDCWD, path.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (recorder_) recorder_->Exists(path);
  return true;
}

std::optional<std::vector<std::string>> LinuxFiles::List(const std::string& path,
                                                         std::size_t limit) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT) return std::vector<std::string>{};
    return std::nullopt;
  }
  // getdents64 straight on the descriptor: opendir would add three system calls of its own.
  std::vector<std::string> names;
  alignas(dirent64) char buffer[8192];
  bool ok = true;
  while (ok) {
    const ssize_t got = ::getdents64(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    for (ssize_t offset = 0; offset < got;) {
      const auto* item = reinterpret_cast<const dirent64*>(buffer + offset);
      if (item->d_reclen == 0) {
        ok = false;
        break;
      }
      offset += item->d_reclen;
      if (std::strcmp(item->d_name, ".") == 0 || std::strcmp(item->d_name, "..") == 0) continue;
      if (names.size() == limit) {
        ok = false;
        break;
      }
      names.emplace_back(item->d_name);
    }
  }
  ::close(fd);
  if (!ok) return std::nullopt;
  if (recorder_) recorder_->Dir(path);
  return names;
}

void LinuxFiles::Keep(const std::string& path, std::string_view text) {
  if (recorder_) recorder_->File(path, text);
}

}  // namespace identification
