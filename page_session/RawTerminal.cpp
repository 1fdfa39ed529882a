// Raw mode with restoration on every way out.
#include "page_session/RawTerminal.h"

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

namespace pagesession {

namespace {

// What the handlers need, kept where a signal handler may read it.
volatile sig_atomic_t gSaved = 0;
int gFd = -1;
termios gOriginal;

const int kSignals[] = {SIGINT,  SIGTERM, SIGHUP, SIGQUIT, SIGPIPE,
                        SIGABRT, SIGSEGV, SIGBUS, SIGFPE,  SIGILL};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];
struct sigaction gPrevious[kSignalCount];

void putBackHandlers() {
  for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &gPrevious[i], nullptr);
}

void restore() {
  if (gSaved) {
    tcsetattr(gFd, TCSANOW, &gOriginal);
    gSaved = 0;
  }
}

// The terminal first (tcsetattr is async-signal-safe), then the signal takes the course it
// would have taken without us.
void onSignal(int signal) {
  restore();
  putBackHandlers();
  raise(signal);
}

}  // namespace

RawTerminal::RawTerminal(int fd) {
  if (!isatty(fd) || tcgetattr(fd, &gOriginal) != 0) return;
  gFd = fd;
  gSaved = 1;
  static bool exitHookInstalled = false;
  if (!exitHookInstalled) {
    std::atexit(restore);
    exitHookInstalled = true;
  }
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < kSignalCount; ++i) sigaction(kSignals[i], &action, &gPrevious[i]);

  termios raw = gOriginal;
  raw.c_iflag &=
      ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  raw.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB);
  raw.c_cflag |= CS8;
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  // Output processing stays on, so "\n" still returns the carriage.
  _active = tcsetattr(fd, TCSAFLUSH, &raw) == 0;
  if (!_active) {
    restore();
    putBackHandlers();
  }
}

RawTerminal::~RawTerminal() {
  if (!_active) return;
  restore();
  putBackHandlers();
}

}  // namespace pagesession
