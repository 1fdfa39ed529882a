// The responder base of views and windows: key-event entry points and the first-responder
// handshake. The default keyDown/keyUp pass the event on to the next responder (a view's window),
// and end there. Events are trusted to be non-null key events.
#pragma once

#include "nativeui/NSObject.h"

class NSEvent;

class NSResponder : public NSObject {
 public:
  virtual void keyDown(NSEvent* event);
  virtual void keyUp(NSEvent* event);
  // Whether the responder takes first-responder status: NO by default.
  virtual BOOL acceptsFirstResponder();
  // Notifications of the handshake; both answer YES by default.
  virtual BOOL becomeFirstResponder();
  virtual BOOL resignFirstResponder();

  // Not retained: a view's next responder is the window that holds it.
  NSResponder* nextResponder() const { return _nextResponder; }
  void setNextResponder(NSResponder* responder) { _nextResponder = responder; }

  const char* className() const override { return "NSResponder"; }

 protected:
  explicit NSResponder(NSObjectKind kind) : NSObject(kind) {}

 private:
  NSResponder* _nextResponder = nullptr;
};
