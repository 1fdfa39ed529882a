// The input panel: its key-window answers follow the isActive flag, whatever the native layer's key
// window is, and the fixed answers do not depend on the state.
#include <gtest/gtest.h>

#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/NSSecureTextField.h"
#include "shell/MyWindow.h"

namespace {

MyWindow* makePanel() {
  MyWindow* panel = NSObject::alloc<MyWindow>();
  panel->initWithContentRect(NSZeroRect, NSClosableWindowMask, NSBackingStoreNonretained, NO);
  return panel;
}

}  // namespace

TEST(MyWindow, NewPanelIsInactiveAndNotKey) {
  MyWindow* panel = makePanel();
  EXPECT_FALSE(panel->isActive());
  EXPECT_FALSE(panel->canBecomeKeyWindow());
  EXPECT_FALSE(panel->isKeyWindow());
  EXPECT_GT(panel->windowNumber(), 0);
  panel->release();
}

TEST(MyWindow, KeyAnswersFollowTheFlagBothWays) {
  MyWindow* panel = makePanel();
  panel->setIsActive(YES);
  EXPECT_TRUE(panel->isActive());
  EXPECT_TRUE(panel->canBecomeKeyWindow());
  EXPECT_TRUE(panel->isKeyWindow());
  panel->setIsActive(YES);
  EXPECT_TRUE(panel->isKeyWindow());
  panel->setIsActive(NO);
  EXPECT_FALSE(panel->isActive());
  EXPECT_FALSE(panel->canBecomeKeyWindow());
  EXPECT_FALSE(panel->isKeyWindow());
  panel->release();
}

TEST(MyWindow, IsKeyWindowReportsTheFlagEvenWhenAnotherWindowIsKey) {
  MyWindow* panel = makePanel();
  NSWindow* other = NSObject::alloc<NSWindow>();
  other->initWithContentRect(NSMakeRect(0, 0, 10, 10), NSTitledWindowMask, NSBackingStoreBuffered,
                             NO);
  other->makeKeyWindow();
  ASSERT_EQ(NSWindow::keyWindow(), other);
  EXPECT_FALSE(panel->isKeyWindow());
  panel->setIsActive(YES);
  EXPECT_TRUE(panel->isKeyWindow());
  EXPECT_EQ(NSWindow::keyWindow(), other);
  other->release();
  panel->release();
}

TEST(MyWindow, BecomesTheKeyWindowOnlyWhileActive) {
  MyWindow* panel = makePanel();
  panel->makeKeyWindow();
  EXPECT_NE(NSWindow::keyWindow(), panel);
  panel->setIsActive(YES);
  panel->makeKeyWindow();
  EXPECT_EQ(NSWindow::keyWindow(), panel);
  panel->resignKeyWindow();
  EXPECT_EQ(NSWindow::keyWindow(), nullptr);
  panel->release();
}

TEST(MyWindow, FixedAnswersHoldInBothStates) {
  MyWindow* panel = makePanel();
  for (BOOL active : {NO, YES}) {
    panel->setIsActive(active);
    EXPECT_TRUE(panel->worksWhenModal());
    EXPECT_TRUE(panel->acceptsMouseMovedEvents());
    EXPECT_FALSE(panel->ignoresMouseEvents());
  }
  panel->release();
}

TEST(MyWindow, HoldsTheSecureFieldAsFirstResponder) {
  NSAutoreleaseScope pool;
  MyWindow* panel = makePanel();
  NSSecureTextField* field = NSObject::alloc<NSSecureTextField>()->initWithFrame(NSZeroRect);
  panel->setBecomesKeyOnlyIfNeeded(YES);
  panel->setContentView(field);
  EXPECT_TRUE(panel->becomesKeyOnlyIfNeeded());
  EXPECT_TRUE(panel->makeFirstResponder(panel->contentView()));
  EXPECT_EQ(panel->firstResponder(), field);
  field->release();
  panel->release();
}
