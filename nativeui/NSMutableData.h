// A growable byte buffer, as Foundation's NSMutableData; its storage is wiped when it grows and
// when it is freed. Bytes are copied in; null with a non-zero length is refused.
#pragma once

#include "nativeui/NSObject.h"

class NSMutableData : public NSObject {
 public:
  // A new, autoreleased buffer holding a copy of the bytes, or nil.
  static NSMutableData* dataWithBytes(const void* bytes, NSUInteger length);
  // Appends a copy of the bytes; false (nothing changed) when memory is exhausted or bytes is
  // null with a non-zero length.
  [[nodiscard]] bool appendBytes(const void* bytes, NSUInteger length);
  // The bytes (null while empty); valid until the next change.
  const void* bytes() const { return _bytes; }
  NSUInteger length() const { return _length; }

  const char* className() const override { return "NSMutableData"; }

 protected:
  NSMutableData();
  ~NSMutableData() override;

 private:
  unsigned char* _bytes = nullptr;
  NSUInteger _length = 0;

  friend class NSObject;
};
