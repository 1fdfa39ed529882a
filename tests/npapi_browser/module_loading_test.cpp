// Loading a separately built module: entry-point order, the tables handed over and taken back,
// and every way a module can fail to load, each reported as text.
#include <cstring>

#include "tests/npapi_browser/browser_fixture.h"

using npapibrowser::Browser;
using npapibrowser::TestBrowser;

namespace {

void* slotAt(const void* table, std::size_t offset) {
  void* slot = nullptr;
  std::memcpy(&slot, static_cast<const char*>(table) + offset, sizeof slot);
  return slot;
}

}  // namespace

TEST_F(StandInBrowserTest, CallsInitializeBeforeGetEntryPointsWithPresetTables) {
  EXPECT_EQ(module_->initializeCalls, 1);
  EXPECT_EQ(module_->getEntryPointsCalls, 1);
  EXPECT_TRUE(module_->entryPointsAfterInitialize);
  EXPECT_EQ(module_->browserSize, 448);
  EXPECT_EQ(module_->browserVersion, 0x001D);
  EXPECT_EQ(module_->presetSize, 160);
  EXPECT_EQ(module_->presetVersion, 0x001D);
}

TEST_F(StandInBrowserTest, EveryBrowserSlotIsFilled) {
  const NPNetscapeFuncs& table = browser_.browserFuncs();
  for (std::size_t offset = 8; offset < sizeof table; offset += sizeof(void*)) {
    EXPECT_NE(slotAt(&table, offset), nullptr) << "slot at offset " << offset;
  }
}

TEST_F(StandInBrowserTest, SlotsThePluginDidNotFillKeepTheirPresetValues) {
  NPPluginFuncs preset = Browser::presetPluginFuncs();
  const NPPluginFuncs& taken = browser_.pluginFuncs();
  EXPECT_NE(preset.javaClass, nullptr);
  EXPECT_EQ(taken.javaClass, preset.javaClass);
  for (std::size_t offset = offsetof(NPPluginFuncs, gotfocus); offset < sizeof preset;
       offset += sizeof(void*)) {
    EXPECT_NE(slotAt(&preset, offset), nullptr);
    EXPECT_EQ(slotAt(&taken, offset), slotAt(&preset, offset)) << "slot at offset " << offset;
  }
  EXPECT_EQ(taken.version, 8);
}

TEST_F(StandInBrowserTest, UnloadCallsShutdownOnce) {
  browser_.unload();
  EXPECT_FALSE(browser_.isLoaded());
  EXPECT_EQ(module_->shutdownCalls, 1);
  EXPECT_EQ(browser_.shutdownResult(), NPERR_NO_ERROR);
  browser_.unload();
  EXPECT_EQ(module_->shutdownCalls, 1);
}

TEST_F(StandInBrowserTest, OnlyOneHostLoadsAModuleAtATime) {
  TestBrowser second;
  EXPECT_FALSE(second.load(TEST_MODULE));
  EXPECT_NE(second.lastError().find("another browser"), std::string::npos) << second.lastError();
  EXPECT_FALSE(browser_.load(TEST_MODULE));
  EXPECT_NE(browser_.lastError().find("already loaded"), std::string::npos);
}

TEST(ModuleLoading, MissingFileIsReportedNotFatal) {
  TestBrowser browser;
  EXPECT_FALSE(browser.load("/nonexistent/plugin.so"));
  EXPECT_NE(browser.lastError().find("cannot open module /nonexistent/plugin.so"),
            std::string::npos)
      << browser.lastError();
  EXPECT_EQ(Browser::active(), nullptr);
}

TEST(ModuleLoading, LibraryWithoutEntryPointsIsRefused) {
  TestBrowser browser;
  EXPECT_FALSE(browser.load(NATIVEUI_LIBRARY));
  EXPECT_NE(browser.lastError().find("does not export NP_Initialize"), std::string::npos)
      << browser.lastError();
}

TEST(ModuleLoading, ModuleMissingGetEntryPointsIsRefused) {
  TestBrowser browser;
  EXPECT_FALSE(browser.load(TEST_MODULE_NO_ENTRY_POINTS));
  EXPECT_NE(browser.lastError().find("does not export NP_GetEntryPoints"), std::string::npos)
      << browser.lastError();
  EXPECT_FALSE(browser.isLoaded());
}

TEST(ModuleLoading, InitializeErrorIsReportedAndModuleClosed) {
  TestBrowser browser;
  EXPECT_FALSE(browser.load(TEST_MODULE_FAIL_INITIALIZE));
  EXPECT_EQ(browser.initializeResult(), NPERR_MODULE_LOAD_FAILED_ERROR);
  EXPECT_NE(browser.lastError().find("NP_Initialize answered error 4"), std::string::npos);
  EXPECT_EQ(Browser::active(), nullptr);
  // A failed load leaves the stand-in browser usable.
  EXPECT_TRUE(browser.load(TEST_MODULE)) << browser.lastError();
}

TEST(ModuleLoading, TableWithAnotherMajorVersionIsRefusedAfterShutdown) {
  TestBrowser browser;
  EXPECT_FALSE(browser.load(TEST_MODULE_BAD_VERSION));
  EXPECT_NE(browser.lastError().find("major version"), std::string::npos) << browser.lastError();
  EXPECT_EQ(browser.shutdownResult(), NPERR_NO_ERROR);
  EXPECT_FALSE(browser.isLoaded());
}
