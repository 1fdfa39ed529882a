// The browser's memory service (NPN_MemAlloc / NPN_MemFree) as the stand-in browser plays it:
// blocks counted, bad frees caught and reported instead of reaching the heap. Freed blocks are
// wiped before they go back to the heap. An installed watcher (the tests' refusals and freed-block
// watch, npapi_browser/testing/AllocatorControl.h) may refuse allocations and sees every block
// before it is freed; the shipped programs install none. Single-threaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace npapibrowser {

// A say in the allocator's work, for whoever installs one.
class AllocationWatcher {
 public:
  virtual ~AllocationWatcher() = default;
  // Asked before every allocation: true makes it answer null.
  virtual bool refuses(uint32_t size) = 0;
  // Shown every live block (its asked size) just before it is freed.
  virtual void freeing(const void* block, std::size_t size) = 0;
};

// New blocks are filled with 0xCB, so code relying on zeroed memory it did not zero shows up.
class BrowserAllocator {
 public:
  BrowserAllocator() = default;
  ~BrowserAllocator();
  BrowserAllocator(const BrowserAllocator&) = delete;
  BrowserAllocator& operator=(const BrowserAllocator&) = delete;

  // A block of size bytes (0 gives a block that holds nothing), or null when the watcher refuses
  // or memory runs out.
  void* allocate(uint32_t size);
  // Frees a live block. Null does nothing; a block freed twice or never allocated here is
  // recorded as a fault and left alone.
  void free(void* block);

  std::size_t liveBlocks() const { return _live.size(); }
  std::size_t liveBytes() const { return _liveBytes; }
  std::size_t allocations() const { return _allocations; }
  unsigned doubleFrees() const { return _doubleFrees; }
  unsigned invalidFrees() const { return _invalidFrees; }
  const std::vector<std::string>& faults() const { return _faults; }
  bool isLive(const void* block) const { return _live.count(block) != 0; }
  // The size asked for a live block, or 0.
  std::size_t blockSize(const void* block) const;

  // The watcher, or null for none; it must outlive its installation.
  void setWatcher(AllocationWatcher* watcher) { _watcher = watcher; }

  // Frees every live block (shutdown, after the report).
  void releaseAll();

 private:
  void fault(const std::string& text) { _faults.push_back(text); }
  static constexpr std::size_t kFreedRecordLimit = 4096;
  std::unordered_map<const void*, std::size_t> _live;
  std::unordered_set<const void*> _freed;  // recently freed blocks, at most kFreedRecordLimit
  std::size_t _liveBytes = 0;
  std::size_t _allocations = 0;
  unsigned _doubleFrees = 0;
  unsigned _invalidFrees = 0;
  std::vector<std::string> _faults;
  AllocationWatcher* _watcher = nullptr;
};

}  // namespace npapibrowser
