// A rectangle in a window: frame, an optional backing layer (setWantsLayer), and its window.
// Subclasses draw by giving their own backing layer (makeBackingLayer). A view does not retain
// its window; the window retains its content view and tells it when it leaves.
#pragma once

#include "nativeui/NSGeometry.h"
#include "nativeui/NSResponder.h"

class CALayer;
class NSWindow;

class NSView : public NSResponder {
 public:
  NSView* initWithFrame(NSRect frame);

  NSRect frame() const { return _frame; }
  // Also sizes the backing layer.
  virtual void setFrame(NSRect frame);
  NSRect bounds() const { return NSMakeRect(0, 0, _frame.size.width, _frame.size.height); }

  // YES makes the backing layer (once); NO gives it up.
  void setWantsLayer(BOOL wantsLayer);
  BOOL wantsLayer() const { return _wantsLayer; }
  // The backing layer, or nil. Not retained for the caller.
  CALayer* layer() const { return _layer; }

  NSWindow* window() const { return _window; }

  const char* className() const override { return "NSView"; }

 protected:
  NSView();
  explicit NSView(NSObjectKind kind);
  ~NSView() override;
  // A new backing layer with one reference for the view; a plain CALayer by default.
  virtual CALayer* makeBackingLayer();
  // Called after the view's window changes (nil when it leaves its window).
  virtual void viewDidMoveToWindow() {}

 private:
  void moveToWindow(NSWindow* window);
  NSRect _frame = NSZeroRect;
  BOOL _wantsLayer = NO;
  CALayer* _layer = nullptr;
  NSWindow* _window = nullptr;

  friend class NSObject;
  friend class NSWindow;
};
