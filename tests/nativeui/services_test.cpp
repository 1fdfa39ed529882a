// The smaller services the plug-in's paths do not already exercise in full: key events with their
// strings and graphics contexts, and data buffers. Cursors, the bundle's values, number reading
// and NSLog are checked through the plug-in's own tests.
#include <gtest/gtest.h>

#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/NSEvent.h"
#include "nativeui/NSGraphicsContext.h"
#include "nativeui/NSMutableData.h"
#include "nativeui/NSString.h"
#include "nativeui/NSWindow.h"

TEST(NSEvent, KeyEventKeepsEveryFieldAndItsStrings) {
  NSAutoreleaseScope pool;
  NSWindow* window = NSObject::alloc<NSWindow>()->initWithContentRect(
      NSZeroRect, NSClosableWindowMask, NSBackingStoreNonretained, NO);
  NSGraphicsContext* context = NSGraphicsContext::graphicsContextWithWindow(window);
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(context->window(), window);
  NSString* chars = NSString::stringWithUTF8String("A");
  NSString* plain = NSString::stringWithUTF8String("a");
  NSEvent* event =
      NSEvent::keyEventWithType(NSKeyUp, NSMakePoint(1, 2), NSShiftKeyMask, 12.5,
                                window->windowNumber(), context, chars, plain, YES, kVK_ANSI_A);
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(event->type(), NSKeyUp);
  EXPECT_EQ(event->locationInWindow().y, 2);
  EXPECT_EQ(event->modifierFlags(), NSShiftKeyMask);
  EXPECT_EQ(event->timestamp(), 12.5);
  EXPECT_EQ(event->windowNumber(), window->windowNumber());
  EXPECT_EQ(event->context(), context);
  EXPECT_EQ(event->characters(), chars);
  EXPECT_EQ(event->charactersIgnoringModifiers(), plain);
  EXPECT_TRUE(event->isARepeat());
  EXPECT_EQ(event->keyCode(), kVK_ANSI_A);
  EXPECT_EQ(chars->retainCount(), 2u);  // the pool's and the event's
  window->release();
}

TEST(NSEvent, OnlyKeyTypesMakeKeyEvents) {
  NSAutoreleaseScope pool;
  EXPECT_EQ(NSEvent::keyEventWithType(NSLeftMouseDown, NSZeroPoint, 0, 0, 0, nullptr, nullptr,
                                      nullptr, NO, 0),
            nullptr);
  EXPECT_EQ(NSGraphicsContext::graphicsContextWithWindow(nullptr), nullptr);
}

TEST(NSMutableData, AppendsCopies) {
  NSAutoreleaseScope pool;
  char script[] = "(function(){";
  NSMutableData* data = NSMutableData::dataWithBytes(script, 12);
  ASSERT_NE(data, nullptr);
  script[0] = 'X';
  EXPECT_TRUE(data->appendBytes("})();", 6));
  EXPECT_EQ(data->length(), 18u);
  EXPECT_STREQ(static_cast<const char*>(data->bytes()), "(function(){})();");
  EXPECT_FALSE(data->appendBytes(nullptr, 3));
  EXPECT_EQ(NSMutableData::dataWithBytes(nullptr, 1), nullptr);
}
