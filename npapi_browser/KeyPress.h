// One key press as the stand-in browser delivers it to the plug-in in a Cocoa key event: the
// characters it produced, those without modifiers, the virtual key code, the modifier flags and the
// repeat flag, with makers for the keys the secure field cares about. Values only; nothing is
// checked.
#pragma once

#include <cstdint>
#include <string>

#include "nativeui/AppKitConstants.h"

namespace npapibrowser {

struct KeyPress {
  std::u16string characters;
  std::u16string charactersIgnoringModifiers;
  uint16_t keyCode = 0;
  uint32_t modifierFlags = 0;
  bool isARepeat = false;

  // A typed character (key code kVK_ANSI_A stands for any character key).
  static KeyPress character(char16_t c) { return {std::u16string(1, c), std::u16string(1, c)}; }
  // What one key press produced, as UTF-16 units (an emoji or a dead-key result).
  static KeyPress text(const std::u16string& units) { return {units, units}; }
  // Command with a character key: the characters stay the plain character.
  static KeyPress command(char16_t c) {
    KeyPress key = character(c);
    key.modifierFlags = static_cast<uint32_t>(NSCommandKeyMask);
    return key;
  }
  static KeyPress special(unichar c, uint16_t keyCode) {
    KeyPress key = character(static_cast<char16_t>(c));
    key.keyCode = keyCode;
    return key;
  }
  static KeyPress returnKey() { return special(NSCarriageReturnCharacter, kVK_Return); }
  static KeyPress tab() { return special(NSTabCharacter, kVK_Tab); }
  static KeyPress escape() { return special(kEscapeCharCode, kVK_Escape); }
  static KeyPress backspace() { return special(NSDeleteCharacter, kVK_Delete); }
  static KeyPress forwardDelete() { return special(NSDeleteFunctionKey, kVK_ForwardDelete); }
  static KeyPress leftArrow() { return special(NSLeftArrowFunctionKey, kVK_LeftArrow); }
  static KeyPress rightArrow() { return special(NSRightArrowFunctionKey, kVK_RightArrow); }
  static KeyPress upArrow() { return special(NSUpArrowFunctionKey, kVK_UpArrow); }
  static KeyPress downArrow() { return special(NSDownArrowFunctionKey, kVK_DownArrow); }
  static KeyPress home() { return special(NSHomeFunctionKey, kVK_Home); }
  static KeyPress end() { return special(NSEndFunctionKey, kVK_End); }
};

}  // namespace npapibrowser
