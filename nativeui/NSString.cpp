// NSString: UTF-16 storage in wiped blocks, checked UTF-8 decoding, lazily made C-string forms.
#include "nativeui/NSString.h"

#include <cstdlib>
#include <cstring>

#include "nativeui/SecureMemory.h"

namespace {

// Decodes one code point at s[i]; returns its byte length, or 0 when the sequence is invalid.
std::size_t decodeOne(const unsigned char* s, std::size_t size, std::size_t i, char32_t* out) {
  unsigned char c = s[i];
  if (c < 0x80) {
    *out = c;
    return 1;
  }
  std::size_t n;
  char32_t cp;
  char32_t min;
  if ((c & 0xE0) == 0xC0) {
    n = 2, cp = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3, cp = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4, cp = c & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > size) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    unsigned char cc = s[i + k];
    if ((cc & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (cc & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  *out = cp;
  return n;
}

}  // namespace

std::size_t NSUTF16LengthOfUTF8(const char* utf8, std::size_t size, bool* valid) {
  const auto* s = reinterpret_cast<const unsigned char*>(utf8);
  std::size_t units = 0;
  for (std::size_t i = 0; i < size;) {
    char32_t cp;
    std::size_t n = decodeOne(s, size, i, &cp);
    if (n == 0) {
      *valid = false;
      return 0;
    }
    units += cp >= 0x10000 ? 2 : 1;
    i += n;
  }
  *valid = true;
  return units;
}

bool NSDecodeUTF8(const char* utf8, std::size_t size, unichar* out, std::size_t* outLength) {
  const auto* s = reinterpret_cast<const unsigned char*>(utf8);
  std::size_t units = 0;
  for (std::size_t i = 0; i < size;) {
    char32_t cp;
    std::size_t n = decodeOne(s, size, i, &cp);
    if (n == 0) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out[units++] = static_cast<unichar>(0xD800 + (cp >> 10));
      out[units++] = static_cast<unichar>(0xDC00 + (cp & 0x3FF));
    } else {
      out[units++] = static_cast<unichar>(cp);
    }
    i += n;
  }
  *outLength = units;
  return true;
}

NSString::NSString() : NSObject(NSObjectKind::String) {}

NSString::~NSString() {
  NSFreeStorage(_characters, _length * sizeof(unichar));
  NSFreeStorage(_ascii, _asciiSize);
  NSFreeStorage(_utf8, _utf8Size);
}

bool NSString::assign(const unichar* characters, NSUInteger length) {
  auto* storage = static_cast<unichar*>(NSAllocateStorage(length * sizeof(unichar)));
  if (storage == nullptr) return false;
  if (length > 0) std::memcpy(storage, characters, length * sizeof(unichar));
  _characters = storage;
  _length = length;
  return true;
}

NSString* NSString::initWithCharacters(const unichar* characters, NSUInteger length) {
  if ((characters == nullptr && length > 0) || _characters != nullptr ||
      !assign(characters, length)) {
    release();
    return nullptr;
  }
  return this;
}

NSString* NSString::initWithUTF8String(const char* utf8) {
  if (utf8 == nullptr || _characters != nullptr) {
    release();
    return nullptr;
  }
  std::size_t size = std::strlen(utf8);
  bool valid = false;
  std::size_t units = NSUTF16LengthOfUTF8(utf8, size, &valid);
  auto* storage = static_cast<unichar*>(NSAllocateStorage(units * sizeof(unichar)));
  std::size_t decoded = 0;
  if (!valid || storage == nullptr || !NSDecodeUTF8(utf8, size, storage, &decoded)) {
    NSFreeStorage(storage, units * sizeof(unichar));
    release();
    return nullptr;
  }
  _characters = storage;
  _length = decoded;
  return this;
}

NSString* NSString::stringWithUTF8String(const char* utf8) {
  NSString* string = alloc<NSString>();
  if (string == nullptr) return nullptr;
  string = string->initWithUTF8String(utf8);
  if (string != nullptr) string->autorelease();
  return string;
}

NSString* NSString::stringWithCharacters(const unichar* characters, NSUInteger length) {
  NSString* string = alloc<NSString>();
  if (string == nullptr) return nullptr;
  string = string->initWithCharacters(characters, length);
  if (string != nullptr) string->autorelease();
  return string;
}

NSString* NSString::string() { return stringWithCharacters(nullptr, 0); }

unichar NSString::characterAtIndex(NSUInteger index) const {
  return index < _length ? _characters[index] : 0;
}

const char* NSString::cStringUsingEncoding(NSStringEncoding encoding) const {
  if (encoding == NSASCIIStringEncoding) {
    if (_ascii != nullptr) return _ascii;
    for (NSUInteger i = 0; i < _length; ++i) {
      if (_characters[i] > 0x7F) return nullptr;
    }
    auto* ascii = static_cast<char*>(NSAllocateStorage(_length + 1));
    if (ascii == nullptr) return nullptr;
    for (NSUInteger i = 0; i < _length; ++i) ascii[i] = static_cast<char>(_characters[i]);
    _ascii = ascii;
    _asciiSize = _length + 1;
    return _ascii;
  }
  if (encoding == NSUTF8StringEncoding) {
    if (_utf8 != nullptr) return _utf8;
    std::size_t size = 0;
    for (NSUInteger i = 0; i < _length; ++i) {
      unichar c = _characters[i];
      if (c < 0x80) {
        size += 1;
      } else if (c < 0x800) {
        size += 2;
      } else if (c >= 0xD800 && c <= 0xDBFF) {
        if (i + 1 >= _length || _characters[i + 1] < 0xDC00 || _characters[i + 1] > 0xDFFF) {
          return nullptr;
        }
        size += 4;
        ++i;
      } else if (c >= 0xDC00 && c <= 0xDFFF) {
        return nullptr;
      } else {
        size += 3;
      }
    }
    auto* out = static_cast<unsigned char*>(NSAllocateStorage(size + 1));
    if (out == nullptr) return nullptr;
    std::size_t o = 0;
    for (NSUInteger i = 0; i < _length; ++i) {
      char32_t c = _characters[i];
      if (c >= 0xD800 && c <= 0xDBFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (_characters[++i] - 0xDC00);
      }
      if (c < 0x80) {
        out[o++] = static_cast<unsigned char>(c);
      } else if (c < 0x800) {
        out[o++] = static_cast<unsigned char>(0xC0 | (c >> 6));
        out[o++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
      } else if (c < 0x10000) {
        out[o++] = static_cast<unsigned char>(0xE0 | (c >> 12));
        out[o++] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        out[o++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
      } else {
        out[o++] = static_cast<unsigned char>(0xF0 | (c >> 18));
        out[o++] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
        out[o++] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        out[o++] = static_cast<unsigned char>(0x80 | (c & 0x3F));
      }
    }
    _utf8 = reinterpret_cast<char*>(out);
    _utf8Size = size + 1;
    return _utf8;
  }
  return nullptr;
}

BOOL NSString::isEqualToString(const NSString* other) const {
  if (other == nullptr || other->_length != _length) return NO;
  return _length == 0 ||
         std::memcmp(_characters, other->_characters, _length * sizeof(unichar)) == 0;
}

float NSString::floatValue() const {
  // Only an ASCII prefix can hold a number; strtof stops at the first other character.
  char buffer[64];
  NSUInteger n = 0;
  for (; n < _length && n + 1 < sizeof buffer && _characters[n] < 0x80; ++n) {
    buffer[n] = static_cast<char>(_characters[n]);
  }
  buffer[n] = '\0';
  return std::strtof(buffer, nullptr);
}
