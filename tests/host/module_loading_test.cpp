// Loading a separately built module: entry-point order, the tables handed over and taken back,
// and every way a module can fail to load, each reported as text.
#include <cstring>

#include "tests/host/host_fixture.h"

using npapihost::Host;

namespace {

void* slotAt(const void* table, std::size_t offset) {
  void* slot = nullptr;
  std::memcpy(&slot, static_cast<const char*>(table) + offset, sizeof slot);
  return slot;
}

}  // namespace

TEST_F(HostTest, CallsInitializeBeforeGetEntryPointsWithPresetTables) {
  EXPECT_EQ(module_->initializeCalls, 1);
  EXPECT_EQ(module_->getEntryPointsCalls, 1);
  EXPECT_TRUE(module_->entryPointsAfterInitialize);
  EXPECT_EQ(module_->browserSize, 448);
  EXPECT_EQ(module_->browserVersion, 0x001D);
  EXPECT_EQ(module_->presetSize, 160);
  EXPECT_EQ(module_->presetVersion, 0x001D);
}

TEST_F(HostTest, EveryBrowserSlotIsFilled) {
  const NPNetscapeFuncs& table = host_.browserFuncs();
  for (std::size_t offset = 8; offset < sizeof table; offset += sizeof(void*)) {
    EXPECT_NE(slotAt(&table, offset), nullptr) << "slot at offset " << offset;
  }
}

TEST_F(HostTest, SlotsThePluginDidNotFillKeepTheirPresetValues) {
  NPPluginFuncs preset = Host::presetPluginFuncs();
  const NPPluginFuncs& taken = host_.pluginFuncs();
  EXPECT_NE(preset.javaClass, nullptr);
  EXPECT_EQ(taken.javaClass, preset.javaClass);
  for (std::size_t offset = offsetof(NPPluginFuncs, gotfocus); offset < sizeof preset;
       offset += sizeof(void*)) {
    EXPECT_NE(slotAt(&preset, offset), nullptr);
    EXPECT_EQ(slotAt(&taken, offset), slotAt(&preset, offset)) << "slot at offset " << offset;
  }
  EXPECT_EQ(taken.version, 8);
}

TEST_F(HostTest, UnloadCallsShutdownOnce) {
  host_.unload();
  EXPECT_FALSE(host_.isLoaded());
  EXPECT_EQ(module_->shutdownCalls, 1);
  EXPECT_EQ(host_.shutdownResult(), NPERR_NO_ERROR);
  host_.unload();
  EXPECT_EQ(module_->shutdownCalls, 1);
}

TEST_F(HostTest, OnlyOneHostLoadsAModuleAtATime) {
  Host second;
  EXPECT_FALSE(second.load(TEST_MODULE));
  EXPECT_NE(second.lastError().find("another host"), std::string::npos) << second.lastError();
  EXPECT_FALSE(host_.load(TEST_MODULE));
  EXPECT_NE(host_.lastError().find("already loaded"), std::string::npos);
}

TEST(ModuleLoading, MissingFileIsReportedNotFatal) {
  Host host;
  EXPECT_FALSE(host.load("/nonexistent/plugin.so"));
  EXPECT_NE(host.lastError().find("cannot open module /nonexistent/plugin.so"), std::string::npos)
      << host.lastError();
  EXPECT_EQ(Host::active(), nullptr);
}

TEST(ModuleLoading, LibraryWithoutEntryPointsIsRefused) {
  Host host;
  EXPECT_FALSE(host.load(NATIVEUI_LIBRARY));
  EXPECT_NE(host.lastError().find("does not export NP_Initialize"), std::string::npos)
      << host.lastError();
}

TEST(ModuleLoading, ModuleMissingGetEntryPointsIsRefused) {
  Host host;
  EXPECT_FALSE(host.load(TEST_MODULE_NO_ENTRY_POINTS));
  EXPECT_NE(host.lastError().find("does not export NP_GetEntryPoints"), std::string::npos)
      << host.lastError();
  EXPECT_FALSE(host.isLoaded());
}

TEST(ModuleLoading, InitializeErrorIsReportedAndModuleClosed) {
  Host host;
  EXPECT_FALSE(host.load(TEST_MODULE_FAIL_INITIALIZE));
  EXPECT_EQ(host.initializeResult(), NPERR_MODULE_LOAD_FAILED_ERROR);
  EXPECT_NE(host.lastError().find("NP_Initialize answered error 4"), std::string::npos);
  EXPECT_EQ(Host::active(), nullptr);
  // A failed load leaves the host usable.
  EXPECT_TRUE(host.load(TEST_MODULE)) << host.lastError();
}

TEST(ModuleLoading, TableWithAnotherMajorVersionIsRefusedAfterShutdown) {
  Host host;
  EXPECT_FALSE(host.load(TEST_MODULE_BAD_VERSION));
  EXPECT_NE(host.lastError().find("major version"), std::string::npos) << host.lastError();
  EXPECT_EQ(host.shutdownResult(), NPERR_NO_ERROR);
  EXPECT_FALSE(host.isLoaded());
}
