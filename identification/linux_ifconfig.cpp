// The interface-configuration command of the Linux backend: runs "/sbin/ifconfig" (or the path
// the roots name) through popen and returns its standard output. Does not parse it. Never runs a
// program from a captured tree.
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "identification/linux_platform.h"

namespace identification {

std::optional<std::string> LinuxPlatform::interfaceConfigurationOutput() {
  // A command that is not there cannot be run; asking the shell would only add its complaint to
  // the caller's standard error.
  if (roots_.captured || ::access(roots_.ifconfig.c_str(), X_OK) != 0) return std::nullopt;
  const std::unique_ptr<FILE, decltype(&::pclose)> stream(::popen(roots_.ifconfig.c_str(), "re"),
                                                          &::pclose);
  if (!stream) return std::nullopt;
  std::string output;
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, stream.get())) > 0) output.append(chunk, got);
  return output;
}

}  // namespace identification
