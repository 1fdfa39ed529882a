// The application's bundle and its information dictionary (string values by key), as Foundation's
// NSBundle and NSDictionary give them; here the stand-in browser (or a test) sets the values, since
// the program that loads the plug-in has no bundle of its own. Both are shared and never freed.
// Lookups of absent keys give nil.
#pragma once

#include <map>
#include <string>

#include "nativeui/NSObject.h"

class NSString;

// The information-dictionary key of the bundle version.
inline constexpr const char* kCFBundleVersionKey = "CFBundleVersion";

class NSDictionary : public NSObject {
 public:
  // The value for key as a new autoreleased string, or nil.
  NSString* valueForKey(const char* key) const;

  const char* className() const override { return "NSDictionary"; }

 protected:
  NSDictionary();
  ~NSDictionary() override = default;

 private:
  void setValue(const char* key, const char* utf8);
  std::map<std::string, std::string> _values;

  friend class NSObject;
  friend class NSBundle;
};

class NSBundle : public NSObject {
 public:
  // The process's main bundle (shared, never freed).
  static NSBundle* mainBundle();
  const NSDictionary* infoDictionary() const { return _info; }
  // Sets (or with null removes) one value of the main bundle's information dictionary.
  static void setMainInfoValue(const char* key, const char* utf8);

  const char* className() const override { return "NSBundle"; }

 private:
  NSBundle();
  ~NSBundle() override = default;
  NSDictionary* _info;
};
