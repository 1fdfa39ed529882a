/* The Cocoa event model: the event types and the 64-byte event record a browser hands to the
   plug-in's event entry. Character strings inside key and text events are platform string objects
   borrowed for the call. C-compatible; nothing here checks an event. */
#ifndef NPAPI_COCOA_EVENTS_H
#define NPAPI_COCOA_EVENTS_H

#include <stdint.h>

#include "npapi/abi_check.h"
#include "npapi/basic_types.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
  NPCocoaEventDrawRect = 1,
  NPCocoaEventMouseDown = 2,
  NPCocoaEventMouseUp = 3,
  NPCocoaEventMouseMoved = 4,
  NPCocoaEventMouseEntered = 5,
  NPCocoaEventMouseExited = 6,
  NPCocoaEventMouseDragged = 7,
  NPCocoaEventKeyDown = 8,
  NPCocoaEventKeyUp = 9,
  NPCocoaEventFlagsChanged = 10,
  NPCocoaEventFocusChanged = 11,
  NPCocoaEventWindowFocusChanged = 12,
  NPCocoaEventScrollWheel = 13,
  NPCocoaEventTextInput = 14
} NPCocoaEventType;

typedef struct NPCocoaEvent {
  NPCocoaEventType type;
  uint32_t version; /* browsers send 0 */
  union {
    struct { /* mouse events and scroll wheel: plug-in coordinates, origin top-left */
      uint32_t modifierFlags;
      double pluginX;
      double pluginY;
      int32_t buttonNumber;
      int32_t clickCount;
      double deltaX;
      double deltaY;
      double deltaZ;
    } mouse;
    struct { /* key down, key up, flags changed */
      uint32_t modifierFlags;
      NPNSString* characters;
      NPNSString* charactersIgnoringModifiers;
      NPBool isARepeat;
      uint16_t keyCode;
    } key;
    struct { /* draw rect, Core Graphics model only */
      CGContextRef context;
      double x;
      double y;
      double width;
      double height;
    } draw;
    struct { /* focus changed, window focus changed */
      NPBool hasFocus;
    } focus;
    struct { /* text input */
      NPNSString* text;
    } text;
  } data;
} NPCocoaEvent;

NPAPI_ABI_CHECK(sizeof(NPCocoaEventType) == 4, "enums are 4 bytes");
NPAPI_ABI_CHECK(sizeof(NPCocoaEvent) == 64, "NPCocoaEvent is 64 bytes");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, version) == 4, "NPCocoaEvent.version at 4");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data) == 8, "NPCocoaEvent.data at 8");
NPAPI_ABI_CHECK(sizeof(((NPCocoaEvent*)0)->data) == 56, "NPCocoaEvent.data is 56 bytes");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.mouse.modifierFlags) == 8, "mouse.modifierFlags at 8");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.mouse.pluginX) == 16, "mouse.pluginX at 16");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.mouse.pluginY) == 24, "mouse.pluginY at 24");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.mouse.buttonNumber) == 32, "mouse.buttonNumber at 32");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.mouse.clickCount) == 36, "mouse.clickCount at 36");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.mouse.deltaX) == 40, "mouse.deltaX at 40");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.mouse.deltaY) == 48, "mouse.deltaY at 48");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.mouse.deltaZ) == 56, "mouse.deltaZ at 56");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.key.modifierFlags) == 8, "key.modifierFlags at 8");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.key.characters) == 16, "key.characters at 16");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.key.charactersIgnoringModifiers) == 24,
                "key.charactersIgnoringModifiers at 24");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.key.isARepeat) == 32, "key.isARepeat at 32");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.key.keyCode) == 34, "key.keyCode at 34");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.draw.context) == 8, "draw.context at 8");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.draw.x) == 16, "draw.x at 16");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.draw.y) == 24, "draw.y at 24");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.draw.width) == 32, "draw.width at 32");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.draw.height) == 40, "draw.height at 40");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.focus.hasFocus) == 8, "focus.hasFocus at 8");
NPAPI_ABI_CHECK(offsetof(NPCocoaEvent, data.text.text) == 8, "text.text at 8");

#ifdef __cplusplus
}
#endif

#endif
