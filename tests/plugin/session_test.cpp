// One whole page session through the built module, as a browser runs it: load, new instance,
// layer, window, script object, a click into the field, typing with Backspace and arrows, Return
// left to the browser, the page's script reading the password (decoded here back to exactly what
// was typed) and the other answers, Clearpassword, the focus taken away, destroy, shutdown, and
// every count of the stand-in browser back to zero.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/password_decoder.h"
#include "tests/support/plugin_fixture.h"

namespace {

using npapibrowser::KeyPress;
using npapibrowser::Page;

class WholeSession : public PluginTest {};

TEST_F(WholeSession, PasswordTypedWithCorrectionsReachesThePageOnlyEncoded) {
  npapibrowser::PageOptions options = npapibrowser::TestPageOptions();
  options.mimeType = "application/x-secure-password";
  Page* page = openPage(options);
  ASSERT_EQ(page->newResult(), NPERR_NO_ERROR);
  ASSERT_NE(page->layer(), nullptr);
  ASSERT_EQ(page->setWindow(0, 0, 320, 24), NPERR_NO_ERROR);
  ASSERT_NE(page->scriptObject(), nullptr);

  page->mouse(NPCocoaEventMouseEntered, 12, 12);
  page->mouse(NPCocoaEventMouseMoved, 12, 12);
  page->mouse(NPCocoaEventMouseDown, 12, 12);
  page->focus(true);
  page->mouse(NPCocoaEventMouseUp, 12, 12);

  browser_.allocatorControl().watchFreedBlocksFor("c0rrect");
  auto press = [&](const KeyPress& key) {
    int16_t down = page->keyDown(key);
    page->keyUp(key);
    return down;
  };
  page->typeText("c0rrecX");
  press(KeyPress::backspace());
  page->typeText("thorse");
  for (int i = 0; i < 5; ++i) press(KeyPress::leftArrow());
  page->typeText("-");
  press(KeyPress::end());
  page->typeText("!");
  EXPECT_EQ(page->renderLayerText().find("c0rr"), std::string::npos);

  ASSERT_EQ(press(KeyPress::returnKey()), 0);  // the page's script takes over
  npapibrowser::ScriptResult encoded = page->invoke("GetPassword");
  ASSERT_TRUE(encoded.ok);
  EXPECT_EQ(testsupport::decodePassword(encoded.stringValue), "c0rrect-horse!");
  EXPECT_TRUE(page->invoke("GetActiveNIC").ok);
  EXPECT_TRUE(page->invoke("GetHardDiskNUM").ok);
  EXPECT_TRUE(page->invoke("GetDllVersion").isString("1600"));

  EXPECT_TRUE(page->invoke("Clearpassword").ok);
  EXPECT_TRUE(page->invoke("GetPassword").stringValue.empty());
  page->focus(false);
  browser_.closePage(page);

  npapibrowser::UnloadReport report = browser_.unload();
  EXPECT_TRUE(report.clean()) << report.text;
  EXPECT_EQ(report.liveBlocks, 0u);
  EXPECT_EQ(report.liveObjects, 0u);
  EXPECT_EQ(report.liveNativeObjects, 0);
  EXPECT_EQ(report.liveLayers, 0);
  EXPECT_EQ(report.inputSourceReferences, 0);
  EXPECT_EQ(browser_.shutdownResult(), NPERR_NO_ERROR);
  EXPECT_EQ(browser_.allocatorControl().watchHits(),
            0u);  // the clear text never sat in a browser block
}

TEST_F(WholeSession, ModuleCanBeLoadedAgainAfterShutdown) {
  Page* page = openReadyPage();
  click(page);
  page->typeText("one");
  browser_.unload();
  ASSERT_TRUE(browser_.load(SPW_MODULE)) << browser_.lastError();
  page = openReadyPage();
  click(page);
  page->typeText("two");
  EXPECT_EQ(testsupport::decodePassword(page->invoke("GetPassword").stringValue), "two");
}

}  // namespace
