// Windows: geometry, content view, first responder and the process's key window.
#include "nativeui/NSWindow.h"

#include "nativeui/NSView.h"

namespace {
NSWindow* gKeyWindow = nullptr;
NSInteger gLastWindowNumber = 0;
}  // namespace

NSWindow::NSWindow() : NSResponder(NSObjectKind::Window) {}

NSWindow::~NSWindow() {
  if (gKeyWindow == this) gKeyWindow = nullptr;
  _firstResponder = this;
  if (_contentView != nullptr) {
    _contentView->moveToWindow(nullptr);
    _contentView->release();
  }
}

NSWindow* NSWindow::initWithContentRect(NSRect contentRect, NSUInteger styleMask,
                                        NSBackingStoreType backing, BOOL /*defer*/) {
  _frame = contentRect;
  _styleMask = styleMask;
  _backing = backing;
  _windowNumber = ++gLastWindowNumber;
  NSView* view = alloc<NSView>();
  if (view != nullptr) {
    view->initWithFrame(NSMakeRect(0, 0, contentRect.size.width, contentRect.size.height));
    setContentView(view);
    view->release();
  }
  return this;
}

void NSWindow::setFrame(NSRect frameRect, BOOL display) {
  _frame = frameRect;
  if (display) ++_displayCount;
}

void NSWindow::setContentView(NSView* view) {
  if (view == _contentView) return;
  if (view != nullptr) {
    view->retain();
    NSWindow* other = view->_window;
    if (other != nullptr && other != this) {  // the view moves here from another window
      if (other->_firstResponder == view) view->resignFirstResponder();
      other->responderLeaving(view);
      if (other->_contentView == view) {
        other->_contentView = nullptr;
        view->release();
      }
    }
  }
  if (_contentView != nullptr) {
    if (_firstResponder == _contentView) _contentView->resignFirstResponder();
    responderLeaving(_contentView);
    _contentView->moveToWindow(nullptr);
    _contentView->release();
  }
  _contentView = view;
  if (view != nullptr) view->moveToWindow(this);
}

void NSWindow::responderLeaving(NSResponder* responder) {
  if (_firstResponder == responder) _firstResponder = this;
}

BOOL NSWindow::makeFirstResponder(NSResponder* responder) {
  if (responder == _firstResponder) return YES;
  if (responder != nullptr && responder != this) {
    auto* view = dynamic_cast<NSView*>(responder);
    if (view == nullptr || view->window() != this) return NO;
  }
  if (_firstResponder != this && !_firstResponder->resignFirstResponder()) return NO;
  _firstResponder = this;
  if (responder == nullptr || responder == this) return YES;
  if (!responder->acceptsFirstResponder() || !responder->becomeFirstResponder()) return NO;
  _firstResponder = responder;
  return YES;
}

void NSWindow::makeKeyWindow() {
  if (gKeyWindow == this || !canBecomeKeyWindow()) return;
  if (gKeyWindow != nullptr) gKeyWindow->resignKeyWindow();
  gKeyWindow = this;
}

void NSWindow::resignKeyWindow() {
  if (gKeyWindow == this) gKeyWindow = nullptr;
}

NSWindow* NSWindow::keyWindow() { return gKeyWindow; }

BOOL NSWindow::canBecomeKeyWindow() {
  return (_styleMask & (NSTitledWindowMask | NSResizableWindowMask)) != 0;
}

BOOL NSWindow::isKeyWindow() { return gKeyWindow == this; }
BOOL NSWindow::worksWhenModal() { return NO; }
BOOL NSWindow::acceptsMouseMovedEvents() { return NO; }
BOOL NSWindow::ignoresMouseEvents() { return NO; }
