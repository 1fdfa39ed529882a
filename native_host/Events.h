// The "event" of an event request as the Cocoa event a browser delivers: focus, window focus,
// mouse, key and modifier events built from the protocol's fields, strings turned into UTF-16.
// ReadEvent checks every field; Deliver hands the event to a page. Used by the dispatcher.
#pragma once

#include <cstdint>
#include <optional>

#include "native_host/Json.h"
#include "native_host/ProtocolError.h"
#include "npapi/all.h"
#include "npapi_browser/KeyPress.h"
#include "npapi_browser/Page.h"

namespace nativehost {

struct ProtocolEvent {
  NPCocoaEventType type = NPCocoaEventFocusChanged;
  bool hasFocus = false;  // focus events
  // Mouse events.
  double x = 0, y = 0;
  std::int32_t button = 0;
  std::int32_t clickCount = 1;
  std::uint32_t modifierFlags = 0;  // mouse, key and flags events
  npapibrowser::KeyPress key;       // key events (and the key code of flagsChanged)

  ProtocolEvent() = default;
  ProtocolEvent(const ProtocolEvent&) = delete;
  ProtocolEvent& operator=(const ProtocolEvent&) = delete;
  ~ProtocolEvent();  // wipes the characters
};

// Reads an event object (see docs/native-host-protocol.md) into *out; the error names the field at
// fault.
std::optional<ProtocolError> ReadEvent(const Json& event, ProtocolEvent* out);

// NPP_HandleEvent on the page; the plug-in's answer (kNPEventHandled or not).
int16_t Deliver(npapibrowser::Page& page, const ProtocolEvent& event);

}  // namespace nativehost
