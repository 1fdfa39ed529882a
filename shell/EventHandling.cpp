// Cursor, key forwarding and focus for one instance.
#include "shell/EventHandling.h"

#include "nativeui/AppKit.h"
#include "plugin_state/Browser.h"
#include "plugin_state/PluginObject.h"
#include "shell/InputSourceSwitch.h"
#include "shell/MyWindow.h"

namespace {

// Rebuilds the browser's key event as a native one and sends it to the panel's first responder.
// The rebuilt event retains the browser's character strings: its own pool releases it before
// the browser gets its answer, so the typed characters never wait for a pool the browser may not
// have in place.
void forwardKey(PluginObject* obj, const NPCocoaEvent* event, NSEventType type) {
  NSAutoreleaseScope pool;
  MyWindow* panel = obj->panel;
  NSGraphicsContext* context = NSGraphicsContext::graphicsContextWithWindow(panel);
  NSInteger windowNumber = panel->windowNumber();
  uint64_t ticks = mach_absolute_time();
  NSEvent* key = NSEvent::keyEventWithType(type, NSZeroPoint, event->data.key.modifierFlags,
                                           static_cast<NSTimeInterval>(ticks), windowNumber,
                                           context, event->data.key.characters,
                                           event->data.key.charactersIgnoringModifiers,
                                           event->data.key.isARepeat != 0, event->data.key.keyCode);
  NSResponder* responder = panel->firstResponder();
  if (key == nullptr || responder == nullptr) return;
  if (type == NSKeyDown) {
    responder->keyDown(key);
  } else {
    responder->keyUp(key);
  }
}

void activate(PluginObject* obj) {
  selectASCIICapableInputSource();
  obj->panel->setIsActive(YES);
  obj->panel->makeKeyWindow();
  obj->panel->makeFirstResponder(obj->panel->contentView());
}

void deactivate(PluginObject* obj) {
  obj->panel->setIsActive(NO);
  obj->textField->resignFirstResponder();
  obj->panel->resignKeyWindow();
}

}  // namespace

int16_t chooseCursor(PluginObject* obj, const NPCocoaEvent* event) {
  NSPoint point = NSMakePoint(event->data.mouse.pluginX, event->data.mouse.pluginY);
  NSSize size = obj->panel != nullptr ? obj->panel->frame().size : NSZeroSize;
  NSRect bounds = NSMakeRect(0, 0, size.width, size.height);
  if (NSPointInRect(point, bounds)) {
    NSCursor::IBeamCursor()->set();
  } else {
    NSCursor::arrowCursor()->set();
  }
  return 1;
}

int16_t handleKeyDown(PluginObject* obj, const NPCocoaEvent* event) {
  NSString* ignoring = event->data.key.charactersIgnoringModifiers;
  if (ignoring != nullptr && ignoring->length() > 0 &&
      ignoring->characterAtIndex(0) == NSCarriageReturnCharacter) {
    return 0;
  }
  forwardKey(obj, event, NSKeyDown);
  return 1;
}

int16_t handleKeyUp(PluginObject* obj, const NPCocoaEvent* event) {
  forwardKey(obj, event, NSKeyUp);
  return 1;
}

int16_t handleFocusChange(PluginObject* obj, const NPCocoaEvent* event) {
  bool hasFocus = event->data.focus.hasFocus != 0;
  NSLog("focus changed with %d", hasFocus ? 1 : 0);
  bool active = obj->panel->isKeyWindow();
  if (hasFocus && !active) {
    activate(obj);
  } else if (!hasFocus && active) {
    deactivate(obj);
  }
  NPRect whole;
  whole.top = 0;
  whole.left = 0;
  whole.bottom = static_cast<uint16_t>(obj->npWindow.height);
  whole.right = static_cast<uint16_t>(obj->npWindow.width);
  NPN_InvalidateRect(obj->npp, &whole);
  return 1;
}
