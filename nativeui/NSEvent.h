// Native key events, as the plug-in rebuilds them from the browser's events before sending them
// to its panel's first responder. The event keeps its own references to its strings and context.
#pragma once

#include "nativeui/AppKitConstants.h"
#include "nativeui/NSGeometry.h"
#include "nativeui/NSObject.h"

class NSGraphicsContext;
class NSString;

class NSEvent : public NSObject {
 public:
  // A new, autoreleased key event, or nil when type is not NSKeyDown, NSKeyUp or NSFlagsChanged
  // or memory is exhausted. characters and charactersIgnoringModifiers may be nil; context may
  // be nil.
  static NSEvent* keyEventWithType(NSEventType type, NSPoint location, NSUInteger modifierFlags,
                                   NSTimeInterval timestamp, NSInteger windowNumber,
                                   NSGraphicsContext* context, NSString* characters,
                                   NSString* charactersIgnoringModifiers, BOOL isARepeat,
                                   unsigned short keyCode);

  NSEventType type() const { return _type; }
  NSPoint locationInWindow() const { return _location; }
  NSUInteger modifierFlags() const { return _modifierFlags; }
  NSTimeInterval timestamp() const { return _timestamp; }
  NSInteger windowNumber() const { return _windowNumber; }
  NSGraphicsContext* context() const { return _context; }
  NSString* characters() const { return _characters; }
  NSString* charactersIgnoringModifiers() const { return _charactersIgnoringModifiers; }
  BOOL isARepeat() const { return _isARepeat; }
  unsigned short keyCode() const { return _keyCode; }

  const char* className() const override { return "NSEvent"; }

 protected:
  NSEvent();
  ~NSEvent() override;

 private:
  NSEventType _type = NSKeyDown;
  NSPoint _location = NSZeroPoint;
  NSUInteger _modifierFlags = 0;
  NSTimeInterval _timestamp = 0;
  NSInteger _windowNumber = 0;
  NSGraphicsContext* _context = nullptr;
  NSString* _characters = nullptr;
  NSString* _charactersIgnoringModifiers = nullptr;
  BOOL _isARepeat = NO;
  unsigned short _keyCode = 0;

  friend class NSObject;
};
