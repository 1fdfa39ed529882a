// The encode-text program, run as a user runs it: clear text as an argument, on a pipe, and typed
// at a terminal (a pseudo-terminal here, to see that nothing is echoed), and its refusals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "encoding/format/encoded_text.h"
#include "tests/support/run_program.h"

namespace {

using Outcome = testsupport::ProgramRun;

// Runs encode-text with args and input on its standard input.
Outcome RunEncodeText(const std::vector<std::string>& args, const std::string& input) {
  return testsupport::RunProgram(SPW_ENCODE_TEXT, args, input);
}

// One encoded password text and a line end.
bool IsEncodedLine(const std::string& line) {
  if (line.empty() || line.back() != '\n') return false;
  unsigned char cipher[encoded_text::kUnitCount];
  return encoded_text::ReadUnits(std::string_view(line).substr(0, line.size() - 1), cipher).ok();
}

TEST(EncodeText, ArgumentAndPipedLineGiveTheSameTextInOneSecond) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::time_t before = std::time(nullptr);
    const Outcome fromArgument = RunEncodeText({"pa ss"}, "");
    const Outcome fromPipe = RunEncodeText({}, "pa ss\nignored second line\n");
    if (std::time(nullptr) != before) continue;
    EXPECT_EQ(fromArgument.status, 0) << fromArgument.err;
    EXPECT_TRUE(IsEncodedLine(fromArgument.out)) << fromArgument.out;
    EXPECT_EQ(fromPipe.status, 0) << fromPipe.err;
    EXPECT_EQ(fromPipe.out, fromArgument.out);
    return;
  }
  FAIL() << "the clock never stayed in one second";
}

TEST(EncodeText, RefusesTextsOver126Bytes) {
  const Outcome longArgument = RunEncodeText({std::string(127, 'x')}, "");
  EXPECT_EQ(longArgument.status, 1);
  EXPECT_EQ(longArgument.out, "");
  EXPECT_NE(longArgument.err.find("at most 126"), std::string::npos) << longArgument.err;

  const Outcome longLine = RunEncodeText({}, std::string(300, 'y') + "\n");
  EXPECT_EQ(longLine.status, 1);
  EXPECT_EQ(longLine.out, "");

  const Outcome exact = RunEncodeText({}, std::string(126, 'y'));
  EXPECT_EQ(exact.status, 0) << exact.err;
  EXPECT_TRUE(IsEncodedLine(exact.out));
}

TEST(EncodeText, RefusesAZeroByteAndExtraArguments) {
  const Outcome zero = RunEncodeText({}, std::string("ab\0cd\n", 6));
  EXPECT_EQ(zero.status, 1);
  EXPECT_EQ(zero.out, "");
  const Outcome extra = RunEncodeText({"one", "two"}, "");
  EXPECT_EQ(extra.status, 2);
  EXPECT_EQ(extra.out, "");
  const Outcome dashed = RunEncodeText({"--", "-x"}, "");
  EXPECT_EQ(dashed.status, 0);
  EXPECT_TRUE(IsEncodedLine(dashed.out));
}

TEST(EncodeText, DoesNotEchoWhatIsTypedAtATerminal) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string slaveName = ptsname(master);
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    setsid();
    const int slave = open(slaveName.c_str(), O_RDWR);
    dup2(slave, 0);
    dup2(slave, 2);
    dup2(out[1], 1);
    close(slave);
    close(master);
    close(out[0]);
    close(out[1]);
    execl(SPW_ENCODE_TEXT, SPW_ENCODE_TEXT, static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);

  // Wait for the prompt, which comes after echo is turned off, then type.
  std::string terminal;
  while (terminal.find("Clear text: ") == std::string::npos) {
    pollfd p{master, POLLIN, 0};
    ASSERT_GT(poll(&p, 1, 5000), 0) << "no prompt, terminal shows: " << terminal;
    char buf[256];
    const ssize_t n = read(master, buf, sizeof buf);
    ASSERT_GT(n, 0);
    terminal.append(buf, n);
  }
  ASSERT_EQ(write(master, "hunter2\n", 8), 8);
  pollfd done{out[0], POLLIN, 0};
  if (poll(&done, 1, 10000) <= 0) kill(pid, SIGKILL);  // never hang the suite
  const std::string encoded = testsupport::ReadAll(out[0]);
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  for (pollfd p{master, POLLIN, 0}; poll(&p, 1, 100) > 0;) {
    char buf[256];
    const ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) break;
    terminal.append(buf, n);
  }
  close(master);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(IsEncodedLine(encoded)) << encoded;
  EXPECT_EQ(terminal.find("hunter2"), std::string::npos) << terminal;
}

}  // namespace
