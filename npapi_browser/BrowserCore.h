// What the stand-in browser's pages, its window objects and its service table share while a
// module is loaded: the allocator, the identifiers, the script objects, the plug-in's function
// table, the observer (if any) and the open pages by instance. A Browser owns one and makes it the
// active one while its module is loaded; the table's services (BrowserServices.cpp), which carry
// no browser of their own, reach it through active(). Pages register themselves for their life.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "npapi/all.h"
#include "npapi_browser/BrowserAllocator.h"
#include "npapi_browser/BrowserObserver.h"
#include "npapi_browser/Identifiers.h"
#include "npapi_browser/ObjectRuntime.h"

namespace npapibrowser {

class Page;

class BrowserCore {
 public:
  BrowserCore() = default;
  BrowserCore(const BrowserCore&) = delete;
  BrowserCore& operator=(const BrowserCore&) = delete;

  BrowserAllocator allocator;
  Identifiers identifiers;
  ObjectRuntime objects;
  NPPluginFuncs plugin{};               // the plug-in's table after NP_GetEntryPoints
  BrowserObserver* observer = nullptr;  // null: nothing is watched

  // Whether the plug-in's table reaches the entry at offset and the entry is set.
  bool hasPluginEntry(std::size_t offset) const;

  // NPN_ReleaseVariantValue: frees string bytes with the allocator, releases an object, and
  // leaves the variant void.
  void releaseVariantValue(NPVariant* variant);

  // The open pages, in the order they were opened; the page of an instance, or null.
  void addPage(NPP npp, Page* page) { _pages.emplace_back(npp, page); }
  void removePage(NPP npp);
  Page* pageFor(NPP npp) const;
  bool hasPages() const { return !_pages.empty(); }
  Page* lastPage() const { return _pages.empty() ? nullptr : _pages.back().second; }

  // The core of the loaded module in this process, or null.
  static BrowserCore* active();
  static void setActive(BrowserCore* core);

 private:
  std::vector<std::pair<NPP, Page*>> _pages;
};

}  // namespace npapibrowser
