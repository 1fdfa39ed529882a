// Autorelease pools: a per-thread stack of pools; autorelease() hands a reference to the
// innermost one and drain() releases what it holds. The stand-in browser drains one after every
// call into the plug-in, as a browser's event loop does; plug-in code may push its own for
// temporaries.
#pragma once

#include "nativeui/NSTypes.h"

class NSObject;

// An object autoreleased with no pool in place goes to a process-wide leftover pool (counted,
// released at exit) instead of leaking.
class NSAutoreleasePool {
 public:
  // A new innermost pool, or null when memory is exhausted.
  static NSAutoreleasePool* push();
  // Releases every reference in this pool and in the pools pushed after it (innermost first),
  // then frees the pool. Objects autoreleased during the drain are drained too.
  void drain();

  static void addObject(NSObject* object);
  // Pools on this thread's stack.
  static NSUInteger depth();
  // References waiting in this thread's pools.
  static NSUInteger pendingCount();
  // Objects ever autoreleased with no pool in place, and the leftover references not yet released.
  static NSUInteger noPoolCount();
  static void drainLeftovers();

  NSAutoreleasePool(const NSAutoreleasePool&) = delete;
  NSAutoreleasePool& operator=(const NSAutoreleasePool&) = delete;

 private:
  NSAutoreleasePool() = default;
  ~NSAutoreleasePool() = default;
  void releaseAll();
  NSUInteger _start = 0;  // this pool's first reference in the thread's stack of references
};

// A pool for one C++ scope, as @autoreleasepool { } in Objective-C.
class NSAutoreleaseScope {
 public:
  NSAutoreleaseScope() : _pool(NSAutoreleasePool::push()) {}
  ~NSAutoreleaseScope() {
    if (_pool != nullptr) _pool->drain();
  }
  NSAutoreleaseScope(const NSAutoreleaseScope&) = delete;
  NSAutoreleaseScope& operator=(const NSAutoreleaseScope&) = delete;

 private:
  NSAutoreleasePool* _pool;
};
