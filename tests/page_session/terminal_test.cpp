// The page-session program at a terminal (a pseudo-terminal here): no echo and no line editing
// while the password is typed, the field updated in place, and the terminal's mode given back on
// every way out: Return, Ctrl-C, and a signal that ends the program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace {

class TerminalSession : public ::testing::Test {
 protected:
  void SetUp() override {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(grantpt(master_), 0);
    ASSERT_EQ(unlockpt(master_), 0);
    slave_ = open(ptsname(master_), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave_, 0);
    child_ = fork();
    if (child_ == 0) {
      setsid();
      ioctl(slave_, TIOCSCTTY, 0);
      dup2(slave_, 0);
      dup2(slave_, 1);
      dup2(slave_, 2);
      close(master_);
      execl(PAGE_SESSION, PAGE_SESSION, static_cast<char*>(nullptr));
      _exit(127);
    }
  }

  void TearDown() override {
    if (child_ > 0 && status_ < 0) {
      kill(child_, SIGKILL);
      waitpid(child_, nullptr, 0);
    }
    close(master_);
    close(slave_);
  }

  // Reads what the terminal shows within a short while.
  bool readSome() {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) return false;
    char buffer[4096];
    ssize_t n = read(master_, buffer, sizeof buffer);
    if (n <= 0) return false;
    output_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }

  // Reads the terminal until text appears (true) or ten seconds pass (false).
  bool waitFor(const std::string& text) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (output_.find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      readSome();
    }
    return true;
  }

  void type(const std::string& keys) {
    ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
  }

  bool echoing() {
    termios mode{};
    tcgetattr(slave_, &mode);
    return (mode.c_lflag & ECHO) != 0 && (mode.c_lflag & ICANON) != 0;
  }

  int finish() {
    int status = 0;
    // Keep reading so the child never blocks on a full terminal.
    while (waitpid(child_, &status, WNOHANG) != child_) readSome();
    while (readSome()) {
    }
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return status_;
  }

  int master_ = -1, slave_ = -1;
  pid_t child_ = -1;
  int status_ = -1;
  std::string output_;
};

const char kEmptyField[] = "\r\033[2KPassword: |";

TEST_F(TerminalSession, TypingIsRawAndTheModeComesBackAfterReturn) {
  ASSERT_TRUE(echoing());
  ASSERT_TRUE(waitFor(kEmptyField)) << output_;
  EXPECT_FALSE(echoing());
  type("ab");
  ASSERT_TRUE(waitFor("\r\033[2KPassword: \xE2\x80\xA2\xE2\x80\xA2|"));
  type("\r");
  EXPECT_EQ(finish(), 0) << output_;
  EXPECT_TRUE(echoing());
  EXPECT_EQ(output_.find("ab"), std::string::npos);  // never echoed
  EXPECT_NE(output_.find("GetPassword     -> "), std::string::npos);
}

TEST_F(TerminalSession, CtrlCLeavesAndGivesTheModeBack) {
  ASSERT_TRUE(waitFor(kEmptyField)) << output_;
  type("pw\x03");
  EXPECT_EQ(finish(), 3);
  EXPECT_TRUE(echoing());
  EXPECT_NE(output_.find("Interrupted before Return"), std::string::npos);
}

TEST_F(TerminalSession, SignalEndsTheProgramAndGivesTheModeBack) {
  ASSERT_TRUE(waitFor(kEmptyField)) << output_;
  EXPECT_FALSE(echoing());
  kill(child_, SIGTERM);
  EXPECT_EQ(finish(), 128 + SIGTERM);
  EXPECT_TRUE(echoing());
}

}  // namespace
