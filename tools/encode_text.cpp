// encode-text: prints the encoded password text of a clear text, as the plug-in would hand it to
// a page. The clear text comes from the first argument or, without one, from the first line of
// standard input, read without echo when that is a terminal. Texts over 126 bytes are refused.
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "encoding/jnidecrypt.h"
#include "wipe/secure_wipe.h"

namespace {

constexpr const char* kUsage =
    "usage: encode-text [--] [CLEAR_TEXT]\n"
    "Prints the encoded password text of CLEAR_TEXT (at most 126 bytes). Without CLEAR_TEXT,\n"
    "reads one line from standard input, without echo when it is a terminal.\n";

// The terminal settings to restore if a signal ends the program while echo is off.
struct termios saved_terminal;
volatile sig_atomic_t echo_is_off = 0;

void RestoreEchoAndDie(int sig) {
  if (echo_is_off) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_terminal);
  signal(sig, SIG_DFL);
  raise(sig);
}

bool TurnEchoOff() {
  if (tcgetattr(STDIN_FILENO, &saved_terminal) != 0) return false;
  struct sigaction action {};
  action.sa_handler = RestoreEchoAndDie;
  sigemptyset(&action.sa_mask);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(sig, &action, nullptr);
  struct termios quiet = saved_terminal;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  quiet.c_lflag |= ECHONL;
  echo_is_off = 1;
  if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0) {
    echo_is_off = 0;
    return false;
  }
  return true;
}

void RestoreEcho() {
  if (!echo_is_off) return;
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_terminal);
  echo_is_off = 0;
}

enum class ReadResult { kOk, kTooLong, kZeroByte, kError };

// Reads one line of standard input byte by byte (no stdio buffer keeps a copy) into text, which
// has room for kMaxClearTextLength + 1 bytes. The line end is dropped; the rest of a line that is
// too long is read and discarded.
ReadResult ReadLine(char* text, std::size_t& length) {
  length = 0;
  bool too_long = false;
  bool zero_byte = false;
  for (;;) {
    char c;
    const ssize_t got = read(STDIN_FILENO, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return ReadResult::kError;
    if (got == 0 || c == '\n') break;
    if (c == '\0') zero_byte = true;
    if (length < kMaxClearTextLength) {
      text[length++] = c;
    } else {
      too_long = true;
    }
  }
  if (length > 0 && text[length - 1] == '\r') --length;  // a line typed or saved on Windows
  text[length] = '\0';
  if (zero_byte) return ReadResult::kZeroByte;
  return too_long ? ReadResult::kTooLong : ReadResult::kOk;
}

}  // namespace

int main(int argc, char** argv) {
  int first = 1;
  if (argc > 1 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc > 1 && std::strcmp(argv[1], "--") == 0) first = 2;
  if (argc - first > 1) {
    std::fputs("encode-text: give at most one clear text (quote it if it holds spaces).\n", stderr);
    std::fputs(kUsage, stderr);
    return 2;
  }

  char clear[kMaxClearTextLength + 1] = {};
  int status = 0;
  if (argc - first == 1) {
    // Take the text out of the argument vector, so the process listing no longer shows it.
    char* arg = argv[first];
    const std::size_t length = std::strlen(arg);
    if (length > kMaxClearTextLength) {
      std::fprintf(stderr,
                   "encode-text: the clear text has %zu bytes; at most %zu can be encoded, and it "
                   "is not cut.\n",
                   length, kMaxClearTextLength);
      status = 1;
    } else {
      std::memcpy(clear, arg, length);
    }
    wipe::SecureWipe(arg, length);
  } else {
    const bool terminal = isatty(STDIN_FILENO) != 0;
    if (terminal) {
      // Echo goes off first (dropping anything typed ahead), so the prompt means "type now".
      if (!TurnEchoOff()) {
        std::fprintf(stderr, "encode-text: cannot turn off echo on the terminal: %s\n",
                     std::strerror(errno));
        return 1;
      }
      std::fputs("Clear text: ", stderr);
      std::fflush(stderr);
    }
    std::size_t length = 0;
    const ReadResult result = ReadLine(clear, length);
    RestoreEcho();
    switch (result) {
      case ReadResult::kOk:
        break;
      case ReadResult::kTooLong:
        std::fprintf(stderr,
                     "encode-text: the clear text has more than %zu bytes; it is not cut, nothing "
                     "was encoded.\n",
                     kMaxClearTextLength);
        status = 1;
        break;
      case ReadResult::kZeroByte:
        std::fputs("encode-text: the clear text holds a zero byte; nothing was encoded.\n", stderr);
        status = 1;
        break;
      case ReadResult::kError:
        std::fprintf(stderr, "encode-text: cannot read standard input: %s\n", std::strerror(errno));
        status = 1;
        break;
    }
  }

  if (status == 0) {
    char encoded[512] = {};
    QsEncode(encoded, clear);
    std::puts(encoded);
    if (std::fflush(stdout) != 0) {
      std::fprintf(stderr, "encode-text: cannot write the encoded text: %s\n",
                   std::strerror(errno));
      status = 1;
    }
    wipe::SecureWipe(encoded, sizeof encoded);
  }
  wipe::SecureWipe(clear, sizeof clear);
  return status;
}
