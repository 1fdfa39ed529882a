// What the plug-in does with the browser's Cocoa events for one instance: the cursor over the
// field, key events rebuilt as native key events for the panel's first responder, and the panel's
// activation when the page's keyboard focus arrives or leaves. NPP_HandleEvent (shell/main) picks
// the action by event type; these trust a record with a panel and a field and a non-null event.
#pragma once

#include <cstdint>

#include "npapi/cocoa_events.h"

struct PluginObject;

// Mouse moved or entered: the I-beam cursor over the panel's size, the arrow elsewhere. Answers 1.
int16_t chooseCursor(PluginObject* obj, const NPCocoaEvent* event);

// Key down: Return (charactersIgnoringModifiers starting with 13) is left to the browser (0) and
// reaches nothing; any other key goes to the panel's first responder (1).
int16_t handleKeyDown(PluginObject* obj, const NPCocoaEvent* event);
// Key up: always forwarded (1).
int16_t handleKeyUp(PluginObject* obj, const NPCocoaEvent* event);

// Focus changed: logs "focus changed with %d", activates or deactivates the panel when its state
// differs, and asks the browser to redraw the whole instance. Answers 1.
int16_t handleFocusChange(PluginObject* obj, const NPCocoaEvent* event);
