// What a program may watch of the stand-in browser's work: every browser service the plug-in
// calls, the exceptions it sets, and for each page the variables it asks and sets, the rectangles
// it invalidates and the scripts it has the window object evaluate. The shipped programs install
// none (nothing is kept, however long a field is used); the tests' recorder
// (npapi_browser/testing/CallRecorder.h) keeps it all. Each call comes before the service answers.
#pragma once

#include <cstdint>
#include <string_view>

#include "npapi/all.h"

namespace npapibrowser {

class BrowserObserver {
 public:
  virtual ~BrowserObserver() = default;

  // A service of the browser table, by its field name ("getvalue", "memalloc").
  virtual void serviceCalled(const char* service) = 0;
  // NPN_SetException's message ("" for null).
  virtual void exceptionSet(const char* message) = 0;
  // NPN_GetValue and NPN_SetValue on a page's instance (value: the pointer-sized argument).
  virtual void valueAsked(NPP npp, NPNVariable variable) = 0;
  virtual void valueSet(NPP npp, NPPVariable variable, uintptr_t value) = 0;
  // NPN_InvalidateRect on a page's instance.
  virtual void rectInvalidated(NPP npp, const NPRect& rect) = 0;
  // A script given to the page's window object's "eval".
  virtual void scriptEvaluated(NPP npp, std::string_view script) = 0;
  // The page has closed; npp may be used again by a later page.
  virtual void pageClosed(NPP npp) = 0;
};

}  // namespace npapibrowser
