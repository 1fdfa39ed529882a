// The root class of the native UI layer: manual reference counting (retain, release,
// autorelease) with live-object counters by kind, so the stand-in browser can report what is still
// alive. Objects are made with NSObject::alloc<T>() and die when their last reference is released.
// Nothing here checks for over-release: releasing a dead object is a caller's fault.
#pragma once

#include <cstddef>
#include <new>

#include "nativeui/NSTypes.h"

// What an object is, for the live counters.
enum class NSObjectKind : unsigned {
  Object,
  String,
  Event,
  GraphicsContext,
  Window,
  View,
  Layer,
  Array,
  Shared,       // cursors and the main bundle: never freed; not in NSLiveObjectTotal
  InputSource,  // owned by the input-source registry; not in NSLiveObjectTotal
  Count
};

class NSObject {
 public:
  NSObject(const NSObject&) = delete;
  NSObject& operator=(const NSObject&) = delete;

  // A new, zero-filled object of class T with one reference owned by the caller (the caller then
  // sends it an init message), or null when memory is exhausted.
  template <class T>
  [[nodiscard]] static T* alloc() {
    return new (std::nothrow) T();
  }

  // One more reference; returns this.
  NSObject* retain();
  // One reference less; the object is destroyed when none is left.
  void release();
  // Hands one reference to the innermost autorelease pool, which releases it when drained.
  NSObject* autorelease();

  NSUInteger retainCount() const { return _retainCount; }
  NSObjectKind kind() const { return _kind; }
  virtual const char* className() const { return "NSObject"; }

  static void* operator new(std::size_t size);
  static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
  // Shows the dead object's bytes to the free hook (SecureMemory.h), then frees them.
  static void operator delete(void* block, std::size_t size) noexcept;

 protected:
  explicit NSObject(NSObjectKind kind = NSObjectKind::Object);
  virtual ~NSObject();
  // For process-wide shared objects (cursors): retain and release do nothing from now on.
  void makeShared() { _shared = true; }

 private:
  NSUInteger _retainCount = 1;
  NSObjectKind _kind;
  bool _shared = false;
};

// Typed, nil-safe retain: NSRetain(layer) returns the layer.
template <class T>
T* NSRetain(T* object) {
  if (object != nullptr) object->retain();
  return object;
}

// Nil-safe release: releasing nil does nothing.
inline void NSRelease(NSObject* object) {
  if (object != nullptr) object->release();
}

// Live objects of one kind, and of every kind except the shared objects and the registry-owned
// input sources.
NSUInteger NSLiveObjectCount(NSObjectKind kind);
NSUInteger NSLiveObjectTotal();
const char* NSObjectKindName(NSObjectKind kind);
