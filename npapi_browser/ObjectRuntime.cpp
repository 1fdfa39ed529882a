// Script objects: creation, counting and deallocation.
#include "npapi_browser/ObjectRuntime.h"

#include <cstdio>
#include <cstdlib>

namespace npapibrowser {

namespace {
std::string describe(const char* what, const void* object) {
  char text[96];
  std::snprintf(text, sizeof text, "%s %p", what, object);
  return text;
}
}  // namespace

NPObject* ObjectRuntime::create(NPP npp, NPClass* aClass, bool browserOwned) {
  if (aClass == nullptr) return nullptr;
  if (_gate != nullptr && _gate->refusesCreation()) return nullptr;
  NPObject* object = nullptr;
  bool browserAllocated = aClass->allocate == nullptr;
  if (browserAllocated) {
    object = static_cast<NPObject*>(std::calloc(1, sizeof(NPObject)));
  } else {
    object = aClass->allocate(npp, aClass);
  }
  if (object == nullptr) return nullptr;
  object->_class = aClass;
  object->referenceCount = 1;
  _live[object] = Record{npp, browserAllocated, browserOwned};
  ++_created;
  return object;
}

NPObject* ObjectRuntime::retain(NPObject* object) {
  if (object == nullptr) return nullptr;
  if (!isLive(object)) {
    _faults.push_back(describe("retain of an object that is not alive:", object));
    return object;
  }
  ++object->referenceCount;
  return object;
}

void ObjectRuntime::release(NPObject* object) {
  if (object == nullptr) return;
  auto it = _live.find(object);
  if (it == _live.end()) {
    _faults.push_back(describe("release of an object that is not alive:", object));
    return;
  }
  if (--object->referenceCount > 0) return;
  Record record = it->second;
  _live.erase(it);
  destroy(object, record);
}

void ObjectRuntime::destroy(NPObject* object, const Record& record) {
  ++_deallocated;
  NPClass* aClass = object->_class;
  if (aClass != nullptr && aClass->deallocate != nullptr) {
    aClass->deallocate(object);
  } else if (record.browserAllocated) {
    std::free(object);
  } else {
    _faults.push_back(describe("object without deallocate left in the plug-in's memory:", object));
  }
}

std::size_t ObjectRuntime::livePluginObjects() const {
  std::size_t count = 0;
  for (const auto& entry : _live) count += entry.second.browserOwned ? 0 : 1;
  return count;
}

std::vector<NPObject*> ObjectRuntime::liveObjects() const {
  std::vector<NPObject*> out;
  for (const auto& entry : _live) out.push_back(const_cast<NPObject*>(entry.first));
  return out;
}

void ObjectRuntime::reclaimAll() {
  while (!_live.empty()) {
    auto it = _live.begin();
    auto* object = const_cast<NPObject*>(it->first);
    Record record = it->second;
    _live.erase(it);
    destroy(object, record);
  }
}

}  // namespace npapibrowser
