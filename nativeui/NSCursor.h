// Mouse cursors: the shared I-beam and arrow cursors, set() to make one current, and
// currentCursor() to read which is shown (the arrow at start). Shared cursors are never freed.
#pragma once

#include "nativeui/NSObject.h"

class NSCursor : public NSObject {
 public:
  static NSCursor* IBeamCursor();
  static NSCursor* arrowCursor();
  static NSCursor* currentCursor();

  void set();
  const char* name() const { return _name; }
  // How many times any cursor's set() was called.
  static NSUInteger setCount();

  const char* className() const override { return "NSCursor"; }

 private:
  explicit NSCursor(const char* name);
  ~NSCursor() override = default;
  const char* _name;
};
