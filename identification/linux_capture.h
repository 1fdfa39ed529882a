// A capture of what the Linux backend reads: each file, link and folder the identification
// touches under the roots of one machine (or of another capture) is copied to the same place under
// a capture folder (sys/, run/udev/, proc/, dev/), so that the backend over the capture gives the
// answers it gave over the machine. Nothing else is copied: a file only checked for existence
// becomes an empty file, and the backend hands over only the part of a file it used where the rest
// is none of its business (the root's mount lines, the root= arguments, the one udev property).
// Used by "identify --capture"; LinuxFiles calls it after each successful access.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "identification/linux_platform.h"

namespace identification {

class TreeRecorder {
 public:
  // source: the roots read from; folder: where the capture goes (made when missing).
  TreeRecorder(const LinuxRoots& source, std::string folder);

  // Each takes a path under one of the source roots; a path under none, or one that can only be
  // reached through a link leaving its root, is not recorded. Links on the way to it are recorded
  // as links, so the capture resolves the path as the machine did.
  void File(const std::string& path, std::string_view bytes);
  void Link(const std::string& path, const std::string& target);
  void Dir(const std::string& path);
  // Whatever is at path, as an existence check sees it: a link, a folder, or an empty file.
  void Exists(const std::string& path);

  // False when something that was read could not be written into the capture.
  bool complete() const { return complete_; }

 private:
  // The place in the capture of the thing at path; followLast: the last component is followed
  // when it is a link (a file read through a link), rather than being the thing itself.
  std::optional<std::string> Place(const std::string& path, bool followLast);
  bool MakeFolders(const std::string& folder);

  std::vector<std::pair<std::string, std::string>> roots_;  // source root -> capture folder
  bool complete_ = true;
};

}  // namespace identification
