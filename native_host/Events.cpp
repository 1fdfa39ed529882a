// Protocol events to Cocoa events.
#include "native_host/Events.h"

#include <string_view>

#include "native_host/RequestFields.h"
#include "nativeui/NSString.h"
#include "wipe/secure_wipe.h"

namespace nativehost {

namespace {

struct EventName {
  std::string_view name;
  NPCocoaEventType type;
};

constexpr EventName kEventNames[] = {
    {"focusChanged", NPCocoaEventFocusChanged},
    {"windowFocusChanged", NPCocoaEventWindowFocusChanged},
    {"mouseDown", NPCocoaEventMouseDown},
    {"mouseUp", NPCocoaEventMouseUp},
    {"mouseMoved", NPCocoaEventMouseMoved},
    {"mouseEntered", NPCocoaEventMouseEntered},
    {"mouseExited", NPCocoaEventMouseExited},
    {"mouseDragged", NPCocoaEventMouseDragged},
    {"keyDown", NPCocoaEventKeyDown},
    {"keyUp", NPCocoaEventKeyUp},
    {"flagsChanged", NPCocoaEventFlagsChanged},
};

void WipeUnits(std::u16string& units) {
  units.resize(units.capacity());
  wipe::SecureWipe(units.data(), units.size() * sizeof(char16_t));
  units.clear();
}

// UTF-8 (already checked by the JSON parser) as UTF-16 units in *out.
void ToUTF16(const JsonString& utf8, std::u16string* out) {
  WipeUnits(*out);
  bool valid = false;
  std::size_t units = NSUTF16LengthOfUTF8(utf8.data(), utf8.size(), &valid);
  if (!valid) return;
  out->resize(units);
  std::size_t decoded = 0;
  if (!NSDecodeUTF8(utf8.data(), utf8.size(), reinterpret_cast<unichar*>(out->data()), &decoded)) {
    WipeUnits(*out);
    return;
  }
  out->resize(decoded);
}

}  // namespace

ProtocolEvent::~ProtocolEvent() {
  WipeUnits(key.characters);
  WipeUnits(key.charactersIgnoringModifiers);
}

std::optional<ProtocolError> ReadEvent(const Json& event, ProtocolEvent* out) {
  RequestFields fields(event, "event.");
  const JsonString* typeName = fields.string("type");
  if (!fields.ok()) return fields.error();
  const EventName* known = nullptr;
  for (const EventName& entry : kEventNames) {
    if (entry.name == std::string_view(*typeName)) known = &entry;
  }
  if (known == nullptr) {
    return ProtocolError{"wrong-type",
                         "The field \"event.type\" must name a focus, mouse, key or flags event."};
  }
  out->type = known->type;
  constexpr std::int64_t kMaxFlags = 0xFFFFFFFF;
  switch (out->type) {
    case NPCocoaEventFocusChanged:
    case NPCocoaEventWindowFocusChanged:
      out->hasFocus = fields.boolean("hasFocus").value_or(false);
      break;
    case NPCocoaEventKeyDown:
    case NPCocoaEventKeyUp: {
      const JsonString* characters = fields.string("characters");
      const JsonString* ignoring = fields.string("charactersIgnoringModifiers", false);
      out->key.keyCode = static_cast<uint16_t>(fields.integer("keyCode", 0, 0xFFFF, 0).value_or(0));
      out->modifierFlags =
          static_cast<uint32_t>(fields.integer("modifierFlags", 0, kMaxFlags, 0).value_or(0));
      out->key.isARepeat = fields.boolean("isARepeat", false).value_or(false);
      if (!fields.ok()) break;
      ToUTF16(*characters, &out->key.characters);
      ToUTF16(ignoring != nullptr ? *ignoring : *characters, &out->key.charactersIgnoringModifiers);
      out->key.modifierFlags = out->modifierFlags;
      break;
    }
    case NPCocoaEventFlagsChanged:
      out->modifierFlags =
          static_cast<uint32_t>(fields.integer("modifierFlags", 0, kMaxFlags).value_or(0));
      out->key.keyCode = static_cast<uint16_t>(fields.integer("keyCode", 0, 0xFFFF, 0).value_or(0));
      break;
    default: {  // the mouse events
      out->x = fields.number("x").value_or(0);
      out->y = fields.number("y").value_or(0);
      out->button = static_cast<int32_t>(fields.integer("button", 0, 31, 0).value_or(0));
      out->clickCount =
          static_cast<int32_t>(fields.integer("clickCount", 0, 0x7FFFFFFF, 1).value_or(1));
      out->modifierFlags =
          static_cast<uint32_t>(fields.integer("modifierFlags", 0, kMaxFlags, 0).value_or(0));
      break;
    }
  }
  if (!fields.ok()) return fields.error();
  return std::nullopt;
}

int16_t Deliver(npapibrowser::Page& page, const ProtocolEvent& event) {
  switch (event.type) {
    case NPCocoaEventFocusChanged:
      return page.focus(event.hasFocus);
    case NPCocoaEventWindowFocusChanged:
      return page.windowFocus(event.hasFocus);
    case NPCocoaEventKeyDown:
      return page.keyDown(event.key);
    case NPCocoaEventKeyUp:
      return page.keyUp(event.key);
    case NPCocoaEventFlagsChanged:
      return page.flagsChanged(event.modifierFlags, event.key.keyCode);
    default:
      return page.mouse(event.type, event.x, event.y, event.button, event.clickCount,
                        event.modifierFlags);
  }
}

}  // namespace nativehost
