// Whether the program file this process runs from has been replaced on disk since it started: a
// package upgrade puts a new file in its place while browsers keep the old host running. Used by
// main() so that a running host sends new fields on to the new program (Dispatcher::
// setReplacedCheck). Linux: /proc/self/exe.
#pragma once

#include <cstdint>
#include <string>

namespace nativehost {

class ProgramFile {
 public:
  // Notes which file the process runs from, and where it lies.
  ProgramFile();

  // True when the path it was started from now holds another file, or none.
  bool replaced() const;

 private:
  std::string _path;
  std::uint64_t _device = 0;
  std::uint64_t _inode = 0;
  bool _known = false;
};

}  // namespace nativehost
