// The quick reading of encoded texts against the strict one: it must accept every text the
// encoder writes with the same 128 bytes, and never accept a text the strict reading refuses.
// Texts: the encoder's for every length and many draws, and each of them broken once (a character
// replaced by every kind of character, one removed, one doubled, digits in lower case).
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "decoder/fast_unescape.h"
#include "decoder/unescape.h"
#include "tests/decoder/support.h"

namespace {

TEST(FastUnescape, AcceptsExactlyWhatTheStrictReadingAccepts) {
  if (!decoder::FastUnescapeAvailable()) GTEST_SKIP() << "the CPU lacks SSSE3 or POPCNT";
  std::mt19937 random(99);
  const std::string kinds = "aZ09*%+ -._~\x7F\x80\xFF";
  int accepted = 0, checked = 0;
  const auto check = [&](const std::string& text) {
    unsigned char fast[128], strict[128];
    const bool quick = decoder::UnescapeFast(text, fast);
    const bool ok = decoder::UnescapeStrict(text, strict).error == decoder::DecodeError::kNone;
    ++checked;
    ASSERT_EQ(quick, ok) << text;
    if (quick) {
      ++accepted;
      ASSERT_EQ(std::memcmp(fast, strict, 128), 0) << text;
    }
  };
  for (int length = 0; length <= 126; length += 5) {
    for (int r = 0; r < 123; r += 17) {
      std::string clear(static_cast<std::size_t>(length), ' ');
      for (char& c : clear) c = static_cast<char>(1 + random() % 255);
      const std::string text = decoder_test::Encode(clear, r);
      check(text);
      for (int k = 0; k < 12; ++k) {
        const std::size_t at = random() % text.size();
        std::string broken = text;
        broken[at] = kinds[random() % kinds.size()];
        check(broken);
        check(text.substr(0, at) + text.substr(at + 1));
        check(text.substr(0, at) + text[at] + text.substr(at));
        broken = text;
        for (char& c : broken)
          if (c >= 'A' && c <= 'F' && random() % 8 == 0) c = static_cast<char>(c + 32);
        check(broken);
      }
    }
  }
  check(decoder_test::Escape(decoder_test::Bytes(128, 0)));
  check(std::string(128, 'Q'));
  EXPECT_GT(accepted, 200);
  EXPECT_GT(checked - accepted, 2000);
}

}  // namespace
