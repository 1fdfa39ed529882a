// The connection's instances.
#include "bridge/InstanceTable.h"

namespace bridge {

npapihost::Page* InstanceTable::find(std::string_view id) const {
  auto it = _pages.find(id);
  return it == _pages.end() ? nullptr : it->second;
}

npapihost::Page* InstanceTable::open(std::string_view id, const npapihost::PageOptions& options) {
  if (find(id) != nullptr || full()) return nullptr;
  npapihost::Page* page = _host.openPage(options);
  if (page != nullptr) _pages.emplace(std::string(id), page);
  return page;
}

void InstanceTable::close(std::string_view id) {
  auto it = _pages.find(id);
  if (it == _pages.end()) return;
  npapihost::Page* page = it->second;
  _pages.erase(it);
  _host.closePage(page);
}

void InstanceTable::closeAll() {
  while (!_pages.empty()) close(_pages.begin()->first);
}

}  // namespace bridge
