// NPP_HandleEvent of the built module: the answer for every event type, the cursor over the
// field, key forwarding with Return left to the browser, editing keys, the focus logic with its
// system-log line, the input-source switch, and the redraw request with its 16-bit rectangle.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nativeui/NSCursor.h"
#include "nativeui/NSSecureTextField.h"
#include "nativeui/NSWindow.h"
#include "plugin_state/PluginObject.h"
#include "shell/MyWindow.h"
#include "tests/support/password_decoder.h"
#include "tests/support/plugin_fixture.h"

namespace {

using npapibrowser::KeyPress;
using npapibrowser::Page;

PluginObject* recordOf(Page* page) { return static_cast<PluginObject*>(page->npp()->pdata); }

class Events : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    page_ = openReadyPage();
    ASSERT_NE(page_, nullptr);
  }

  void press(const KeyPress& key) {
    page_->keyDown(key);
    page_->keyUp(key);
  }

  std::string password() {
    return testsupport::decodePassword(page_->invoke("GetPassword").stringValue).value_or("<none>");
  }

  std::vector<std::string> focusLines() {
    std::vector<std::string> lines;
    for (const std::string& line : NSLogCapturedLines()) {
      if (line.rfind("focus changed with ", 0) == 0) lines.push_back(line);
    }
    return lines;
  }

  Page* page_ = nullptr;
};

TEST_F(Events, AnswersByEventType) {
  EXPECT_EQ(page_->drawRect(0, 0, 300, 24), 1);
  EXPECT_EQ(page_->mouse(NPCocoaEventMouseDown, 5, 5), 1);
  EXPECT_EQ(page_->mouse(NPCocoaEventMouseUp, 5, 5), 0);
  EXPECT_EQ(page_->mouse(NPCocoaEventMouseMoved, 5, 5), 1);
  EXPECT_EQ(page_->mouse(NPCocoaEventMouseEntered, 5, 5), 1);
  EXPECT_EQ(page_->mouse(NPCocoaEventMouseExited, 5, 5), 0);
  EXPECT_EQ(page_->mouse(NPCocoaEventMouseDragged, 5, 5), 0);
  EXPECT_EQ(page_->flagsChanged(NSShiftKeyMask, kVK_Shift), 0);
  EXPECT_EQ(page_->windowFocus(true), 0);
  EXPECT_EQ(page_->scrollWheel(0, 3), 0);
  EXPECT_EQ(page_->textInput("x"), 0);
  for (int type : {0, 15, 99}) {
    NPCocoaEvent event{};
    event.type = static_cast<NPCocoaEventType>(type);
    EXPECT_EQ(page_->sendEvent(event), 0) << type;
  }
  EXPECT_EQ(browser_.pluginFuncs().event(page_->npp(), nullptr), 0);
  EXPECT_TRUE(
      browser_.recorded(page_).invalidatedRects.empty());  // none of these asks for a redraw
}

TEST_F(Events, CursorIsTheIBeamOnlyOverTheField) {
  NSCursor::arrowCursor()->set();
  page_->mouse(NPCocoaEventMouseMoved, 5, 5);
  EXPECT_EQ(NSCursor::currentCursor(), NSCursor::IBeamCursor());
  page_->mouse(NPCocoaEventMouseMoved, 310, 5);
  EXPECT_EQ(NSCursor::currentCursor(), NSCursor::arrowCursor());
  page_->mouse(NPCocoaEventMouseEntered, 299.5, 23.5);
  EXPECT_EQ(NSCursor::currentCursor(), NSCursor::IBeamCursor());
  page_->mouse(NPCocoaEventMouseMoved, 300, 5);  // the far edge lies outside
  EXPECT_EQ(NSCursor::currentCursor(), NSCursor::arrowCursor());
  // The point is in the plug-in's own coordinates: the window's origin plays no part.
  page_->setWindow(500, 400, 300, 24);
  page_->mouse(NPCocoaEventMouseMoved, 5, 5);
  EXPECT_EQ(NSCursor::currentCursor(), NSCursor::IBeamCursor());
}

TEST_F(Events, ReturnIsLeftToTheBrowser) {
  click(page_);
  page_->typeText("ab");
  std::string before = page_->renderLayerText();
  EXPECT_EQ(page_->keyDown(KeyPress::returnKey()), 0);
  EXPECT_EQ(page_->keyUp(KeyPress::returnKey()), 1);
  // Only charactersIgnoringModifiers decides: a key whose plain character is Return is not sent.
  KeyPress disguised = KeyPress::character(u'c');
  disguised.charactersIgnoringModifiers = u"\r";
  EXPECT_EQ(page_->keyDown(disguised), 0);
  EXPECT_EQ(page_->renderLayerText(), before);
  EXPECT_EQ(password(), "ab");
}

TEST_F(Events, OtherKeysAreForwardedWithTheirCharactersAndFlags) {
  click(page_);
  KeyPress d = KeyPress::character(u'd');
  d.charactersIgnoringModifiers = u"x";  // Return test looks here; the field types `characters`
  EXPECT_EQ(page_->keyDown(d), 1);
  KeyPress empty = KeyPress::character(u'e');
  empty.charactersIgnoringModifiers.clear();
  EXPECT_EQ(page_->keyDown(empty), 1);
  // The modifier flags travel with the key: a Command key types nothing.
  EXPECT_EQ(page_->keyDown(KeyPress::command(u'v')), 1);
  EXPECT_EQ(page_->keyUp(KeyPress::command(u'v')), 1);
  EXPECT_EQ(password(), "de");
}

TEST_F(Events, EditingKeysReachTheField) {
  click(page_);
  page_->typeText("secrex");
  press(KeyPress::backspace());
  page_->typeText("t");  // secret
  press(KeyPress::home());
  page_->typeText(">");  // >secret
  press(KeyPress::end());
  press(KeyPress::leftArrow());
  press(KeyPress::leftArrow());
  page_->typeText("_");  // >secr_et
  press(KeyPress::rightArrow());
  press(KeyPress::forwardDelete());  // >secr_e
  press(KeyPress::tab());
  press(KeyPress::escape());
  press(KeyPress::upArrow());
  EXPECT_EQ(password(), ">secr_e");
  EXPECT_EQ(page_->renderLayerText(),
            "\xE2\x80\xA2\xE2\x80\xA2\xE2\x80\xA2\xE2\x80\xA2\xE2\x80\xA2"
            "\xE2\x80\xA2\xE2\x80\xA2|");
}

TEST_F(Events, KeysBeforeTheFocusTypeNothing) {
  page_->typeText("lost");
  EXPECT_TRUE(testsupport::decodePassword(page_->invoke("GetPassword").stringValue) ==
              std::nullopt);
}

TEST_F(Events, FocusGainedActivatesOnceAndAlwaysLogsAndRedraws) {
  PluginObject* record = recordOf(page_);
  EXPECT_EQ(page_->focus(true), 1);
  EXPECT_TRUE(record->panel->isActive());
  EXPECT_EQ(NSWindow::keyWindow(), record->panel);
  EXPECT_EQ(record->panel->firstResponder(), record->textField);
  EXPECT_TRUE(record->textField->isEditing());
  TISCallCounts first = TISRegistry::counts();
  EXPECT_EQ(first.copyCurrentASCIICapable, 1u);

  EXPECT_EQ(page_->focus(true), 1);
  TISCallCounts second = TISRegistry::counts();
  EXPECT_EQ(second.copyCurrentASCIICapable, 1u);  // no second switch
  EXPECT_EQ(second.select, first.select);
  EXPECT_EQ(focusLines(),
            (std::vector<std::string>{"focus changed with 1", "focus changed with 1"}));
  EXPECT_EQ(browser_.recorded(page_).invalidatedRects.size(), 2u);
}

TEST_F(Events, FocusLostDeactivatesOnlyAnActivePanel) {
  PluginObject* record = recordOf(page_);
  EXPECT_EQ(page_->focus(false), 1);  // while inactive: the log line and the redraw only
  EXPECT_FALSE(record->panel->isActive());
  EXPECT_EQ(TISRegistry::counts().copyCurrentASCIICapable, 0u);
  EXPECT_EQ(browser_.recorded(page_).invalidatedRects.size(), 1u);

  page_->focus(true);
  page_->typeText("pw");
  EXPECT_EQ(page_->focus(false), 1);
  EXPECT_FALSE(record->panel->isActive());
  EXPECT_FALSE(record->textField->isEditing());
  EXPECT_NE(NSWindow::keyWindow(), record->panel);
  EXPECT_EQ(page_->renderLayerText().find('|'), std::string::npos);  // no caret
  page_->typeText("more");                                           // goes nowhere now
  EXPECT_EQ(password(), "pw");
  EXPECT_EQ(focusLines(), (std::vector<std::string>{"focus changed with 0", "focus changed with 1",
                                                    "focus changed with 0"}));
  EXPECT_EQ(browser_.recorded(page_).invalidatedRects.size(), 3u);
  // The source chosen on activation is not put back.
  EXPECT_EQ(TISRegistry::counts().select, 1u);
}

TEST_F(Events, SuccessfulSelectionNeverAsksForTheList) {
  TISRegistry::addSource("com.apple.keylayout.Russian", false);
  TISRegistry::setCurrent("com.apple.keylayout.Russian");
  TISRegistry::resetCounts();
  page_->focus(true);
  EXPECT_EQ(TISRegistry::currentID(), "com.apple.keylayout.US");
  EXPECT_EQ(TISRegistry::selections(), std::vector<std::string>{"com.apple.keylayout.US"});
  EXPECT_EQ(TISRegistry::counts().createASCIICapableList, 0u);
  EXPECT_EQ(TISRegistry::outstandingReferences(), 0);
}

TEST_F(Events, FailedSelectionFallsBackToTheFirstListedSource) {
  TISRegistry::clear();
  TISRegistry::addSource("com.apple.keylayout.ABC", true);
  TISRegistry::addSource("com.apple.keylayout.US", true);
  TISRegistry::setCurrent("com.apple.keylayout.US");
  TISRegistry::setSelectFails("com.apple.keylayout.US", true);
  TISRegistry::resetCounts();
  page_->focus(true);
  EXPECT_EQ(TISRegistry::counts().createASCIICapableList, 1u);
  EXPECT_EQ(TISRegistry::selections(), std::vector<std::string>{"com.apple.keylayout.ABC"});
  EXPECT_EQ(TISRegistry::outstandingReferences(), 0);
}

TEST_F(Events, ActivationCompletesWithoutAnySourceToSelect) {
  struct Case {
    bool haveCurrent;
    TISListBehaviour list;
  };
  for (Case c : {Case{true, TISListBehaviour::Empty}, Case{true, TISListBehaviour::Null},
                 Case{false, TISListBehaviour::Normal}}) {
    TISRegistry::clear();
    if (c.haveCurrent) {
      TISRegistry::addSource("com.apple.keylayout.US", true);
      TISRegistry::setCurrent("com.apple.keylayout.US");
      TISRegistry::setSelectFails("com.apple.keylayout.US", true);
    }
    TISRegistry::setListBehaviour(c.list);
    TISRegistry::resetCounts();
    page_->focus(true);
    EXPECT_TRUE(TISRegistry::selections().empty());
    // Without a current ASCII-capable source the list is not even asked for.
    EXPECT_EQ(TISRegistry::counts().createASCIICapableList, c.haveCurrent ? 1u : 0u);
    EXPECT_EQ(TISRegistry::outstandingReferences(), 0);
    EXPECT_EQ(NSWindow::keyWindow(), recordOf(page_)->panel);
    page_->typeText("k");
    EXPECT_EQ(password(), "k");
    page_->invoke("Clearpassword");
    page_->focus(false);
  }
  TISRegistry::reset();
}

TEST_F(Events, RedrawCoversTheWholeInstanceIn16Bits) {
  page_->focus(true);
  ASSERT_EQ(browser_.recorded(page_).invalidatedRects.size(), 1u);
  NPRect rect = browser_.recorded(page_).invalidatedRects[0];
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.bottom, 24);
  EXPECT_EQ(rect.right, 300);

  page_->setWindow(3, 4, 70000, 65536 + 24);
  page_->focus(false);
  rect = browser_.recorded(page_).invalidatedRects.back();
  EXPECT_EQ(rect.bottom, 24);
  EXPECT_EQ(rect.right, 70000 - 65536);
}

TEST_F(Events, FocusBeforeTheLayerTreeEditsNothing) {
  Page* bare = openPage();
  bare->setWindow(0, 0, 300, 24);
  EXPECT_EQ(bare->focus(true), 1);
  bare->typeText("x");
  bare->layer();
  EXPECT_TRUE(bare->invoke("GetPassword").stringValue.empty());
  // Before any window, the redraw rectangle is empty.
  Page* unsized = openPage();
  unsized->focus(true);
  ASSERT_EQ(browser_.recorded(unsized).invalidatedRects.size(), 1u);
  EXPECT_EQ(browser_.recorded(unsized).invalidatedRects[0].right, 0);
  EXPECT_EQ(browser_.recorded(unsized).invalidatedRects[0].bottom, 0);
}

}  // namespace
