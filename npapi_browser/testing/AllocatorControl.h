// The tests' hand on the stand-in browser's allocator: refusals on demand (all, after a count of
// further allocations, above a size; the strictest that applies wins), a hook that sees each block
// before it is freed (secret-hygiene tests), and a count of freed blocks holding given bytes.
// Installed by TestBrowser as the allocator's watcher.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "npapi_browser/BrowserAllocator.h"

namespace npapibrowser {

class AllocatorControl : public AllocationWatcher {
 public:
  void refuseAll(bool refuse) { _refuseAll = refuse; }
  // After count more successful allocations every further one is refused.
  void refuseAfter(std::size_t count) { _allowedBeforeRefusal = count, _countdown = true; }
  // Requests for more than size bytes are refused.
  void refuseLargerThan(std::size_t size) { _largest = size, _limitSize = true; }
  void allowAll() { _refuseAll = _countdown = _limitSize = false; }
  unsigned refusals() const { return _refusals; }

  // Sees every block (its asked size) just before it is freed; an empty function removes it.
  using FreeHook = std::function<void(const void* block, std::size_t size)>;
  void setFreeHook(FreeHook hook) { _freeHook = std::move(hook); }
  // Counts freed blocks that contain bytes (empty: stop watching).
  void watchFreedBlocksFor(const std::string& bytes) { _watched = bytes, _watchHits = 0; }
  std::size_t watchHits() const { return _watchHits; }

  bool refuses(uint32_t size) override;
  void freeing(const void* block, std::size_t size) override;

 private:
  bool _refuseAll = false;
  bool _countdown = false;
  std::size_t _allowedBeforeRefusal = 0;
  bool _limitSize = false;
  std::size_t _largest = 0;
  unsigned _refusals = 0;
  FreeHook _freeHook;
  std::string _watched;
  std::size_t _watchHits = 0;
};

}  // namespace npapibrowser
