// QsEncode end to end: the format of the encoded password text for every length and draw, the
// round trip back to the clear text (unescape, OpenSSL AES, undo the variant), the zero-byte
// cases and the draw that avoids them, over-long texts and the clock-seeded draw.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "encoding/format/encoded_text.h"
#include "encoding/jnidecrypt.h"
#include "tests/support/reference.h"

namespace {

using reference::Bytes;

std::string Encode(const std::string& clear, int r) {
  char out[512];
  std::memset(out, 0x55, sizeof out);
  QsEncodeWithDraw(out, clear.c_str(), r);
  return out;
}

std::string Repeat(const char* unit, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += unit;
  return s;
}

// Reads the units of an encoded password text back to bytes, and fails on any text the encoder
// would not write.
testing::AssertionResult Units(const std::string& text, Bytes& bytes) {
  unsigned char cipher[encoded_text::kUnitCount];
  const encoded_text::ReadStatus status = encoded_text::ReadUnits(text, cipher);
  if (!status.ok())
    return testing::AssertionFailure() << "fault " << static_cast<int>(status.fault) << " at "
                                       << status.position << " of " << text;
  bytes.assign(cipher, cipher + sizeof cipher);
  return testing::AssertionSuccess();
}

// Checks the encoded text of clear under draw r against what each stage must have done.
void CheckPipeline(const std::string& clear, int r) {
  SCOPED_TRACE("L " + std::to_string(clear.size()) + ", r " + std::to_string(r));
  const std::string text = Encode(clear, r);
  ASSERT_GE(text.size(), 128u);
  ASSERT_LE(text.size(), 384u);
  ASSERT_EQ((text.size() - 128) % 2, 0u);
  Bytes cipher;
  ASSERT_TRUE(Units(text, cipher));

  // The AES stage measures the scrambled text up to its first zero byte and encrypts that length
  // rounded up to 64 bytes of the zero-filled buffer, the bytes behind a zero included; the cipher
  // bytes behind those were never written and are zero.
  const std::string scrambled = reference::Scramble(reference::VariantOfDraw(r), clear);
  const std::size_t seen = std::strlen(scrambled.c_str());
  const std::size_t total = (seen + 63) / 64 * 64;
  Bytes plain(128, 0);
  std::memcpy(plain.data(), scrambled.data(), scrambled.size());
  const Bytes encrypted(cipher.begin(), cipher.begin() + total);
  EXPECT_EQ(reference::OpenSslEcb(false, reference::kDerivedKey, encrypted),
            Bytes(plain.begin(), plain.begin() + total));
  EXPECT_EQ(Bytes(cipher.begin() + total, cipher.end()), Bytes(128 - total, 0));
  if (total <= 64) {
    EXPECT_EQ(text.substr(text.size() - 192), Repeat("*00", 64));
  }

  // The receiver's round trip, whenever no transformed byte is zero.
  if (seen == scrambled.size()) {
    const Bytes decrypted = reference::OpenSslEcb(false, reference::kDerivedKey, encrypted);
    const std::string back(decrypted.begin(), decrypted.begin() + seen);
    EXPECT_EQ(reference::Unscramble(back), clear);
  }
}

class EveryDraw : public testing::TestWithParam<int> {};

TEST_P(EveryDraw, EncodesEveryLengthFrom0To126) {
  const int r = GetParam();
  std::mt19937 rng(r);
  for (std::size_t len = 0; len <= kMaxClearTextLength; ++len) {
    std::string clear(len, '\0');
    for (char& c : clear) c = static_cast<char>(' ' + rng() % 95);  // printable ASCII
    CheckPipeline(clear, r);
    for (char& c : clear) c = static_cast<char>(1 + rng() % 255);  // any non-zero byte
    CheckPipeline(clear, r);
  }
}

INSTANTIATE_TEST_SUITE_P(Draws, EveryDraw, testing::Range(0, 123),
                         [](const testing::TestParamInfo<int>& info) {
                           return "Draw" + std::to_string(info.param);
                         });

TEST(PipelineZeroBytes, ZeroFirstByteEncryptsNothing) {
  // Variant 1 adds 1 at even positions: 0xFF there becomes zero.
  EXPECT_EQ(Encode("\xFF"
                   "abc",
                   0),
            Repeat("*00", 128));
  CheckPipeline(
      "\xFF"
      "abc",
      0);
}

TEST(PipelineZeroBytes, ZeroAtOrBefore64CutsTheEncryptionTo64Bytes) {
  for (std::size_t p : {40u, 64u, 66u, 100u}) {
    std::string clear(110, 'm');
    clear[p] = '\xFF';
    const std::string text = Encode(clear, 0);
    const bool cut = p <= 64;
    EXPECT_EQ(text.substr(text.size() - 192) == Repeat("*00", 64), cut) << p;
    CheckPipeline(clear, 0);
  }
}

TEST(PipelineLength, EncodesOnlyTheFirst126Bytes) {
  std::string clear(1000, '\0');
  std::mt19937 rng(5);
  for (char& c : clear) c = static_cast<char>('a' + rng() % 26);
  const std::string expected = Encode(clear.substr(0, 126), 17);
  for (std::size_t len : {127u, 128u, 200u, 1000u})
    EXPECT_EQ(Encode(clear.substr(0, len), 17), expected) << len;

  // Without a terminator within 126 bytes, nothing past them is read (AddressSanitizer checks).
  auto unterminated = std::make_unique<char[]>(126);
  std::memcpy(unterminated.get(), clear.data(), 126);
  char out[512];
  QsEncodeWithDraw(out, unterminated.get(), 17);
  EXPECT_EQ(out, expected);
  QsEncode(out, unterminated.get());
  Bytes cipher;
  EXPECT_TRUE(Units(out, cipher));
}

TEST(PipelineOutput, WritesTheTextAndItsNulAndNothingBehind) {
  std::mt19937 rng(9);
  for (std::size_t len : {0u, 1u, 10u, 63u, 64u, 100u, 126u}) {
    for (int r : {0, 7, 68, 95}) {
      std::string clear(len, '\0');
      for (char& c : clear) c = static_cast<char>(1 + rng() % 255);
      char out[512];
      std::memset(out, 0x55, sizeof out);
      QsEncodeWithDraw(out, clear.c_str(), r);
      const std::size_t length = std::strlen(out);
      for (std::size_t i = length + 1; i < sizeof out; ++i)
        ASSERT_EQ(out[i], '\x55') << "L " << len << ", r " << r << ", byte " << i;
      // Again into a block with no byte to spare (AddressSanitizer checks).
      auto exact = std::make_unique<char[]>(length + 1);
      QsEncodeWithDraw(exact.get(), clear.c_str(), r);
      EXPECT_EQ(std::string(exact.get()), std::string(out));
    }
  }
}

// A zero byte in the scrambled text would end it for the AES stage and lose the rest of the
// password; QsEncode's draw gives way to the next one whose variant keeps every byte.
bool KeepsEveryByte(const std::string& clear, int r) {
  const std::string scrambled = reference::Scramble(reference::VariantOfDraw(r), clear);
  return std::strlen(scrambled.c_str()) == scrambled.size();
}

TEST(PipelineKeepsEveryByte, ADrawThatKeepsEveryByteIsKept) {
  for (int r : {0, 94, 95, 122, 123, 5000, 2147483647})
    EXPECT_EQ(DrawKeepingEveryByte("correct horse battery staple", r), r);
}

TEST(PipelineKeepsEveryByte, ADrawThatMakesAZeroByteGivesWayToTheNextThatKeepsThem) {
  // Variant 1 adds 1 at even positions, so 0xFF there becomes zero; variant 2 adds 4 (L).
  EXPECT_EQ(DrawKeepingEveryByte("\xFF"
                                 "abc",
                                 0),
            1);
  EXPECT_EQ(DrawKeepingEveryByte("\xFF"
                                 "abc",
                                 123 * 7),
            1);
  Bytes cipher;
  ASSERT_TRUE(Units(Encode("\xFF"
                           "abc",
                           1),
                    cipher));

  std::mt19937 rng(11);
  int gaveWay = 0;
  for (int r = 0; r < 123; ++r) {
    for (std::size_t len = 27; len <= kMaxClearTextLength; len += 9) {
      std::string clear(len, ' ');
      for (char& c : clear) c = static_cast<char>(' ' + rng() % 95);
      const int draw = DrawKeepingEveryByte(clear.c_str(), r);
      SCOPED_TRACE("L " + std::to_string(len) + ", r " + std::to_string(r));
      ASSERT_TRUE(KeepsEveryByte(clear, draw));
      if (KeepsEveryByte(clear, r)) {
        EXPECT_EQ(draw, r);
      } else {
        ++gaveWay;
        // The first following draw (modulo 123) that keeps every byte, never one before it.
        const int k = r % 123;
        for (int d = (k + 1) % 123; d != draw; d = (d + 1) % 123)
          EXPECT_FALSE(KeepsEveryByte(clear, d));
      }
      CheckPipeline(clear, draw);  // round trip back to the clear text
    }
  }
  EXPECT_GT(gaveWay, 0);
}

TEST(PipelineKeepsEveryByte, WhenNoVariantKeepsEveryByteTheDrawStands) {
  // With L = 120 (a multiple of 3, 4 and 5) no variant adds zero everywhere, so each can be given
  // a position whose byte it turns into zero; a position already set serves every variant it
  // zeroes.
  const int len = 120;
  std::string clear(len, '\0');
  // Where byte p lands in the scrambled text (variants 5 to 8 reverse first), and its addend there.
  auto landing = [&](int n, int p) { return (n >= 5 && n <= 8) ? len - 1 - p : p; };
  auto addend = [&](int n, int p) { return reference::ExpectedAddend(n, len, landing(n, p)); };
  auto zeroes = [&](int n, int p) {
    return static_cast<unsigned char>(clear[p] + addend(n, p)) == 0;
  };
  for (int r = 0; r < 123; ++r) {
    const int n = reference::VariantOfDraw(r);
    bool done = false;
    for (int p = 0; p < len && !done; ++p) done = clear[p] != '\0' && zeroes(n, p);
    for (int p = 0; p < len && !done; ++p) {
      const auto byte = static_cast<unsigned char>(-addend(n, p));
      if (clear[p] != '\0' || byte == 0) continue;
      clear[p] = static_cast<char>(byte);
      done = true;
    }
    ASSERT_TRUE(done) << "no position left for variant " << n;
  }
  for (char& c : clear)
    if (c == '\0') c = 'a';
  for (int r = 0; r < 123; ++r) ASSERT_FALSE(KeepsEveryByte(clear, r)) << r;
  EXPECT_EQ(DrawKeepingEveryByte(clear.c_str(), 40), 40);
  EXPECT_EQ(DrawKeepingEveryByte(nullptr, 40), 40);
}

// QsEncode draws from the generator seeded with the clock's second, and gives way to the draw
// that keeps every byte: the same text twice in one second gives the same result.
TEST(PipelineDraw, QsEncodeScramblesWithTheClockSeededDrawThatKeepsEveryByte) {
  // Spaces at odd positions turn to zero under some variants.
  for (const std::string& clear : {std::string("correct horse"), std::string(126, ' ')}) {
    bool sameSecond = false;
    for (int attempt = 0; attempt < 5 && !sameSecond; ++attempt) {
      const std::time_t before = std::time(nullptr);
      char out[512], again[512];
      QsEncode(out, clear.c_str());
      QsEncode(again, clear.c_str());
      std::srand(static_cast<unsigned>(before));
      const int r = std::rand();
      sameSecond = std::time(nullptr) == before;
      if (!sameSecond) continue;
      EXPECT_STREQ(out, again);
      EXPECT_EQ(out, Encode(clear, DrawKeepingEveryByte(clear.c_str(), r)));
    }
    EXPECT_TRUE(sameSecond) << "the clock never stayed in one second";
  }
}

TEST(PipelineArguments, NullClearGivesTheEmptyTextAndNullOutIsLeftAlone) {
  char out[4] = "xyz";
  QsEncode(out, nullptr);
  EXPECT_STREQ(out, "");
  QsEncode(nullptr, "abc");
}

}  // namespace
