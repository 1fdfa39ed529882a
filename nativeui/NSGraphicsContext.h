// A graphics context for a window: what a native key event carries as its context. Here it only
// names its window (retained), since nothing is drawn into windows.
#pragma once

#include "nativeui/NSObject.h"

class NSWindow;

class NSGraphicsContext : public NSObject {
 public:
  // A new, autoreleased context for window, or nil for a nil window.
  static NSGraphicsContext* graphicsContextWithWindow(NSWindow* window);
  NSWindow* window() const { return _window; }

  const char* className() const override { return "NSGraphicsContext"; }

 protected:
  NSGraphicsContext();
  ~NSGraphicsContext() override;

 private:
  NSWindow* _window = nullptr;

  friend class NSObject;
};
