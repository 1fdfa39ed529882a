// The default module path of the programs built on the stand-in browser.
#include "npapi_browser/ModuleLocation.h"

#include <unistd.h>

namespace npapibrowser {

std::string ModuleBesideExecutable(const std::string& fallback) {
  char self[4096];
  ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length > 0) {
    std::string path(self, static_cast<std::size_t>(length));
    std::string beside = path.substr(0, path.rfind('/') + 1) + "libsecurepassword.so";
    if (access(beside.c_str(), F_OK) == 0) return beside;
  }
  return fallback;
}

}  // namespace npapibrowser
