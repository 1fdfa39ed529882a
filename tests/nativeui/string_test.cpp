// NSString: checked creation from UTF-8, UTF-16 access, the C-string forms, and wiped storage.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/NSString.h"
#include "nativeui/SecureMemory.h"

namespace {

// Counts freed blocks that still hold the probe bytes.
struct FreeScan {
  std::string needle;
  int hits = 0;
  static void hook(const void* block, std::size_t size, void* context) {
    auto* scan = static_cast<FreeScan*>(context);
    std::string bytes(static_cast<const char*>(block), size);
    if (bytes.find(scan->needle) != std::string::npos) ++scan->hits;
  }
};

}  // namespace

TEST(NSString, Utf8BecomesUtf16Units) {
  NSAutoreleaseScope pool;
  NSString* s = NSString::stringWithUTF8String("a\xC3\xA9\xF0\x9F\x94\x91");  // a, e-acute, key
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->length(), 4u);
  EXPECT_EQ(s->characterAtIndex(0), u'a');
  EXPECT_EQ(s->characterAtIndex(1), 0x00E9);
  EXPECT_EQ(s->characterAtIndex(2), 0xD83D);
  EXPECT_EQ(s->characterAtIndex(3), 0xDD11);
  EXPECT_EQ(s->characterAtIndex(4), 0);
  EXPECT_STREQ(s->UTF8String(), "a\xC3\xA9\xF0\x9F\x94\x91");
}

TEST(NSString, InvalidUtf8GivesNil) {
  NSAutoreleaseScope pool;
  EXPECT_EQ(NSString::stringWithUTF8String(nullptr), nullptr);
  EXPECT_EQ(NSString::stringWithUTF8String("\xC0\xAF"), nullptr);          // overlong "/"
  EXPECT_EQ(NSString::stringWithUTF8String("\xED\xA0\x80"), nullptr);      // encoded surrogate
  EXPECT_EQ(NSString::stringWithUTF8String("\xF4\x90\x80\x80"), nullptr);  // above U+10FFFF
  EXPECT_EQ(NSString::stringWithUTF8String("ab\xE2\x82"), nullptr);        // cut short
}

TEST(NSString, AsciiFormOnlyWhenEveryCharacterIsAscii) {
  NSAutoreleaseScope pool;
  NSString* ascii = NSString::stringWithUTF8String("Secret 123!");
  EXPECT_STREQ(ascii->cStringUsingEncoding(NSASCIIStringEncoding), "Secret 123!");
  EXPECT_EQ(ascii->cStringUsingEncoding(NSASCIIStringEncoding),
            ascii->cStringUsingEncoding(NSASCIIStringEncoding));
  NSString* accented = NSString::stringWithUTF8String("caf\xC3\xA9");
  EXPECT_EQ(accented->cStringUsingEncoding(NSASCIIStringEncoding), nullptr);
  EXPECT_EQ(accented->cStringUsingEncoding(NSUnicodeStringEncoding), nullptr);
  EXPECT_STREQ(NSString::string()->cStringUsingEncoding(NSASCIIStringEncoding), "");
}

TEST(NSString, LoneSurrogateHasNoUtf8Form) {
  NSAutoreleaseScope pool;
  const unichar lone[] = {u'a', 0xD800};
  NSString* s = NSString::stringWithCharacters(lone, 2);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->UTF8String(), nullptr);
}

TEST(NSString, EqualityComparesUnits) {
  NSAutoreleaseScope pool;
  EXPECT_TRUE(
      NSString::stringWithUTF8String("x")->isEqualToString(NSString::stringWithUTF8String("x")));
  EXPECT_FALSE(
      NSString::stringWithUTF8String("x")->isEqualToString(NSString::stringWithUTF8String("X")));
  EXPECT_FALSE(NSString::string()->isEqualToString(nullptr));
}

TEST(NSString, StorageAndCStringFormsAreWipedWhenFreed) {
  FreeScan ascii{"hunter2"};
  NSSetFreeHook(FreeScan::hook, &ascii);
  const char probe[] = "..hunter2..";
  NSCallFreeHook(probe, sizeof probe);  // the scan itself works
  ASSERT_EQ(ascii.hits, 1);
  ascii.hits = 0;
  {
    NSAutoreleaseScope pool;
    NSString* s = NSString::stringWithUTF8String("hunter2");
    ASSERT_STREQ(s->cStringUsingEncoding(NSASCIIStringEncoding), "hunter2");
    ASSERT_STREQ(s->UTF8String(), "hunter2");
  }
  FreeScan utf16{std::string("h\0u\0n\0t\0e\0r\0002\0", 14)};
  NSSetFreeHook(FreeScan::hook, &utf16);
  {
    NSAutoreleaseScope pool;
    NSString::stringWithUTF8String("hunter2");
  }
  NSSetFreeHook(nullptr, nullptr);
  EXPECT_EQ(ascii.hits, 0);
  EXPECT_EQ(utf16.hits, 0);
}
