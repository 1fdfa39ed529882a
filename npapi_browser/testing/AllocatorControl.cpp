// Refusals and the freed-block watch.
#include "npapi_browser/testing/AllocatorControl.h"

#include <string_view>

namespace npapibrowser {

bool AllocatorControl::refuses(uint32_t size) {
  if (_refuseAll || (_limitSize && size > _largest) || (_countdown && _allowedBeforeRefusal == 0)) {
    ++_refusals;
    return true;
  }
  if (_countdown) --_allowedBeforeRefusal;
  return false;
}

void AllocatorControl::freeing(const void* block, std::size_t size) {
  if (_freeHook) _freeHook(block, size);
  if (!_watched.empty() && size >= _watched.size()) {
    std::string_view contents(static_cast<const char*>(block), size);
    if (contents.find(_watched) != std::string_view::npos) ++_watchHits;
  }
}

}  // namespace npapibrowser
