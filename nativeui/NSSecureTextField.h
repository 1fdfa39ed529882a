// A secure text field: a view holding up to 126 UTF-16 units of hidden text, edited from key
// events while it is its window's first responder, shown as bullets in its backing layer. Its text
// never leaves except through stringValue; its storage is secret storage (SecureMemory.h), kept out
// of swap and core dumps, and wiped on every change and on free.
#pragma once

#include <cstddef>

#include "nativeui/NSView.h"

class NSString;

// Editing, as its field editor does: printable characters insert at the caret; Backspace (0x7F
// or 0x08) and forward Delete remove; Left, Right, Home and End move the caret; Return, Tab,
// Escape, other control and function keys and every Command-modified key change nothing, so the
// text can never be copied, cut or pasted. Characters past the limit are ignored. The text lives
// in a fixed buffer of secret storage; nothing past the text is ever non-zero.
class NSSecureTextField : public NSView {
 public:
  static constexpr NSUInteger kMaximumLength = 126;

  // This field, or nil (the field released) when its storage cannot be had.
  NSSecureTextField* initWithFrame(NSRect frame);

  void setEditable(BOOL editable) { _editable = editable; }
  BOOL isEditable() const { return _editable; }

  // An autoreleased copy of the text, or nil when memory is exhausted.
  NSString* stringValue() const;
  // Replaces the text (nil: empty), keeping at most the first 126 units without splitting a
  // surrogate pair; the caret goes to the end.
  void setStringValue(NSString* value);

  NSUInteger caretIndex() const { return _caret; }
  // Whether the field is first responder and so takes key events.
  BOOL isEditing() const { return _editing; }

  void keyDown(NSEvent* event) override;
  void keyUp(NSEvent* event) override;
  BOOL acceptsFirstResponder() override;
  BOOL becomeFirstResponder() override;
  BOOL resignFirstResponder() override;

  const char* className() const override { return "NSSecureTextField"; }

  // Test-only view of the raw storage (kMaximumLength units; null before init), for
  // secret-hygiene checks.
  const unichar* storageForTesting() const { return _storage; }

 protected:
  NSSecureTextField();
  ~NSSecureTextField() override;
  CALayer* makeBackingLayer() override;
  void viewDidMoveToWindow() override;

 private:
  void insertCharacters(const unichar* characters, NSUInteger count);
  void removeUnits(NSUInteger at, NSUInteger count);
  void deleteBackward();
  void deleteForward();
  void moveLeft();
  void moveRight();
  void endEditing();
  void updateLayer();

  static constexpr std::size_t kStorageBytes = kMaximumLength * sizeof(unichar);
  unichar* _storage = nullptr;
  NSUInteger _length = 0;
  NSUInteger _caret = 0;
  BOOL _editable = YES;
  BOOL _editing = NO;

  friend class NSObject;
};
