// The smaller services: key events, graphics contexts, cursors, the tick counter and NSLog.
#include <gtest/gtest.h>

#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/NSBundle.h"
#include "nativeui/NSCursor.h"
#include "nativeui/NSEvent.h"
#include "nativeui/NSGraphicsContext.h"
#include "nativeui/NSLog.h"
#include "nativeui/NSMutableData.h"
#include "nativeui/NSString.h"
#include "nativeui/NSWindow.h"
#include "nativeui/mach_time.h"

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

TEST(NSCursor, SetMakesACursorCurrent) {
  NSUInteger sets = NSCursor::setCount();
  NSCursor::IBeamCursor()->set();
  EXPECT_EQ(NSCursor::currentCursor(), NSCursor::IBeamCursor());
  NSCursor::arrowCursor()->set();
  EXPECT_EQ(NSCursor::currentCursor(), NSCursor::arrowCursor());
  EXPECT_NE(NSCursor::IBeamCursor(), NSCursor::arrowCursor());
  EXPECT_EQ(NSCursor::setCount(), sets + 2);
  NSCursor::IBeamCursor()->release();  // shared cursors survive any release
  EXPECT_STREQ(NSCursor::IBeamCursor()->name(), "IBeam");
}

TEST(MachTime, TicksNeverGoBack) {
  uint64_t first = mach_absolute_time();
  uint64_t second = mach_absolute_time();
  EXPECT_GE(second, first);
  EXPECT_GT(first, 0u);
}

TEST(NSLog, LinesCanBeCaptured) {
  NSLogClearCapturedLines();
  NSLogSetCapture(true);
  NSLogSetEchoToStandardError(false);
  NSLog("focus changed with %d", 1);
  NSLog("focus changed with %d", 0);
  NSLogSetCapture(false);
  NSLog("not captured");
  NSLogSetEchoToStandardError(true);
  EXPECT_EQ(NSLogCapturedLines(),
            (std::vector<std::string>{"focus changed with 1", "focus changed with 0"}));
}

TEST(NSBundle, InfoValuesAreSetByTheHost) {
  NSAutoreleaseScope pool;
  NSBundle::setMainInfoValue(kCFBundleVersionKey, "5.1.2");
  NSString* version = NSBundle::mainBundle()->infoDictionary()->valueForKey(kCFBundleVersionKey);
  ASSERT_NE(version, nullptr);
  EXPECT_FLOAT_EQ(version->floatValue(), 5.1f);
  NSBundle::setMainInfoValue(kCFBundleVersionKey, nullptr);
  EXPECT_EQ(NSBundle::mainBundle()->infoDictionary()->valueForKey(kCFBundleVersionKey), nullptr);
}

TEST(NSString, FloatValueReadsTheLeadingNumber) {
  NSAutoreleaseScope pool;
  EXPECT_FLOAT_EQ(NSString::stringWithUTF8String("  16.5abc")->floatValue(), 16.5f);
  EXPECT_FLOAT_EQ(NSString::stringWithUTF8String("abc")->floatValue(), 0.0f);
  EXPECT_FLOAT_EQ(NSString::string()->floatValue(), 0.0f);
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
