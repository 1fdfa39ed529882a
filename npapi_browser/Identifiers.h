// The browser's identifiers as the stand-in browser plays them: string and integer identifiers
// interned for the stand-in browser's life, so equal names give the same pointer. Identifiers are
// checked against the table before use; an unknown pointer is answered as "no identifier".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "npapi/runtime.h"

namespace npapibrowser {

class Identifiers {
 public:
  // Null for a null name.
  NPIdentifier string(const char* name);
  NPIdentifier integer(int32_t value);

  bool isKnown(NPIdentifier identifier) const;
  bool isString(NPIdentifier identifier) const;
  // The name of a string identifier, or null.
  const std::string* name(NPIdentifier identifier) const;
  // The value of an integer identifier, or INT32_MIN.
  int32_t intValue(NPIdentifier identifier) const;
  std::size_t count() const { return _all.size(); }

 private:
  struct Entry {
    bool isString;
    std::string name;
    int32_t value;
  };
  const Entry* entry(NPIdentifier identifier) const;
  std::unordered_map<std::string, std::unique_ptr<Entry>> _strings;
  std::unordered_map<int32_t, std::unique_ptr<Entry>> _integers;
  std::unordered_set<const void*> _all;
};

}  // namespace npapibrowser
