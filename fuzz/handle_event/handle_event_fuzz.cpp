// Fuzz target for NPP_HandleEvent on a live instance, driven through the stand-in browser and the
// built module: random sequences of events of every type (out-of-range numbers included, with
// random bytes in the event body where the type carries no string objects), focus changes, key
// events with random UTF-16 characters, modifiers and key codes, mouse coordinates including
// NaN, infinities and huge values, window sizes, input-source set-ups, typing, Command keys,
// and script calls in between. Checks each answer against the event table, the cursor, the focus
// state and its log line and redraw, that Return and Command keys and keys without focus change
// nothing, that the field only ever holds typed printable characters with zeros behind them, that
// the layer shows only bullets and the caret, and that "GetPassword" always encodes what the
// field holds. After every input the stand-in browser must be back where it started.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "fuzz/common/browser_harness.h"
#include "fuzz/common/encoded_text.h"
#include "fuzz/common/fuzz_check.h"
#include "fuzz/common/fuzz_input.h"
#include "nativeui/AppKit.h"
#include "nativeui/InputSourceRegistry.h"
#include "plugin_state/PluginObject.h"
#include "shell/MyWindow.h"

namespace {

constexpr std::size_t kMaxOperations = 64;

struct Session {
  npapibrowser::TestBrowser& browser = fuzzing::LoadedBrowser();
  npapibrowser::Page* page = nullptr;
  PluginObject* record = nullptr;
  bool active = false;  // the panel's state as the focus events must have left it
  uint32_t width = 0;
  uint32_t height = 0;
  std::string trail;
};

// The field's text as UTF-16 units.
std::u16string FieldText(Session& s) {
  NSAutoreleaseScope pool;
  NSString* text = s.record->textField->stringValue();
  std::u16string units;
  if (text != nullptr)
    for (NSUInteger i = 0; i < text->length(); ++i)
      units += static_cast<char16_t>(text->characterAtIndex(i));
  return units;
}

bool IsPrintableUnit(char16_t c) {
  if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) return false;
  return !(c >= 0xF700 && c <= 0xF8FF);  // function keys
}

// The field holds at most 126 units, each a printable character or half of a proper surrogate
// pair, and only zero units behind its text.
void CheckField(Session& s) {
  const std::u16string text = FieldText(s);
  FUZZ_CHECK(text.size() <= NSSecureTextField::kMaximumLength,
             "field longer than 126 units: " + s.trail);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      FUZZ_CHECK(i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF,
                 "a lone high surrogate in the field: " + s.trail);
      ++i;
      continue;
    }
    FUZZ_CHECK(IsPrintableUnit(c) && !(c >= 0xDC00 && c <= 0xDFFF),
               "an untypeable unit in the field: " + s.trail);
  }
  const unichar* storage = s.record->textField->storageForTesting();
  for (std::size_t i = 0; i < NSSecureTextField::kMaximumLength; ++i) {
    if (i < text.size()) {
      FUZZ_CHECK(storage[i] == text[i], "storage differs from the text: " + s.trail);
    } else {
      FUZZ_CHECK(storage[i] == 0,
                 "a unit left behind the text at " + std::to_string(i) + ": " + s.trail);
    }
  }
  FUZZ_CHECK(!s.record->textField->isEditing() || s.active,
             "the field edits while the panel is inactive: " + s.trail);
  FUZZ_CHECK(s.record->panel->isActive() == s.active,
             "the panel's active state differs from the focus events: " + s.trail);
}

NSString* RandomString(fuzzing::FuzzInput& input) {
  const std::uint8_t how = input.byte();
  if (how % 8 == 0) return nullptr;
  static const unichar kInteresting[] = {
      'a',    'Z',    '0',    ' ',    '~',    13,     3,      8,      9,      10,     27,
      0,      0x7F,   0x80,   0x9F,   0xA0,   0xE9,   0x2022, 0xD83D, 0xDE00, 0xDC00, 0xDBFF,
      0xF700, 0xF702, 0xF703, 0xF728, 0xF729, 0xF72B, 0xF8FF, 0xFEFF, 0xFFFD, 0xFFFF};
  unichar units[8];
  const std::size_t count = how / 8 % 5;  // 0 to 4 units
  for (std::size_t i = 0; i < count; ++i) {
    units[i] = input.flag()
                   ? kInteresting[input.below(sizeof kInteresting / sizeof kInteresting[0])]
                   : input.u16();
  }
  return NSString::stringWithCharacters(units, count);
}

double RandomCoordinate(fuzzing::FuzzInput& input) {
  static const double kValues[] = {0,
                                   -0.0,
                                   1,
                                   5,
                                   23.999,
                                   24,
                                   299.5,
                                   300,
                                   310,
                                   -1,
                                   -1e-300,
                                   65535,
                                   65536,
                                   1e308,
                                   -1e308,
                                   std::numeric_limits<double>::infinity(),
                                   -std::numeric_limits<double>::infinity(),
                                   std::numeric_limits<double>::quiet_NaN(),
                                   std::numeric_limits<double>::denorm_min()};
  switch (input.byte() % 3) {
    case 0:
      return kValues[input.below(sizeof kValues / sizeof kValues[0])];
    case 1:
      return static_cast<double>(static_cast<int16_t>(input.u16()));
    default:
      return input.f64();
  }
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

int16_t Deliver(Session& s, NPCocoaEvent& event) {
  NSAutoreleaseScope pool;
  return s.page->sendEvent(event);
}

// What the event table says the answer is.
int16_t ExpectedAnswer(uint32_t type, const NPCocoaEvent& event) {
  switch (type) {
    case 1:
    case 2:
    case 4:
    case 5:
    case 9:
    case 11:
      return 1;
    case 8: {
      NSString* ignoring = event.data.key.charactersIgnoringModifiers;
      return ignoring != nullptr && ignoring->length() > 0 && ignoring->characterAtIndex(0) == 13
                 ? 0
                 : 1;
    }
    default:
      return 0;
  }
}

void CheckCursor(Session& s, double x, double y) {
  const bool inside =
      x >= 0 && x < static_cast<double>(s.width) && y >= 0 && y < static_cast<double>(s.height);
  FUZZ_CHECK(
      NSCursor::currentCursor() == (inside ? NSCursor::IBeamCursor() : NSCursor::arrowCursor()),
      "wrong cursor at (" + Number(x) + ", " + Number(y) + "): " + s.trail);
}

void CheckFocusOutcome(Session& s, bool hasFocus, std::size_t logLines, std::size_t rects) {
  if (hasFocus)
    s.active = true;
  else
    s.active = false;
  const auto lines = NSLogCapturedLines();
  FUZZ_CHECK(lines.size() == logLines + 1 &&
                 lines.back() == (hasFocus ? "focus changed with 1" : "focus changed with 0"),
             "focus without its log line: " + s.trail);
  const auto& redraws = s.browser.recorded(s.page).invalidatedRects;
  FUZZ_CHECK(redraws.size() == rects + 1 && redraws.back().top == 0 && redraws.back().left == 0 &&
                 redraws.back().bottom == static_cast<uint16_t>(s.height) &&
                 redraws.back().right == static_cast<uint16_t>(s.width),
             "focus without a redraw of the whole instance: " + s.trail);
}

// Any event type, the body random bytes (for key types, proper strings or nil).
void RawEvent(Session& s, fuzzing::FuzzInput& input) {
  NSAutoreleaseScope pool;
  NPCocoaEvent event;
  std::memset(&event, 0, sizeof event);
  uint32_t type = input.byte();
  if (type >= 0xF0)
    type = input.u32();  // far out of range
  else
    type %= 16;
  std::memcpy(&event.type, &type, sizeof type);
  event.version = input.u32();
  const std::string body = input.bytes(sizeof event.data);
  std::memcpy(&event.data, body.data(), body.size());
  if (type == 8 || type == 9 || type == 10) {
    event.data.key.characters = RandomString(input);
    event.data.key.charactersIgnoringModifiers =
        input.flag() ? event.data.key.characters : RandomString(input);
  }
  if (type == 14) event.data.text.text = RandomString(input);
  if (type == 1) event.data.draw.context = nullptr;
  s.trail += " event(" + std::to_string(type) + ")";

  const std::u16string before = FieldText(s);
  const std::size_t logLines = NSLogCapturedLines().size();
  const std::size_t rects = s.browser.recorded(s.page).invalidatedRects.size();
  const int16_t expected = ExpectedAnswer(type, event);
  const int16_t answer = Deliver(s, event);
  FUZZ_CHECK(answer == expected, "event " + std::to_string(type) + " answered " +
                                     std::to_string(answer) + ": " + s.trail);

  switch (type) {
    case 4:
    case 5:
      CheckCursor(s, event.data.mouse.pluginX, event.data.mouse.pluginY);
      break;
    case 11:
      CheckFocusOutcome(s, event.data.focus.hasFocus != 0, logLines, rects);
      break;
    case 8:
    case 9: {
      const bool command = (event.data.key.modifierFlags & NSCommandKeyMask) != 0;
      if (type == 9 || expected == 0 || command || !s.active) {
        FUZZ_CHECK(FieldText(s) == before,
                   "the field changed on a key that must change nothing: " + s.trail);
      }
      break;
    }
    default:
      FUZZ_CHECK(FieldText(s) == before, "the field changed on a non-key event: " + s.trail);
      FUZZ_CHECK(NSLogCapturedLines().size() == logLines, "a non-focus event logged: " + s.trail);
      break;
  }
  CheckField(s);
}

void Focus(Session& s, fuzzing::FuzzInput& input) {
  const std::uint8_t value = input.byte();
  const NPBool hasFocus = value % 4 == 3 ? value : value % 2;  // 0, 1, or any other true value
  s.trail += " focus(" + std::to_string(hasFocus) + ")";
  NPCocoaEvent event;
  std::memset(&event, 0, sizeof event);
  event.type = NPCocoaEventFocusChanged;
  event.data.focus.hasFocus = hasFocus;
  const std::size_t logLines = NSLogCapturedLines().size();
  const std::size_t rects = s.browser.recorded(s.page).invalidatedRects.size();
  FUZZ_CHECK(Deliver(s, event) == 1, "focus not handled: " + s.trail);
  CheckFocusOutcome(s, hasFocus != 0, logLines, rects);
  CheckField(s);
}

void Mouse(Session& s, fuzzing::FuzzInput& input) {
  const double x = RandomCoordinate(input);
  const double y = RandomCoordinate(input);
  const auto type = input.flag() ? NPCocoaEventMouseMoved : NPCocoaEventMouseEntered;
  s.trail += " mouse(" + Number(x) + "," + Number(y) + ")";
  FUZZ_CHECK(s.page->mouse(type, x, y, static_cast<int32_t>(input.u32()),
                           static_cast<int32_t>(input.u32()), input.u32()) == 1,
             "mouse moved not handled: " + s.trail);
  CheckCursor(s, x, y);
}

// Typing and editing keys, as the stand-in browser's key presses make them.
void Keys(Session& s, fuzzing::FuzzInput& input) {
  const std::uint8_t what = input.byte();
  npapibrowser::KeyPress press;
  switch (what % 12) {
    case 0:
      press = npapibrowser::KeyPress::backspace();
      break;
    case 1:
      press = npapibrowser::KeyPress::forwardDelete();
      break;
    case 2:
      press = npapibrowser::KeyPress::leftArrow();
      break;
    case 3:
      press = npapibrowser::KeyPress::rightArrow();
      break;
    case 4:
      press = npapibrowser::KeyPress::home();
      break;
    case 5:
      press = npapibrowser::KeyPress::end();
      break;
    case 6:
      press = npapibrowser::KeyPress::tab();
      break;
    case 7:
      press = npapibrowser::KeyPress::escape();
      break;
    case 8:
      press = npapibrowser::KeyPress::returnKey();
      break;
    default: {
      std::string text = input.text(48);
      for (char& c : text)
        if (c < 0x20 || c > 0x7E) c = static_cast<char>(0x20 + static_cast<unsigned char>(c) % 95);
      s.trail += " type(\"" + text + "\")";
      const std::u16string before = FieldText(s);
      s.page->typeText(text);
      if (!s.active)
        FUZZ_CHECK(FieldText(s) == before, "typing without focus changed the field: " + s.trail);
      CheckField(s);
      return;
    }
  }
  s.trail += " key(" + std::to_string(what % 12) + ")";
  const std::u16string before = FieldText(s);
  const int16_t down = s.page->keyDown(press);
  s.page->keyUp(press);
  FUZZ_CHECK(down == (what % 12 == 8 ? 0 : 1),
             "an editing key answered " + std::to_string(down) + ": " + s.trail);
  if (what % 12 >= 6 || !s.active)
    FUZZ_CHECK(FieldText(s) == before, "a key that edits nothing changed the field: " + s.trail);
  CheckField(s);
}

// Copy, cut, paste, select all and friends: the text neither changes nor leaves.
void CommandKey(Session& s, fuzzing::FuzzInput& input) {
  static const char16_t kKeys[] = {u'c', u'x', u'a', u'v', u'z', u'C', u'X', 0x7F, 0xF728};
  const char16_t key = kKeys[input.below(sizeof kKeys / sizeof kKeys[0])];
  npapibrowser::KeyPress press = npapibrowser::KeyPress::command(key);
  press.modifierFlags |= input.u32() & ~static_cast<uint32_t>(NSCommandKeyMask) & 0x00FF0000u;
  s.trail += " command(" + std::to_string(key) + ")";
  const std::u16string before = FieldText(s);
  const std::size_t blocks = s.browser.allocator().liveBlocks();
  FUZZ_CHECK(s.page->keyDown(press) == 1, "a Command key not handled: " + s.trail);
  s.page->keyUp(press);
  FUZZ_CHECK(FieldText(s) == before, "a Command key changed the field: " + s.trail);
  FUZZ_CHECK(s.browser.allocator().liveBlocks() == blocks,
             "a Command key handed the browser a block: " + s.trail);
  CheckField(s);
}

// "GetPassword" encodes exactly what the field holds, when that is ASCII; otherwise nothing.
void GetPassword(Session& s) {
  s.trail += " GetPassword";
  const std::u16string text = FieldText(s);
  const npapibrowser::ScriptResult result = s.page->invoke("GetPassword");
  FUZZ_CHECK(result.ok && result.type == NPVariantType_String, "GetPassword failed: " + s.trail);
  bool ascii = true;
  std::string clear;
  for (const char16_t c : text) {
    ascii = ascii && c < 0x80;
    clear += static_cast<char>(c);
  }
  if (text.empty() || !ascii) {
    FUZZ_CHECK(result.stringValue.empty(),
               "GetPassword answered text for an empty or non-ASCII field: " + s.trail);
  } else {
    fuzzing::CheckEncodedTextOf(result.stringValue, clear, "GetPassword: " + s.trail);
  }
}

void Clear(Session& s) {
  s.trail += " Clearpassword";
  FUZZ_CHECK(s.page->invoke("Clearpassword").ok, "Clearpassword failed: " + s.trail);
  FUZZ_CHECK(FieldText(s).empty(), "Clearpassword left text: " + s.trail);
  CheckField(s);
}

void Resize(Session& s, fuzzing::FuzzInput& input) {
  static const uint32_t kSizes[] = {0, 1, 24, 300, 65535, 65536, 70000, 0x7FFFFFFF, 0xFFFFFFFF};
  s.width = input.flag() ? kSizes[input.below(9)] : input.u16();
  s.height = input.flag() ? kSizes[input.below(9)] : input.u16();
  const int32_t x = static_cast<int32_t>(input.u32());
  const int32_t y = static_cast<int32_t>(input.u32());
  s.trail += " window(" + std::to_string(s.width) + "x" + std::to_string(s.height) + ")";
  FUZZ_CHECK(s.page->setWindow(x, y, s.width, s.height) == NPERR_NO_ERROR,
             "NPP_SetWindow refused: " + s.trail);
}

void OtherEvents(Session& s, fuzzing::FuzzInput& input) {
  const std::u16string before = FieldText(s);
  switch (input.byte() % 5) {
    case 0:
      s.trail += " windowFocus";
      FUZZ_CHECK(s.page->windowFocus(input.flag()) == 0, "window focus handled: " + s.trail);
      break;
    case 1:
      s.trail += " scroll";
      FUZZ_CHECK(s.page->scrollWheel(RandomCoordinate(input), RandomCoordinate(input)) == 0,
                 "scroll handled: " + s.trail);
      break;
    case 2: {
      s.trail += " textInput";
      const std::string text = input.text(16);
      FUZZ_CHECK(s.page->textInput(text) == 0, "text input handled: " + s.trail);
      break;
    }
    case 3:
      s.trail += " draw";
      FUZZ_CHECK(s.page->drawRect(RandomCoordinate(input), RandomCoordinate(input),
                                  RandomCoordinate(input), RandomCoordinate(input)) == 1,
                 "draw not swallowed: " + s.trail);
      break;
    default: {
      s.trail += " flags";
      FUZZ_CHECK(s.page->flagsChanged(input.u32(), input.u16()) == 0,
                 "flags changed handled: " + s.trail);
      break;
    }
  }
  FUZZ_CHECK(FieldText(s) == before, "the field changed on a non-key event: " + s.trail);
}

// Events for no instance and null events are declined.
void Strays(Session& s) {
  s.trail += " strays";
  NPCocoaEvent event;
  std::memset(&event, 0, sizeof event);
  event.type = NPCocoaEventFocusChanged;
  event.data.focus.hasFocus = 1;
  NPP_t nobody{};
  NSAutoreleaseScope pool;
  FUZZ_CHECK(s.browser.pluginFuncs().event(&nobody, &event) == 0,
             "an event for no record was handled: " + s.trail);
  FUZZ_CHECK(s.browser.pluginFuncs().event(nullptr, &event) == 0,
             "an event for a null instance was handled: " + s.trail);
  FUZZ_CHECK(s.browser.pluginFuncs().event(s.page->npp(), nullptr) == 0,
             "a null event was handled: " + s.trail);
}

// The layer shows bullets and the caret, never a character of the text.
void CheckLayer(Session& s) {
  const std::string shown = s.page->renderLayerText();
  for (std::size_t i = 0; i < shown.size();) {
    if (shown.compare(i, 3, "\xE2\x80\xA2") == 0)
      i += 3;
    else {
      FUZZ_CHECK(
          shown[i] == '|' || shown[i] == '\n',
          "the layer shows \"" + fuzzing::Printable(shown.data(), shown.size()) + "\": " + s.trail);
      ++i;
    }
  }
}

void SetUpInputSources(fuzzing::FuzzInput& input, std::string& trail) {
  const std::uint8_t how = input.byte();
  if (how & 1) {
    TISRegistry::clear();
    trail += " noSources";
  }
  if (how & 2) {
    TISRegistry::addSource("com.apple.inputmethod.Kotoeri", false);
    TISRegistry::addSource("com.apple.keylayout.German", true);
    TISRegistry::setCurrent((how & 4) ? "com.apple.keylayout.German"
                                      : "com.apple.inputmethod.Kotoeri");
    trail += " sources";
  }
  if (how & 8) TISRegistry::setSelectFails(TISRegistry::currentID(), true);
  if (how & 16) TISRegistry::setSelectFails("com.apple.keylayout.US", true);
  TISRegistry::setListBehaviour(static_cast<TISListBehaviour>(how / 32 % 3));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  fuzzing::BeginInput();
  fuzzing::FuzzInput input(data, size);
  Session s;
  SetUpInputSources(input, s.trail);

  // A ready page, or (rarely) one whose layer tree does not exist yet: keys then reach no field.
  const std::uint8_t setup = input.byte();
  s.width = 300;
  s.height = 24;
  s.page = s.browser.openPage();
  FUZZ_CHECK(s.page != nullptr && s.page->isRunning(), "NPP_New refused a plain page");
  s.record = static_cast<PluginObject*>(s.page->npp()->pdata);
  s.page->setWindow(0, 0, s.width, s.height);
  bool layer = setup % 8 != 0;
  if (layer)
    s.page->layer();
  else
    s.trail += " noLayer";

  for (std::size_t op = 0; op < kMaxOperations && !input.empty(); ++op) {
    switch (input.byte() % 16) {
      case 0:
      case 1:
      case 2:
        RawEvent(s, input);
        break;
      case 3:
      case 4:
        Focus(s, input);
        break;
      case 5:
        Mouse(s, input);
        break;
      case 6:
      case 7:
      case 8:
        Keys(s, input);
        break;
      case 9:
        CommandKey(s, input);
        break;
      case 10:
        GetPassword(s);
        break;
      case 11:
        Clear(s);
        break;
      case 12:
        Resize(s, input);
        break;
      case 13:
        OtherEvents(s, input);
        break;
      case 14:
        Strays(s);
        break;
      default:
        if (!layer) {
          s.trail += " layer";
          layer = s.page->layer() != nullptr;
        }
        CheckLayer(s);
        break;
    }
  }

  fuzzing::CloseAndCheckClean(s.page, s.trail);
  FUZZ_CHECK(NSWindow::keyWindow() == nullptr, "a key window outlived its instance: " + s.trail);
  return 0;
}
