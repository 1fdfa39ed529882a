// The stand-in browser's counted allocator.
#include "npapi_browser/BrowserAllocator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "wipe/secure_wipe.h"

namespace npapibrowser {

namespace {
std::string describe(const char* what, const void* block) {
  char text[96];
  std::snprintf(text, sizeof text, "%s %p", what, block);
  return text;
}
}  // namespace

BrowserAllocator::~BrowserAllocator() { releaseAll(); }

void* BrowserAllocator::allocate(uint32_t size) {
  if (_watcher != nullptr && _watcher->refuses(size)) return nullptr;
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) return nullptr;
  std::memset(block, 0xCB, size == 0 ? 1 : size);
  _freed.erase(block);
  _live[block] = size;
  _liveBytes += size;
  ++_allocations;
  return block;
}

void BrowserAllocator::free(void* block) {
  if (block == nullptr) return;
  auto it = _live.find(block);
  if (it == _live.end()) {
    if (_freed.count(block) != 0) {
      ++_doubleFrees;
      fault(describe("double free of block", block));
    } else {
      ++_invalidFrees;
      fault(describe("free of a block never allocated here:", block));
    }
    return;
  }
  std::size_t size = it->second;
  if (_watcher != nullptr) _watcher->freeing(block, size);
  _liveBytes -= size;
  _live.erase(it);
  // Freed addresses tell a double free from a foreign pointer. The record is emptied when it is
  // large, so a long run stays flat; a block freed twice across that moment is still a fault,
  // counted as a free of an unknown block.
  if (_freed.size() >= kFreedRecordLimit) _freed.clear();
  _freed.insert(block);
  // What the plug-in handed the browser (an encoded password text, a script call's result) does
  // not stay behind in the heap.
  wipe::SecureWipe(block, size);
  std::free(block);
}

std::size_t BrowserAllocator::blockSize(const void* block) const {
  auto it = _live.find(block);
  return it == _live.end() ? 0 : it->second;
}

void BrowserAllocator::releaseAll() {
  for (auto& entry : _live) {
    wipe::SecureWipe(const_cast<void*>(entry.first), entry.second);
    std::free(const_cast<void*>(entry.first));
  }
  _live.clear();
  _liveBytes = 0;
}

}  // namespace npapibrowser
