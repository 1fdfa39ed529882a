// The browser's memory service (NPN_MemAlloc / NPN_MemFree) as the stand-in browser plays it:
// blocks counted, bad frees caught and reported instead of reaching the heap, refusals on demand,
// and a hook that sees each block before it is freed (secret-hygiene tests). Freed blocks are wiped
// before they go back to the heap. Single-threaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace npapibrowser {

// New blocks are filled with 0xCB, so code relying on zeroed memory it did not zero shows up.
class BrowserAllocator {
 public:
  BrowserAllocator() = default;
  ~BrowserAllocator();
  BrowserAllocator(const BrowserAllocator&) = delete;
  BrowserAllocator& operator=(const BrowserAllocator&) = delete;

  // A block of size bytes (0 gives a block that holds nothing), or null when refused or out of
  // memory.
  void* allocate(uint32_t size);
  // Frees a live block. Null does nothing; a block freed twice or never allocated here is
  // recorded as a fault and left alone.
  void free(void* block);

  std::size_t liveBlocks() const { return _live.size(); }
  std::size_t liveBytes() const { return _liveBytes; }
  std::size_t allocations() const { return _allocations; }
  unsigned doubleFrees() const { return _doubleFrees; }
  unsigned invalidFrees() const { return _invalidFrees; }
  unsigned refusals() const { return _refusals; }
  const std::vector<std::string>& faults() const { return _faults; }
  bool isLive(const void* block) const { return _live.count(block) != 0; }
  // The size asked for a live block, or 0.
  std::size_t blockSize(const void* block) const;

  // Refusal switches; the strictest that applies wins.
  void refuseAll(bool refuse) { _refuseAll = refuse; }
  // After count more successful allocations every further one is refused.
  void refuseAfter(std::size_t count) { _allowedBeforeRefusal = count, _countdown = true; }
  // Requests for more than size bytes are refused.
  void refuseLargerThan(std::size_t size) { _largest = size, _limitSize = true; }
  void allowAll() { _refuseAll = _countdown = _limitSize = false; }

  // Sees every block (its asked size) just before it is freed; an empty function removes it.
  using FreeHook = std::function<void(const void* block, std::size_t size)>;
  void setFreeHook(FreeHook hook) { _freeHook = std::move(hook); }
  // Counts freed blocks that contain bytes (empty: stop watching).
  void watchFreedBlocksFor(const std::string& bytes) { _watched = bytes, _watchHits = 0; }
  std::size_t watchHits() const { return _watchHits; }

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
  unsigned _refusals = 0;
  std::vector<std::string> _faults;
  bool _refuseAll = false;
  bool _countdown = false;
  std::size_t _allowedBeforeRefusal = 0;
  bool _limitSize = false;
  std::size_t _largest = 0;
  FreeHook _freeHook;
  std::string _watched;
  std::size_t _watchHits = 0;
};

}  // namespace npapibrowser
