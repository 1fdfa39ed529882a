// Raw terminal bytes to key presses.
#include "page_session/KeyDecoder.h"

#include <cstdlib>

#include "nativeui/AppKitConstants.h"
#include "nativeui/NSString.h"
#include "page_session/USKeyLayout.h"

namespace pagesession {

namespace {

constexpr unsigned char kEscape = 0x1B;
constexpr std::size_t kLongestSequence = 16;  // longer "escape sequences" are noise

InputEvent keyEvent(const npapibrowser::KeyPress& key) {
  InputEvent event;
  event.key = key;
  return event;
}

InputEvent signalEvent(InputEvent::Kind kind) {
  InputEvent event;
  event.kind = kind;
  return event;
}

// A printable ASCII character as typed on a US keyboard.
InputEvent asciiKey(char c) {
  npapibrowser::KeyPress key = npapibrowser::KeyPress::character(static_cast<char16_t>(c));
  USKey us{};
  if (usKeyFor(c, &us)) {
    key.keyCode = us.keyCode;
    key.modifierFlags = us.shift ? static_cast<uint32_t>(NSShiftKeyMask) : 0;
  }
  return keyEvent(key);
}

// Number of bytes of a UTF-8 character from its lead byte, or 0 for a byte that cannot lead.
std::size_t utf8LengthFromLead(unsigned char b) {
  if (b >= 0xC2 && b <= 0xDF) return 2;
  if (b >= 0xE0 && b <= 0xEF) return 3;
  if (b >= 0xF0 && b <= 0xF4) return 4;
  return 0;
}

}  // namespace

void KeyDecoder::feed(const unsigned char* bytes, std::size_t count,
                      std::vector<InputEvent>& events) {
  for (std::size_t i = 0; i < count; ++i) byte(bytes[i], events);
}

void KeyDecoder::finish(std::vector<InputEvent>& events) {
  if (_pending.size() == 1 && static_cast<unsigned char>(_pending[0]) == kEscape) {
    events.push_back(keyEvent(npapibrowser::KeyPress::escape()));
  }
  _pending.clear();
  _utf8Length = 0;
}

void KeyDecoder::byte(unsigned char b, std::vector<InputEvent>& events) {
  if (_pending.empty()) {
    start(b, events);
    return;
  }
  if (_utf8Length != 0) {
    if (b < 0x80 || b > 0xBF) {  // not a continuation: the character is broken
      _pending.clear();
      _utf8Length = 0;
      start(b, events);
      return;
    }
    _pending.push_back(static_cast<char>(b));
    if (_pending.size() == _utf8Length) utf8Character(events);
    return;
  }
  // An escape sequence.
  if (_pending.size() == 1) {
    if (b == '[' || b == 'O') {
      _pending.push_back(static_cast<char>(b));
    } else {  // Escape on its own, followed by another key
      _pending.clear();
      events.push_back(keyEvent(npapibrowser::KeyPress::escape()));
      start(b, events);
    }
    return;
  }
  if (b < 0x20 || b > 0x7E || _pending.size() >= kLongestSequence) {
    _pending.clear();  // a broken sequence is dropped; the byte counts on its own
    start(b, events);
    return;
  }
  _pending.push_back(static_cast<char>(b));
  const bool ss3 = _pending[1] == 'O';
  if (ss3 || (b >= 0x40 && b <= 0x7E)) escapeSequence(events);
}

void KeyDecoder::start(unsigned char b, std::vector<InputEvent>& events) {
  using npapibrowser::KeyPress;
  switch (b) {
    case kEscape:
      _pending.assign(1, static_cast<char>(b));
      return;
    case '\r':
    case '\n':
      events.push_back(keyEvent(KeyPress::returnKey()));
      return;
    case 0x7F:
    case 0x08:
      events.push_back(keyEvent(KeyPress::backspace()));
      return;
    case '\t':
      events.push_back(keyEvent(KeyPress::tab()));
      return;
    case 0x03:
      events.push_back(signalEvent(InputEvent::Kind::Interrupt));
      return;
    case 0x04:
      events.push_back(signalEvent(InputEvent::Kind::EndOfInput));
      return;
    default:
      break;
  }
  if (b >= 0x20 && b <= 0x7E) {
    events.push_back(asciiKey(static_cast<char>(b)));
  } else if (std::size_t length = utf8LengthFromLead(b); length != 0) {
    _pending.assign(1, static_cast<char>(b));
    _utf8Length = length;
  }
  // Other control bytes and stray UTF-8 bytes type nothing.
}

void KeyDecoder::escapeSequence(std::vector<InputEvent>& events) {
  using npapibrowser::KeyPress;
  const std::string sequence = _pending;
  _pending.clear();
  const char final = sequence.back();
  // CSI parameters: "1;5" in ESC [ 1 ; 5 D; only the first number matters here.
  const int first = sequence[1] == '[' ? std::atoi(sequence.c_str() + 2) : 0;
  switch (final) {
    case 'A':
      events.push_back(keyEvent(KeyPress::upArrow()));
      return;
    case 'B':
      events.push_back(keyEvent(KeyPress::downArrow()));
      return;
    case 'C':
      events.push_back(keyEvent(KeyPress::rightArrow()));
      return;
    case 'D':
      events.push_back(keyEvent(KeyPress::leftArrow()));
      return;
    case 'H':
      events.push_back(keyEvent(KeyPress::home()));
      return;
    case 'F':
      events.push_back(keyEvent(KeyPress::end()));
      return;
    case '~':
      if (first == 1 || first == 7) events.push_back(keyEvent(KeyPress::home()));
      if (first == 4 || first == 8) events.push_back(keyEvent(KeyPress::end()));
      if (first == 3) events.push_back(keyEvent(KeyPress::forwardDelete()));
      return;  // Insert, Page Up, Page Down, function keys: nothing the field uses
    default:
      return;
  }
}

void KeyDecoder::utf8Character(std::vector<InputEvent>& events) {
  unichar units[4];
  std::size_t count = 0;
  if (NSDecodeUTF8(_pending.data(), _pending.size(), units, &count) && count > 0) {
    events.push_back(keyEvent(npapibrowser::KeyPress::text(
        std::u16string(reinterpret_cast<const char16_t*>(units), count))));
  }
  _pending.clear();
  _utf8Length = 0;
}

}  // namespace pagesession
