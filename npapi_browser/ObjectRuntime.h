// The browser's script objects as the stand-in browser plays them: creation through the class's
// allocate, counted references, deallocate at zero. Retains and releases of unknown or dead objects
// are recorded as faults and do nothing; creation can be made to fail on purpose.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "npapi/runtime.h"

namespace npapibrowser {

// A say in object creation, for whoever installs one.
class CreationGate {
 public:
  virtual ~CreationGate() = default;
  // Asked before every creation: true makes it answer null.
  virtual bool refusesCreation() = 0;
};

class ObjectRuntime {
 public:
  ObjectRuntime() = default;
  ObjectRuntime(const ObjectRuntime&) = delete;
  ObjectRuntime& operator=(const ObjectRuntime&) = delete;

  // A new object with one reference, or null (null class, allocate answered null, or the gate
  // refused). browserOwned marks the stand-in browser's own objects (the page's window object).
  NPObject* create(NPP npp, NPClass* aClass, bool browserOwned = false);
  NPObject* retain(NPObject* object);
  void release(NPObject* object);

  bool isLive(const NPObject* object) const { return _live.count(object) != 0; }
  std::size_t liveCount() const { return _live.size(); }
  // Live objects of the plug-in (not the stand-in browser's own).
  std::size_t livePluginObjects() const;
  std::vector<NPObject*> liveObjects() const;
  unsigned created() const { return _created; }
  unsigned deallocated() const { return _deallocated; }
  const std::vector<std::string>& faults() const { return _faults; }

  // The gate, or null for none; it must outlive its installation.
  void setCreationGate(CreationGate* gate) { _gate = gate; }

  // Deallocates every live object regardless of its count (shutdown, after the report).
  void reclaimAll();

 private:
  struct Record {
    NPP npp;
    bool browserAllocated;
    bool browserOwned;
  };
  void destroy(NPObject* object, const Record& record);
  std::unordered_map<const NPObject*, Record> _live;
  unsigned _created = 0;
  unsigned _deallocated = 0;
  CreationGate* _gate = nullptr;
  std::vector<std::string> _faults;
};

}  // namespace npapibrowser
