// Fuzz target for the sysfs attribute parsers: one random text in an exactly-sized heap buffer is
// given to every parser (value, decimal, MAC, device number, operstate, carrier, block link,
// device path, and as a link target seen from a device's slaves/ folder). Checks that each answer
// is consistent with the text it came from.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "fuzz/common/fuzz_check.h"
#include "identification/parse_sysfs.h"

namespace {

constexpr std::size_t kMaxText = 4096;

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxText) return 0;
  std::unique_ptr<char[]> buffer(new char[size]);
  std::memcpy(buffer.get(), data, size);
  const std::string_view raw(buffer.get(), size);
  const std::string context = "text " + fuzzing::Printable(raw.data(), raw.size());
  using namespace identification;

  const std::string_view value = AttributeValue(raw);
  FUZZ_CHECK(value.data() == raw.data() && (value.size() == raw.size() ||
                                            (value.size() + 1 == raw.size() && raw.back() == '\n')),
             "the value is not the text less one line end: " + context);

  if (const auto number = DecimalAttribute(raw)) {
    FUZZ_CHECK(*number >= 0, "a negative decimal: " + context);
    std::string digits(value);
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size() - 1));  // leading zeros
    FUZZ_CHECK(digits == std::to_string(*number), "decimal differs from its text: " + context);
  }

  if (const auto mac = MacAttribute(raw)) {
    FUZZ_CHECK(!mac->empty(), "an empty MAC: " + context);
    // Groups of one or two hexadecimal digits joined by ":", one per byte.
    std::size_t groups = 1;
    for (const char c : value) {
      FUZZ_CHECK(c == ':' || IsHexDigit(c), "a MAC from a text with other characters: " + context);
      groups += c == ':' ? 1 : 0;
    }
    FUZZ_CHECK(groups == mac->size(), "MAC byte count differs from its groups: " + context);
  }

  if (const auto device = DeviceNumberAttribute(raw)) {
    FUZZ_CHECK(value == std::to_string(device->major) + ":" + std::to_string(device->minor) ||
                   value.find_first_not_of("0123456789:") == std::string_view::npos,
               "device number differs from its text: " + context);
  }

  const auto operstate = LinkStatusFromOperstate(raw);
  FUZZ_CHECK(!operstate || *operstate == 1 || *operstate == 3,
             "operstate status out of range: " + context);
  FUZZ_CHECK(!LinkStatusFromOperstate(std::nullopt), "an unreadable operstate gave a status");
  const std::int64_t carrier = LinkStatusFromCarrier(raw);
  FUZZ_CHECK(carrier == 0 || carrier == 1 || carrier == 3,
             "carrier status out of range: " + context);

  if (const auto path = DevicePathFromBlockLink(raw)) {
    FUZZ_CHECK(raw.substr(0, 6) == "../../",
               "a device path from a link that does not climb two levels: " + context);
    FUZZ_CHECK(IsPlainDevicePath(*path), "a device path that is not plain: " + context);
    FUZZ_CHECK(*path == "/" + std::string(raw.substr(6)),
               "device path differs from the link: " + context);
  }

  if (IsPlainDevicePath(raw)) {
    FUZZ_CHECK(!raw.empty() && raw.front() == '/', "a plain path not starting with /: " + context);
    FUZZ_CHECK(raw.find('\0') == std::string_view::npos,
               "a plain path holding a zero byte: " + context);
    const std::string framed = std::string(raw) + "/";
    FUZZ_CHECK(framed.find("/../") == std::string::npos,
               "a plain path with a \"..\" component: " + context);
  }
  // As a member link in slaves/: where it leads is a plain path made of the link's own names.
  static constexpr std::string_view kSlaves = "/devices/virtual/block/dm-1/slaves";
  if (const auto path = ResolveRelative(kSlaves, raw)) {
    FUZZ_CHECK(IsPlainDevicePath(*path), "a link leads to a path that is not plain: " + context);
    const std::string framed = *path + "/";
    FUZZ_CHECK(framed.find("//") == std::string::npos || *path == "/",
               "an empty name in a resolved path: " + context);
    FUZZ_CHECK(framed.find("/./") == std::string::npos, "a \".\" in a resolved path: " + context);
    FUZZ_CHECK(!raw.empty() && raw.front() != '/',
               "an absolute or empty target resolved: " + context);
    if (("/" + std::string(raw) + "/").find("/../") == std::string::npos) {
      std::string expected(kSlaves);
      std::size_t start = 0;
      while (start <= raw.size()) {
        std::size_t end = std::min(raw.find('/', start), raw.size());
        const std::string_view name = raw.substr(start, end - start);
        if (!name.empty() && name != ".") expected += "/" + std::string(name);
        start = end + 1;
      }
      FUZZ_CHECK(*path == expected, "a link without \"..\" resolved elsewhere: " + context);
    }
  }
  return 0;
}
