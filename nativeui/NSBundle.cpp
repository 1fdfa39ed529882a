// The main bundle and its information dictionary.
#include "nativeui/NSBundle.h"

#include "nativeui/NSString.h"

NSDictionary::NSDictionary() : NSObject(NSObjectKind::Shared) { makeShared(); }

NSString* NSDictionary::valueForKey(const char* key) const {
  if (key == nullptr) return nullptr;
  auto it = _values.find(key);
  return it == _values.end() ? nullptr : NSString::stringWithUTF8String(it->second.c_str());
}

void NSDictionary::setValue(const char* key, const char* utf8) {
  if (key == nullptr) return;
  if (utf8 == nullptr) {
    _values.erase(key);
  } else {
    _values[key] = utf8;
  }
}

NSBundle::NSBundle() : NSObject(NSObjectKind::Shared), _info(nullptr) { makeShared(); }

NSBundle* NSBundle::mainBundle() {
  static NSBundle* bundle = [] {
    auto* b = new NSBundle();
    b->_info = new NSDictionary();
    return b;
  }();
  return bundle;
}

void NSBundle::setMainInfoValue(const char* key, const char* utf8) {
  mainBundle()->_info->setValue(key, utf8);
}
