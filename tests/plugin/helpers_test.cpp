// The two helpers nothing in the plug-in calls, ensureVersion and getCurrentUrl, linked here from
// the shell's library (the module keeps them private) and run against a live page of the
// browser, whose window object answers "eval" with the page's location.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/NSBundle.h"
#include "nativeui/NSString.h"
#include "shell/main.h"
#include "tests/support/plugin_fixture.h"

namespace {

class Helpers : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    // This copy of the shell talks to the same browser as the loaded module.
    NP_Initialize(const_cast<NPNetscapeFuncs*>(&browser_.browserFuncs()));
  }
  void TearDown() override {
    NSBundle::setMainInfoValue(kCFBundleVersionKey, nullptr);
    PluginTest::TearDown();
  }
};

TEST_F(Helpers, GetCurrentUrlEvaluatesTheLocationAndTracesIt) {
  npapibrowser::PageOptions options = npapibrowser::TestPageOptions();
  options.location = "https://bank.example/login?x=1";
  npapibrowser::Page* page = openPage(options);
  NSAutoreleaseScope pool;
  NSString* location = nullptr;
  std::string out = capturedStdout([&] { location = getCurrentUrl(page->npp()); });
  EXPECT_EQ(out, "window.location = https://bank.example/login?x=1");
  ASSERT_NE(location, nullptr);
  EXPECT_STREQ(location->UTF8String(), "https://bank.example/login?x=1");
  ASSERT_EQ(browser_.recorded(page).evaluatedScripts.size(), 1u);
  EXPECT_EQ(browser_.recorded(page).evaluatedScripts[0],
            "(function(){return window.location.href;\n})();");
  EXPECT_EQ(browser_.recorded(page).evaluatedScripts[0].size(), 46u);
}

TEST_F(Helpers, GetCurrentUrlWithoutALocationAnswersNil) {
  npapibrowser::PageOptions options = npapibrowser::TestPageOptions();
  options.hasLocation = false;
  npapibrowser::Page* page = openPage(options);
  NSAutoreleaseScope pool;
  NSString* location = reinterpret_cast<NSString*>(0x1);
  std::string out = capturedStdout([&] { location = getCurrentUrl(page->npp()); });
  EXPECT_EQ(location, nullptr);
  EXPECT_EQ(out, "");
  EXPECT_EQ(browser_.recorded(page).evaluatedScripts.size(), 1u);
  // A page without a window object: nothing to evaluate, nothing to release.
  NPP_t stranger{};
  EXPECT_EQ(getCurrentUrl(&stranger), nullptr);
}

TEST_F(Helpers, EnsureVersionComparesTheBundleVersionAsANumber) {
  NSAutoreleaseScope pool;
  NSBundle::setMainInfoValue(kCFBundleVersionKey, "10.6");
  EXPECT_TRUE(ensureVersion("10.5"));
  EXPECT_TRUE(ensureVersion("10.6"));
  EXPECT_FALSE(ensureVersion("10.7"));
  EXPECT_FALSE(ensureVersion("nan"));
  EXPECT_FALSE(ensureVersion(nullptr));
  NSBundle::setMainInfoValue(kCFBundleVersionKey, "nan");
  EXPECT_FALSE(ensureVersion("0"));
  NSBundle::setMainInfoValue(kCFBundleVersionKey, nullptr);  // no version: counts as 0
  EXPECT_TRUE(ensureVersion("0"));
  EXPECT_FALSE(ensureVersion("0.1"));
}

}  // namespace
