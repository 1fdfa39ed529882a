// Pure parsing of a SCSI Unit Serial Number VPD page (page 0x80) as the kernel exposes it in a
// disk's device/vpd_pg80. Checks the page code and bounds the serial by both the page's own length
// field and the bytes actually given. No system calls.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace identification {

// The product serial number of the page, as the device wrote it (leading and trailing blanks
// kept), without NUL padding at its end. No value when the page is shorter than its 4-byte header,
// is not page 0x80, or holds an empty serial.
std::optional<std::string> SerialFromVpdPage80(std::span<const std::uint8_t> page);

}  // namespace identification
