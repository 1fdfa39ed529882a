// The text helpers of the pipeline unit: URLEncode (examples, exhaustive short inputs, the room
// rule), replace, urldecode, htoi, and writeLog through its path seam.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "encoding/escaping.h"
#include "encoding/format/encoded_text.h"
#include "encoding/jnidecrypt.h"

namespace {

// The escaping written the slow, obvious way: the format's unit of each byte, one after another.
std::string ReferenceEscape(const std::string& src) {
  std::string out;
  for (unsigned char b : src) {
    const encoded_text::Unit unit = encoded_text::UnitOf(b, '%');
    out.append(unit.chars, static_cast<std::size_t>(unit.length));
  }
  return out;
}

std::string Escape(const std::string& src, int dstLen, int* result = nullptr) {
  std::vector<char> dst(dstLen + 1, '\0');
  const int n = URLEncode(src.data(), static_cast<int>(src.size()), dst.data(), dstLen);
  if (result) *result = n;
  return std::string(dst.data());
}

TEST(UrlEncode, EscapesEverythingButLettersAndDigits) {
  int n = 0;
  EXPECT_EQ(Escape("a b+c", 512, &n), "a%20b%2Bc");
  EXPECT_EQ(n, 9);
  EXPECT_EQ(Escape("~.-_*%\xFF", 512), "%7E%2E%2D%5F%2A%25%FF");
  EXPECT_EQ(Escape("azAZ09", 512), "azAZ09");
  EXPECT_EQ(Escape(std::string("a\0b", 3), 512, &n), "a%00b");
  EXPECT_EQ(n, 5);
}

TEST(UrlEncode, MatchesTheReferenceOnEveryOneAndTwoByteInput) {
  for (int a = 0; a < 256; ++a) {
    const std::string one(1, static_cast<char>(a));
    ASSERT_EQ(Escape(one, 4), ReferenceEscape(one)) << a;
    for (int b = 0; b < 256; ++b) {
      const std::string two{static_cast<char>(a), static_cast<char>(b)};
      int n = 0;
      ASSERT_EQ(Escape(two, 7, &n), ReferenceEscape(two)) << a << " " << b;
      ASSERT_EQ(n, static_cast<int>(ReferenceEscape(two).size()));
    }
  }
}

TEST(UrlEncode, RefusesWhenTheClosingNulWouldNotFit) {
  int n = -1;
  EXPECT_EQ(Escape("ab.c", 5, &n), "ab");  // "%2E" and its NUL would need positions 2 to 5
  EXPECT_EQ(n, 0);
  EXPECT_EQ(Escape("abc", 3, &n), "ab");  // "c" would take the last byte
  EXPECT_EQ(n, 0);
  EXPECT_EQ(Escape("abc", 4, &n), "abc");
  EXPECT_EQ(n, 3);

  // For every room from 1 byte up: either the whole text and its NUL, or 0 with a prefix of it;
  // nothing at or past dst[dstLen].
  std::mt19937 rng(7);
  for (int srcLen : {1, 2, 3, 4, 5, 9, 40}) {
    std::string src(srcLen, '\0');
    for (char& c : src) c = static_cast<char>(rng() % 3 ? 'a' + rng() % 26 : rng());
    const std::string full = ReferenceEscape(src);
    for (int dstLen = 1; dstLen <= 3 * srcLen + 2; ++dstLen) {
      std::vector<char> dst(dstLen + 8, '\x7F');
      const int got = URLEncode(src.data(), srcLen, dst.data(), dstLen);
      for (int i = dstLen; i < dstLen + 8; ++i)
        ASSERT_EQ(dst[i], '\x7F') << srcLen << "/" << dstLen;
      if (dstLen > static_cast<int>(full.size())) {
        ASSERT_EQ(got, static_cast<int>(full.size()));
        ASSERT_EQ(std::string(dst.data(), got + 1), full + '\0');
      } else {
        ASSERT_EQ(got, 0) << srcLen << "/" << dstLen;
        int written = 0;
        while (written < dstLen && dst[written] != '\0' && dst[written] != '\x7F') ++written;
        ASSERT_EQ(full.compare(0, written, dst.data(), written), 0) << srcLen << "/" << dstLen;
      }
    }
  }
}

TEST(UrlEncode, LeavesTheBytesBehindItsNulAlone) {
  std::mt19937 rng(11);
  for (int round = 0; round < 200; ++round) {
    std::string src(1 + rng() % 128, '\0');
    for (char& c : src) c = static_cast<char>(rng());
    std::vector<char> dst(600, '\x55');
    const int n = URLEncode(src.data(), static_cast<int>(src.size()), dst.data(), 600);
    ASSERT_EQ(std::string(dst.data(), n), ReferenceEscape(src));
    ASSERT_EQ(dst[n], '\0');
    for (int i = n + 1; i < 600; ++i)
      ASSERT_EQ(dst[i], '\x55') << "round " << round << " byte " << i;
  }
}

TEST(UrlEncode, RefusesEmptyAndNullArgumentsWithoutWriting) {
  char dst[8] = "xxxxxxx";
  EXPECT_EQ(URLEncode("a", 0, dst, 8), 0);
  EXPECT_EQ(URLEncode("a", -1, dst, 8), 0);
  EXPECT_EQ(URLEncode("a", 1, dst, 0), 0);
  EXPECT_EQ(URLEncode(nullptr, 1, dst, 8), 0);
  EXPECT_EQ(URLEncode("a", 1, nullptr, 8), 0);
  EXPECT_STREQ(dst, "xxxxxxx");
}

TEST(EscapeAll, WritesUrlEncodeWithEitherMarkIntoExactlyTheRoomItNeeds) {
  // Runs of zero bytes (blocks AES never wrote) at and off sixteen-byte boundaries, among random
  // bytes; the destination is allocated with 3 * n + 1 bytes and guarded behind its NUL.
  std::mt19937 rng(13);
  for (int round = 0; round < 400; ++round) {
    std::string src(1 + rng() % 160, '\0');
    for (char& c : src) c = static_cast<char>(rng());
    for (int runs = rng() % 3; runs > 0; --runs) {
      const std::size_t at = rng() % src.size();
      const std::size_t start = rng() % 2 ? at / 16 * 16 : at;
      for (std::size_t i = start; i < std::min(src.size(), start + 16 + rng() % 40); ++i)
        src[i] = '\0';
    }
    std::string expected = ReferenceEscape(src);
    const int n = static_cast<int>(src.size());
    auto exact = std::make_unique<char[]>(3 * src.size() + 1);
    std::memset(exact.get(), 0x55, 3 * src.size() + 1);
    const auto* bytes = reinterpret_cast<const unsigned char*>(src.data());
    ASSERT_EQ(escaping::EscapeAll(bytes, n, exact.get(), escaping::Mark::kPercent),
              static_cast<int>(expected.size()));
    ASSERT_EQ(std::string(exact.get()), expected) << "round " << round;
    for (std::size_t i = expected.size() + 1; i < 3 * src.size() + 1; ++i)
      ASSERT_EQ(exact[i], '\x55') << "round " << round << " byte " << i;

    std::replace(expected.begin(), expected.end(), '%', '*');
    ASSERT_EQ(escaping::EscapeAll(bytes, n, exact.get(), escaping::Mark::kStar),
              static_cast<int>(expected.size()));
    ASSERT_EQ(std::string(exact.get()), expected) << "round " << round;
  }
}

TEST(Replace, ChangesEveryMatchBeforeTheNulOnly) {
  char text[] = "a%20b%2Bc\0%%";
  EXPECT_EQ(replace(text, '%', '*'), text);
  EXPECT_STREQ(text, "a*20b*2Bc");
  EXPECT_EQ(std::string(text + 10, 2), "%%");
  char plain[] = "abc";
  EXPECT_EQ(replace(plain, '%', '*'), plain);
  EXPECT_STREQ(plain, "abc");
}

TEST(UrlDecode, UndoesEscapesAndPlusSigns) {
  struct Case {
    const char* in;
    const char* out;
    int len;
  } cases[] = {{"a%20b+c%2", "a b c%2", 7},
               {"%41%42", "AB", 2},
               {"%4g+", "%4g ", 4},
               {"%e9%E9", "\xE9\xE9", 2},
               {"%\xB1\xB1", "%\xB1\xB1", 3}};
  for (const Case& c : cases) {
    std::string text = c.in;
    EXPECT_EQ(urldecode(text.data(), static_cast<int>(text.size())), c.len) << c.in;
    EXPECT_STREQ(text.c_str(), c.out);
  }
  char empty[] = "xyz";
  EXPECT_EQ(urldecode(empty, 0), 0);
  EXPECT_EQ(empty[0], '\0');
  EXPECT_EQ(empty[1], 'y');
  char cut[] = "%41";  // the escape lies partly beyond len
  EXPECT_EQ(urldecode(cut, 2), 2);
  EXPECT_STREQ(cut, "%4");
}

TEST(UrlDecode, InvertsUrlEncodeForEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::vector<char> dst(3 * 256 + 1);
  const int n = URLEncode(all.data(), 256, dst.data(), static_cast<int>(dst.size()));
  EXPECT_EQ(urldecode(dst.data(), n), 256);
  EXPECT_EQ(std::string(dst.data(), 256), all);
}

TEST(Htoi, ReadsTwoHexDigitsOfEitherCase) {
  EXPECT_EQ(htoi("2B"), 43);
  EXPECT_EQ(htoi("2b"), 43);
  EXPECT_EQ(htoi("fF"), 255);
  EXPECT_EQ(htoi("00"), 0);
  EXPECT_EQ(htoi("9A"), 154);
}

class WriteLogFile : public testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/spw-log-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    dir_ = dir;
  }
  void TearDown() override {
    std::remove((dir_ + "/decrypt.log").c_str());
    rmdir(dir_.c_str());
  }
  std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::string dir_;
};

TEST_F(WriteLogFile, AppendsTextsAsTheyAre) {
  const std::string path = dir_ + "/decrypt.log";
  EXPECT_EQ(writeLogTo(path.c_str(), "first"), 0);
  EXPECT_EQ(writeLogTo(path.c_str(), " second\n"), 0);
  EXPECT_EQ(Read(path), "first second\n");
}

TEST_F(WriteLogFile, UnopenablePathGivesZeroAndCreatesNothing) {
  const std::string path = dir_ + "/missing/decrypt.log";
  EXPECT_EQ(writeLogTo(path.c_str(), "text"), 0);
  EXPECT_NE(access((dir_ + "/missing").c_str(), F_OK), 0);
  EXPECT_EQ(writeLogTo((dir_ + "/decrypt.log").c_str(), nullptr), 0);
  EXPECT_NE(access((dir_ + "/decrypt.log").c_str(), F_OK), 0);
}

}  // namespace
