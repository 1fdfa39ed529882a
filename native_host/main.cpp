// securepassword-host: the native messaging host that a browser extension starts to run the
// secure password plug-in out of the browser's process. Speaks the protocol of
// docs/native-host-protocol.md on standard input and output, runs libsecurepassword.so in the
// stand-in browser, and at the end of its input reports on standard error what the plug-in left
// behind.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "native_host/Dispatcher.h"
#include "native_host/ParentPrograms.h"
#include "native_host/ProgramFile.h"
#include "native_host/Server.h"
#include "native_host/SitePolicy.h"
#include "nativeui/NSLog.h"
#include "npapi_browser/Browser.h"
#include "npapi_browser/ModuleLocation.h"

namespace {

constexpr int kClean = 0;
constexpr int kNotClean = 1;
constexpr int kCannotServe = 2;

const char kUsage[] =
    "Usage: securepassword-host [--module PATH] [--max-instances N] [BROWSER ARGUMENTS]\n"
    "The native messaging host of the secure password extension: the browser starts it and\n"
    "speaks to it on standard input and output (a 32-bit length, then JSON). It runs the\n"
    "secure password plug-in, by default the libsecurepassword.so beside this program or the\n"
    "one built with it, one instance per field of a page, at most N at once (default 32).\n"
    "Arguments it does not know (those the browsers add) are ignored. When its input ends it\n"
    "destroys every instance and writes its report to standard error.\n"
    "Exit status: 0 the report is clean; 1 the plug-in left something alive or made a fault;\n"
    "2 the plug-in could not be loaded, or an argument is wrong.\n";

// Takes the protocol's descriptors for the host alone: standard output becomes a private copy
// and descriptor 1 points at standard error, so the plug-in's trace lines (puts, printf) and
// anything a child process prints never reach the browser; standard input likewise, with /dev/null
// in its place, so no child can read the browser's messages. False when the descriptors cannot be
// set up.
bool TakeProtocolDescriptors(int* in, int* out) {
  *in = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
  *out = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (*in < 0 || *out < 0) return false;
  std::fflush(stdout);
  if (dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return false;
  int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
  if (nothing < 0 || dup2(nothing, STDIN_FILENO) < 0) return false;
  close(nothing);
  // Trace lines reach the browser's log line by line, in order with the host's own.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  return true;
}

bool ParseCount(const char* text, std::size_t* out) {
  char* end = nullptr;
  errno = 0;
  unsigned long value = std::strtoul(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || text[0] == '-' || value < 1 || value > 4096) {
    return false;
  }
  *out = value;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string module;
  std::size_t maxInstances = nativehost::kDefaultMaxInstances;
  std::vector<std::string> browserArguments;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "-h" || argument == "--help") {
      std::fputs(kUsage, stdout);
      return kClean;
    }
    const bool moduleOption = argument == "--module" || argument == "--max-instances";
    if (moduleOption && i + 1 == argc) {
      std::fprintf(stderr, "securepassword-host: %s needs a value.\n%s", argument.c_str(), kUsage);
      return kCannotServe;
    }
    if (argument == "--module") {
      module = argv[++i];
    } else if (argument == "--max-instances") {
      if (!ParseCount(argv[++i], &maxInstances)) {
        std::fprintf(stderr,
                     "securepassword-host: --max-instances takes a number from 1 to 4096.\n");
        return kCannotServe;
      }
    } else {
      // Anything else is the browser's: Chromium gives the caller's origin, Firefox the
      // manifest's path and the extension's id.
      browserArguments.push_back(argument);
    }
  }
  if (module.empty()) module = npapibrowser::ModuleBesideExecutable(SPW_DEFAULT_MODULE);

  std::signal(SIGPIPE, SIG_IGN);  // a browser that has gone away ends the writes, not the host
  int in = -1, out = -1;
  if (!TakeProtocolDescriptors(&in, &out)) {
    std::perror("securepassword-host: cannot set up standard input and output");
    return kCannotServe;
  }
  // The plug-in's focus lines belong in the system log, not in the browser's log.
  NSLogSetEchoToStandardError(false);

  npapibrowser::Browser browser;
  if (!browser.load(module)) {
    std::fprintf(stderr, "securepassword-host: %s\n", browser.lastError().c_str());
  }
  nativehost::Dispatcher dispatcher(browser, maxInstances);
  // The administrator's allowed sites, read anew for every instance where the browser that
  // started the host reads them.
  const char* home = std::getenv("HOME");
  const nativehost::SitePolicy sites(
      nativehost::CallerOf(browserArguments, nativehost::ParentPrograms()), "",
      home != nullptr ? home : "");
  dispatcher.setSiteCheck([&sites](std::string_view location) { return sites.refusal(location); });
  dispatcher.setIdentityCheck(
      [&sites](std::string_view location) { return sites.identityAllowed(location); });
  // Fields made after an upgrade go to the new program.
  const nativehost::ProgramFile program;
  dispatcher.setReplacedCheck([&program] { return program.replaced(); });
  nativehost::Serve(in, out, dispatcher);
  dispatcher.closeAll();
  close(in);
  close(out);
  if (!browser.isLoaded()) return kCannotServe;
  const npapibrowser::UnloadReport report = browser.unload();
  std::fflush(stdout);
  std::fputs(report.text.c_str(), stderr);
  const int status = report.clean() ? kClean : kNotClean;
  std::fprintf(stderr, "securepassword-host: report %s, exit status %d\n",
               report.clean() ? "clean" : "NOT clean", status);
  return status;
}
