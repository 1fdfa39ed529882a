// The input-source registry.
#include "nativeui/InputSourceRegistry.h"

#include <algorithm>

namespace {

struct Registry {
  std::vector<TISInputSource*> sources;  // one reference each
  TISInputSource* current = nullptr;
  TISInputSource* lastASCIICapable = nullptr;
  TISListBehaviour list = TISListBehaviour::Normal;
  TISCallCounts counts;
  std::vector<std::string> selections;
  long outstanding = 0;
  bool initialised = false;

  ~Registry() { drop(); }
  void drop() {
    for (TISInputSource* source : sources) source->release();
    sources.clear();
    current = lastASCIICapable = nullptr;
  }
};

Registry& registry();

TISInputSource* find(const std::string& sourceID) {
  for (TISInputSource* source : registry().sources) {
    if (source->sourceID() == sourceID) return source;
  }
  return nullptr;
}

void makeCurrent(TISInputSource* source) {
  Registry& r = registry();
  r.current = source;
  if (source != nullptr && source->isASCIICapable()) r.lastASCIICapable = source;
}

}  // namespace

namespace {
Registry& registry() {
  static Registry instance;
  if (!instance.initialised) {
    instance.initialised = true;
    TISRegistry::reset();
  }
  return instance;
}
}  // namespace

void TISRegistry::clear() {
  Registry& r = registry();
  r.drop();
  r.list = TISListBehaviour::Normal;
  r.selections.clear();
  r.outstanding = 0;
  r.counts = TISCallCounts{};
}

void TISRegistry::reset() {
  clear();
  addSource("com.apple.keylayout.US", true);
  setCurrent("com.apple.keylayout.US");
}

void TISRegistry::addSource(const std::string& sourceID, bool asciiCapable) {
  if (find(sourceID) != nullptr) return;
  TISInputSource* source = new (std::nothrow) TISInputSource(sourceID, asciiCapable);
  if (source != nullptr) registry().sources.push_back(source);
}

bool TISRegistry::setCurrent(const std::string& sourceID) {
  TISInputSource* source = find(sourceID);
  if (source == nullptr) return false;
  makeCurrent(source);
  return true;
}

std::string TISRegistry::currentID() {
  TISInputSource* current = registry().current;
  return current != nullptr ? current->sourceID() : std::string();
}

void TISRegistry::setSelectFails(const std::string& sourceID, bool fails) {
  if (TISInputSource* source = find(sourceID)) source->_selectFails = fails;
}

void TISRegistry::setListBehaviour(TISListBehaviour behaviour) { registry().list = behaviour; }

TISCallCounts TISRegistry::counts() { return registry().counts; }
void TISRegistry::resetCounts() { registry().counts = TISCallCounts{}; }
std::vector<std::string> TISRegistry::selections() { return registry().selections; }
long TISRegistry::outstandingReferences() { return registry().outstanding; }

TISInputSource* TISRegistry::currentASCIICapable() {
  Registry& r = registry();
  if (r.current != nullptr && r.current->isASCIICapable()) return r.current;
  return r.lastASCIICapable;
}

TISCallCounts& TISRegistry::mutableCounts() { return registry().counts; }

bool TISRegistry::select(TISInputSource* source) {
  if (source->_selectFails) return false;
  makeCurrent(source);
  registry().selections.push_back(source->sourceID());
  return true;
}

std::vector<TISInputSource*> TISRegistry::asciiCapableSources() {
  std::vector<TISInputSource*> out;
  for (TISInputSource* source : registry().sources) {
    if (source->isASCIICapable()) out.push_back(source);
  }
  return out;
}

TISListBehaviour TISRegistry::listBehaviour() { return registry().list; }

bool TISRegistry::owns(const NSObject* object) {
  const auto& sources = registry().sources;
  return std::find(sources.begin(), sources.end(), object) != sources.end();
}

void TISRegistry::handedOut(long delta) { registry().outstanding += delta; }
