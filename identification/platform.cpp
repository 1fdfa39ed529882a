// Which platform the identification functions talk to: the Linux backend by default, or one a
// test installed. Holds no results, only the choice of backend.
#include "identification/platform.h"

#include "identification/linux_platform.h"

namespace identification {
namespace {

Platform* installed = nullptr;

Platform& LinuxDefault() {
  static LinuxPlatform platform;
  return platform;
}

}  // namespace

Platform& CurrentPlatform() { return installed ? *installed : LinuxDefault(); }

Platform* SetPlatform(Platform* platform) {
  Platform* previous = installed;
  installed = platform;
  return previous;
}

}  // namespace identification
