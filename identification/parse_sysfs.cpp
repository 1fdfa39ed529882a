// Parsing of sysfs attribute texts; see parse_sysfs.h.
#include "identification/parse_sysfs.h"

#include <array>
#include <charconv>
#include <limits>

namespace identification {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

template <typename T>
bool ParseUnsigned(std::string_view text, T& out) {
  if (text.empty() || text.front() < '0' || text.front() > '9') return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string_view AttributeValue(std::string_view raw) {
  if (!raw.empty() && raw.back() == '\n') raw.remove_suffix(1);
  return raw;
}

std::optional<std::int64_t> DecimalAttribute(std::string_view raw) {
  std::int64_t value = 0;
  if (!ParseUnsigned(AttributeValue(raw), value)) return std::nullopt;
  return value;
}

std::optional<std::vector<std::uint8_t>> MacAttribute(std::string_view raw) {
  const std::string_view text = AttributeValue(raw);
  if (text.empty()) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  std::size_t i = 0;
  while (true) {
    int value = 0;
    std::size_t digits = 0;
    while (i < text.size() && digits < 2 && HexDigit(text[i]) >= 0) {
      value = value * 16 + HexDigit(text[i]);
      ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(value));
    if (i == text.size()) return bytes;
    if (text[i] != ':') return std::nullopt;
    ++i;
  }
}

std::optional<DeviceNumber> DeviceNumberAttribute(std::string_view raw) {
  const std::string_view text = AttributeValue(raw);
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  DeviceNumber number;
  if (!ParseUnsigned(text.substr(0, colon), number.major) ||
      !ParseUnsigned(text.substr(colon + 1), number.minor))
    return std::nullopt;
  return number;
}

std::optional<std::int64_t> LinkStatusFromOperstate(std::optional<std::string_view> operstate) {
  if (!operstate) return std::nullopt;
  const std::string_view state = AttributeValue(*operstate);
  if (state == "up") return 3;
  static constexpr std::array<std::string_view, 5> kNoLink = {"down", "lowerlayerdown",
                                                              "notpresent", "dormant", "testing"};
  for (const std::string_view known : kNoLink)
    if (state == known) return 1;
  // "unknown" and anything newer than this table: the carrier decides.
  return std::nullopt;
}

std::int64_t LinkStatusFromCarrier(std::optional<std::string_view> carrier) {
  if (!carrier) return 0;
  const std::string_view value = AttributeValue(*carrier);
  if (value == "1") return 3;
  if (value == "0") return 1;
  return 0;
}

std::optional<std::string> DevicePathFromBlockLink(std::string_view target) {
  // The link lives in /dev/block, two levels below the top of sysfs.
  static constexpr std::string_view kUp = "../../";
  if (target.substr(0, kUp.size()) != kUp) return std::nullopt;
  std::string path = "/" + std::string(target.substr(kUp.size()));
  if (path.size() < 2 || !IsPlainDevicePath(path)) return std::nullopt;
  return path;
}

bool IsPlainDevicePath(std::string_view path) {
  if (path.empty() || path.front() != '/') return false;
  if (path.find('\0') != std::string_view::npos) return false;
  std::size_t start = 1;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string_view::npos) end = path.size();
    if (path.substr(start, end - start) == "..") return false;
    start = end + 1;
  }
  return true;
}

std::optional<std::string> ResolveRelative(std::string_view dir, std::string_view target) {
  if (!IsPlainDevicePath(dir) || target.empty() || target.front() == '/') return std::nullopt;
  if (target.find('\0') != std::string_view::npos) return std::nullopt;
  std::string path;
  const auto apply = [&path](std::string_view text) {
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find('/', start);
      if (end == std::string_view::npos) end = text.size();
      const std::string_view name = text.substr(start, end - start);
      start = end + 1;
      if (name.empty() || name == ".") continue;
      if (name == "..") {
        if (path.empty()) return false;
        path.erase(path.find_last_of('/'));
        continue;
      }
      path += '/';
      path += name;
    }
    return true;
  };
  if (!apply(dir) || !apply(target)) return std::nullopt;
  if (path.empty()) path = "/";
  return path;
}

}  // namespace identification
