// Autorelease pools: the per-thread stack and the leftover pool.
#include "platform/NSAutoreleasePool.h"

#include <algorithm>
#include <vector>

#include "platform/NSObject.h"

struct NSAutoreleasePool::Storage {
  std::vector<NSObject*> objects;
};

namespace {

thread_local std::vector<NSAutoreleasePool*> tPools;

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
  pool->_objects = new (std::nothrow) Storage();
  if (pool->_objects == nullptr) {
    delete pool;
    return nullptr;
  }
  tPools.push_back(pool);
  return pool;
}

void NSAutoreleasePool::releaseAll() {
  // Releasing may autorelease more objects into this pool, which is still the innermost one.
  while (!_objects->objects.empty()) {
    NSObject* object = _objects->objects.back();
    _objects->objects.pop_back();
    object->release();
  }
}

void NSAutoreleasePool::drain() {
  auto it = std::find(tPools.begin(), tPools.end(), this);
  if (it == tPools.end()) return;  // not on this thread's stack: already drained
  while (tPools.back() != this) tPools.back()->drain();
  releaseAll();
  tPools.pop_back();
  delete _objects;
  delete this;
}

void NSAutoreleasePool::addObject(NSObject* object) {
  if (object == nullptr) return;
  if (tPools.empty()) {
    leftovers().objects.push_back(object);
    ++leftovers().everCount;
    return;
  }
  tPools.back()->_objects->objects.push_back(object);
}

NSUInteger NSAutoreleasePool::depth() { return tPools.size(); }

NSUInteger NSAutoreleasePool::pendingCount() {
  NSUInteger count = 0;
  for (const NSAutoreleasePool* pool : tPools) count += pool->_objects->objects.size();
  return count;
}

NSUInteger NSAutoreleasePool::noPoolCount() { return leftovers().everCount; }

void NSAutoreleasePool::drainLeftovers() { leftovers().releaseAll(); }
