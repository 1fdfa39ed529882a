// What a page's script can throw at the plug-in's script object, drawn from a fuzz input: method
// and property names (the six methods, their case variants, prefixes and extensions, names of
// JavaScript's own, odd bytes, integer and null identifiers) and argument lists of every variant
// type. Names come from a bounded set, so the stand-in browser's identifier table stays bounded
// over millions of inputs. String arguments sit in exactly-sized blocks without a terminator.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fuzz/common/fuzz_input.h"
#include "npapi_browser/Browser.h"

namespace fuzzing {

// The six method names, in the order the script object compares them.
extern const char* const kMethodNames[6];

struct PickedName {
  NPIdentifier id = nullptr;
  std::string text;  // the string identifier's name; empty for an integer or null identifier
  int method = -1;   // 0 to 5 when text is exactly one of kMethodNames
};

PickedName PickName(FuzzInput& input, npapibrowser::Browser& browser);

// An argument list; the strings' bytes live as long as the list.
class Arguments {
 public:
  // Up to maxCount arguments. self is offered as an object argument.
  static Arguments Pick(FuzzInput& input, NPObject* self, std::size_t maxCount);
  const NPVariant* data() const { return _values.empty() ? nullptr : _values.data(); }
  uint32_t count() const { return static_cast<uint32_t>(_values.size()); }
  const std::vector<NPVariant>& values() const { return _values; }
  // The text of argument i as the plug-in sees it: its bytes up to the first zero byte.
  std::string clearText(std::size_t i) const;
  std::string describe() const;

 private:
  std::vector<NPVariant> _values;
  std::vector<std::unique_ptr<char[]>> _texts;
};

}  // namespace fuzzing
