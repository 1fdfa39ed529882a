// Default responder behaviour: pass key events along the responder chain.
#include "nativeui/NSResponder.h"

void NSResponder::keyDown(NSEvent* event) {
  if (_nextResponder != nullptr) _nextResponder->keyDown(event);
}

void NSResponder::keyUp(NSEvent* event) {
  if (_nextResponder != nullptr) _nextResponder->keyUp(event);
}

BOOL NSResponder::acceptsFirstResponder() { return NO; }
BOOL NSResponder::becomeFirstResponder() { return YES; }
BOOL NSResponder::resignFirstResponder() { return YES; }
