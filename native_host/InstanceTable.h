// The plug-in instances of one connection, keyed by the ids the extension chooses (one per field
// of a page), at most a set number at once. Opens pages in the stand-in browser and closes them
// with NPP_Destroy. Used by the dispatcher; knows nothing of the protocol.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

#include "npapi_browser/Browser.h"

namespace nativehost {

class InstanceTable {
 public:
  InstanceTable(npapibrowser::Browser& browser, std::size_t limit)
      : _browser(browser), _limit(limit) {}
  ~InstanceTable() { closeAll(); }
  InstanceTable(const InstanceTable&) = delete;
  InstanceTable& operator=(const InstanceTable&) = delete;

  std::size_t size() const { return _pages.size(); }
  std::size_t limit() const { return _limit; }
  bool full() const { return _pages.size() >= _limit; }
  // The page under id, or null.
  npapibrowser::Page* find(std::string_view id) const;

  // NPP_New for a new page kept under id, which must be free, with the table not full. The page
  // is kept even when NPP_New refused (see Page::newResult); null only when the host has no
  // module.
  npapibrowser::Page* open(std::string_view id, const npapibrowser::PageOptions& options);
  // NPP_Destroy and the page is gone; an unknown id does nothing.
  void close(std::string_view id);
  void closeAll();

 private:
  npapibrowser::Browser& _browser;
  std::size_t _limit;
  std::map<std::string, npapibrowser::Page*, std::less<>> _pages;
};

}  // namespace nativehost
