// Test fixture for the host tests: keeps the test module mapped across the host's dlclose (so the
// module's record of what happened can still be read after unload), resets that record, and loads
// the module into a fresh host.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "host/Host.h"
#include "nativeui/InputSourceRegistry.h"
#include "tests/host/test_module_state.h"

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TISRegistry::reset();
    keep_ = dlopen(TEST_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(keep_, nullptr) << dlerror();
    auto stateOf = reinterpret_cast<TestModuleStateFunc>(dlsym(keep_, "testmodule_state"));
    ASSERT_NE(stateOf, nullptr);
    module_ = stateOf();
    *module_ = TestModuleState{};
    ASSERT_TRUE(host_.load(TEST_MODULE)) << host_.lastError();
  }
  void TearDown() override {
    host_.unload();
    if (keep_ != nullptr) dlclose(keep_);
  }

  npapihost::Page* openPage(const npapihost::PageOptions& options = npapihost::PageOptions()) {
    npapihost::Page* page = host_.openPage(options);
    EXPECT_NE(page, nullptr);
    return page;
  }

  npapihost::Host host_;
  TestModuleState* module_ = nullptr;
  void* keep_ = nullptr;
};
