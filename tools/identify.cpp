// identify: prints what the plug-in would report about this machine (the active interface, the
// interface list, the root disk's serial, the platform serial and UUID), "none" where there is
// none. Asks the same functions the plug-in exports, on the live system.
#include <cstdio>
#include <optional>
#include <string>

#include "identification/utils.h"

namespace {

void Line(const char* label, const char* value) {
  std::printf("%-17s %s\n", label, value ? value : "none");
}

void Line(const char* label, const std::optional<std::string>& value) {
  Line(label, value ? value->c_str() : nullptr);
}

}  // namespace

int main() {
  // The link-layer lookup may write its trace lines (without line ends) first; keep them apart.
  const char* active = ActiveNIC();
  const std::string activeText = active ? active : "";
  const char* list = LocalNICList();
  const std::string listText = list ? list : "";
  std::fflush(stdout);
  std::printf("\n");
  Line("active NIC:", active ? activeText.c_str() : nullptr);
  Line("active MAC:", GetMacAddressFromIOKit());
  Line("interfaces:", listText.empty() ? nullptr : listText.c_str());
  Line("disk serial:", DiskNumber());
  Line("platform serial:", GetHardwareSerialNumber());
  Line("platform UUID:", GetHardwareUUID());
  return 0;
}
