// What the page session expects the secure field to hold: the keys it sent replayed on a text of
// its own, by the rules a user knows from a password field. Used by --verify, so that a fault
// anywhere between the keys and "GetPassword" shows; it does not look at the plug-in's field.
#pragma once

#include <cstddef>
#include <string_view>

#include "npapi_browser/KeyPress.h"

namespace pagesession {

// Printable characters insert at the caret (a surrogate pair as one character); Backspace (DEL or
// BS) and forward Delete remove one character; Left, Right, Home and End move the caret; Return,
// Tab, Escape, other control and function keys and Command-modified keys change nothing. At most
// 126 UTF-16 units: characters past that are dropped. The text lives in a fixed buffer of the
// native layer's secret storage (kept out of swap and core dumps, as the field's own), wiped as it
// shrinks and when the object goes. Should no such storage be had, nothing is ever typed into it.
class TypedText {
 public:
  static constexpr std::size_t kMaximumLength = 126;

  TypedText();
  TypedText(const TypedText&) = delete;
  TypedText& operator=(const TypedText&) = delete;
  ~TypedText();

  void apply(const npapibrowser::KeyPress& key);
  void clear();

  std::u16string_view text() const { return {_units != nullptr ? _units : u"", _length}; }
  std::size_t caret() const { return _caret; }

 private:
  void insert(const std::u16string& characters);
  void remove(std::size_t at, std::size_t count);
  std::size_t previousBoundary() const;
  std::size_t nextBoundary() const;

  static constexpr std::size_t kBytes = kMaximumLength * sizeof(char16_t);
  char16_t* _units = nullptr;
  std::size_t _length = 0;
  std::size_t _caret = 0;
};

}  // namespace pagesession
