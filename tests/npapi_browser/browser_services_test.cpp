// The browser services as the plug-in relies on them, driven from inside the test module: the
// allocator and its faults, identifiers, script objects and their references, variants, the
// window object, and the services nobody should call.
#include <cstring>

#include "tests/npapi_browser/browser_fixture.h"

using npapibrowser::Browser;
using npapibrowser::Page;
using npapibrowser::ScriptResult;
using npapibrowser::StringArgument;
using npapibrowser::TestBrowser;

namespace {

// A class defined by the test: its invoke drops the caller's only reference in mid-call and
// records whether the object was still alive when the call ended.
struct Probe {
  NPObject header;
  bool inCall;
};
bool gDeallocatedDuringCall = false;
int gProbeDeallocations = 0;
NPObject* probeAllocate(NPP, NPClass*) { return static_cast<NPObject*>(calloc(1, sizeof(Probe))); }
void probeDeallocate(NPObject* object) {
  if (reinterpret_cast<Probe*>(object)->inCall) gDeallocatedDuringCall = true;
  ++gProbeDeallocations;
  free(object);
}
bool probeInvoke(NPObject* object, NPIdentifier, const NPVariant*, uint32_t, NPVariant*) {
  reinterpret_cast<Probe*>(object)->inCall = true;
  npapibrowser::Browser::active()->objects().release(object);  // the page's last reference goes
  reinterpret_cast<Probe*>(object)->inCall = false;
  return true;
}
NPClass gProbeClass = {NP_CLASS_STRUCT_VERSION,
                       probeAllocate,
                       probeDeallocate,
                       nullptr,
                       nullptr,
                       probeInvoke,
                       nullptr,
                       nullptr,
                       nullptr,
                       nullptr,
                       nullptr,
                       nullptr,
                       nullptr};

}  // namespace

class BrowserServicesTest : public StandInBrowserTest {
 protected:
  void SetUp() override {
    StandInBrowserTest::SetUp();
    page_ = openPage();
    ASSERT_EQ(page_->newResult(), NPERR_NO_ERROR);
    ASSERT_NE(page_->scriptObject(), nullptr);
  }
  ScriptResult call(const std::string& method, const std::vector<std::string>& args = {}) {
    std::vector<NPVariant> variants;
    for (const std::string& arg : args) variants.push_back(StringArgument(arg));
    return page_->invoke(method, variants);
  }
  Page* page_ = nullptr;
};

// ---- Allocator -------------------------------------------------------------------------------

TEST_F(BrowserServicesTest, ResultStringsAreAllocatorBlocksFreedByTheHost) {
  std::size_t before = browser_.allocator().liveBlocks();
  ScriptResult result = call("echo", {"hello"});
  EXPECT_TRUE(result.isString("hello"));
  EXPECT_EQ(result.stringBlockSize, 6u);
  EXPECT_EQ(browser_.allocator().liveBlocks(), before);
  EXPECT_EQ(browser_.allocator().doubleFrees() + browser_.allocator().invalidFrees(), 0u);
}

TEST_F(BrowserServicesTest, LeakedBlockIsReportedOnUnload) {
  EXPECT_TRUE(call("leakBlock", {"32"}).ok);
  npapibrowser::UnloadReport report = browser_.unload();
  EXPECT_EQ(report.liveBlocks, 1u);
  EXPECT_EQ(report.liveBytes, 32u);
  EXPECT_FALSE(report.clean());
  EXPECT_NE(report.text.find("allocator blocks still alive: 1 (32 bytes)"), std::string::npos)
      << report.text;
}

TEST_F(BrowserServicesTest, DoubleFreeIsCaughtWithoutReachingTheHeap) {
  EXPECT_TRUE(call("doubleFree").ok);
  EXPECT_EQ(browser_.allocator().doubleFrees(), 1u);
  ASSERT_EQ(browser_.allocator().faults().size(), 1u);
  EXPECT_NE(browser_.allocator().faults()[0].find("double free"), std::string::npos);
  npapibrowser::UnloadReport report = browser_.unload();
  EXPECT_EQ(report.doubleFrees, 1u);
  EXPECT_FALSE(report.clean());
}

TEST_F(BrowserServicesTest, FreeOfForeignMemoryIsCaught) {
  EXPECT_TRUE(call("freeForeign").ok);
  EXPECT_EQ(browser_.allocator().invalidFrees(), 1u);
}

TEST_F(BrowserServicesTest, RefusalSwitchesMakeMemAllocAnswerNull) {
  browser_.allocatorControl().refuseAll(true);
  EXPECT_FALSE(call("echo", {"x"}).ok);
  browser_.allocatorControl().allowAll();
  browser_.allocatorControl().refuseLargerThan(4);
  EXPECT_TRUE(call("echo", {"abc"}).ok);    // 4 bytes with the NUL
  EXPECT_FALSE(call("echo", {"abcd"}).ok);  // 5 bytes
  browser_.allocatorControl().allowAll();
  browser_.allocatorControl().refuseAfter(1);
  EXPECT_TRUE(call("echo", {"a"}).ok);
  EXPECT_FALSE(call("echo", {"b"}).ok);
  EXPECT_EQ(browser_.allocatorControl().refusals(), 3u);
}

TEST_F(BrowserServicesTest, FreeWatchFindsSecretsLeftInFreedBlocks) {
  browser_.allocatorControl().watchFreedBlocksFor("hunter2");
  EXPECT_TRUE(call("keepSecret", {"hunter2", "keep"}).ok);
  EXPECT_EQ(browser_.allocatorControl().watchHits(), 1u);
  EXPECT_TRUE(call("keepSecret", {"hunter2", "wipe"}).ok);
  EXPECT_EQ(browser_.allocatorControl().watchHits(), 1u);
}

// ---- Identifiers -----------------------------------------------------------------------------

TEST_F(BrowserServicesTest, EqualNamesGiveTheSameIdentifier) {
  ScriptResult same = call("sameIdentifier", {"GetPassword", "GetPassword"});
  ASSERT_TRUE(same.ok);
  EXPECT_TRUE(same.boolValue);
  ScriptResult caseDiffers = call("sameIdentifier", {"GetPassword", "getpassword"});
  ASSERT_TRUE(caseDiffers.ok);
  EXPECT_FALSE(caseDiffers.boolValue);
}

TEST_F(BrowserServicesTest, UTF8FromIdentifierHandsOverAnAllocatorCopy) {
  std::size_t before = browser_.allocator().allocations();
  std::size_t liveBefore = browser_.allocator().liveBlocks();
  ScriptResult name = call("identifierName", {"GetDllVersion"});
  EXPECT_TRUE(name.isString("GetDllVersion"));
  EXPECT_EQ(name.stringBlockSize, sizeof "GetDllVersion");
  EXPECT_EQ(browser_.allocator().allocations(), before + 1);
  EXPECT_EQ(browser_.allocator().liveBlocks(),
            liveBefore);  // the stand-in browser freed it with the result
}

TEST_F(BrowserServicesTest, IntegerIdentifiersHaveNoName) {
  ScriptResult result = call("intIdentifier");
  ASSERT_TRUE(result.ok);
  EXPECT_TRUE(result.boolValue);
}

// ---- Objects and variants --------------------------------------------------------------------

TEST_F(BrowserServicesTest, DeallocateRunsWhenTheLastReferenceGoes) {
  EXPECT_TRUE(call("countReferences").ok);
  EXPECT_EQ(module_->countedAllocations, 1);
  EXPECT_EQ(module_->deallocationsBeforeLastRelease, 0);
  EXPECT_EQ(module_->countedDeallocations, 1);
}

TEST_F(BrowserServicesTest, ClassWithoutAllocateGetsHostMemoryAndHeader) {
  ScriptResult result = call("createPlain");
  ASSERT_TRUE(result.ok);
  EXPECT_TRUE(result.boolValue);
}

TEST_F(BrowserServicesTest, CreateObjectFailsOnDemand) {
  browser_.objectControl().failNextCreations(1);
  ScriptResult failed = call("createObject");
  ASSERT_TRUE(failed.ok);
  EXPECT_FALSE(failed.boolValue);
  ScriptResult created = call("createObject");
  ASSERT_TRUE(created.ok);
  EXPECT_TRUE(created.boolValue);
}

TEST_F(BrowserServicesTest, ReleaseVariantValueFreesTheStringAndLeavesVoid) {
  std::size_t before = browser_.allocator().liveBlocks();
  EXPECT_TRUE(call("echoThroughBrowser", {"round trip"}).isString("round trip"));
  EXPECT_TRUE(module_->variantVoidAfterRelease);
  EXPECT_EQ(browser_.allocator().liveBlocks(), before);
  EXPECT_EQ(browser_.calls("invoke"), 1u);
  EXPECT_EQ(browser_.calls("releasevariantvalue"), 1u);
}

TEST_F(BrowserServicesTest, InvokeDefaultReachesTheClass) {
  ScriptResult result = call("invokeDefaultSelf");
  ASSERT_TRUE(result.ok);
  EXPECT_FALSE(result.boolValue);  // the module's invokeDefault answers false
  EXPECT_EQ(browser_.calls("invokeDefault"), 1u);
}

TEST_F(BrowserServicesTest, InvokeNeedsNoHasMethodFirst) {
  EXPECT_FALSE(page_->hasMethod("callCount"));
  ScriptResult result = call("callCount");
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.type, NPVariantType_Int32);
}

TEST_F(BrowserServicesTest, ObjectStaysAliveUntilTheScriptCallReturns) {
  gDeallocatedDuringCall = false;
  gProbeDeallocations = 0;
  NPObject* probe = browser_.objects().create(page_->npp(), &gProbeClass);
  ASSERT_NE(probe, nullptr);
  EXPECT_TRUE(page_->invokeOn(probe, "anything").ok);
  EXPECT_FALSE(gDeallocatedDuringCall);
  EXPECT_EQ(gProbeDeallocations, 1);
  EXPECT_TRUE(browser_.objects().faults().empty());
}

TEST_F(BrowserServicesTest, ReleasingADeadObjectIsAFaultNotACrash) {
  NPObject* probe = browser_.objects().create(page_->npp(), &gProbeClass);
  browser_.browserFuncs().releaseobject(probe);
  browser_.browserFuncs().releaseobject(probe);
  ASSERT_EQ(browser_.objects().faults().size(), 1u);
  EXPECT_NE(browser_.objects().faults()[0].find("not alive"), std::string::npos);
}

TEST_F(BrowserServicesTest, LeakedObjectIsReported) {
  EXPECT_TRUE(call("leakObject").ok);
  npapibrowser::UnloadReport report = browser_.unload();
  EXPECT_EQ(report.liveObjects, 1u);
  EXPECT_NE(report.text.find("script objects still alive: 1"), std::string::npos);
}

// ---- The window object -----------------------------------------------------------------------

TEST(WindowObject, EvalAnswersThePageLocationAndRecordsTheScript) {
  TestBrowser browser;
  ASSERT_TRUE(browser.load(TEST_MODULE)) << browser.lastError();
  npapibrowser::PageOptions options = npapibrowser::TestPageOptions();
  options.location = "https://bank.example/login?next=1";
  Page* page = browser.openPage(options);
  ASSERT_EQ(page->newResult(), NPERR_NO_ERROR);
  EXPECT_TRUE(page->invoke("windowLocation").isString("https://bank.example/login?next=1"));
  ASSERT_EQ(browser.recorded(page).evaluatedScripts.size(), 1u);
  EXPECT_EQ(browser.recorded(page).evaluatedScripts[0], "window.location.href");
  EXPECT_NE(page->windowObject(), nullptr);
  npapibrowser::UnloadReport report = browser.unload();
  EXPECT_TRUE(report.clean()) << report.text;
}

TEST(WindowObject, EvalFailsWhenThePageHasNoLocation) {
  TestBrowser browser;
  ASSERT_TRUE(browser.load(TEST_MODULE)) << browser.lastError();
  npapibrowser::PageOptions options = npapibrowser::TestPageOptions();
  options.hasLocation = false;
  Page* page = browser.openPage(options);
  EXPECT_FALSE(page->invoke("windowLocation").ok);
  EXPECT_EQ(browser.recorded(page).evaluatedScripts.size(), 1u);
}

TEST(WindowObject, AWindowReferenceNotDroppedIsReported) {
  TestBrowser browser;
  ASSERT_TRUE(browser.load(TEST_MODULE)) << browser.lastError();
  Page* page = browser.openPage();
  EXPECT_TRUE(page->invoke("windowLocation", {StringArgument("keepWindow")}).ok);
  npapibrowser::UnloadReport report = browser.unload();
  EXPECT_EQ(report.liveObjects, 1u);
}

// ---- Services nobody should call -------------------------------------------------------------

TEST_F(BrowserServicesTest, UnusedServicesAnswerErrorsHarmlessly) {
  const NPNetscapeFuncs& b = browser_.browserFuncs();
  NPP npp = page_->npp();
  EXPECT_EQ(b.geturl(npp, "https://x", nullptr), NPERR_GENERIC_ERROR);
  EXPECT_EQ(b.posturl(npp, "https://x", nullptr, 0, nullptr, 0), NPERR_GENERIC_ERROR);
  NPStream* stream = reinterpret_cast<NPStream*>(1);
  EXPECT_EQ(b.newstream(npp, nullptr, nullptr, &stream), NPERR_GENERIC_ERROR);
  EXPECT_EQ(stream, nullptr);
  EXPECT_NE(b.uagent(npp), nullptr);
  EXPECT_EQ(b.getJavaEnv(), nullptr);
  NPVariant result;
  EXPECT_FALSE(b.evaluate(npp, page_->scriptObject(), nullptr, &result));
  EXPECT_EQ(result.type, NPVariantType_Void);
  EXPECT_EQ(b.scheduletimer(npp, 10, 1, nullptr), 0u);
  EXPECT_EQ(b.popupcontextmenu(npp, nullptr), NPERR_GENERIC_ERROR);
  double x = 0, y = 0;
  EXPECT_EQ(b.convertpoint(npp, 1, 2, NPCoordinateSpacePlugin, &x, &y, NPCoordinateSpaceScreen), 0);
  char* user = reinterpret_cast<char*>(1);
  uint32_t length = 9;
  EXPECT_EQ(b.getauthenticationinfo(npp, "https", "h", 443, "basic", "r", &user, &length, nullptr,
                                    nullptr),
            NPERR_GENERIC_ERROR);
  EXPECT_EQ(user, nullptr);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(browser_.calls("geturl"), 1u);
  EXPECT_EQ(browser_.calls("getauthenticationinfo"), 1u);
}

TEST_F(BrowserServicesTest, InstanceServicesRefuseUnknownInstances) {
  const NPNetscapeFuncs& b = browser_.browserFuncs();
  NPP_t stranger{};
  NPBool flag = 7;
  EXPECT_EQ(b.getvalue(&stranger, NPNVsupportsCocoaBool, &flag), NPERR_INVALID_INSTANCE_ERROR);
  EXPECT_EQ(b.getvalue(nullptr, NPNVsupportsCocoaBool, &flag), NPERR_INVALID_INSTANCE_ERROR);
  EXPECT_EQ(flag, 7);
  EXPECT_EQ(b.setvalue(&stranger, NPPVpluginDrawingModel, nullptr), NPERR_INVALID_INSTANCE_ERROR);
  EXPECT_EQ(b.createobject(&stranger, &gProbeClass), nullptr);
  EXPECT_EQ(b.getvalue(page_->npp(), NPNVisOfflineBool, &flag), NPERR_GENERIC_ERROR);
}
