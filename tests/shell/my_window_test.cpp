// The input panel: it counts as the key window exactly while its isActive flag is set, whatever
// window the native layer holds as key, and only then can it become the key window.
#include <gtest/gtest.h>

#include "nativeui/NSAutoreleasePool.h"
#include "shell/MyWindow.h"

TEST(MyWindow, KeyWindowFollowsTheFlagNotTheNativeKeyWindow) {
  MyWindow* panel = NSObject::alloc<MyWindow>();
  panel->initWithContentRect(NSZeroRect, NSClosableWindowMask, NSBackingStoreNonretained, NO);
  NSWindow* other = NSObject::alloc<NSWindow>();
  other->initWithContentRect(NSMakeRect(0, 0, 10, 10), NSTitledWindowMask, NSBackingStoreBuffered,
                             NO);
  other->makeKeyWindow();
  panel->makeKeyWindow();  // refused while inactive
  ASSERT_EQ(NSWindow::keyWindow(), other);
  EXPECT_FALSE(panel->isKeyWindow());

  panel->setIsActive(YES);
  EXPECT_TRUE(panel->isKeyWindow());  // before the native layer makes it key
  EXPECT_EQ(NSWindow::keyWindow(), other);
  panel->makeKeyWindow();
  EXPECT_EQ(NSWindow::keyWindow(), panel);

  panel->setIsActive(NO);
  EXPECT_FALSE(panel->isKeyWindow());
  EXPECT_FALSE(panel->canBecomeKeyWindow());
  panel->resignKeyWindow();
  EXPECT_EQ(NSWindow::keyWindow(), nullptr);
  other->release();
  panel->release();
}
