// What the stand-in browser found still alive or broken when a module is unloaded (or at any
// moment): blocks of the allocator, script objects, native UI objects and layers made since the
// module was loaded, input-source references not given back, and the faults seen. Numbers for tests
// and a text for people.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace npapibrowser {

struct UnloadReport {
  std::size_t liveBlocks = 0;
  std::size_t liveBytes = 0;
  unsigned doubleFrees = 0;
  unsigned invalidFrees = 0;
  std::size_t liveObjects = 0;      // script objects, the plug-in's and the stand-in browser's
  long liveNativeObjects = 0;       // native UI objects beyond those alive at load
  long liveLayers = 0;              // layers among them
  long inputSourceReferences = 0;   // Copy/Create results not given back with CFRelease
  std::vector<std::string> faults;  // allocator and object faults, in order
  std::string text;

  bool clean() const {
    return liveBlocks == 0 && doubleFrees == 0 && invalidFrees == 0 && liveObjects == 0 &&
           liveNativeObjects == 0 && liveLayers == 0 && inputSourceReferences == 0 &&
           faults.empty();
  }
};

}  // namespace npapibrowser
