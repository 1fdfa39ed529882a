// The US (ANSI) layout table.
#include "page_session/USKeyLayout.h"

#include <cstring>

namespace pagesession {

namespace {

// Each key's unshifted and shifted character with its virtual key code (Carbon kVK_ANSI_*).
struct Row {
  char plain;
  char shifted;
  uint16_t keyCode;
};

constexpr Row kRows[] = {
    {'a', 'A', 0x00},  {'s', 'S', 0x01}, {'d', 'D', 0x02},  {'f', 'F', 0x03}, {'h', 'H', 0x04},
    {'g', 'G', 0x05},  {'z', 'Z', 0x06}, {'x', 'X', 0x07},  {'c', 'C', 0x08}, {'v', 'V', 0x09},
    {'b', 'B', 0x0B},  {'q', 'Q', 0x0C}, {'w', 'W', 0x0D},  {'e', 'E', 0x0E}, {'r', 'R', 0x0F},
    {'y', 'Y', 0x10},  {'t', 'T', 0x11}, {'1', '!', 0x12},  {'2', '@', 0x13}, {'3', '#', 0x14},
    {'4', '$', 0x15},  {'6', '^', 0x16}, {'5', '%', 0x17},  {'=', '+', 0x18}, {'9', '(', 0x19},
    {'7', '&', 0x1A},  {'-', '_', 0x1B}, {'8', '*', 0x1C},  {'0', ')', 0x1D}, {']', '}', 0x1E},
    {'o', 'O', 0x1F},  {'u', 'U', 0x20}, {'[', '{', 0x21},  {'i', 'I', 0x22}, {'p', 'P', 0x23},
    {'l', 'L', 0x25},  {'j', 'J', 0x26}, {'\'', '"', 0x27}, {'k', 'K', 0x28}, {';', ':', 0x29},
    {'\\', '|', 0x2A}, {',', '<', 0x2B}, {'/', '?', 0x2C},  {'n', 'N', 0x2D}, {'m', 'M', 0x2E},
    {'.', '>', 0x2F},  {' ', ' ', 0x31}, {'`', '~', 0x32},
};

// Every printable ASCII character is on exactly one key.
static_assert(sizeof kRows / sizeof kRows[0] == 48, "47 character keys and the space bar");

}  // namespace

bool usKeyFor(char character, USKey* key) {
  if (character < 0x20 || character > 0x7E) return false;
  for (const Row& row : kRows) {
    if (row.plain == character || row.shifted == character) {
      *key = USKey{row.keyCode, row.plain != character};
      return true;
    }
  }
  return false;
}

}  // namespace pagesession
