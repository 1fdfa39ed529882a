// Pure parsing of the kernel's reply to an RTM_GETLINK request for one interface index, as the
// Linux link-layer query reads it. Checks every length against the reply: a truncated, malformed or
// foreign reply gives no value and nothing outside the given bytes is read. No system calls.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace identification {

// The first six bytes of the IFLA_ADDRESS attribute of the first RTM_NEWLINK message for index in
// reply. No value when there is no such message, no such attribute, it holds fewer than six bytes
// (tunnels, interfaces without a hardware address), or the interface is a loopback.
std::optional<std::array<std::uint8_t, 6>> HardwareAddressFromLinkReply(
    std::span<const std::uint8_t> reply, unsigned index);

// The error code of a reply whose first message is an NLMSG_ERROR (0 for an acknowledgement), or no
// value when the reply begins with another message or is too short to tell.
std::optional<int> NetlinkErrorOf(std::span<const std::uint8_t> reply);

// The sequence number of the reply's first message, or no value when the header is incomplete.
std::optional<std::uint32_t> NetlinkSequenceOf(std::span<const std::uint8_t> reply);

}  // namespace identification
