// Views: frame, backing layer, window membership.
#include "nativeui/NSView.h"

#include "nativeui/CALayer.h"
#include "nativeui/NSWindow.h"

NSView::NSView() : NSResponder(NSObjectKind::View) {}
NSView::NSView(NSObjectKind kind) : NSResponder(kind) {}

NSView::~NSView() { NSRelease(_layer); }

NSView* NSView::initWithFrame(NSRect frame) {
  _frame = frame;
  return this;
}

void NSView::setFrame(NSRect frame) {
  _frame = frame;
  if (_layer != nullptr) _layer->setFrame(frame);
}

void NSView::setWantsLayer(BOOL wantsLayer) {
  _wantsLayer = wantsLayer;
  if (wantsLayer && _layer == nullptr) {
    _layer = makeBackingLayer();
    if (_layer != nullptr) _layer->setFrame(_frame);
  } else if (!wantsLayer && _layer != nullptr) {
    _layer->release();
    _layer = nullptr;
  }
}

CALayer* NSView::makeBackingLayer() { return alloc<CALayer>(); }

void NSView::moveToWindow(NSWindow* window) {
  _window = window;
  setNextResponder(window);
  viewDidMoveToWindow();
}
