// The tests' observer of the stand-in browser: counts the services the plug-in calls, keeps the
// messages it sets as exceptions, and for each open page the variables it asks and sets, the
// rectangles it invalidates and the scripts its window object evaluates. A page's record goes when
// the page closes. Installed by TestBrowser.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "npapi/all.h"
#include "npapi_browser/BrowserObserver.h"

namespace npapibrowser {

struct SetValueCall {
  NPPVariable variable;
  uintptr_t value;  // the pointer-sized argument as passed
};

// What the plug-in asked of the browser for one page.
struct PageRecord {
  std::vector<NPNVariable> getValueRequests;
  std::vector<SetValueCall> setValueCalls;
  std::vector<NPRect> invalidatedRects;
  std::vector<std::string> evaluatedScripts;
};

class CallRecorder : public BrowserObserver {
 public:
  // Calls of one service, by table field name ("getvalue", "memalloc").
  unsigned calls(const std::string& service) const;
  void resetCalls() { _calls.clear(); }
  const std::vector<std::string>& exceptions() const { return _exceptions; }
  // The record of an open page's instance (empty when it asked nothing).
  const PageRecord& page(NPP npp) const;

  void serviceCalled(const char* service) override { ++_calls[service]; }
  void exceptionSet(const char* message) override { _exceptions.emplace_back(message); }
  void valueAsked(NPP npp, NPNVariable variable) override;
  void valueSet(NPP npp, NPPVariable variable, uintptr_t value) override;
  void rectInvalidated(NPP npp, const NPRect& rect) override;
  void scriptEvaluated(NPP npp, std::string_view script) override;
  void pageClosed(NPP npp) override { _pages.erase(npp); }

 private:
  std::map<std::string, unsigned, std::less<>> _calls;
  std::vector<std::string> _exceptions;
  std::map<NPP, PageRecord> _pages;
};

}  // namespace npapibrowser
