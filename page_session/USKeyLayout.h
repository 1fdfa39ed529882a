// The US keyboard layout for printable ASCII: which key (macOS virtual key code) types a
// character, and whether Shift is held for it. Used by the page session's key decoder to give
// each typed character the key code a Mac keyboard would report. Pure data; nothing is checked
// beyond the character's range.
#pragma once

#include <cstdint>

namespace pagesession {

struct USKey {
  uint16_t keyCode;
  bool shift;
};

// The key for a character from space (0x20) to "~" (0x7E); false for any other character.
[[nodiscard]] bool usKeyFor(char character, USKey* key);

}  // namespace pagesession
