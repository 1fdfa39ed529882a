// NSLog to syslog and standard error, with capture for tests.
#include "nativeui/NSLog.h"

#include <sys/syscall.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace {
std::mutex gMutex;
bool gCapture = false;
bool gEcho = true;
bool gSystemLog = true;
std::vector<std::string> gLines;
}  // namespace

extern "C" void NSLog(const char* format, ...) {
  if (format == nullptr) return;
  char message[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);

  std::lock_guard<std::mutex> lock(gMutex);
  if (gSystemLog) syslog(LOG_USER | LOG_NOTICE, "%s", message);
  if (gEcho) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(stderr, "%s.%03ld %s[%d:%ld] %s\n", date, now.tv_nsec / 1000000L,
                 program_invocation_short_name, static_cast<int>(getpid()),
                 static_cast<long>(syscall(SYS_gettid)), message);
  }
  if (gCapture) gLines.emplace_back(message);
}

void NSLogSetCapture(bool capture) {
  std::lock_guard<std::mutex> lock(gMutex);
  gCapture = capture;
}

std::vector<std::string> NSLogCapturedLines() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gLines;
}

void NSLogClearCapturedLines() {
  std::lock_guard<std::mutex> lock(gMutex);
  gLines.clear();
}

void NSLogSetEchoToStandardError(bool echo) {
  std::lock_guard<std::mutex> lock(gMutex);
  gEcho = echo;
}

void NSLogSetSystemLog(bool enabled) {
  std::lock_guard<std::mutex> lock(gMutex);
  gSystemLog = enabled;
}
