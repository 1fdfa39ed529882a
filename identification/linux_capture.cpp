// Writing a capture of what the Linux backend reads; see linux_capture.h.
#include "identification/linux_capture.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>

namespace identification {
namespace {

constexpr int kMaxLinks = 40;  // as the kernel's own limit on links in one path

std::deque<std::string> Components(std::string_view path) {
  std::deque<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::optional<std::string> LinkTarget(const std::string& path) {
  char target[PATH_MAX];
  const ssize_t length = ::readlink(path.c_str(), target, sizeof target);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) return std::nullopt;
  return std::string(target, static_cast<std::size_t>(length));
}

}  // namespace

TreeRecorder::TreeRecorder(const LinuxRoots& source, std::string folder) {
  roots_ = {{source.sys, folder + "/sys"},
            {source.udev, folder + "/run/udev"},
            {source.proc, folder + "/proc"},
            {source.dev, folder + "/dev"}};
}

bool TreeRecorder::MakeFolders(const std::string& folder) {
  std::string made = folder.starts_with('/') ? "" : ".";
  for (const std::string& part : Components(folder)) {
    made += "/" + part;
    if (::mkdir(made.c_str(), 0755) != 0 && errno != EEXIST) return complete_ = false;
  }
  return true;
}

std::optional<std::string> TreeRecorder::Place(const std::string& path, bool followLast) {
  for (const auto& [root, folder] : roots_) {
    if (path.size() <= root.size() || path.compare(0, root.size(), root) != 0 ||
        path[root.size()] != '/')
      continue;
    std::deque<std::string> pending = Components(std::string_view(path).substr(root.size()));
    std::string resolved;  // below the root, "/a/b", through no link
    int links = 0;
    while (!pending.empty()) {
      const std::string name = std::move(pending.front());
      pending.pop_front();
      if (name == ".") continue;
      if (name == "..") {
        if (resolved.empty()) return std::nullopt;  // leaves the root
        resolved.erase(resolved.find_last_of('/'));
        continue;
      }
      const bool last = pending.empty();
      const std::string next = resolved + "/" + name;
      if (!last || followLast) {
        if (const std::optional<std::string> target = LinkTarget(root + next)) {
          if (++links > kMaxLinks || target->front() == '/') return std::nullopt;
          if (!MakeFolders(folder + resolved)) return std::nullopt;
          if (::symlink(target->c_str(), (folder + next).c_str()) != 0 && errno != EEXIST)
            complete_ = false;
          std::deque<std::string> parts = Components(*target);
          pending.insert(pending.begin(), parts.begin(), parts.end());
          continue;
        }
      }
      if (last) {
        if (!MakeFolders(folder + resolved)) return std::nullopt;
        return folder + next;
      }
      resolved = next;
    }
    return std::nullopt;  // the root itself
  }
  return std::nullopt;
}

void TreeRecorder::File(const std::string& path, std::string_view bytes) {
  const std::optional<std::string> place = Place(path, true);
  if (!place) return;
  const int fd =
      ::open(place->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) {
    complete_ = false;
    return;
  }
  if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
    complete_ = false;
  ::close(fd);
}

void TreeRecorder::Link(const std::string& path, const std::string& target) {
  const std::optional<std::string> place = Place(path, false);
  if (place && ::symlink(target.c_str(), place->c_str()) != 0 && errno != EEXIST) complete_ = false;
}

void TreeRecorder::Dir(const std::string& path) {
  if (const std::optional<std::string> place = Place(path, true)) MakeFolders(*place);
}

void TreeRecorder::Exists(const std::string& path) {
  struct stat status;
  if (::lstat(path.c_str(), &status) != 0) return;
  if (S_ISLNK(status.st_mode)) {
    if (const std::optional<std::string> target = LinkTarget(path)) Link(path, *target);
  } else if (S_ISDIR(status.st_mode)) {
    if (const std::optional<std::string> place = Place(path, false)) MakeFolders(*place);
  } else if (const std::optional<std::string> place = Place(path, false)) {
    // Only its presence was looked at: an empty file, never over one already copied.
    const int fd = ::open(place->c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
      complete_ = false;
      return;
    }
    ::close(fd);
  }
}

}  // namespace identification
