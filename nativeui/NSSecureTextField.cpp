// The secure text field: storage, key-event editing and its bullet layer.
#include "nativeui/NSSecureTextField.h"

#include <cstring>
#include <string>
#include <utility>

#include "nativeui/AppKitConstants.h"
#include "nativeui/CALayer.h"
#include "nativeui/NSEvent.h"
#include "nativeui/NSString.h"
#include "nativeui/NSWindow.h"
#include "nativeui/SecureMemory.h"
#include "wipe/secure_wipe.h"

namespace {

constexpr const char* kBullet = "\xE2\x80\xA2";  // U+2022
constexpr char kCaret = '|';

bool isHighSurrogate(unichar c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(unichar c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A character a key press may type: not a C0 or C1 control, not DEL, not a function key.
bool isPrintable(unichar c) {
  if (c < 0x20 || c == NSDeleteCharacter || (c >= 0x80 && c <= 0x9F)) return false;
  if (c >= NSFunctionKeyRangeFirst && c <= NSFunctionKeyRangeLast) return false;
  return true;
}

}  // namespace

NSSecureTextField::NSSecureTextField() = default;

NSSecureTextField::~NSSecureTextField() {
  NSFreeSecretStorage(_storage, kStorageBytes);
  _storage = nullptr;
  _length = _caret = 0;
  if (auto* text = dynamic_cast<CATextLayer*>(layer())) text->setString(std::string());
}

NSSecureTextField* NSSecureTextField::initWithFrame(NSRect frame) {
  NSView::initWithFrame(frame);
  if (_storage == nullptr) _storage = static_cast<unichar*>(NSAllocateSecretStorage(kStorageBytes));
  if (_storage == nullptr) {
    release();
    return nullptr;
  }
  return this;
}

CALayer* NSSecureTextField::makeBackingLayer() {
  CATextLayer* text = alloc<CATextLayer>();
  if (text != nullptr) {
    // The layer is made while setWantsLayer runs; show the current text at once.
    std::string shown;
    for (NSUInteger i = 0; i < _length; ++i) {
      if (!isLowSurrogate(_storage[i])) shown += kBullet;
    }
    text->setString(std::move(shown));
  }
  return text;
}

void NSSecureTextField::updateLayer() {
  auto* text = dynamic_cast<CATextLayer*>(layer());
  if (text == nullptr) return;
  std::string shown;
  shown.reserve(_length * 3 + 1);  // a three-byte bullet per character and the caret
  for (NSUInteger i = 0; i <= _length; ++i) {
    if (_editing && i == _caret) shown += kCaret;
    if (i < _length && !isLowSurrogate(_storage[i])) shown += kBullet;
  }
  text->setString(std::move(shown));
}

NSString* NSSecureTextField::stringValue() const {
  if (_storage == nullptr) return NSString::string();
  return NSString::stringWithCharacters(_storage, _length);
}

void NSSecureTextField::setStringValue(NSString* value) {
  if (_storage == nullptr) return;
  wipe::SecureWipe(_storage, kStorageBytes);
  NSUInteger length = value != nullptr ? value->length() : 0;
  if (length > kMaximumLength) length = kMaximumLength;
  for (NSUInteger i = 0; i < length; ++i) _storage[i] = value->characterAtIndex(i);
  if (length > 0 && isHighSurrogate(_storage[length - 1])) {
    _storage[--length] = 0;
  }
  _length = length;
  _caret = length;
  updateLayer();
}

void NSSecureTextField::insertCharacters(const unichar* characters, NSUInteger count) {
  for (NSUInteger i = 0; i < count; ++i) {
    unichar c = characters[i];
    NSUInteger units = 1;
    if (isHighSurrogate(c)) {
      if (i + 1 >= count || !isLowSurrogate(characters[i + 1])) continue;
      units = 2;
    } else if (isLowSurrogate(c) || !isPrintable(c)) {
      continue;
    }
    if (_length + units > kMaximumLength) return;  // the field is full: the rest is ignored
    std::memmove(&_storage[_caret + units], &_storage[_caret],
                 (_length - _caret) * sizeof(unichar));
    std::memcpy(&_storage[_caret], &characters[i], units * sizeof(unichar));
    _length += units;
    _caret += units;
    i += units - 1;
  }
}

void NSSecureTextField::removeUnits(NSUInteger at, NSUInteger count) {
  std::memmove(&_storage[at], &_storage[at + count], (_length - at - count) * sizeof(unichar));
  wipe::SecureWipe(&_storage[_length - count], count * sizeof(unichar));
  _length -= count;
}

void NSSecureTextField::deleteBackward() {
  if (_caret == 0) return;
  NSUInteger count =
      (_caret >= 2 && isLowSurrogate(_storage[_caret - 1]) && isHighSurrogate(_storage[_caret - 2]))
          ? 2
          : 1;
  _caret -= count;
  removeUnits(_caret, count);
}

void NSSecureTextField::deleteForward() {
  if (_caret >= _length) return;
  NSUInteger count = (_caret + 1 < _length && isHighSurrogate(_storage[_caret]) &&
                      isLowSurrogate(_storage[_caret + 1]))
                         ? 2
                         : 1;
  removeUnits(_caret, count);
}

void NSSecureTextField::moveLeft() {
  if (_caret == 0) return;
  --_caret;
  if (_caret > 0 && isLowSurrogate(_storage[_caret]) && isHighSurrogate(_storage[_caret - 1])) {
    --_caret;
  }
}

void NSSecureTextField::moveRight() {
  if (_caret >= _length) return;
  ++_caret;
  if (_caret < _length && isLowSurrogate(_storage[_caret]) &&
      isHighSurrogate(_storage[_caret - 1])) {
    ++_caret;
  }
}

void NSSecureTextField::keyDown(NSEvent* event) {
  if (event == nullptr || !_editing || !_editable || _storage == nullptr) return;
  // Key equivalents (copy, cut, paste, select all...) never reach the text.
  if ((event->modifierFlags() & NSCommandKeyMask) != 0) return;
  NSString* characters = event->characters();
  if (characters == nullptr || characters->length() == 0) return;
  switch (characters->characterAtIndex(0)) {
    case NSDeleteCharacter:
    case NSBackspaceCharacter:
      deleteBackward();
      break;
    case NSDeleteFunctionKey:
      deleteForward();
      break;
    case NSLeftArrowFunctionKey:
      moveLeft();
      break;
    case NSRightArrowFunctionKey:
      moveRight();
      break;
    case NSHomeFunctionKey:
      _caret = 0;
      break;
    case NSEndFunctionKey:
      _caret = _length;
      break;
    default: {
      unichar buffer[kMaximumLength];
      NSUInteger count = characters->length();
      if (count > kMaximumLength) count = kMaximumLength;
      for (NSUInteger i = 0; i < count; ++i) buffer[i] = characters->characterAtIndex(i);
      insertCharacters(buffer, count);
      wipe::SecureWipe(buffer, sizeof buffer);
      break;
    }
  }
  updateLayer();
}

void NSSecureTextField::keyUp(NSEvent* /*event*/) {}

BOOL NSSecureTextField::acceptsFirstResponder() { return _editable; }

BOOL NSSecureTextField::becomeFirstResponder() {
  _editing = YES;
  _caret = _length;
  updateLayer();
  return YES;
}

BOOL NSSecureTextField::resignFirstResponder() {
  endEditing();
  if (window() != nullptr) window()->responderLeaving(this);
  return YES;
}

void NSSecureTextField::endEditing() {
  _editing = NO;
  updateLayer();
}

void NSSecureTextField::viewDidMoveToWindow() {
  if (window() == nullptr) endEditing();
}
