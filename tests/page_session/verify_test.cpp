// The page session's --verify: the check of a "GetPassword" answer against the expected field
// text, for every verdict; the expected field text against the real plug-in, over random key
// sequences sent through the stand-in browser as the session sends them; and the program run with
// --verify.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <random>
#include <string>

#include "encoding/jnidecrypt.h"
#include "page_session/PasswordCheck.h"
#include "page_session/TypedText.h"
#include "tests/support/plugin_fixture.h"

namespace {

using npapibrowser::KeyPress;
using pagesession::checkPassword;
using pagesession::PasswordCheck;
using pagesession::TypedText;
using Verdict = PasswordCheck::Verdict;

std::string encode(const std::string& clear, int draw) {
  char out[512];
  QsEncodeWithDraw(out, clear.c_str(), draw);
  return out;
}

TEST(PasswordCheck, TheRightPasswordMatchesAndAWrongOneSaysWhereItDiffers) {
  const PasswordCheck right = checkPassword(u"s3cret", encode("s3cret", 40));
  EXPECT_EQ(right.verdict, Verdict::kMatches);
  EXPECT_EQ(right.sentence,
            "the encoded password text decodes (variant 41) to exactly the 6 characters typed.");
  const PasswordCheck wrong = checkPassword(u"s3cret", encode("s3cRet", 40));
  EXPECT_EQ(wrong.verdict, Verdict::kDiffers);
  EXPECT_EQ(
      wrong.sentence,
      "the encoded password text decodes to 6 characters, not the 6 characters typed; they first "
      "differ at character 4.");
  EXPECT_EQ(checkPassword(u"s3cret", encode("s3cre", 40)).verdict, Verdict::kDiffers);
  EXPECT_EQ(checkPassword(u"s3cret", encode("s3cret!", 40)).verdict, Verdict::kDiffers);
  EXPECT_EQ(checkPassword(u"s3cret", "").verdict, Verdict::kDiffers);
  // The sentence never holds the clear text.
  EXPECT_EQ(wrong.sentence.find("s3c"), std::string::npos);
}

TEST(PasswordCheck, NothingIsTheRightAnswerForAnEmptyFieldOrATextOutsideAscii) {
  EXPECT_EQ(checkPassword(u"", "").verdict, Verdict::kMatches);
  EXPECT_EQ(checkPassword(u"p\u00E4ss", "").verdict, Verdict::kMatches);
  EXPECT_EQ(checkPassword(u"", encode("", 0)).verdict, Verdict::kDiffers);
  EXPECT_EQ(checkPassword(u"p\u00E4ss", encode("pss", 0)).verdict, Verdict::kDiffers);
}

TEST(PasswordCheck, ATextTheDecoderRefusesIsReportedWithItsReason) {
  std::string lost;
  for (int i = 0; i < 128; ++i) lost += "*00";
  const PasswordCheck check = checkPassword(u"abc", lost);
  EXPECT_EQ(check.verdict, Verdict::kUndecodable);
  EXPECT_NE(check.sentence.find("nothing-encrypted"), std::string::npos) << check.sentence;
  EXPECT_EQ(checkPassword(u"abc", "abc").verdict, Verdict::kUndecodable);
}

TEST(TypedText, EditsLikeAPasswordField) {
  TypedText typed;
  for (KeyPress key :
       {KeyPress::character(u'a'), KeyPress::character(u'c'), KeyPress::leftArrow(),
        KeyPress::character(u'b'), KeyPress::end(), KeyPress::text(u"\U0001F511"),
        KeyPress::backspace(), KeyPress::home(), KeyPress::forwardDelete(), KeyPress::tab(),
        KeyPress::escape(), KeyPress::command(u'v'), KeyPress::returnKey()}) {
    typed.apply(key);
  }
  EXPECT_EQ(typed.text(), u"bc");
  EXPECT_EQ(typed.caret(), 0u);
  for (int i = 0; i < 130; ++i) typed.apply(KeyPress::character(u'x'));
  EXPECT_EQ(typed.text().size(), TypedText::kMaximumLength);
  typed.clear();
  EXPECT_EQ(typed.text(), u"");
}

// Random typing through the stand-in browser into the real plug-in: after every Return the decoded
// "GetPassword" answer is what the expected field text says.
class TypedTextAgainstThePlugin : public PluginTest {};

TEST_F(TypedTextAgainstThePlugin, RandomEditingGivesThePasswordTheFieldShouldHold) {
  npapibrowser::Page* page = openReadyPage();
  ASSERT_NE(page, nullptr);
  click(page);
  std::mt19937 rng(11);
  const KeyPress edits[] = {KeyPress::backspace(), KeyPress::forwardDelete(),
                            KeyPress::leftArrow(), KeyPress::rightArrow(),
                            KeyPress::home(),      KeyPress::end(),
                            KeyPress::tab(),       KeyPress::escape(),
                            KeyPress::upArrow(),   KeyPress::command(u'x')};
  const std::u16string others[] = {u"\u00E9", u"\U0001F511", u"\u20AC"};
  for (int round = 0; round < 150; ++round) {
    TypedText typed;
    const int keys = static_cast<int>(rng() % 40);
    for (int k = 0; k < keys; ++k) {
      KeyPress key;
      const unsigned pick = rng() % 10;
      // Up to 26 printable ASCII characters: no such text scrambles to a zero byte, so every one
      // can be decoded whatever variant the clock picks.
      if (pick < 6 && typed.text().size() < 26) {
        key = KeyPress::character(static_cast<char16_t>(' ' + rng() % 95));
      } else if (pick == 6 && round % 3 == 0 && typed.text().size() < 24) {
        key = KeyPress::text(others[rng() % 3]);
      } else {
        key = edits[rng() % std::size(edits)];
      }
      typed.apply(key);
      page->keyDown(key);
      page->keyUp(key);
    }
    ASSERT_EQ(page->keyDown(KeyPress::returnKey()), 0);  // left to the page
    const npapibrowser::ScriptResult answer = page->invoke("GetPassword");
    ASSERT_TRUE(answer.ok);
    const PasswordCheck check = checkPassword(typed.text(), answer.stringValue);
    ASSERT_EQ(check.verdict, Verdict::kMatches) << "round " << round << ": " << check.sentence;
    page->invoke("Clearpassword");
  }
  browser_.closePage(page);
}

struct SessionOutcome {
  int status = -1;
  std::string out;
};

// page-session with --verify, the keys on its standard input.
SessionOutcome runVerifyingSession(const std::string& keys) {
  const std::string command = "printf '" + keys + "' | '" + PAGE_SESSION + "' --verify 2>&1";
  SessionOutcome run;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
      run.out.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  return run;
}

TEST(PageSessionVerify, SaysThePageReceivedWhatWasTyped) {
  // "pass", two Backspaces, "ss", Left twice, "w": the field holds "pawss".
  const SessionOutcome run = runVerifyingSession("pass\\177\\177ss\\033[D\\033[Dw\\r");
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("Verify          -> matches: the encoded password text decodes (variant "),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find(") to exactly the 5 characters typed."), std::string::npos) << run.out;

  const SessionOutcome empty = runVerifyingSession("\\r");
  EXPECT_EQ(empty.status, 0) << empty.out;
  EXPECT_NE(
      empty.out.find(
          "Verify          -> matches: nothing to decode, and rightly so: the field was empty."),
      std::string::npos)
      << empty.out;
}

}  // namespace
