// The page-session program itself, run as a user or a script runs it: keys piped into its
// standard input, its page read from standard output, its sentences from standard error, its
// exit status checked. The encoded password text it shows is decoded here back to what was
// typed, and the clear text never appears in its output.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <regex>
#include <string>
#include <thread>

#include "tests/support/password_decoder.h"
#include "tests/support/run_program.h"

namespace {

using SessionRun = testsupport::ProgramRun;

// Runs page-session with the arguments, feeding input to its standard input.
SessionRun runSession(const std::string& input, std::vector<std::string> arguments = {}) {
  return testsupport::RunProgram(PAGE_SESSION, std::move(arguments), input);
}

std::string encodedPassword(const SessionRun& run) {
  std::smatch match;
  static const std::regex line("GetPassword +-> ([A-Za-z0-9*]+)\n");
  return std::regex_search(run.out, match, line) ? match[1].str() : std::string();
}

std::string fieldLine(const SessionRun& run) {
  std::smatch match;
  static const std::regex line("\nPassword: ([^\n]*)\n");
  return std::regex_search(run.out, match, line) ? match[1].str() : std::string();
}

std::string bullets(int n) {
  std::string text;
  for (int i = 0; i < n; ++i) text += "\xE2\x80\xA2";
  return text;
}

TEST(PageSessionProgram, TypedPasswordWithCorrectionsReachesThePageEncoded) {
  // secrex, Backspace, t, Left, Left, "-", End, "!": secr-et!
  SessionRun run = runSession("secrex\x7Ft\x1B[D\x1B[D-\x1B[F!\r");
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(fieldLine(run), bullets(8) + "|");
  EXPECT_EQ(testsupport::decodePassword(encodedPassword(run)), "secr-et!");
  EXPECT_EQ(run.out.find("secr"), std::string::npos);
  EXPECT_NE(run.out.find("GetDllVersion   -> 1600\n"), std::string::npos);
  EXPECT_NE(run.out.find("GetActiveNIC    -> "), std::string::npos);
  EXPECT_NE(run.out.find("GetHardDiskNUM  -> "), std::string::npos);
  EXPECT_NE(run.out.find("The page cleared the field (Clearpassword)"), std::string::npos);
  EXPECT_NE(run.out.find("  clean\n"), std::string::npos);
  EXPECT_EQ(run.err, "");
}

TEST(PageSessionProgram, HomeEndDeleteAndOtherSequences) {
  // abc, Home, X, ESC[4~ (End), Y, ESC[1~ (Home), ESC[3~ (delete X), ESC O C (right), Z,
  // Tab and a lone Escape: "aZbcY"
  SessionRun run = runSession("abc\x1B[HX\x1B[4~Y\x1B[1~\x1B[3~\x1BOCZ\t\x1B\n");
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ(testsupport::decodePassword(encodedPassword(run)), "aZbcY");
  EXPECT_EQ(fieldLine(run), bullets(2) + "|" + bullets(3));
}

TEST(PageSessionProgram, FieldKeepsAtMost126Characters) {
  std::string text;
  for (int i = 0; i < 140; ++i) text.push_back(static_cast<char>('A' + i % 26));
  SessionRun run = runSession(text + "\r");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(testsupport::decodePassword(encodedPassword(run)), text.substr(0, 126));
}

TEST(PageSessionProgram, EmptyOrNonASCIIPasswordsSayWhyThereIsNoText) {
  SessionRun empty = runSession("\r");
  EXPECT_EQ(empty.status, 0) << empty.err;
  EXPECT_NE(empty.out.find("GetPassword     -> none (the field was empty"), std::string::npos)
      << empty.out;

  SessionRun accented = runSession("p\xC3\xA4ss\r");
  EXPECT_EQ(accented.status, 0) << accented.err;
  EXPECT_EQ(fieldLine(accented), bullets(4) + "|");
  EXPECT_NE(accented.out.find("GetPassword     -> none (the password holds a character outside "
                              "ASCII"),
            std::string::npos)
      << accented.out;
}

TEST(PageSessionProgram, InputEndingBeforeReturnSendsNothing) {
  SessionRun run = runSession("secret");
  EXPECT_EQ(run.status, 3);
  EXPECT_NE(run.out.find("The input ended before Return was pressed: the page received no "
                         "password."),
            std::string::npos);
  EXPECT_EQ(run.out.find("GetPassword"), std::string::npos);
  EXPECT_NE(run.out.find("  clean\n"), std::string::npos);  // still cleaned up and reported

  SessionRun interrupted = runSession("sec\x03ret\r");
  EXPECT_EQ(interrupted.status, 3);
  EXPECT_NE(interrupted.out.find("Interrupted before Return was pressed"), std::string::npos);
  EXPECT_EQ(interrupted.out.find("GetPassword"), std::string::npos);
}

TEST(PageSessionProgram, UnusableModuleIsAClearSentence) {
  SessionRun missing = runSession("x\r", {"/nonexistent/libsecurepassword.so"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err.rfind("The plug-in could not be loaded: cannot open module "
                              "/nonexistent/libsecurepassword.so",
                              0),
            0u)
      << missing.err;

  SessionRun foreign = runSession("x\r", {NATIVEUI_LIBRARY});
  EXPECT_EQ(foreign.status, 2);
  EXPECT_NE(foreign.err.find("does not export NP_Initialize"), std::string::npos) << foreign.err;

  SessionRun failing = runSession("x\r", {FAILING_MODULE});
  EXPECT_EQ(failing.status, 2);
  EXPECT_NE(failing.err.find("The plug-in could not be loaded: NP_Initialize answered error"),
            std::string::npos)
      << failing.err;

  SessionRun usage = runSession("", {"--frobnicate"});
  EXPECT_EQ(usage.status, 2);
  EXPECT_NE(usage.err.find("Unknown option --frobnicate."), std::string::npos);
  EXPECT_NE(usage.err.find("Usage: page-session"), std::string::npos);
}

TEST(PageSessionProgram, ExplicitModulePathIsUsed) {
  SessionRun run = runSession("pw\r", {SPW_MODULE});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find(std::string("  ") + SPW_MODULE + "\n"), std::string::npos);
  EXPECT_EQ(testsupport::decodePassword(encodedPassword(run)), "pw");
}

}  // namespace
