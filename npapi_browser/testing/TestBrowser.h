// The stand-in browser as the tests use it: a Browser with the call recorder installed as its
// observer, the allocator's refusals and freed-block watch, object creations that fail on
// purpose, and pages that open with the test MIME type unless told otherwise. Used by the test
// suites, the fuzz targets and their fixtures; never by a shipped program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "npapi_browser/Browser.h"
#include "npapi_browser/testing/AllocatorControl.h"
#include "npapi_browser/testing/CallRecorder.h"
#include "npapi_browser/testing/ObjectControl.h"

namespace npapibrowser {

// The MIME type the tests' pages embed by default.
inline constexpr const char* kTestMimeType = "application/x-npapihost-test";

// Page options with the test MIME type.
PageOptions TestPageOptions();

class TestBrowser : public Browser {
 public:
  TestBrowser();
  ~TestBrowser();  // unloads while the controls are still installed

  // As Browser's, with the test page options by default.
  Page* openPage(const PageOptions& options = TestPageOptions()) {
    return Browser::openPage(options);
  }
  [[nodiscard]] ReadyPage openReadyPage(uint32_t width, uint32_t height,
                                        const PageOptions& options = TestPageOptions()) {
    return Browser::openReadyPage(width, height, options);
  }

  AllocatorControl& allocatorControl() { return _allocatorControl; }
  ObjectControl& objectControl() { return _objectControl; }

  // Calls the plug-in made to one browser service, by table field name ("getvalue", "memalloc").
  unsigned calls(const std::string& service) const { return _recorder.calls(service); }
  void resetCalls() { _recorder.resetCalls(); }
  // Messages given to NPN_SetException.
  const std::vector<std::string>& exceptions() const { return _recorder.exceptions(); }
  // What the plug-in asked of the browser for an open page.
  const PageRecord& recorded(Page* page) const { return _recorder.page(page->npp()); }

 private:
  CallRecorder _recorder;
  AllocatorControl _allocatorControl;
  ObjectControl _objectControl;
};

}  // namespace npapibrowser
