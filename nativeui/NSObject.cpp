// Reference counting and live-object counters of the native UI layer.
#include "nativeui/NSObject.h"

#include <array>
#include <cstdlib>

#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/SecureMemory.h"

namespace {
std::array<NSUInteger, static_cast<std::size_t>(NSObjectKind::Count)> gLive{};
}

NSObject::NSObject(NSObjectKind kind) : _kind(kind) { ++gLive[static_cast<std::size_t>(kind)]; }

NSObject::~NSObject() { --gLive[static_cast<std::size_t>(_kind)]; }

NSObject* NSObject::retain() {
  if (!_shared) ++_retainCount;
  return this;
}

void NSObject::release() {
  if (_shared) return;
  if (--_retainCount == 0) delete this;
}

NSObject* NSObject::autorelease() {
  NSAutoreleasePool::addObject(this);
  return this;
}

void* NSObject::operator new(std::size_t size) { return ::operator new(size); }

void* NSObject::operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return ::operator new(size, std::nothrow);
}

void NSObject::operator delete(void* block, std::size_t size) noexcept {
  NSCallFreeHook(block, size);
  ::operator delete(block);
}

NSUInteger NSLiveObjectCount(NSObjectKind kind) { return gLive[static_cast<std::size_t>(kind)]; }

NSUInteger NSLiveObjectTotal() {
  NSUInteger total = 0;
  for (std::size_t i = 0; i < gLive.size(); ++i) {
    auto kind = static_cast<NSObjectKind>(i);
    if (kind == NSObjectKind::Shared || kind == NSObjectKind::InputSource) continue;
    total += gLive[i];
  }
  return total;
}

const char* NSObjectKindName(NSObjectKind kind) {
  switch (kind) {
    case NSObjectKind::Object:
      return "object";
    case NSObjectKind::String:
      return "string";
    case NSObjectKind::Event:
      return "event";
    case NSObjectKind::GraphicsContext:
      return "graphics context";
    case NSObjectKind::Window:
      return "window";
    case NSObjectKind::View:
      return "view";
    case NSObjectKind::Layer:
      return "layer";
    case NSObjectKind::Array:
      return "array";
    case NSObjectKind::Shared:
      return "shared";
    case NSObjectKind::InputSource:
      return "input source";
    case NSObjectKind::Count:
      break;
  }
  return "unknown";
}
