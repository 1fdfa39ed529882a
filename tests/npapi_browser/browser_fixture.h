// Test fixture for the stand-in browser tests: keeps the test module mapped across the stand-in
// browser's dlclose (so the module's record of what happened can still be read after unload),
// resets that record, and loads the module into a fresh browser.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "nativeui/InputSourceRegistry.h"
#include "npapi_browser/testing/TestBrowser.h"
#include "tests/npapi_browser/test_module_state.h"

class StandInBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TISRegistry::reset();
    keep_ = dlopen(TEST_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(keep_, nullptr) << dlerror();
    auto stateOf = reinterpret_cast<TestModuleStateFunc>(dlsym(keep_, "testmodule_state"));
    ASSERT_NE(stateOf, nullptr);
    module_ = stateOf();
    *module_ = TestModuleState{};
    ASSERT_TRUE(browser_.load(TEST_MODULE)) << browser_.lastError();
  }
  void TearDown() override {
    browser_.unload();
    if (keep_ != nullptr) dlclose(keep_);
  }

  npapibrowser::Page* openPage(
      const npapibrowser::PageOptions& options = npapibrowser::TestPageOptions()) {
    npapibrowser::Page* page = browser_.openPage(options);
    EXPECT_NE(page, nullptr);
    return page;
  }

  npapibrowser::TestBrowser browser_;
  TestModuleState* module_ = nullptr;
  void* keep_ = nullptr;
};
