// The running program's file against its path, by device and inode: see ProgramFile.h.
#include "native_host/ProgramFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>

namespace nativehost {

ProgramFile::ProgramFile() {
  std::array<char, 4096> path{};
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
  struct stat running {};
  if (length <= 0 || stat("/proc/self/exe", &running) != 0) return;
  _path.assign(path.data(), static_cast<std::size_t>(length));
  _device = running.st_dev;
  _inode = running.st_ino;
  _known = true;
}

bool ProgramFile::replaced() const {
  if (!_known) return false;  // nothing to compare with: go on serving
  struct stat now {};
  if (stat(_path.c_str(), &now) != 0) return true;
  return now.st_dev != _device || now.st_ino != _inode;
}

}  // namespace nativehost
