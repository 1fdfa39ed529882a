// The JSON writer for decoded clear texts: every byte is written so that a JSON reader gets it
// back, as UTF-8 text when it is well-formed UTF-8 and byte by byte otherwise.
#include "decoder/json.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using decoder::json::AppendString;
using decoder::json::IsUtf8;

std::string Json(std::string_view bytes, bool utf8) {
  std::string out;
  EXPECT_TRUE(AppendString(out, bytes, utf8));
  return out;
}

TEST(JsonString, QuotesBackslashesAndControlCharactersAreEscaped) {
  EXPECT_EQ(Json("a\"b\\c/d", true), R"("a\"b\\c/d")");
  EXPECT_EQ(Json("\b\f\n\r\t", true), R"("\b\f\n\r\t")");
  EXPECT_EQ(Json(std::string_view("\x01\x1f\x7f", 3), true), R"("\u0001\u001f\u007f")");
  EXPECT_EQ(Json("", true), R"("")");
}

TEST(JsonString, WellFormedUtf8IsKeptAndTheScriptLineBreaksAreEscaped) {
  EXPECT_EQ(Json("p\xC3\xA4ss \xE2\x82\xAC \xF0\x9F\x94\x91", true),
            "\"p\xC3\xA4ss \xE2\x82\xAC \xF0\x9F\x94\x91\"");
  EXPECT_EQ(Json("a\xE2\x80\xA8"
                 "b\xE2\x80\xA9",
                 true),
            R"("a\u2028b\u2029")");
}

TEST(JsonString, OtherBytesAreWrittenAsTheCodePointOfTheSameValue) {
  EXPECT_EQ(Json("\xFF\x80z\xC3", false), R"("\u00ff\u0080z\u00c3")");
}

TEST(Utf8Check, RefusesEveryMalformedSequence) {
  EXPECT_TRUE(IsUtf8(""));
  EXPECT_TRUE(IsUtf8("ascii"));
  EXPECT_TRUE(
      IsUtf8("\xC2\x80 \xDF\xBF \xE0\xA0\x80 \xED\x9F\xBF \xEE\x80\x80 \xF0\x90\x80\x80 "
             "\xF4\x8F\xBF\xBF"));
  for (const char* bad :
       {"\x80", "\xBF", "\xC0\x80", "\xC1\xBF", "\xC2", "\xC2\x41", "\xE0\x80\x80", "\xE0\x9F\xBF",
        "\xED\xA0\x80", "\xED\xBF\xBF", "\xE1\x80", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80",
        "\xF5\x80\x80\x80", "\xF8", "\xFF", "a\xC3"}) {
    EXPECT_FALSE(IsUtf8(bad)) << bad;
  }
}

}  // namespace
