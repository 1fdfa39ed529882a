// The shared cursors and the current one.
#include "nativeui/NSCursor.h"

namespace {
NSCursor* gCurrent = nullptr;
NSUInteger gSetCount = 0;
}  // namespace

NSCursor::NSCursor(const char* name) : NSObject(NSObjectKind::Shared), _name(name) { makeShared(); }

NSCursor* NSCursor::IBeamCursor() {
  static NSCursor* cursor = new NSCursor("IBeam");
  return cursor;
}

NSCursor* NSCursor::arrowCursor() {
  static NSCursor* cursor = new NSCursor("arrow");
  return cursor;
}

NSCursor* NSCursor::currentCursor() { return gCurrent != nullptr ? gCurrent : arrowCursor(); }

void NSCursor::set() {
  gCurrent = this;
  ++gSetCount;
}

NSUInteger NSCursor::setCount() { return gSetCount; }
