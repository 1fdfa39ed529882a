// The secure text field: key-event editing while first responder, its limits, what it never
// gives out, its bullet layer, and the hygiene of its storage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "nativeui/CALayer.h"
#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/NSEvent.h"
#include "nativeui/NSSecureTextField.h"
#include "nativeui/NSString.h"
#include "nativeui/NSWindow.h"
#include "nativeui/SecureMemory.h"

namespace {

const std::string kBullet = "\xE2\x80\xA2";

std::string bullets(int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += kBullet;
  return out;
}

class SecureTextFieldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pool_ = NSAutoreleasePool::push();
    window_ = NSObject::alloc<NSWindow>();
    window_->initWithContentRect(NSMakeRect(0, 0, 300, 24), NSTitledWindowMask,
                                 NSBackingStoreNonretained, NO);
    field_ = NSObject::alloc<NSSecureTextField>()->initWithFrame(NSMakeRect(0, 0, 300, 24));
    field_->setEditable(YES);
    field_->setWantsLayer(YES);
    window_->setContentView(field_);
    ASSERT_TRUE(window_->makeFirstResponder(field_));
  }
  void TearDown() override {
    NSRelease(field_);
    NSRelease(window_);
    pool_->drain();
  }

  void key(const std::u16string& characters, NSUInteger modifiers = 0) {
    NSString* chars = NSString::stringWithCharacters(
        reinterpret_cast<const unichar*>(characters.data()), characters.size());
    NSEvent* event =
        NSEvent::keyEventWithType(NSKeyDown, NSZeroPoint, modifiers, 0, window_->windowNumber(),
                                  nullptr, chars, chars, NO, 0);
    window_->firstResponder()->keyDown(event);
  }
  void type(const std::u16string& text) {
    for (char16_t c : text) key(std::u16string(1, c));
  }
  std::u16string text() {
    NSString* value = field_->stringValue();
    std::u16string out;
    for (NSUInteger i = 0; i < value->length(); ++i) out.push_back(value->characterAtIndex(i));
    return out;
  }
  std::string shown() { return static_cast<CATextLayer*>(field_->layer())->string(); }

  NSAutoreleasePool* pool_ = nullptr;
  NSWindow* window_ = nullptr;
  NSSecureTextField* field_ = nullptr;
};

}  // namespace

TEST_F(SecureTextFieldTest, PrintableCharactersInsertAtTheCaret) {
  type(u"acd");
  key(u"\uF702");  // left
  key(u"\uF702");
  type(u"b");
  EXPECT_EQ(text(), u"abcd");
  EXPECT_EQ(field_->caretIndex(), 2u);
  key(u"\uF72B");  // end
  type(u"e");
  key(u"\uF729");  // home
  type(u"_");
  EXPECT_EQ(text(), u"_abcde");
}

TEST_F(SecureTextFieldTest, BackspaceAndForwardDeleteRemoveAroundTheCaret) {
  type(u"abcd");
  key(u"\x7F");  // backspace
  EXPECT_EQ(text(), u"abc");
  key(u"\uF702");
  key(u"\uF702");
  key(u"\uF728");  // forward delete
  EXPECT_EQ(text(), u"ac");
  key(u"\x08");  // the backspace control character does the same
  EXPECT_EQ(text(), u"c");
}

TEST_F(SecureTextFieldTest, EditingAtTheEdgesChangesNothing) {
  type(u"ab");
  key(u"\uF729");
  key(u"\x7F");    // backspace at the start
  key(u"\uF702");  // left at the start
  EXPECT_EQ(text(), u"ab");
  EXPECT_EQ(field_->caretIndex(), 0u);
  key(u"\uF72B");
  key(u"\uF728");  // forward delete at the end
  key(u"\uF703");  // right at the end
  EXPECT_EQ(text(), u"ab");
  EXPECT_EQ(field_->caretIndex(), 2u);
}

TEST_F(SecureTextFieldTest, KeysThatDoNotEditLeaveTheText) {
  type(u"pw");
  for (const char16_t* c : {u"\r", u"\t", u"\x1B", u"\x03", u"\x19", u"\uF700", u"\uF704"}) {
    key(c);
  }
  key(u"v", NSCommandKeyMask);  // paste
  key(u"x", NSCommandKeyMask);  // cut
  key(u"c", NSCommandKeyMask);  // copy
  key(u"a", NSCommandKeyMask);  // select all
  key(u"\x7F", NSCommandKeyMask);
  EXPECT_EQ(text(), u"pw");
  EXPECT_EQ(field_->caretIndex(), 2u);
}

TEST_F(SecureTextFieldTest, The127thCharacterIsIgnored) {
  type(std::u16string(126, u'x'));
  EXPECT_EQ(field_->stringValue()->length(), 126u);
  type(u"y");
  key(u"\uF729");
  type(u"z");
  EXPECT_EQ(text(), std::u16string(126, u'x'));
  key(u"\uF72B");
  key(u"\x7F");
  type(u"yz");
  EXPECT_EQ(text(), std::u16string(125, u'x') + u"y");
}

TEST_F(SecureTextFieldTest, SurrogatePairsAreOneCharacter) {
  type(u"a");
  key(u"\U0001F511");
  type(u"b");
  EXPECT_EQ(shown(), bullets(3) + "|");
  key(u"\uF702");
  key(u"\uF702");
  EXPECT_EQ(field_->caretIndex(), 1u);
  key(u"\uF728");
  EXPECT_EQ(text(), u"ab");
  type(std::u16string(123, u'x'));
  key(u"\U0001F511");  // needs two units, one is left
  EXPECT_EQ(field_->stringValue()->length(), 125u);
}

TEST_F(SecureTextFieldTest, NonAsciiTextHasNoAsciiForm) {
  type(u"caf\u00E9");
  EXPECT_EQ(field_->stringValue()->cStringUsingEncoding(NSASCIIStringEncoding), nullptr);
  key(u"\x7F");
  EXPECT_STREQ(field_->stringValue()->cStringUsingEncoding(NSASCIIStringEncoding), "caf");
}

TEST_F(SecureTextFieldTest, OnlyTheFirstResponderEdits) {
  type(u"a");
  EXPECT_TRUE(field_->resignFirstResponder());
  EXPECT_EQ(window_->firstResponder(), window_);
  EXPECT_FALSE(field_->isEditing());
  field_->keyDown(NSEvent::keyEventWithType(NSKeyDown, NSZeroPoint, 0, 0, 0, nullptr,
                                            NSString::stringWithUTF8String("b"), nullptr, NO, 0));
  EXPECT_EQ(text(), u"a");
  ASSERT_TRUE(window_->makeFirstResponder(field_));
  field_->setEditable(NO);
  type(u"c");
  EXPECT_EQ(text(), u"a");
}

TEST_F(SecureTextFieldTest, StringValueIsAnIndependentCopy) {
  type(u"abc");
  NSString* before = field_->stringValue();
  type(u"d");
  EXPECT_EQ(before->length(), 3u);
  field_->setStringValue(NSString::string());
  EXPECT_EQ(field_->stringValue()->length(), 0u);
  EXPECT_EQ(before->length(), 3u);
}

TEST_F(SecureTextFieldTest, SetStringValueTruncatesAndMovesTheCaretToTheEnd) {
  std::u16string longText(125, u'x');
  longText += u"\U0001F511";  // the pair would end at unit 127
  field_->setStringValue(NSString::stringWithCharacters(
      reinterpret_cast<const unichar*>(longText.data()), longText.size()));
  EXPECT_EQ(field_->stringValue()->length(), 125u);
  EXPECT_EQ(field_->caretIndex(), 125u);
  field_->setStringValue(nullptr);
  EXPECT_EQ(field_->stringValue()->length(), 0u);
}

TEST_F(SecureTextFieldTest, LayerShowsBulletsAndTheCaretNeverTheText) {
  type(u"abc");
  EXPECT_EQ(shown(), bullets(3) + "|");
  key(u"\uF702");
  EXPECT_EQ(shown(), bullets(2) + "|" + bullets(1));
  field_->resignFirstResponder();
  EXPECT_EQ(shown(), bullets(3));
  EXPECT_EQ(shown().find('a'), std::string::npos);
}

TEST_F(SecureTextFieldTest, StorageHoldsNothingPastTheText) {
  type(u"secret");
  key(u"\uF729");
  key(u"\uF728");
  key(u"\uF72B");
  key(u"\x7F");
  key(u"\x7F");
  const unichar* raw = field_->storageForTesting();
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(raw), 3), u"ecr");
  for (NSUInteger i = 3; i < NSSecureTextField::kMaximumLength; ++i) {
    ASSERT_EQ(raw[i], 0) << "unit " << i;
  }
  field_->setStringValue(NSString::stringWithUTF8String("z"));
  for (NSUInteger i = 1; i < NSSecureTextField::kMaximumLength; ++i) ASSERT_EQ(raw[i], 0);
}

TEST_F(SecureTextFieldTest, StorageIsWipedWhenTheFieldIsFreed) {
  struct Scan {
    int blocks = 0;
    int hits = 0;
    static void hook(const void* block, std::size_t size, void* context) {
      auto* scan = static_cast<Scan*>(context);
      ++scan->blocks;
      std::u16string units(static_cast<const char16_t*>(block), size / 2);
      if (units.find(u"hunter2") != std::u16string::npos) ++scan->hits;
    }
  } scan;
  type(u"hunter2");
  window_->setContentView(nullptr);
  NSSetFreeHook(Scan::hook, &scan);
  const char16_t probe[] = u"..hunter2..";
  NSCallFreeHook(probe, sizeof probe);  // the scan itself works
  ASSERT_EQ(scan.hits, 1);
  scan.hits = 0;
  field_->release();
  field_ = nullptr;
  NSSetFreeHook(nullptr, nullptr);
  EXPECT_GE(scan.blocks, 2);
  EXPECT_EQ(scan.hits, 0);
}

namespace {

// The kernel's flags of the mapping that holds address, as /proc/self/smaps lists them.
std::string VmFlagsOf(const void* address) {
  const auto at = reinterpret_cast<std::uintptr_t>(address);
  std::ifstream smaps("/proc/self/smaps");
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    std::uintptr_t start = 0, end = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx ", &start, &end) == 2 && line.find(':') > 8) {
      inside = at >= start && at < end;
    } else if (inside && line.rfind("VmFlags:", 0) == 0) {
      return line + " ";
    }
  }
  return "";
}

}  // namespace

// Every field's storage is its own, zero-filled when handed out (also when it served a field
// before), and lies in pages locked in memory ("lo") and left out of core dumps ("dd").
TEST_F(SecureTextFieldTest, EachFieldsStorageIsItsOwnLockedAndLeftOutOfDumps) {
  constexpr std::size_t kUnits = NSSecureTextField::kMaximumLength;
  const std::string full(kUnits, 'w');
  std::vector<NSSecureTextField*> fields;
  auto expectFreshStorage = [&](NSSecureTextField* field) {
    const unichar* storage = field->storageForTesting();
    ASSERT_NE(storage, nullptr);
    for (std::size_t i = 0; i < kUnits; ++i) ASSERT_EQ(storage[i], 0) << "unit " << i;
    EXPECT_TRUE(NSSecretStorageIsLocked(storage));
    const std::string flags = VmFlagsOf(storage);
#if !defined(__SANITIZE_ADDRESS__)  // which answers mlock with success and does nothing
    EXPECT_NE(flags.find(" lo "), std::string::npos) << flags;
#endif
    EXPECT_NE(flags.find(" dd "), std::string::npos) << flags;
    field->setStringValue(NSString::stringWithUTF8String(full.c_str()));
  };
  for (int i = 0; i < 40; ++i) {  // more than one page holds
    fields.push_back(NSObject::alloc<NSSecureTextField>()->initWithFrame(NSZeroRect));
    expectFreshStorage(fields.back());
  }
  for (std::size_t i = 0; i < fields.size(); i += 2) {
    fields[i]->release();
    fields[i] = NSObject::alloc<NSSecureTextField>()->initWithFrame(NSZeroRect);
    expectFreshStorage(fields[i]);
  }
  std::vector<const unichar*> storages;
  for (NSSecureTextField* field : fields) storages.push_back(field->storageForTesting());
  std::sort(storages.begin(), storages.end());
  for (std::size_t i = 1; i < storages.size(); ++i) {
    EXPECT_GE(storages[i] - storages[i - 1], static_cast<std::ptrdiff_t>(kUnits));
  }
  for (NSSecureTextField* field : fields) {
    EXPECT_EQ(field->stringValue()->length(), kUnits);
    field->release();
  }
}
