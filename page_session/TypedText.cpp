// Replaying key presses on the expected text of the secure field.
#include "page_session/TypedText.h"

#include <cstring>

#include "nativeui/AppKitConstants.h"
#include "nativeui/SecureMemory.h"
#include "wipe/secure_wipe.h"

namespace pagesession {

namespace {

bool isHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool isTypable(char16_t c) {
  if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) return false;
  return c < NSFunctionKeyRangeFirst || c > NSFunctionKeyRangeLast;
}

}  // namespace

TypedText::TypedText() : _units(static_cast<char16_t*>(NSAllocateSecretStorage(kBytes))) {}

TypedText::~TypedText() { NSFreeSecretStorage(_units, kBytes); }

void TypedText::clear() {
  if (_units != nullptr) wipe::SecureWipe(_units, kBytes);
  _length = _caret = 0;
}

std::size_t TypedText::previousBoundary() const {
  if (_caret >= 2 && isLow(_units[_caret - 1]) && isHigh(_units[_caret - 2])) return _caret - 2;
  return _caret - 1;
}

std::size_t TypedText::nextBoundary() const {
  if (_caret + 1 < _length && isHigh(_units[_caret]) && isLow(_units[_caret + 1]))
    return _caret + 2;
  return _caret + 1;
}

void TypedText::remove(std::size_t at, std::size_t count) {
  std::memmove(&_units[at], &_units[at + count], (_length - at - count) * sizeof(char16_t));
  wipe::SecureWipe(&_units[_length - count], count * sizeof(char16_t));
  _length -= count;
}

void TypedText::insert(const std::u16string& characters) {
  for (std::size_t i = 0; i < characters.size(); ++i) {
    std::size_t units = 1;
    if (isHigh(characters[i])) {
      if (i + 1 >= characters.size() || !isLow(characters[i + 1])) continue;
      units = 2;
    } else if (isLow(characters[i]) || !isTypable(characters[i])) {
      continue;
    }
    if (_length + units > kMaximumLength) return;
    std::memmove(&_units[_caret + units], &_units[_caret], (_length - _caret) * sizeof(char16_t));
    std::memcpy(&_units[_caret], &characters[i], units * sizeof(char16_t));
    _length += units;
    _caret += units;
    i += units - 1;
  }
}

void TypedText::apply(const npapibrowser::KeyPress& key) {
  if (_units == nullptr) return;
  if ((key.modifierFlags & NSCommandKeyMask) != 0 || key.characters.empty()) return;
  switch (key.characters[0]) {
    case NSDeleteCharacter:
    case NSBackspaceCharacter:
      if (_caret > 0) {
        const std::size_t from = previousBoundary();
        remove(from, _caret - from);
        _caret = from;
      }
      break;
    case NSDeleteFunctionKey:
      if (_caret < _length) remove(_caret, nextBoundary() - _caret);
      break;
    case NSLeftArrowFunctionKey:
      if (_caret > 0) _caret = previousBoundary();
      break;
    case NSRightArrowFunctionKey:
      if (_caret < _length) _caret = nextBoundary();
      break;
    case NSHomeFunctionKey:
      _caret = 0;
      break;
    case NSEndFunctionKey:
      _caret = _length;
      break;
    default:
      insert(key.characters);
      break;
  }
}

}  // namespace pagesession
