// Test fixture for the suites that drive the built plug-in module: loads it with dlopen into a
// fresh stand-in browser (the module path comes from the compile definition SPW_MODULE), captures
// the system log, and at the end unloads it and expects the stand-in browser's report to be clean
// (every block, object, layer and input-source reference given back, no fault). Helpers open pages
// the way a browser sets them up and make script calls through the browser table.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nativeui/InputSourceRegistry.h"
#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/NSLog.h"
#include "npapi_browser/testing/TestBrowser.h"
#include "tests/support/capture_stdout.h"

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TISRegistry::reset();
    NSLogSetEchoToStandardError(false);
    NSLogSetCapture(true);
    NSLogClearCapturedLines();
    ASSERT_TRUE(browser_.load(SPW_MODULE)) << browser_.lastError();
  }

  void TearDown() override {
    if (browser_.isLoaded()) {
      npapibrowser::UnloadReport report = browser_.unload();
      EXPECT_TRUE(report.clean()) << report.text;
    }
    NSLogSetCapture(false);
    NSLogSetEchoToStandardError(true);
  }

  // A new instance; expects NPP_New to accept it unless told otherwise.
  npapibrowser::Page* openPage(
      const npapibrowser::PageOptions& options = npapibrowser::TestPageOptions()) {
    npapibrowser::Page* page = browser_.openPage(options);
    EXPECT_NE(page, nullptr);
    return page;
  }

  // An instance set up as a browser does: a 300 by 24 window, the layer, the script object.
  npapibrowser::Page* openReadyPage() {
    const npapibrowser::ReadyPage ready = browser_.openReadyPage(300, 24);
    EXPECT_TRUE(ready.ok()) << "refused at step " << static_cast<int>(ready.reached);
    return ready.page;
  }

  // A click into the instance: the mouse goes down, the page gives it the keyboard focus, the
  // mouse comes up.
  static void click(npapibrowser::Page* page) {
    page->mouse(NPCocoaEventMouseDown, 10, 10);
    page->focus(true);
    page->mouse(NPCocoaEventMouseUp, 10, 10);
  }

  NPIdentifier identifier(const char* name) {
    return browser_.browserFuncs().getstringidentifier(name);
  }

  // NPN_Invoke on the page's script object; the caller releases the result
  // (releaseVariant) and so can hold several results at once.
  bool invokeRaw(npapibrowser::Page* page, const char* method, const std::vector<NPVariant>& args,
                 NPVariant* result) {
    NSAutoreleaseScope pool;
    return browser_.browserFuncs().invoke(page->npp(), page->scriptObject(), identifier(method),
                                          args.empty() ? nullptr : args.data(),
                                          static_cast<uint32_t>(args.size()), result);
  }

  void releaseVariant(NPVariant* variant) { browser_.browserFuncs().releasevariantvalue(variant); }

  // An exported function of the loaded module, looked up as a browser-independent caller would.
  template <class Function>
  Function moduleFunction(const char* name) {
    void* module = dlopen(SPW_MODULE, RTLD_NOW | RTLD_NOLOAD);
    if (module == nullptr) return nullptr;
    void* symbol = dlsym(module, name);
    dlclose(module);
    return reinterpret_cast<Function>(symbol);
  }

  npapibrowser::TestBrowser browser_;
};
