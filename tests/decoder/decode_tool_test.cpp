// The decode program as a server developer runs it: the encoded password text as an argument and
// on standard input, plain and --json output, its refusals and exit statuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/decoder/support.h"
#include "tests/support/run_program.h"

namespace {

using Outcome = testsupport::ProgramRun;

// Runs decode with args and input on its standard input.
Outcome RunDecode(const std::vector<std::string>& args, const std::string& input = "") {
  return testsupport::RunProgram(SPW_DECODE_TOOL, args, input);
}

const std::string kText = decoder_test::Encode("s3cret pass", 11);  // variant 12

TEST(DecodeTool, PrintsTheClearTextOfItsArgument) {
  const Outcome o = RunDecode({kText});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "s3cret pass\n");
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(RunDecode({"--", kText}).out, "s3cret pass\n");
}

TEST(DecodeTool, ReadsOneLineOfStandardInput) {
  for (const std::string& input : {kText, kText + "\n", kText + "\r\n"}) {
    const Outcome o = RunDecode({}, input);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "s3cret pass\n");
  }
  const Outcome twoLines = RunDecode({}, kText + "\n" + kText + "\n");
  EXPECT_EQ(twoLines.status, 1);
  EXPECT_EQ(twoLines.out, "");
  EXPECT_EQ(twoLines.err, "decode: standard input holds more than one line\n");
  EXPECT_EQ(RunDecode({}, kText + "\n\n").status, 1);
  EXPECT_EQ(RunDecode({}, std::string(5000, 'A')).status, 1);
}

TEST(DecodeTool, AnArgumentMayNotEndInALineEnd) {
  const Outcome o = RunDecode({kText + "\n"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.out, "");
  EXPECT_NE(o.err.find("invalid-character at offset " + std::to_string(kText.size())),
            std::string::npos)
      << o.err;
}

TEST(DecodeTool, JsonGivesTheClearTextAndVariant) {
  const Outcome o = RunDecode({"--json", kText});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(
      o.out,
      R"({"ok":true,"clear":"s3cret pass","clear_encoding":"utf-8","variant":12,"warning":null})"
      "\n");
  EXPECT_EQ(RunDecode({"--json"}, kText + "\n").out, o.out);
}

TEST(DecodeTool, JsonEscapesAnyBytesOfTheClearText) {
  const Outcome quoted = RunDecode({"--json", decoder_test::Encode("say \"hi\"\\\t\x01", 0)});
  EXPECT_NE(quoted.out.find(R"("clear":"say \"hi\"\\\t\u0001")"), std::string::npos) << quoted.out;
  const Outcome utf8 = RunDecode({"--json", decoder_test::Encode("gr\xC3\xBC\xC3\x9F", 0)});
  EXPECT_NE(utf8.out.find("\"clear\":\"gr\xC3\xBC\xC3\x9F\",\"clear_encoding\":\"utf-8\""),
            std::string::npos)
      << utf8.out;
  const Outcome bytes = RunDecode({"--json", decoder_test::Encode("\xFE\xFFok", 0)});
  EXPECT_NE(bytes.out.find(R"("clear":"\u00fe\u00ffok","clear_encoding":"latin-1")"),
            std::string::npos)
      << bytes.out;
  // Plain output gives the bytes as they are.
  EXPECT_EQ(RunDecode({decoder_test::Encode("\xFE\xFFok", 0)}).out, "\xFE\xFFok\n");
}

TEST(DecodeTool, JsonReportsTheErrorAndTheStatusSaysFailure) {
  const Outcome o = RunDecode({"--json", std::string(20, 'A')});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(
      o.out.rfind(
          R"({"ok":false,"error":{"code":"too-few-units","position":20,"message":"too-few-units: )",
          0),
      0u)
      << o.out;
  EXPECT_EQ(o.err.rfind("decode: too-few-units: ", 0), 0u) << o.err;

  const Outcome lost = RunDecode({"--json", decoder_test::Encode("\xFF"
                                                                 "abc",
                                                                 0)});
  EXPECT_EQ(lost.status, 1);
  EXPECT_NE(lost.out.find(R"("code":"nothing-encrypted","position":0)"), std::string::npos)
      << lost.out;

  const Outcome input = RunDecode({"--json"}, "a\nb");
  EXPECT_EQ(input.status, 1);
  EXPECT_NE(input.out.find(R"("code":"several-lines","position":null)"), std::string::npos)
      << input.out;
}

TEST(DecodeTool, AWarningGoesToStandardErrorAndIntoTheJson) {
  // A 63-byte text: the decoder cannot rule out a longer text cut right behind it.
  const std::string text = decoder_test::Encode(std::string(63, 'w'), 0);
  const Outcome plain = RunDecode({text});
  EXPECT_EQ(plain.status, 0);
  EXPECT_EQ(plain.out, std::string(63, 'w') + "\n");
  EXPECT_EQ(plain.err.rfind("decode: warning: longer-text-possible: ", 0), 0u) << plain.err;
  const Outcome json = RunDecode({"--json", text});
  EXPECT_NE(json.out.find(R"("warning":{"code":"longer-text-possible","message":")"),
            std::string::npos)
      << json.out;
}

TEST(DecodeTool, UsageErrorsExitWithTwo) {
  EXPECT_EQ(RunDecode({"--frobnicate", kText}).status, 2);
  EXPECT_EQ(RunDecode({kText, kText}).status, 2);
  const Outcome help = RunDecode({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: decode", 0), 0u);
}

}  // namespace
