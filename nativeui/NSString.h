// Immutable UTF-16 text, as Foundation's NSString, and the NPNSString of the NPAPI declarations
// (the browser makes one for every key event). Creation checks its input (invalid UTF-8 gives
// nil); storage and any C-string form handed out are wiped when the string is freed.
#pragma once

#include "nativeui/AppKitConstants.h"
#include "nativeui/NSObject.h"

class NSString : public NSObject {
 public:
  // Autoreleased strings, or nil for a null pointer, invalid UTF-8 or exhausted memory.
  static NSString* stringWithUTF8String(const char* utf8);
  static NSString* stringWithCharacters(const unichar* characters, NSUInteger length);
  static NSString* string();

  // Initialisers of an alloc'd string: return this, or release it and return nil on bad input.
  NSString* initWithUTF8String(const char* utf8);
  NSString* initWithCharacters(const unichar* characters, NSUInteger length);

  // Number of UTF-16 units.
  NSUInteger length() const { return _length; }
  // The unit at index; 0 when index is out of range (Foundation would raise).
  unichar characterAtIndex(NSUInteger index) const;
  // A NUL-terminated form owned by the string and valid while it lives, or null when a character
  // cannot be represented (ASCII: above 0x7F; UTF-8: an unpaired surrogate) or the encoding is not
  // NSASCIIStringEncoding or NSUTF8StringEncoding.
  const char* cStringUsingEncoding(NSStringEncoding encoding) const;
  const char* UTF8String() const { return cStringUsingEncoding(NSUTF8StringEncoding); }
  BOOL isEqualToString(const NSString* other) const;
  // The number at the start of the text (after any white space), as strtof reads it; 0 when there
  // is none.
  float floatValue() const;
  // Immutable: a copy is the same object with one more reference.
  NSString* copy() { return static_cast<NSString*>(retain()); }

  const char* className() const override { return "NSString"; }

 protected:
  NSString();
  ~NSString() override;

 private:
  [[nodiscard]] bool assign(const unichar* characters, NSUInteger length);
  unichar* _characters = nullptr;
  NSUInteger _length = 0;
  mutable char* _ascii = nullptr;
  mutable std::size_t _asciiSize = 0;
  mutable char* _utf8 = nullptr;
  mutable std::size_t _utf8Size = 0;

  friend class NSObject;
};

// UTF-8 to UTF-16 and back, checked: false for invalid input (overlong forms, surrogates encoded
// in UTF-8, values above U+10FFFF, unpaired surrogates in UTF-16).
bool NSDecodeUTF8(const char* utf8, std::size_t size, unichar* out, std::size_t* outLength);
std::size_t NSUTF16LengthOfUTF8(const char* utf8, std::size_t size, bool* valid);
