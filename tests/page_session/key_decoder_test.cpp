// Raw terminal bytes to key presses: characters with their US key codes and Shift, the editing
// keys in the sequences terminals send, Return, UTF-8 characters whole, interrupt and end of
// input, and anything else dropped without harm.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "nativeui/AppKitConstants.h"
#include "page_session/KeyDecoder.h"
#include "page_session/USKeyLayout.h"

namespace {

using pagesession::InputEvent;
using pagesession::KeyDecoder;

std::vector<InputEvent> decode(const std::string& bytes, bool finish = true) {
  KeyDecoder decoder;
  std::vector<InputEvent> events;
  decoder.feed(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), events);
  if (finish) decoder.finish(events);
  return events;
}

// The single key the bytes decode to, as (first character, key code).
std::pair<char16_t, uint16_t> onlyKey(const std::string& bytes) {
  std::vector<InputEvent> events = decode(bytes);
  EXPECT_EQ(events.size(), 1u) << bytes;
  if (events.size() != 1 || events[0].kind != InputEvent::Kind::Key) return {0, 0xFFFF};
  EXPECT_EQ(events[0].key.characters, events[0].key.charactersIgnoringModifiers);
  return {events[0].key.characters[0], events[0].key.keyCode};
}

TEST(KeyDecoder, PrintableCharactersCarryTheirUSKeyCodeAndShift) {
  std::vector<InputEvent> events = decode("aA!1 ~z");
  ASSERT_EQ(events.size(), 7u);
  struct Expected {
    char16_t c;
    uint16_t code;
    bool shift;
  };
  const Expected expected[] = {{u'a', 0x00, false}, {u'A', 0x00, true},  {u'!', 0x12, true},
                               {u'1', 0x12, false}, {u' ', 0x31, false}, {u'~', 0x32, true},
                               {u'z', 0x06, false}};
  for (std::size_t i = 0; i < events.size(); ++i) {
    EXPECT_EQ(events[i].key.characters, std::u16string(1, expected[i].c));
    EXPECT_EQ(events[i].key.keyCode, expected[i].code) << i;
    EXPECT_EQ(events[i].key.modifierFlags, expected[i].shift ? NSShiftKeyMask : 0u) << i;
  }
}

TEST(KeyDecoder, EveryPrintableCharacterIsOnItsOwnKey) {
  std::set<std::pair<uint16_t, bool>> keys;
  for (char c = 0x20; c <= 0x7E; ++c) {
    pagesession::USKey key{};
    ASSERT_TRUE(pagesession::usKeyFor(c, &key)) << c;
    // Only the space bar types the same character with and without Shift.
    if (c != ' ') {
      EXPECT_TRUE(keys.insert({key.keyCode, key.shift}).second) << c;
    }
  }
  pagesession::USKey key{};
  EXPECT_FALSE(pagesession::usKeyFor('\x7F', &key));
  EXPECT_FALSE(pagesession::usKeyFor('\n', &key));
}

TEST(KeyDecoder, EditingKeysBecomeTheirMacKeys) {
  const std::pair<std::string, std::pair<char16_t, uint16_t>> cases[] = {
      {"\x7F", {0x7F, kVK_Delete}},
      {"\x08", {0x7F, kVK_Delete}},
      {"\r", {0x0D, kVK_Return}},
      {"\n", {0x0D, kVK_Return}},
      {"\t", {0x09, kVK_Tab}},
      {"\x1B", {0x1B, kVK_Escape}},
      {"\x1B[3~", {0xF728, kVK_ForwardDelete}},
      {"\x1B[D", {0xF702, kVK_LeftArrow}},
      {"\x1B[C", {0xF703, kVK_RightArrow}},
      {"\x1BOD", {0xF702, kVK_LeftArrow}},
      {"\x1B[1;5C", {0xF703, kVK_RightArrow}},
      {"\x1B[A", {0xF700, kVK_UpArrow}},
      {"\x1B[H", {0xF729, kVK_Home}},
      {"\x1B[1~", {0xF729, kVK_Home}},
      {"\x1B[7~", {0xF729, kVK_Home}},
      {"\x1BOH", {0xF729, kVK_Home}},
      {"\x1B[F", {0xF72B, kVK_End}},
      {"\x1B[4~", {0xF72B, kVK_End}},
      {"\x1B[8~", {0xF72B, kVK_End}},
      {"\x1BOF", {0xF72B, kVK_End}},
  };
  for (const auto& [bytes, key] : cases) EXPECT_EQ(onlyKey(bytes), key) << bytes.substr(1);
  EXPECT_TRUE(decode("\r")[0].isReturn());
  EXPECT_TRUE(decode("\n")[0].isReturn());
}

TEST(KeyDecoder, EscapeIsTheEscapeKeyOnlyWhenNoSequenceFollows) {
  KeyDecoder decoder;
  std::vector<InputEvent> events;
  const unsigned char escape = 0x1B;
  decoder.feed(&escape, 1, events);
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(decoder.pending());
  decoder.feed(reinterpret_cast<const unsigned char*>("[D"), 2, events);  // arrives later
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].key.keyCode, kVK_LeftArrow);

  events = decode("\x1Bx\x1B\x1B");
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].key.keyCode, kVK_Escape);
  EXPECT_EQ(events[1].key.characters, u"x");
  EXPECT_EQ(events[2].key.keyCode, kVK_Escape);
  EXPECT_EQ(events[3].key.keyCode, kVK_Escape);
}

TEST(KeyDecoder, UnknownSequencesAndControlBytesTypeNothing) {
  EXPECT_TRUE(decode("\x1B[5~\x1B[2~\x1B[15~\x1BOP\x1B[200~\x01\x02\x1A\x1C").empty());
  // A sequence broken by a control byte is dropped, and the byte counts on its own.
  std::vector<InputEvent> events = decode("\x1B[1\r");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_TRUE(events[0].isReturn());
  // An endless "sequence" is cut off; what follows is read again.
  events = decode("\x1B[" + std::string(40, '1') + "a");
  EXPECT_FALSE(events.empty());
}

TEST(KeyDecoder, UTF8CharactersArriveWhole) {
  EXPECT_EQ(onlyKey("\xC3\xA4"), (std::pair<char16_t, uint16_t>{u'\u00E4', 0}));
  EXPECT_EQ(onlyKey("\xE2\x82\xAC"), (std::pair<char16_t, uint16_t>{u'\u20AC', 0}));
  std::vector<InputEvent> events = decode("\xF0\x9F\x98\x80");  // U+1F600: a surrogate pair
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].key.characters, u"\U0001F600");
  // Split across reads.
  KeyDecoder decoder;
  events.clear();
  decoder.feed(reinterpret_cast<const unsigned char*>("\xE2\x82"), 2, events);
  EXPECT_TRUE(events.empty());
  decoder.feed(reinterpret_cast<const unsigned char*>("\xAC"), 1, events);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].key.characters, u"\u20AC");
}

TEST(KeyDecoder, InvalidUTF8IsDropped) {
  std::vector<InputEvent> events = decode("\xC3(\xC0\x80\xED\xA0\x80\x80\xFFz\xE2\x82");
  ASSERT_EQ(events.size(), 2u);  // "(" after the broken lead, and "z"
  EXPECT_EQ(events[0].key.characters, u"(");
  EXPECT_EQ(events[1].key.characters, u"z");
}

TEST(KeyDecoder, CtrlCInterruptsAndCtrlDEndsTheInput) {
  std::vector<InputEvent> events = decode(
      "a\x03"
      "b\x04");
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[1].kind, InputEvent::Kind::Interrupt);
  EXPECT_EQ(events[3].kind, InputEvent::Kind::EndOfInput);
}

TEST(KeyDecoder, AnyBytesGiveWellFormedKeys) {
  std::mt19937 random(20240601);
  std::uniform_int_distribution<int> byte(0, 255), chunk(1, 17);
  KeyDecoder decoder;
  std::vector<InputEvent> events;
  std::vector<unsigned char> bytes(200000);
  for (unsigned char& b : bytes) b = static_cast<unsigned char>(byte(random));
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(chunk(random)), bytes.size() - at);
    decoder.feed(&bytes[at], n, events);
    at += n;
  }
  decoder.finish(events);
  ASSERT_FALSE(events.empty());
  for (const InputEvent& event : events) {
    if (event.kind != InputEvent::Kind::Key) continue;
    ASSERT_FALSE(event.key.characters.empty());
    ASSERT_LE(event.key.characters.size(), 2u);
    ASSERT_EQ(event.key.characters, event.key.charactersIgnoringModifiers);
  }
}

}  // namespace
