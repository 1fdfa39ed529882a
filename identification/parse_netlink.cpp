// Bounds-checked walk over netlink messages and route attributes; see parse_netlink.h. Headers are
// copied out with memcpy, so the reply may sit at any alignment.
#include "identification/parse_netlink.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <net/if_arp.h>

#include <cstring>

namespace identification {
namespace {

constexpr std::size_t Align(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

template <typename T>
bool ReadAt(std::span<const std::uint8_t> bytes, std::size_t offset, T& out) {
  if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return false;
  std::memcpy(&out, bytes.data() + offset, sizeof(T));
  return true;
}

std::optional<std::array<std::uint8_t, 6>> AddressInLink(std::span<const std::uint8_t> message) {
  // message: one whole RTM_NEWLINK message, header included.
  std::size_t offset = Align(sizeof(nlmsghdr)) + Align(sizeof(ifinfomsg));
  while (offset < message.size()) {
    rtattr attribute;
    if (!ReadAt(message, offset, attribute)) return std::nullopt;
    if (attribute.rta_len < sizeof(rtattr) || attribute.rta_len > message.size() - offset)
      return std::nullopt;
    if ((attribute.rta_type & NLA_TYPE_MASK) == IFLA_ADDRESS) {
      const std::size_t length = attribute.rta_len - sizeof(rtattr);
      if (length < 6) return std::nullopt;
      std::array<std::uint8_t, 6> address;
      std::memcpy(address.data(), message.data() + offset + sizeof(rtattr), address.size());
      return address;
    }
    offset += Align(attribute.rta_len);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::array<std::uint8_t, 6>> HardwareAddressFromLinkReply(
    std::span<const std::uint8_t> reply, unsigned index) {
  std::size_t offset = 0;
  while (offset < reply.size()) {
    nlmsghdr header;
    if (!ReadAt(reply, offset, header)) return std::nullopt;
    if (header.nlmsg_len < sizeof(nlmsghdr) || header.nlmsg_len > reply.size() - offset)
      return std::nullopt;
    const std::span<const std::uint8_t> message = reply.subspan(offset, header.nlmsg_len);
    if (header.nlmsg_type == NLMSG_ERROR || header.nlmsg_type == NLMSG_DONE) return std::nullopt;
    if (header.nlmsg_type == RTM_NEWLINK) {
      ifinfomsg info;
      if (!ReadAt(message, Align(sizeof(nlmsghdr)), info)) return std::nullopt;
      if (info.ifi_index >= 0 && static_cast<unsigned>(info.ifi_index) == index) {
        // A loopback's address (six zero bytes) is no hardware address.
        if (info.ifi_type == ARPHRD_LOOPBACK || (info.ifi_flags & IFF_LOOPBACK) != 0)
          return std::nullopt;
        return AddressInLink(message);
      }
    }
    offset += Align(header.nlmsg_len);
  }
  return std::nullopt;
}

std::optional<int> NetlinkErrorOf(std::span<const std::uint8_t> reply) {
  nlmsghdr header;
  if (!ReadAt(reply, 0, header) || header.nlmsg_type != NLMSG_ERROR) return std::nullopt;
  nlmsgerr error;
  if (!ReadAt(reply, Align(sizeof(nlmsghdr)), error)) return std::nullopt;
  return error.error;
}

std::optional<std::uint32_t> NetlinkSequenceOf(std::span<const std::uint8_t> reply) {
  nlmsghdr header;
  if (!ReadAt(reply, 0, header)) return std::nullopt;
  return header.nlmsg_seq;
}

}  // namespace identification
