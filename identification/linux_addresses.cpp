// The interface address list and numeric host texts of the Linux backend: getifaddrs, and
// getnameinfo with NI_NUMERICHOST over the socket-address size of the entry's family. A captured
// tree holds no address list: there is none to walk.
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <memory>

#include "identification/linux_platform.h"

namespace identification {

bool LinuxPlatform::forEachAddress(const std::function<void(const InterfaceAddress&)>& visit) {
  if (roots_.captured) return false;
  ifaddrs* head = nullptr;
  if (::getifaddrs(&head) != 0) return false;
  const std::unique_ptr<ifaddrs, decltype(&::freeifaddrs)> list(head, &::freeifaddrs);
  for (const ifaddrs* item = head; item != nullptr; item = item->ifa_next) {
    InterfaceAddress entry;
    entry.name = item->ifa_name != nullptr ? item->ifa_name : "";
    if (item->ifa_addr != nullptr) {
      entry.address = item->ifa_addr;
      switch (item->ifa_addr->sa_family) {
        case AF_INET:
          entry.family = AddressFamily::IPv4;
          entry.addressSize = sizeof(sockaddr_in);
          break;
        case AF_INET6:
          entry.family = AddressFamily::IPv6;
          entry.addressSize = sizeof(sockaddr_in6);
          break;
        default:  // AF_PACKET and the rest: no numeric host text is asked of them
          entry.family = AddressFamily::Other;
          entry.addressSize = sizeof(sockaddr);
          break;
      }
    }
    visit(entry);
  }
  return true;
}

std::optional<std::string> LinuxPlatform::numericHost(const InterfaceAddress& entry) {
  socklen_t size;
  if (entry.family == AddressFamily::IPv4) {
    size = sizeof(sockaddr_in);
  } else if (entry.family == AddressFamily::IPv6) {
    size = sizeof(sockaddr_in6);
  } else {
    return std::nullopt;
  }
  if (entry.address == nullptr || entry.addressSize < size) return std::nullopt;
  char host[NI_MAXHOST];
  if (::getnameinfo(static_cast<const sockaddr*>(entry.address), size, host, sizeof host, nullptr,
                    0, NI_NUMERICHOST) != 0)
    return std::nullopt;
  return std::string(host);
}

}  // namespace identification
