// Text Input Sources and CoreFoundation arrays over the registry.
#include "nativeui/TextInputSources.h"

#include "nativeui/InputSourceRegistry.h"

CFArray::CFArray() : NSObject(NSObjectKind::Array) {}

CFArray::~CFArray() {
  for (NSObject* owner : _owners) owner->release();
}

CFArray* CFArray::create(const std::vector<TISInputSource*>& values) {
  CFArray* array = alloc<CFArray>();
  if (array == nullptr) return nullptr;
  for (TISInputSource* value : values) {
    array->_owners.push_back(NSRetain(value));
    array->_values.push_back(static_cast<const void*>(value));
  }
  return array;
}

const void* CFArray::valueAt(long index) const {
  return index >= 0 && index < count() ? _values[static_cast<std::size_t>(index)] : nullptr;
}

TISInputSource::TISInputSource(const std::string& sourceID, BOOL asciiCapable)
    : NSObject(NSObjectKind::InputSource), _sourceID(sourceID), _asciiCapable(asciiCapable) {}

extern "C" TISInputSourceRef TISCopyCurrentASCIICapableKeyboardInputSource(void) {
  ++TISRegistry::mutableCounts().copyCurrentASCIICapable;
  TISInputSource* source = TISRegistry::currentASCIICapable();
  if (source == nullptr) return nullptr;
  TISRegistry::handedOut(1);
  return NSRetain(source);
}

extern "C" OSStatus TISSelectInputSource(TISInputSourceRef source) {
  ++TISRegistry::mutableCounts().select;
  if (source == nullptr || !TISRegistry::select(source)) {
    ++TISRegistry::mutableCounts().selectFailures;
    return paramErr;
  }
  return noErr;
}

extern "C" CFArrayRef TISCreateASCIICapableInputSourceList(void) {
  ++TISRegistry::mutableCounts().createASCIICapableList;
  CFArray* array = nullptr;
  switch (TISRegistry::listBehaviour()) {
    case TISListBehaviour::Null:
      return nullptr;
    case TISListBehaviour::Empty:
      array = CFArray::create({});
      break;
    case TISListBehaviour::Normal:
      array = CFArray::create(TISRegistry::asciiCapableSources());
      break;
  }
  if (array != nullptr) TISRegistry::handedOut(1);
  return array;
}

extern "C" CFIndex CFArrayGetCount(CFArrayRef array) {
  ++TISRegistry::mutableCounts().arrayGetCount;
  return array != nullptr ? array->count() : 0;
}

extern "C" const void* CFArrayGetValueAtIndex(CFArrayRef array, CFIndex index) {
  ++TISRegistry::mutableCounts().arrayGetValue;
  return array != nullptr ? array->valueAt(index) : nullptr;
}

extern "C" CFTypeRef CFRetain(CFTypeRef object) {
  if (object != nullptr) const_cast<NSObject*>(object)->retain();
  return object;
}

extern "C" void CFRelease(CFTypeRef object) {
  ++TISRegistry::mutableCounts().release;
  if (object == nullptr) return;
  if (TISRegistry::owns(object) && object->retainCount() <= 1) {
    ++TISRegistry::mutableCounts().overRelease;
    return;
  }
  if (object->kind() == NSObjectKind::InputSource || object->kind() == NSObjectKind::Array) {
    TISRegistry::handedOut(-1);
  }
  const_cast<NSObject*>(object)->release();
}
