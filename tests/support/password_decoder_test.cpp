// The tests' decoder must itself be right before it can judge the plug-in: its reading of the
// scrambler against known answers and over every variant, and the encoder's output under every
// draw decoded back.
#include "tests/support/password_decoder.h"

#include <gtest/gtest.h>

#include <string>

#include "encoding/jnidecrypt.h"
#include "tests/support/reference.h"

namespace {

std::string hex(const std::string& bytes) {
  std::string out;
  char two[4];
  for (unsigned char b : bytes) {
    std::snprintf(two, sizeof two, "%02X ", b);
    out += two;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

// Known answers: the worked examples of the character scrambler's design notes (clear text,
// variant, scrambled bytes in hex without the caller's zero fill).
struct Known {
  const char* clear;
  int variant;
  const char* scrambled;
};
const Known kKnown[] = {
    {"abc", 1, "62 61 64 01"},
    {"abc", 2, "64 5F 66 02"},
    {"abc", 5, "64 61 62 05"},
    {"abc", 9, "64 65 66 09"},
    {"abc", 19, "65 5E 67 13"},
    {"abc", 29, "65 66 67 1D"},
    {"abc", 44, "63 60 65 2C"},
    {"abc", 69, "62 63 65 45"},
    {"abc", 96, "65 61 67 60"},
    {"abc", 104, "60 64 62 68"},
    {"abc", 123, "5C 66 5E 7B"},
    {"abcdefghij", 2, "6B 58 6D 5A 6F 5C 71 5E 73 60 02"},
    {"abcdefghij", 5, "6B 68 69 66 67 64 65 62 63 60 05"},
    {"abcdefghij", 9, "69 6A 6B 6C 6D 6E 6F 70 71 72 09"},
    {"abcdefghij", 39, "62 61 64 63 66 65 68 67 6A 69 27"},
    {"abcdefghij", 74, "62 63 64 66 67 68 6A 6B 6C 6E 4A"},
    {"abcdefghij", 104, "60 64 62 66 64 68 66 6A 68 6C 68"},
};

TEST(TestDecoder, ScramblerMatchesKnownAnswersBothWays) {
  for (const Known& k : kKnown) {
    SCOPED_TRACE(std::string(k.clear) + " variant " + std::to_string(k.variant));
    const std::string scrambled = reference::Scramble(k.variant, k.clear);
    EXPECT_EQ(hex(scrambled), k.scrambled);
    EXPECT_EQ(reference::Unscramble(scrambled), std::string(k.clear));
  }
}

TEST(TestDecoder, EveryVariantIsUndoneForEveryLength) {
  const std::string source =
      "Pa55 w0rd! with ~ and more text to reach a long length, 0123456789 ABC";
  for (std::size_t length : {0u, 1u, 2u, 3u, 7u, 8u, 9u, 26u, 63u, 70u}) {
    for (int n = 1; n <= 123; ++n) {
      const std::string clear = source.substr(0, length);
      EXPECT_EQ(reference::Unscramble(reference::Scramble(n, clear)), clear)
          << "variant " << n << ", length " << length;
    }
  }
}

TEST(TestDecoder, DecodesTheEncoderUnderEveryDraw) {
  for (const std::string& clear : {std::string(""), std::string("x"), std::string("Pass word 1"),
                                   std::string(63, 'm'), std::string(100, 'Q')}) {
    for (int draw = 0; draw < 123; ++draw) {
      char out[512] = {};
      QsEncodeWithDraw(out, clear.c_str(), draw);
      ASSERT_EQ(testsupport::decodePassword(out), clear)
          << "draw " << draw << ", length " << clear.size();
      // Draw 94 selects variant 96 like draw 95; every other draw its own number plus one.
      EXPECT_EQ(testsupport::variantOf(out), draw == 94 ? 96 : draw + 1);
    }
  }
}

TEST(TestDecoder, RefusesWhatNoEncoderWrites) {
  EXPECT_FALSE(testsupport::decodePassword(std::string(384, '0')));      // 384 units
  EXPECT_FALSE(testsupport::decodePassword(std::string(3 * 128, '*')));  // broken escapes
}

}  // namespace
