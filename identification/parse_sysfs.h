// Pure parsing of sysfs attribute texts read by the Linux backend: the attribute value without its
// line end, decimal numbers, MAC texts, "MAJ:MIN" device numbers, the link state, the target of
// a /sys/dev/block link, and where a relative link leads. Every input is checked; malformed text
// gives no value. No system calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace identification {

// The attribute's value: the text without the one line end sysfs puts after it. Nothing else is
// trimmed.
std::string_view AttributeValue(std::string_view raw);

// A non-negative decimal number filling the whole value ("1", "1\n"); no value otherwise.
std::optional<std::int64_t> DecimalAttribute(std::string_view raw);

// Hexadecimal bytes separated by ":" ("02:fc:00:00:00:01\n"), one or two digits each; no value for
// an empty or malformed text.
std::optional<std::vector<std::uint8_t>> MacAttribute(std::string_view raw);

struct DeviceNumber {
  unsigned major = 0;
  unsigned minor = 0;
};
// "MAJ:MIN" as in a block device's "dev" attribute; no value otherwise.
std::optional<DeviceNumber> DeviceNumberAttribute(std::string_view raw);

// The link-status number (bit 0: status valid, bit 1: link active) from "operstate": "up" is 3;
// "down", "lowerlayerdown", "notpresent", "dormant" and "testing" are 1. No value for "unknown",
// an unreadable operstate, or a state this table does not know: the carrier then decides.
std::optional<std::int64_t> LinkStatusFromOperstate(std::optional<std::string_view> operstate);
// From "carrier": "1" is 3, "0" is 1; unreadable (the driver does not report it) or anything else
// is 0.
std::int64_t LinkStatusFromCarrier(std::optional<std::string_view> carrier);

// The device path ("/devices/...") that a /sys/dev/block/MAJ:MIN link points to, from the link's
// target ("../../devices/..."). No value for a target that leaves the sysfs tree or is not
// relative.
std::optional<std::string> DevicePathFromBlockLink(std::string_view target);

// True for a device path this backend may look up: it begins with "/", and no component is "..".
bool IsPlainDevicePath(std::string_view path);

// The path that a relative link target leads to from the folder dir (a plain path such as
// "/devices/virtual/block/dm-1/slaves"), its "." and ".." components applied to the text: the
// folders of sysfs and /dev that this backend resolves from are real folders, not links. The result
// is "/" followed by names joined with "/", with no empty, "." or ".." name. No value for an empty
// or absolute target, a dir that is not plain, or a target that climbs above "/".
std::optional<std::string> ResolveRelative(std::string_view dir, std::string_view target);

}  // namespace identification
