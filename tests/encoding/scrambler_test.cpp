// CEncrypt: the worked examples through the draw seam, the draw rule, every variant against an
// independent reading of the variant table, the helper operations, and where zero bytes appear.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "encoding/encrypt.h"
#include "tests/support/reference.h"

namespace {

std::string Hex(const char* p, std::size_t n) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char b = static_cast<unsigned char>(p[i]);
    if (i) s += ' ';
    s += kDigits[b >> 4];
    s += kDigits[b & 15];
  }
  return s;
}

using reference::ExpectedAddend;

std::string ExpectedScramble(int n, const std::string& clear) {
  return reference::Scramble(n, clear);
}

std::string ScrambleWithDraw(const std::string& clear, int r) {
  std::vector<char> out(clear.size() + 2, '\0');
  CEncrypt().EncodeWithDraw(out.data(), clear.c_str(), r);
  return std::string(out.data(), out.size());
}

// Worked examples of the scrambler: clear text, the value rand() returned, and out up to and
// including the zero byte of the caller's fill.
struct WorkedExample {
  const char* clear;
  int r;
  const char* out;
};
constexpr WorkedExample kWorked[] = {
    {"abc", 246, "62 61 64 01 00"},
    {"abc", 370, "64 5F 66 02 00"},
    {"abc", 4, "64 61 62 05 00"},
    {"abc", 500, "64 65 66 09 00"},
    {"abc", 18, "65 5E 67 13 00"},
    {"abc", 28, "65 66 67 1D 00"},
    {"abc", 43, "63 60 65 2C 00"},
    {"abc", 68, "62 63 65 45 00"},
    {"abc", 217, "65 61 67 60 00"},
    {"abc", 341, "65 61 67 60 00"},
    {"abc", 103, "60 64 62 68 00"},
    {"abc", 122, "5C 66 5E 7B 00"},
    {"abcdefghij", 370, "6B 58 6D 5A 6F 5C 71 5E 73 60 02 00"},
    {"abcdefghij", 4, "6B 68 69 66 67 64 65 62 63 60 05 00"},
    {"abcdefghij", 500, "69 6A 6B 6C 6D 6E 6F 70 71 72 09 00"},
    {"abcdefghij", 38, "62 61 64 63 66 65 68 67 6A 69 27 00"},
    {"abcdefghij", 73, "62 63 64 66 67 68 6A 6B 6C 6E 4A 00"},
    {"abcdefghij", 103, "60 64 62 66 64 68 66 6A 68 6C 68 00"},
    {"", 0, "01 00"},
    {"", 122, "7B 00"},
    {"a", 4, "62 05 00"},
    {"a", 0, "62 01 00"},
};

TEST(ScramblerEncode, ReproducesTheWorkedExamples) {
  for (const WorkedExample& w : kWorked) {
    const std::string out = ScrambleWithDraw(w.clear, w.r);
    EXPECT_EQ(Hex(out.data(), out.size()), w.out) << "\"" << w.clear << "\" r " << w.r;
  }
}

TEST(ScramblerDraw, NinetyFourSelectsNinetySixAndNinetyFiveIsNeverSelected) {
  std::vector<int> selections(124, 0);
  for (int k = 0; k < 123; ++k) {
    const int n = CEncrypt::VariantForDraw(k + 123 * 1000);
    EXPECT_EQ(n, k == 94 ? 96 : k + 1) << k;
    ++selections[n];
    EXPECT_EQ(static_cast<unsigned char>(ScrambleWithDraw("xyz", k)[3]), n);
  }
  EXPECT_EQ(selections[95], 0);
  EXPECT_EQ(selections[96], 2);
  for (int n = 1; n <= 123; ++n) {
    if (n != 95 && n != 96) {
      EXPECT_EQ(selections[n], 1) << n;
    }
  }
  EXPECT_EQ(CEncrypt::VariantForDraw(-1), 123);
}

TEST(ScramblerEncode, SameSecondGivesTheSameScrambledText) {
  // Retried until both calls fall into one second of the clock.
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::time_t before = std::time(nullptr);
    char first[16] = {}, second[16] = {};
    CEncrypt().Encode(first, "secret");
    CEncrypt().Encode(second, "secret");
    std::srand(static_cast<unsigned>(before));
    const int r = std::rand();
    if (std::time(nullptr) != before) continue;
    EXPECT_EQ(std::string(first, 8), std::string(second, 8));
    EXPECT_EQ(std::string(first, 8), ScrambleWithDraw("secret", r));
    return;
  }
  FAIL() << "the clock never stayed in one second";
}

TEST(ScramblerEncode, ReadsNoMoreThanTheLimitOfAnUnterminatedText) {
  auto clear = std::make_unique<char[]>(5);  // no NUL: a read past it is a heap overflow
  std::memcpy(clear.get(), "abcde", 5);
  char out[8] = {};
  CEncrypt().EncodeWithDraw(out, clear.get(), 0, 5);
  EXPECT_EQ(Hex(out, 7), "62 61 64 63 66 01 00");
}

using VariantOp = bool (CEncrypt::*)(char*, const char*, int&);

#define SPW_K(n) &CEncrypt::EnKey##n
constexpr VariantOp kOps[] = {
    SPW_K(1),   SPW_K(2),   SPW_K(3),   SPW_K(4),   SPW_K(5),   SPW_K(6),   SPW_K(7),   SPW_K(8),
    SPW_K(9),   SPW_K(10),  SPW_K(11),  SPW_K(12),  SPW_K(13),  SPW_K(14),  SPW_K(15),  SPW_K(16),
    SPW_K(17),  SPW_K(18),  SPW_K(19),  SPW_K(20),  SPW_K(21),  SPW_K(22),  SPW_K(23),  SPW_K(24),
    SPW_K(25),  SPW_K(26),  SPW_K(27),  SPW_K(28),  SPW_K(29),  SPW_K(30),  SPW_K(31),  SPW_K(32),
    SPW_K(33),  SPW_K(34),  SPW_K(35),  SPW_K(36),  SPW_K(37),  SPW_K(38),  SPW_K(39),  SPW_K(40),
    SPW_K(41),  SPW_K(42),  SPW_K(43),  SPW_K(44),  SPW_K(45),  SPW_K(46),  SPW_K(47),  SPW_K(48),
    SPW_K(49),  SPW_K(50),  SPW_K(51),  SPW_K(52),  SPW_K(53),  SPW_K(54),  SPW_K(55),  SPW_K(56),
    SPW_K(57),  SPW_K(58),  SPW_K(59),  SPW_K(60),  SPW_K(61),  SPW_K(62),  SPW_K(63),  SPW_K(64),
    SPW_K(65),  SPW_K(66),  SPW_K(67),  SPW_K(68),  SPW_K(69),  SPW_K(70),  SPW_K(71),  SPW_K(72),
    SPW_K(73),  SPW_K(74),  SPW_K(75),  SPW_K(76),  SPW_K(77),  SPW_K(78),  SPW_K(79),  SPW_K(80),
    SPW_K(81),  SPW_K(82),  SPW_K(83),  SPW_K(84),  SPW_K(85),  SPW_K(86),  SPW_K(87),  SPW_K(88),
    SPW_K(89),  SPW_K(90),  SPW_K(91),  SPW_K(92),  SPW_K(93),  SPW_K(94),  SPW_K(95),  SPW_K(96),
    SPW_K(97),  SPW_K(98),  SPW_K(99),  SPW_K(100), SPW_K(101), SPW_K(102), SPW_K(103), SPW_K(104),
    SPW_K(105), SPW_K(106), SPW_K(107), SPW_K(108), SPW_K(109), SPW_K(110), SPW_K(111), SPW_K(112),
    SPW_K(113), SPW_K(114), SPW_K(115), SPW_K(116), SPW_K(117), SPW_K(118), SPW_K(119), SPW_K(120),
    SPW_K(121), SPW_K(122), SPW_K(123)};
#undef SPW_K
static_assert(std::size(kOps) == 123);

class EveryVariant : public testing::TestWithParam<int> {};

TEST_P(EveryVariant, MatchesTheVariantTable) {
  const int n = GetParam();
  std::mt19937 rng(n);
  for (int len : {0, 1, 2, 3, 7, 8, 9, 10, 27, 63, 64, 100, 126}) {
    std::string clear(len, '\0');
    for (char& c : clear) c = static_cast<char>(1 + rng() % 255);
    std::vector<char> buf(len + 2, '\x55');
    std::memcpy(buf.data(), clear.c_str(), len + 1);
    int l = len;
    ASSERT_TRUE((CEncrypt().*kOps[n - 1])(buf.data(), clear.c_str(), l));
    EXPECT_EQ(l, len);
    EXPECT_EQ(std::string(buf.data(), len + 1), ExpectedScramble(n, clear)) << "L " << len;
    EXPECT_EQ(buf[len + 1], '\x55') << "L " << len;
    if (n == 95) continue;  // no draw selects it
    const int r = n == 96 ? 95 : n - 1;
    EXPECT_EQ(ScrambleWithDraw(clear, r), ExpectedScramble(n, clear) + '\0') << "L " << len;
  }
  // A null source is refused, and nothing changes.
  char buf[4] = "abc";
  int len = 3;
  EXPECT_FALSE((CEncrypt().*kOps[n - 1])(buf, nullptr, len));
  EXPECT_STREQ(buf, "abc");
}

INSTANTIATE_TEST_SUITE_P(Variants, EveryVariant, testing::Range(1, 124),
                         [](const testing::TestParamInfo<int>& info) {
                           return "Variant" + std::to_string(info.param);
                         });

TEST(ScramblerHelpers, SeqAddEnAddsOneMorePerGroup) {
  char buf[11] = {};
  int len = 10;
  EXPECT_TRUE(CEncrypt().SeqAddEn(buf, "x", len, 1, 3));
  EXPECT_EQ(Hex(buf, 11), "01 01 01 02 02 02 03 03 03 04 00");
  EXPECT_FALSE(CEncrypt().SeqAddEn(buf, nullptr, len, 1, 3));
  EXPECT_FALSE(CEncrypt().SeqAddEn(buf, "x", len, 1, 0));
  EXPECT_EQ(Hex(buf, 11), "01 01 01 02 02 02 03 03 03 04 00");
}

TEST(ScramblerHelpers, OddEvenEnAddsByParity) {
  char buf[6] = "aaaaa";
  int len = 5;
  EXPECT_TRUE(CEncrypt().OddEvenEn(buf, "x", len, 3, -5));
  EXPECT_STREQ(buf, "d\\d\\d");
  EXPECT_FALSE(CEncrypt().OddEvenEn(buf, nullptr, len, 3, -5));
  EXPECT_STREQ(buf, "d\\d\\d");
}

TEST(ScramblerHelpers, LongTextsGetThePerByteAddendsAndNothingBehindThem) {
  // Long enough for the sixteen-byte steps and every length of the tail behind them.
  std::mt19937 rng(3);
  for (int len = 0; len <= 70; ++len) {
    std::vector<char> original(len + 20);
    for (char& c : original) c = static_cast<char>(rng());
    for (int group = 1; group <= 5; ++group) {
      std::vector<char> buf = original;
      ASSERT_TRUE(CEncrypt().SeqAddEn(buf.data(), "x", len, 4, group));
      for (int i = 0; i < len + 20; ++i) {
        const int addend = i < len ? 4 + i / group : 0;
        ASSERT_EQ(static_cast<unsigned char>(buf[i]),
                  static_cast<unsigned char>(original[i] + addend))
            << "len " << len << ", group " << group << ", byte " << i;
      }
    }
    std::vector<char> buf = original;
    ASSERT_TRUE(CEncrypt().OddEvenEn(buf.data(), "x", len, 7, -100));
    for (int i = 0; i < len + 20; ++i) {
      const int addend = i >= len ? 0 : i % 2 ? -100 : 7;
      ASSERT_EQ(static_cast<unsigned char>(buf[i]),
                static_cast<unsigned char>(original[i] + addend))
          << "len " << len << ", byte " << i;
    }
  }
}

TEST(ScramblerHelpers, RevertReversesUpToTheFirstZeroByte) {
  for (auto [in, out] : {std::pair{"abcd", "dcba"}, {"abcde", "edcba"}, {"a", "a"}, {"", ""}}) {
    char buf[8] = {};
    std::strcpy(buf, in);
    buf[6] = 'z';  // behind the NUL: untouched
    EXPECT_EQ(CEncrypt().Revert(buf), buf);
    EXPECT_STREQ(buf, out);
    EXPECT_EQ(buf[6], 'z');
  }
}

TEST(ScramblerWrap, AdditionsWrapModulo256) {
  EXPECT_EQ(Hex(ScrambleWithDraw("\xFF", 0).data(), 3), "00 01 00");      // variant 1: +1
  EXPECT_EQ(Hex(ScrambleWithDraw("~", 13).data(), 3), "83 0E 00");        // variant 14: +5
  EXPECT_EQ(Hex(ScrambleWithDraw("a\x01", 0).data(), 4), "62 00 01 00");  // -1 to a zero byte
}

// Which bytes of clear texts drawn from alphabet, below a length, can any variant turn into zero?
bool AnyZeroByteBelow(const std::string& alphabet, int maxLen) {
  for (int n = 1; n <= 123; ++n)
    for (int len = 1; len < maxLen; ++len)
      for (int pos = 0; pos < len; ++pos)
        for (char c : alphabet)
          if (static_cast<unsigned char>(static_cast<unsigned char>(c) +
                                         ExpectedAddend(n, len, pos)) == 0)
            return true;
  return false;
}

TEST(ScramblerZeroBytes, AppearOnlyFromTheDocumentedLengths) {
  std::string printable, alnum;
  for (char c = ' '; c <= '~'; ++c) {
    printable += c;
    if (std::isalnum(static_cast<unsigned char>(c))) alnum += c;
  }
  EXPECT_FALSE(AnyZeroByteBelow(printable, 27));
  EXPECT_TRUE(AnyZeroByteBelow(printable, 28));
  EXPECT_FALSE(AnyZeroByteBelow(alnum, 43));
  // Variant 23 with L = 27 adds -32 at odd positions: a space there becomes zero.
  const std::string clear = "a" + std::string(26, ' ');
  EXPECT_EQ(ScrambleWithDraw(clear, 22)[1], '\0');
}

}  // namespace
