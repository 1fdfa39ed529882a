// Test fixture for the suites that drive the built plug-in module: loads it with dlopen into a
// fresh browser host (the module path comes from the compile definition SPW_MODULE), captures the
// system log, and at the end unloads it and expects the host's report to be clean (every block,
// object, layer and input-source reference given back, no fault). Helpers open pages the way a
// browser sets them up and make script calls through the browser table.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/Host.h"
#include "nativeui/InputSourceRegistry.h"
#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/NSLog.h"
#include "tests/support/capture_stdout.h"

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TISRegistry::reset();
    NSLogSetEchoToStandardError(false);
    NSLogSetCapture(true);
    NSLogClearCapturedLines();
    ASSERT_TRUE(host_.load(SPW_MODULE)) << host_.lastError();
  }

  void TearDown() override {
    if (host_.isLoaded()) {
      npapihost::HostReport report = host_.unload();
      EXPECT_TRUE(report.clean()) << report.text;
    }
    NSLogSetCapture(false);
    NSLogSetEchoToStandardError(true);
  }

  // A new instance; expects NPP_New to accept it unless told otherwise.
  npapihost::Page* openPage(const npapihost::PageOptions& options = npapihost::PageOptions()) {
    npapihost::Page* page = host_.openPage(options);
    EXPECT_NE(page, nullptr);
    return page;
  }

  // An instance set up as a browser does: a 300 by 24 window, the layer, the script object.
  npapihost::Page* openReadyPage() {
    const npapihost::ReadyPage ready = host_.openReadyPage(300, 24);
    EXPECT_TRUE(ready.ok()) << "refused at step " << static_cast<int>(ready.reached);
    return ready.page;
  }

  // A click into the instance: the mouse goes down, the page gives it the keyboard focus, the
  // mouse comes up.
  static void click(npapihost::Page* page) {
    page->mouse(NPCocoaEventMouseDown, 10, 10);
    page->focus(true);
    page->mouse(NPCocoaEventMouseUp, 10, 10);
  }

  NPIdentifier identifier(const char* name) {
    return host_.browserFuncs().getstringidentifier(name);
  }

  // NPN_Invoke on the page's script object; the caller releases the result
  // (releaseVariant) and so can hold several results at once.
  bool invokeRaw(npapihost::Page* page, const char* method, const std::vector<NPVariant>& args,
                 NPVariant* result) {
    NSAutoreleaseScope pool;
    return host_.browserFuncs().invoke(page->npp(), page->scriptObject(), identifier(method),
                                       args.empty() ? nullptr : args.data(),
                                       static_cast<uint32_t>(args.size()), result);
  }

  void releaseVariant(NPVariant* variant) { host_.browserFuncs().releasevariantvalue(variant); }

  // An exported function of the loaded module, looked up as a browser-independent caller would.
  template <class Function>
  Function moduleFunction(const char* name) {
    void* module = dlopen(SPW_MODULE, RTLD_NOW | RTLD_NOLOAD);
    if (module == nullptr) return nullptr;
    void* symbol = dlsym(module, name);
    dlclose(module);
    return reinterpret_cast<Function>(symbol);
  }

  npapihost::Host host_;
};
