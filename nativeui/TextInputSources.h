// Text Input Sources under their macOS names, with the few CoreFoundation calls that go with them,
// over the registry of InputSourceRegistry.h, which counts every call. Copy/Create results belong
// to the caller (CFRelease); values got from an array do not. Null arguments are answered
// harmlessly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "nativeui/NSObject.h"

// One keyboard input source. Owned by the registry; callers hold extra references.
class TISInputSource : public NSObject {
 public:
  const std::string& sourceID() const { return _sourceID; }
  BOOL isASCIICapable() const { return _asciiCapable; }

  const char* className() const override { return "TISInputSource"; }

 private:
  TISInputSource(const std::string& sourceID, BOOL asciiCapable);
  ~TISInputSource() override = default;
  std::string _sourceID;
  BOOL _asciiCapable;
  BOOL _selectFails = NO;

  friend class TISRegistry;
};

// An immutable array that retains its values (here, input sources).
class CFArray : public NSObject {
 public:
  // A new array with one reference for the caller, or nil.
  static CFArray* create(const std::vector<TISInputSource*>& values);
  long count() const { return static_cast<long>(_values.size()); }
  // The value at index, or null out of range.
  const void* valueAt(long index) const;

  const char* className() const override { return "CFArray"; }

 private:
  CFArray();
  ~CFArray() override;
  std::vector<const void*> _values;
  std::vector<NSObject*> _owners;

  friend class NSObject;
};

typedef TISInputSource* TISInputSourceRef;
typedef const CFArray* CFArrayRef;
typedef const NSObject* CFTypeRef;
typedef long CFIndex;
typedef int32_t OSStatus;

inline constexpr OSStatus noErr = 0;
inline constexpr OSStatus paramErr = -50;

extern "C" {
// The current keyboard source if it is ASCII-capable, else the most recent ASCII-capable one that
// was current; null if there is none. One reference for the caller.
TISInputSourceRef TISCopyCurrentASCIICapableKeyboardInputSource(void);
// Makes source current: noErr, or paramErr for null or a source set up to refuse.
OSStatus TISSelectInputSource(TISInputSourceRef source);
// The ASCII-capable sources in registry order (or, as the registry is set up, an empty array or
// null). One reference for the caller.
CFArrayRef TISCreateASCIICapableInputSourceList(void);

CFIndex CFArrayGetCount(CFArrayRef array);  // 0 for null
// The value at index, or null for null or an index out of range. Not retained for the caller.
const void* CFArrayGetValueAtIndex(CFArrayRef array, CFIndex index);
CFTypeRef CFRetain(CFTypeRef object);
// Gives back one reference; null does nothing. Releasing a registry source below the registry's
// own reference is refused and counted as an over-release.
void CFRelease(CFTypeRef object);
}
