// Interned identifiers.
#include "npapi_browser/Identifiers.h"

#include <climits>

namespace npapibrowser {

NPIdentifier Identifiers::string(const char* name) {
  if (name == nullptr) return nullptr;
  auto& slot = _strings[name];
  if (!slot) {
    slot.reset(new Entry{true, name, 0});
    _all.insert(slot.get());
  }
  return slot.get();
}

NPIdentifier Identifiers::integer(int32_t value) {
  auto& slot = _integers[value];
  if (!slot) {
    slot.reset(new Entry{false, std::string(), value});
    _all.insert(slot.get());
  }
  return slot.get();
}

const Identifiers::Entry* Identifiers::entry(NPIdentifier identifier) const {
  if (identifier == nullptr || _all.count(identifier) == 0) return nullptr;
  return static_cast<const Entry*>(identifier);
}

bool Identifiers::isKnown(NPIdentifier identifier) const { return entry(identifier) != nullptr; }

bool Identifiers::isString(NPIdentifier identifier) const {
  const Entry* e = entry(identifier);
  return e != nullptr && e->isString;
}

const std::string* Identifiers::name(NPIdentifier identifier) const {
  const Entry* e = entry(identifier);
  return e != nullptr && e->isString ? &e->name : nullptr;
}

int32_t Identifiers::intValue(NPIdentifier identifier) const {
  const Entry* e = entry(identifier);
  return e != nullptr && !e->isString ? e->value : INT32_MIN;
}

}  // namespace npapibrowser
