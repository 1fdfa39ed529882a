// page-session: the main job. Runs one page session with the plug-in module given on the command
// line, or the one built beside this program, and exits with the session's status.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "npapi_browser/ModuleLocation.h"
#include "page_session/PageSession.h"

namespace {

const char kUsage[] =
    "Usage: page-session [--verify] [MODULE]\n"
    "Plays a web page in this terminal that embeds the secure password plug-in MODULE (by\n"
    "default the libsecurepassword.so built with this program), in our stand-in browser. Type a\n"
    "password and press Return; keys are read from standard input, which may be a pipe.\n"
    "With --verify, the page also decodes the encoded password text that GetPassword gave\n"
    "and says whether it is what was typed.\n"
    "Exit status: 0 the page read the password and the stand-in browser's report is clean; 1 the "
    "stand-in browser\n"
    "found something left alive or a fault; 2 the session could not run; 3 the input ended or\n"
    "was interrupted before Return; 4 (--verify) the password the page received is not what\n"
    "was typed, or cannot be decoded.\n";

}  // namespace

int main(int argc, char** argv) {
  pagesession::SessionOptions options;
  std::vector<std::string> operands;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "-h" || argument == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (argument == "--verify") {
      options.verify = true;
      continue;
    }
    if (argument.size() > 1 && argument[0] == '-') {
      std::fprintf(stderr, "Unknown option %s.\n%s", argument.c_str(), kUsage);
      return pagesession::kCannotRun;
    }
    operands.push_back(argument);
  }
  if (operands.size() > 1) {
    std::fprintf(stderr, "Give at most one module path.\n%s", kUsage);
    return pagesession::kCannotRun;
  }
  options.modulePath =
      operands.empty() ? npapibrowser::ModuleBesideExecutable(SPW_DEFAULT_MODULE) : operands[0];
  return pagesession::runPageSession(options, STDIN_FILENO, stdout, stderr);
}
