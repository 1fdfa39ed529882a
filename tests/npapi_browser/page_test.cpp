// Pages: instance creation and the per-page browser answers, window geometry, events with their
// borrowed strings, the layer and script object handed out, and the report on shutdown.
#include "nativeui/AppKitConstants.h"
#include "nativeui/NSObject.h"
#include "tests/npapi_browser/browser_fixture.h"

using npapibrowser::Answer;
using npapibrowser::KeyPress;
using npapibrowser::Page;
using npapibrowser::PageOptions;
using npapibrowser::TestPageOptions;

TEST_F(StandInBrowserTest, NewInstanceGetsMimeTypeModeAndAttributes) {
  PageOptions options = TestPageOptions();
  options.mimeType = "application/x-secure-field";
  options.attributes = {{"width", "300"}, {"name", "pw"}};
  Page* page = openPage(options);
  EXPECT_EQ(page->newResult(), NPERR_NO_ERROR);
  EXPECT_TRUE(page->isRunning());
  EXPECT_EQ(module_->mimeType, "application/x-secure-field");
  EXPECT_EQ(module_->mode, NP_EMBED);
  ASSERT_EQ(module_->attributes.size(), 2u);
  EXPECT_EQ(module_->attributes[1].first, "name");
  EXPECT_EQ(module_->attributes[1].second, "pw");
}

TEST_F(StandInBrowserTest, NegotiationIsRecordedPerPage) {
  Page* page = openPage();
  EXPECT_EQ(browser_.recorded(page).getValueRequests,
            (std::vector<NPNVariable>{NPNVsupportsCoreAnimationBool, NPNVsupportsCocoaBool}));
  ASSERT_EQ(browser_.recorded(page).setValueCalls.size(), 2u);
  EXPECT_EQ(browser_.recorded(page).setValueCalls[0].variable, NPPVpluginDrawingModel);
  EXPECT_EQ(browser_.recorded(page).setValueCalls[0].value, 3u);
  EXPECT_EQ(browser_.recorded(page).setValueCalls[1].variable, NPPVpluginEventModel);
  EXPECT_EQ(browser_.recorded(page).setValueCalls[1].value, 1u);
  EXPECT_EQ(browser_.calls("getvalue"), 2u);
  EXPECT_EQ(browser_.calls("setvalue"), 2u);
}

TEST_F(StandInBrowserTest, BrowserWithoutCoreAnimationAnswersFalse) {
  PageOptions options = TestPageOptions();
  options.coreAnimation = Answer::No;
  Page* page = openPage(options);
  EXPECT_EQ(page->newResult(), NPERR_INCOMPATIBLE_VERSION_ERROR);
  EXPECT_FALSE(page->isRunning());
  EXPECT_EQ(browser_.recorded(page).getValueRequests.size(), 1u);
  EXPECT_TRUE(browser_.recorded(page).setValueCalls.empty());
}

TEST_F(StandInBrowserTest, BrowserWithoutCocoaEventsAnswersAnError) {
  PageOptions options = TestPageOptions();
  options.cocoaEvents = Answer::Error;
  Page* page = openPage(options);
  EXPECT_EQ(page->newResult(), NPERR_INCOMPATIBLE_VERSION_ERROR);
  EXPECT_EQ(browser_.recorded(page).getValueRequests.size(), 2u);
  EXPECT_EQ(browser_.recorded(page).setValueCalls.size(), 1u);
}

TEST_F(StandInBrowserTest, SetWindowPassesTheMacOSWindowDescription) {
  Page* page = openPage();
  EXPECT_EQ(page->setWindow(10, 20, 300, 24), NPERR_NO_ERROR);
  EXPECT_EQ(module_->window.x, 10);
  EXPECT_EQ(module_->window.y, 20);
  EXPECT_EQ(module_->window.width, 300u);
  EXPECT_EQ(module_->window.height, 24u);
  EXPECT_EQ(module_->window.clipRect.right, 300);
  EXPECT_EQ(module_->window.clipRect.bottom, 24);
  EXPECT_EQ(module_->window.type, NPWindowTypeDrawable);
  EXPECT_EQ(module_->window.window, nullptr);
}

TEST_F(StandInBrowserTest, KeyEventsCarryBorrowedStringsThatAreFreedAfterTheCall) {
  Page* page = openPage();
  NSUInteger stringsBefore = NSLiveObjectCount(NSObjectKind::String);
  KeyPress press = KeyPress::command(u'c');
  press.isARepeat = true;
  press.keyCode = 8;
  EXPECT_EQ(page->keyDown(press), kNPEventHandled);
  EXPECT_EQ(module_->lastEvent.type, NPCocoaEventKeyDown);
  EXPECT_EQ(module_->lastEvent.version, 0u);
  EXPECT_EQ(module_->lastCharacters, u"c");
  EXPECT_EQ(module_->lastCharactersIgnoringModifiers, u"c");
  EXPECT_EQ(module_->lastEvent.data.key.modifierFlags, NSCommandKeyMask);
  EXPECT_EQ(module_->lastEvent.data.key.keyCode, 8);
  EXPECT_EQ(module_->lastEvent.data.key.isARepeat, 1);
  EXPECT_EQ(NSLiveObjectCount(NSObjectKind::String), stringsBefore);
}

TEST_F(StandInBrowserTest, TypeTextSendsOneKeyPressPerCharacter) {
  Page* page = openPage();
  EXPECT_EQ(page->typeText("a\xF0\x9F\x94\x91"), 2);  // "a" and a key emoji (a surrogate pair)
  EXPECT_EQ(module_->events, 4);
  EXPECT_EQ(module_->lastEvent.type, NPCocoaEventKeyUp);
  EXPECT_EQ(module_->lastCharacters, u"\U0001F511");
}

TEST_F(StandInBrowserTest, MouseAndFocusEventsCarryTheirData) {
  Page* page = openPage();
  EXPECT_EQ(page->mouse(NPCocoaEventMouseMoved, 5, 7), kNPEventHandled);
  EXPECT_EQ(module_->lastEvent.data.mouse.pluginX, 5);
  EXPECT_EQ(module_->lastEvent.data.mouse.pluginY, 7);
  EXPECT_EQ(page->mouse(NPCocoaEventMouseUp, 1, 1), kNPEventNotHandled);
  EXPECT_EQ(page->focus(true), kNPEventHandled);
  EXPECT_EQ(module_->lastEvent.type, NPCocoaEventFocusChanged);
  EXPECT_EQ(module_->lastEvent.data.focus.hasFocus, 1);
}

TEST_F(StandInBrowserTest, InvalidatedRectanglesAreRecorded) {
  Page* page = openPage();
  EXPECT_TRUE(page->invoke("invalidate").ok);
  ASSERT_EQ(browser_.recorded(page).invalidatedRects.size(), 1u);
  EXPECT_EQ(browser_.recorded(page).invalidatedRects[0].bottom, 24);
  EXPECT_EQ(browser_.recorded(page).invalidatedRects[0].right, 300);
}

TEST_F(StandInBrowserTest, LayerIsHeldByThePageAndRenderedAsText) {
  long layersBefore = static_cast<long>(NSLiveObjectCount(NSObjectKind::Layer));
  Page* page = openPage();
  CALayer* first = page->layer();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(page->layer(), first);
  EXPECT_EQ(page->renderLayerText(), "test module");
  browser_.closePage(page);
  EXPECT_EQ(static_cast<long>(NSLiveObjectCount(NSObjectKind::Layer)), layersBefore);
}

TEST_F(StandInBrowserTest, PropertiesAreRoutedThroughTheClass) {
  Page* page = openPage();
  EXPECT_TRUE(page->hasProperty("answer"));
  npapibrowser::ScriptResult answer = page->getProperty("answer");
  EXPECT_TRUE(answer.ok);
  EXPECT_EQ(answer.intValue, 42);
  EXPECT_FALSE(page->getProperty("question").ok);
  EXPECT_FALSE(page->construct().ok);
  page->invalidate();
  EXPECT_EQ(module_->invalidations, 1);
}

TEST_F(StandInBrowserTest, ClosingEveryPageLeavesACleanReport) {
  Page* first = openPage();
  Page* second = openPage();
  first->layer();
  second->scriptObject();
  EXPECT_EQ(module_->liveInstances, 2);
  npapibrowser::UnloadReport report = browser_.unload();
  EXPECT_EQ(module_->liveInstances, 0);
  EXPECT_EQ(module_->scriptDeallocations, 2);
  EXPECT_TRUE(report.clean()) << report.text;
  EXPECT_NE(report.text.find("clean"), std::string::npos);
}

TEST_F(StandInBrowserTest, UnreleasedInputSourceIsReported) {
  TISInputSourceRef source = TISCopyCurrentASCIICapableKeyboardInputSource();
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(browser_.report().inputSourceReferences, 1);
  CFRelease(source);
  EXPECT_EQ(browser_.report().inputSourceReferences, 0);
}

TEST_F(StandInBrowserTest, ReferencesFromEveryScriptObjectRequestAreGivenBack) {
  Page* page = openPage();
  void* first = nullptr;
  void* second = nullptr;
  ASSERT_EQ(page->getValue(NPPVpluginScriptableNPObject, &first), NPERR_NO_ERROR);
  ASSERT_EQ(page->getValue(NPPVpluginScriptableNPObject, &second), NPERR_NO_ERROR);
  EXPECT_EQ(first, second);
  EXPECT_EQ(static_cast<NPObject*>(first)->referenceCount, 3u);
  EXPECT_EQ(page->getValue(NPPVpluginNameString, &first), NPERR_GENERIC_ERROR);
  npapibrowser::UnloadReport report = browser_.unload();
  EXPECT_TRUE(report.clean()) << report.text;
}
