// Growable byte buffers in wiped storage.
#include "nativeui/NSMutableData.h"

#include <cstring>

#include "nativeui/SecureMemory.h"

NSMutableData::NSMutableData() : NSObject(NSObjectKind::Object) {}

NSMutableData::~NSMutableData() { NSFreeStorage(_bytes, _length); }

NSMutableData* NSMutableData::dataWithBytes(const void* bytes, NSUInteger length) {
  NSMutableData* data = alloc<NSMutableData>();
  if (data == nullptr) return nullptr;
  if (!data->appendBytes(bytes, length)) {
    data->release();
    return nullptr;
  }
  data->autorelease();
  return data;
}

bool NSMutableData::appendBytes(const void* bytes, NSUInteger length) {
  if (length == 0) return true;
  if (bytes == nullptr) return false;
  auto* grown = static_cast<unsigned char*>(NSAllocateStorage(_length + length));
  if (grown == nullptr) return false;
  if (_length > 0) std::memcpy(grown, _bytes, _length);
  std::memcpy(grown + _length, bytes, length);
  NSFreeStorage(_bytes, _length);
  _bytes = grown;
  _length += length;
  return true;
}
