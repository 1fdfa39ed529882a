// The connection's instances.
#include "native_host/InstanceTable.h"

namespace nativehost {

npapibrowser::Page* InstanceTable::find(std::string_view id) const {
  auto it = _pages.find(id);
  return it == _pages.end() ? nullptr : it->second;
}

npapibrowser::Page* InstanceTable::open(std::string_view id,
                                        const npapibrowser::PageOptions& options) {
  if (find(id) != nullptr || full()) return nullptr;
  npapibrowser::Page* page = _browser.openPage(options);
  if (page != nullptr) _pages.emplace(std::string(id), page);
  return page;
}

void InstanceTable::close(std::string_view id) {
  auto it = _pages.find(id);
  if (it == _pages.end()) return;
  npapibrowser::Page* page = it->second;
  _pages.erase(it);
  _browser.closePage(page);
}

void InstanceTable::closeAll() {
  while (!_pages.empty()) close(_pages.begin()->first);
}

}  // namespace nativehost
