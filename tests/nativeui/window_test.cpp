// Windows and views: first-responder handshake, the process's key window, content views.
#include <gtest/gtest.h>

#include "nativeui/CALayer.h"
#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/NSSecureTextField.h"
#include "nativeui/NSView.h"
#include "nativeui/NSWindow.h"

namespace {

NSWindow* makeWindow(NSUInteger style) {
  NSWindow* window = NSObject::alloc<NSWindow>();
  return window->initWithContentRect(NSMakeRect(1, 2, 30, 40), style, NSBackingStoreBuffered, NO);
}

}  // namespace

TEST(NSWindow, StartsWithAnEmptyContentViewAndItselfAsFirstResponder) {
  NSWindow* window = makeWindow(NSTitledWindowMask);
  ASSERT_NE(window->contentView(), nullptr);
  EXPECT_TRUE(NSEqualRects(window->contentView()->frame(), NSMakeRect(0, 0, 30, 40)));
  EXPECT_EQ(window->firstResponder(), window);
  // A plain view does not accept first responder: the window stays first responder.
  EXPECT_FALSE(window->makeFirstResponder(window->contentView()));
  EXPECT_EQ(window->firstResponder(), window);
  window->release();
}

TEST(NSWindow, WindowNumbersAreDistinctAndFramesSettable) {
  NSWindow* a = makeWindow(NSBorderlessWindowMask);
  NSWindow* b = makeWindow(NSBorderlessWindowMask);
  EXPECT_NE(a->windowNumber(), b->windowNumber());
  a->setFrame(NSMakeRect(10, 20, 300, 24), YES);
  a->setFrame(NSMakeRect(10, 20, 300, 24), NO);
  EXPECT_TRUE(NSEqualRects(a->frame(), NSMakeRect(10, 20, 300, 24)));
  EXPECT_EQ(a->displayCount(), 1u);
  a->release();
  b->release();
}

TEST(NSWindow, OnlyWindowsThatCanBecomeKeyDo) {
  NSWindow* titled = makeWindow(NSTitledWindowMask);
  NSWindow* closableOnly = makeWindow(NSClosableWindowMask);
  closableOnly->makeKeyWindow();
  EXPECT_EQ(NSWindow::keyWindow(), nullptr);
  titled->makeKeyWindow();
  EXPECT_TRUE(titled->isKeyWindow());
  titled->release();
  EXPECT_EQ(NSWindow::keyWindow(), nullptr);  // a freed key window is no longer key
  closableOnly->release();
}

TEST(NSWindow, ANewKeyWindowTakesOverFromTheOld) {
  NSWindow* a = makeWindow(NSTitledWindowMask);
  NSWindow* b = makeWindow(NSTitledWindowMask);
  a->makeKeyWindow();
  b->makeKeyWindow();
  EXPECT_FALSE(a->isKeyWindow());
  EXPECT_TRUE(b->isKeyWindow());
  a->resignKeyWindow();  // not key: nothing changes
  EXPECT_TRUE(b->isKeyWindow());
  a->release();
  b->release();
}

TEST(NSWindow, ViewsOfOtherWindowsCannotBeFirstResponder) {
  NSAutoreleaseScope pool;
  NSWindow* a = makeWindow(NSTitledWindowMask);
  NSWindow* b = makeWindow(NSTitledWindowMask);
  NSSecureTextField* field = NSObject::alloc<NSSecureTextField>()->initWithFrame(NSZeroRect);
  b->setContentView(field);
  EXPECT_FALSE(a->makeFirstResponder(field));
  EXPECT_TRUE(b->makeFirstResponder(field));
  EXPECT_TRUE(field->isEditing());
  // Moving the field to another window takes its first-responder status with it.
  a->setContentView(field);
  EXPECT_EQ(b->firstResponder(), b);
  EXPECT_FALSE(field->isEditing());
  EXPECT_EQ(b->contentView(), nullptr);
  EXPECT_EQ(field->window(), a);
  field->release();
  a->release();
  b->release();
}

TEST(NSWindow, ReplacingTheContentViewEndsItsEditing) {
  NSAutoreleaseScope pool;
  NSWindow* window = makeWindow(NSTitledWindowMask);
  NSSecureTextField* field = NSObject::alloc<NSSecureTextField>()->initWithFrame(NSZeroRect);
  window->setContentView(field);
  ASSERT_TRUE(window->makeFirstResponder(field));
  window->setContentView(nullptr);
  EXPECT_FALSE(field->isEditing());
  EXPECT_EQ(window->firstResponder(), window);
  EXPECT_EQ(field->window(), nullptr);
  EXPECT_EQ(field->retainCount(), 1u);
  field->release();
  window->release();
}

TEST(NSView, WantsLayerMakesABackingLayerThatFollowsTheFrame) {
  NSAutoreleaseScope pool;
  NSView* view = NSObject::alloc<NSView>()->initWithFrame(NSMakeRect(0, 0, 5, 5));
  EXPECT_EQ(view->layer(), nullptr);
  view->setWantsLayer(YES);
  CALayer* layer = view->layer();
  ASSERT_NE(layer, nullptr);
  view->setWantsLayer(YES);
  EXPECT_EQ(view->layer(), layer);
  view->setFrame(NSMakeRect(0, 0, 300, 24));
  EXPECT_TRUE(NSEqualRects(layer->frame(), NSMakeRect(0, 0, 300, 24)));
  view->release();
}
