// Fuzz target for the netlink reply parser (HardwareAddressFromLinkReply, NetlinkErrorOf,
// NetlinkSequenceOf): a random interface index and random reply bytes in an exactly-sized heap
// buffer, also at an odd address, so no read outside the reply and no misaligned access goes
// unseen. A found address must be six bytes that stand in the reply.
#include <linux/netlink.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>

#include "fuzz/common/fuzz_check.h"
#include "fuzz/common/fuzz_input.h"
#include "identification/parse_netlink.h"

namespace {

constexpr std::size_t kMaxReply = 16384;

void Parse(std::span<const std::uint8_t> reply, unsigned index, const std::string& context) {
  const auto address = identification::HardwareAddressFromLinkReply(reply, index);
  if (address) {
    const auto found = std::search(reply.begin(), reply.end(), address->begin(), address->end());
    FUZZ_CHECK(found != reply.end(), "an address that is not in the reply: " + context);
    FUZZ_CHECK(reply.size() >= sizeof(nlmsghdr),
               "an address from a reply without a header: " + context);
  }
  const auto error = identification::NetlinkErrorOf(reply);
  if (error)
    FUZZ_CHECK(reply.size() >= sizeof(nlmsghdr) + sizeof(int),
               "an error code from a short reply: " + context);
  const auto sequence = identification::NetlinkSequenceOf(reply);
  FUZZ_CHECK(sequence.has_value() == (reply.size() >= sizeof(nlmsghdr)),
             "sequence number presence: " + context);
  if (sequence) {
    std::uint32_t raw;
    std::memcpy(&raw, reply.data() + offsetof(nlmsghdr, nlmsg_seq), sizeof raw);
    FUZZ_CHECK(*sequence == raw, "wrong sequence number: " + context);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::FuzzInput input(data, size);
  const unsigned index = input.u32();
  const std::string bytes = input.rest();
  if (bytes.size() > kMaxReply) return 0;
  const std::string context =
      "index " + std::to_string(index) + " reply " + fuzzing::Printable(bytes.data(), bytes.size());

  std::unique_ptr<std::uint8_t[]> reply(new std::uint8_t[bytes.size()]);
  std::memcpy(reply.get(), bytes.data(), bytes.size());
  Parse({reply.get(), bytes.size()}, index, context);

  // The same reply one byte off its alignment, still ending exactly at the buffer's end.
  std::unique_ptr<std::uint8_t[]> shifted(new std::uint8_t[bytes.size() + 1]);
  std::memcpy(shifted.get() + 1, bytes.data(), bytes.size());
  Parse({shifted.get() + 1, bytes.size()}, index, context);
  return 0;
}
