// The parent processes' programs from /proc/PID/exe and /proc/PID/stat: see ParentPrograms.h.
#include "native_host/ParentPrograms.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace nativehost {
namespace {

// The parent of a process, from the field after the command's closing parenthesis; 0 when unknown.
pid_t ParentOf(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return 0;
  const auto close = line.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(line.substr(close + 1));
  std::string state;
  long parent = 0;
  if (!(rest >> state >> parent)) return 0;
  return static_cast<pid_t>(parent);
}

}  // namespace

std::vector<std::string> ParentPrograms(int levels) {
  std::vector<std::string> programs;
  pid_t pid = getppid();
  for (int level = 0; level < levels && pid > 1; ++level) {
    char target[4096];
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
    if (length <= 0) break;
    programs.emplace_back(target, static_cast<std::size_t>(length));
    pid = ParentOf(pid);
  }
  return programs;
}

}  // namespace nativehost
