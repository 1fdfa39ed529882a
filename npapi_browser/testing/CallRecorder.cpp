// The tests' observer: counts and per-page records.
#include "npapi_browser/testing/CallRecorder.h"

namespace npapibrowser {

unsigned CallRecorder::calls(const std::string& service) const {
  auto it = _calls.find(service);
  return it == _calls.end() ? 0 : it->second;
}

const PageRecord& CallRecorder::page(NPP npp) const {
  static const PageRecord kNothing;
  auto it = _pages.find(npp);
  return it == _pages.end() ? kNothing : it->second;
}

void CallRecorder::valueAsked(NPP npp, NPNVariable variable) {
  _pages[npp].getValueRequests.push_back(variable);
}

void CallRecorder::valueSet(NPP npp, NPPVariable variable, uintptr_t value) {
  _pages[npp].setValueCalls.push_back(SetValueCall{variable, value});
}

void CallRecorder::rectInvalidated(NPP npp, const NPRect& rect) {
  _pages[npp].invalidatedRects.push_back(rect);
}

void CallRecorder::scriptEvaluated(NPP npp, std::string_view script) {
  _pages[npp].evaluatedScripts.emplace_back(script);
}

}  // namespace npapibrowser
