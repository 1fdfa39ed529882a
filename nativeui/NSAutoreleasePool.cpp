// Autorelease pools: the per-thread stack and the leftover pool. All pools of a thread share one
// stack of references, each pool owning the part above where it began, so pushing a pool and
// autoreleasing into it cost no allocation once the stack has grown to its working size.
#include "nativeui/NSAutoreleasePool.h"

#include <algorithm>
#include <vector>

#include "nativeui/NSObject.h"

namespace {

thread_local std::vector<NSAutoreleasePool*> tPools;
thread_local std::vector<NSObject*> tObjects;  // every pool's references, innermost last

// References autoreleased while no pool was in place; released by drainLeftovers or at exit.
struct Leftovers {
  std::vector<NSObject*> objects;
  NSUInteger everCount = 0;
  void releaseAll() {
    while (!objects.empty()) {
      NSObject* object = objects.back();
      objects.pop_back();
      object->release();
    }
  }
  ~Leftovers() { releaseAll(); }
};

Leftovers& leftovers() {
  static Leftovers instance;
  return instance;
}

}  // namespace

NSAutoreleasePool* NSAutoreleasePool::push() {
  auto* pool = new (std::nothrow) NSAutoreleasePool();
  if (pool == nullptr) return nullptr;
  pool->_start = tObjects.size();
  tPools.push_back(pool);
  return pool;
}

void NSAutoreleasePool::releaseAll() {
  // Releasing may autorelease more objects into this pool, which is still the innermost one.
  while (tObjects.size() > _start) {
    NSObject* object = tObjects.back();
    tObjects.pop_back();
    object->release();
  }
}

void NSAutoreleasePool::drain() {
  auto it = std::find(tPools.begin(), tPools.end(), this);
  if (it == tPools.end()) return;  // not on this thread's stack: already drained
  while (tPools.back() != this) tPools.back()->drain();
  releaseAll();
  tPools.pop_back();
  delete this;
}

void NSAutoreleasePool::addObject(NSObject* object) {
  if (object == nullptr) return;
  if (tPools.empty()) {
    leftovers().objects.push_back(object);
    ++leftovers().everCount;
    return;
  }
  tObjects.push_back(object);
}

NSUInteger NSAutoreleasePool::depth() { return tPools.size(); }

NSUInteger NSAutoreleasePool::pendingCount() { return tObjects.size(); }

NSUInteger NSAutoreleasePool::noPoolCount() { return leftovers().everCount; }

void NSAutoreleasePool::drainLeftovers() { leftovers().releaseAll(); }
