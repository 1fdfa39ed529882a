// Key events.
#include "nativeui/NSEvent.h"

#include "nativeui/NSGraphicsContext.h"
#include "nativeui/NSString.h"

NSEvent::NSEvent() : NSObject(NSObjectKind::Event) {}

NSEvent::~NSEvent() {
  NSRelease(_context);
  NSRelease(_characters);
  NSRelease(_charactersIgnoringModifiers);
}

NSEvent* NSEvent::keyEventWithType(NSEventType type, NSPoint location, NSUInteger modifierFlags,
                                   NSTimeInterval timestamp, NSInteger windowNumber,
                                   NSGraphicsContext* context, NSString* characters,
                                   NSString* charactersIgnoringModifiers, BOOL isARepeat,
                                   unsigned short keyCode) {
  if (type != NSKeyDown && type != NSKeyUp && type != NSFlagsChanged) return nullptr;
  NSEvent* event = alloc<NSEvent>();
  if (event == nullptr) return nullptr;
  event->_type = type;
  event->_location = location;
  event->_modifierFlags = modifierFlags;
  event->_timestamp = timestamp;
  event->_windowNumber = windowNumber;
  event->_context = NSRetain(context);
  event->_characters = NSRetain(characters);
  event->_charactersIgnoringModifiers = NSRetain(charactersIgnoringModifiers);
  event->_isARepeat = isARepeat;
  event->_keyCode = keyCode;
  event->autorelease();
  return event;
}
