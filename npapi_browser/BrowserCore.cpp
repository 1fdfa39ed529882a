// The shared parts of a loaded module's browser: plug-in entries, variants and the page registry.
#include "npapi_browser/BrowserCore.h"

#include <algorithm>
#include <cstring>

namespace npapibrowser {

namespace {
BrowserCore* gActive = nullptr;
}  // namespace

BrowserCore* BrowserCore::active() { return gActive; }
void BrowserCore::setActive(BrowserCore* core) { gActive = core; }

bool BrowserCore::hasPluginEntry(std::size_t offset) const {
  if (plugin.size < offset + sizeof(void*)) return false;
  void* entry = nullptr;
  std::memcpy(&entry, reinterpret_cast<const char*>(&plugin) + offset, sizeof entry);
  return entry != nullptr;
}

void BrowserCore::releaseVariantValue(NPVariant* variant) {
  if (variant == nullptr) return;
  if (variant->type == NPVariantType_String) {
    allocator.free(const_cast<NPUTF8*>(variant->value.stringValue.UTF8Characters));
  } else if (variant->type == NPVariantType_Object) {
    objects.release(variant->value.objectValue);
  }
  VOID_TO_NPVARIANT(*variant);
}

void BrowserCore::removePage(NPP npp) {
  auto it = std::find_if(_pages.begin(), _pages.end(),
                         [npp](const auto& entry) { return entry.first == npp; });
  if (it != _pages.end()) _pages.erase(it);
}

Page* BrowserCore::pageFor(NPP npp) const {
  if (npp == nullptr) return nullptr;
  for (const auto& entry : _pages) {
    if (entry.first == npp) return entry.second;
  }
  return nullptr;
}

}  // namespace npapibrowser
