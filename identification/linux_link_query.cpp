// The link-layer query of the Linux backend: one NETLINK_ROUTE socket per top-level call, the
// interface index by SIOCGIFINDEX on it, and per index an RTM_GETLINK request whose reply is read
// in two steps: its size by peeking (MSG_PEEK | MSG_TRUNC), then the reply itself. Replies are
// matched by sequence number; a stale one left by an abandoned query is dropped. Over a captured
// tree there are no interfaces to ask: every name is unknown.
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "identification/linux_platform.h"
#include "identification/parse_netlink.h"

namespace identification {
namespace {

class NetlinkLinkQuery final : public LinkQuery {
 public:
  NetlinkLinkQuery() : fd_(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE)) {}
  ~NetlinkLinkQuery() override {
    if (fd_ >= 0) ::close(fd_);
  }
  NetlinkLinkQuery(const NetlinkLinkQuery&) = delete;
  NetlinkLinkQuery& operator=(const NetlinkLinkQuery&) = delete;

  unsigned indexForName(const char* name) override {
    const std::size_t length = ::strnlen(name, IFNAMSIZ);
    if (length == 0 || length >= IFNAMSIZ) return 0;
    if (fd_ < 0) return ::if_nametoindex(name);
    ifreq request;
    std::memset(&request, 0, sizeof request);
    std::memcpy(request.ifr_name, name, length);
    if (::ioctl(fd_, SIOCGIFINDEX, &request) != 0 || request.ifr_ifindex <= 0) return 0;
    return static_cast<unsigned>(request.ifr_ifindex);
  }

  std::optional<std::size_t> replySize(unsigned index) override {
    if (fd_ < 0 || index == 0 || index > INT_MAX || !SendRequest(index)) return std::nullopt;
    // A header and an error record are enough to tell our reply, and an error, from the rest.
    std::uint8_t head[NLMSG_HDRLEN + sizeof(nlmsgerr)];
    for (int attempt = 0; attempt < kMaxStaleReplies; ++attempt) {
      const ssize_t size = ::recv(fd_, head, sizeof head, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
      if (size < 0) {
        if (errno == EINTR) continue;
        return std::nullopt;
      }
      const std::span<const std::uint8_t> peeked(
          head, std::min(static_cast<std::size_t>(size), sizeof head));
      const std::optional<std::uint32_t> sequence = NetlinkSequenceOf(peeked);
      if (!sequence || *sequence != sequence_) {
        Discard();
        continue;
      }
      if (const std::optional<int> error = NetlinkErrorOf(peeked); error && *error != 0) {
        Discard();  // no such interface (any more)
        return std::nullopt;
      }
      return static_cast<std::size_t>(size);
    }
    return std::nullopt;
  }

  std::optional<std::size_t> readReply(unsigned, std::uint8_t* buffer, std::size_t size) override {
    if (fd_ < 0) return std::nullopt;
    ssize_t got;
    do {
      got = ::recv(fd_, buffer, size, MSG_DONTWAIT);
    } while (got < 0 && errno == EINTR);
    if (got < 0) return std::nullopt;
    return static_cast<std::size_t>(got);
  }

  std::optional<std::array<std::uint8_t, 6>> hardwareAddress(
      unsigned index, std::span<const std::uint8_t> reply) const override {
    return HardwareAddressFromLinkReply(reply, index);
  }

 private:
  static constexpr int kMaxStaleReplies = 16;

  bool SendRequest(unsigned index) {
    struct {
      nlmsghdr header;
      ifinfomsg info;
      rtattr maskAttribute;
      std::uint32_t mask;
    } request;
    std::memset(&request, 0, sizeof request);
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETLINK;
    request.header.nlmsg_flags = NLM_F_REQUEST;
    request.header.nlmsg_seq = ++sequence_;
    request.info.ifi_family = AF_UNSPEC;
    request.info.ifi_index = static_cast<int>(index);
    // The counters are of no use here; leaving them out makes the reply smaller and cheaper.
    request.maskAttribute.rta_len = RTA_LENGTH(sizeof request.mask);
    request.maskAttribute.rta_type = IFLA_EXT_MASK;
    request.mask = RTEXT_FILTER_SKIP_STATS;
    sockaddr_nl kernel;
    std::memset(&kernel, 0, sizeof kernel);
    kernel.nl_family = AF_NETLINK;
    ssize_t sent;
    do {
      sent = ::sendto(fd_, &request, sizeof request, 0, reinterpret_cast<const sockaddr*>(&kernel),
                      sizeof kernel);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(sizeof request);
  }

  void Discard() {
    std::uint8_t byte;
    (void)::recv(fd_, &byte, sizeof byte, MSG_DONTWAIT);
  }

  int fd_;
  std::uint32_t sequence_ = 0;
};

class NoLinkQuery final : public LinkQuery {
 public:
  unsigned indexForName(const char*) override { return 0; }
  std::optional<std::size_t> replySize(unsigned) override { return std::nullopt; }
  std::optional<std::size_t> readReply(unsigned, std::uint8_t*, std::size_t) override {
    return std::nullopt;
  }
  std::optional<std::array<std::uint8_t, 6>> hardwareAddress(
      unsigned, std::span<const std::uint8_t>) const override {
    return std::nullopt;
  }
};

}  // namespace

std::unique_ptr<LinkQuery> LinuxPlatform::openLinkQuery() {
  if (roots_.captured) return std::make_unique<NoLinkQuery>();
  return std::make_unique<NetlinkLinkQuery>();
}

}  // namespace identification
