// Site patterns against page addresses: see SitePatterns.h.
#include "native_host/SitePatterns.h"

#include <cctype>

namespace nativehost {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && Lower(text.substr(0, prefix.size())) == prefix;
}

std::string_view Trim(std::string_view text) {
  const char* blanks = " \t\n\r\f\v";
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

// One to five digits as a number; -1 for anything else.
int PortNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return -1;
  int value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

int DefaultPort(std::string_view scheme) { return scheme == "https" ? 443 : 80; }

}  // namespace

std::optional<PageAddress> ParsePageAddress(std::string_view url) {
  PageAddress page;
  if (StartsWithNoCase(url, "https://")) {
    page.scheme = "https";
    url.remove_prefix(8);
  } else if (StartsWithNoCase(url, "http://")) {
    page.scheme = "http";
    url.remove_prefix(7);
  } else {
    return std::nullopt;
  }
  std::string_view authority = url.substr(0, url.find_first_of("/?#"));
  if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  std::string_view host = authority;
  page.port = DefaultPort(page.scheme);
  const auto colon = authority.rfind(':');
  if (colon != std::string_view::npos && authority.find(']', colon) == std::string_view::npos) {
    const int port = PortNumber(authority.substr(colon + 1));
    if (port < 0 && colon + 1 < authority.size()) return std::nullopt;
    if (port >= 0) page.port = port;
    host = authority.substr(0, colon);
  }
  if (!host.empty() && host.back() == '.') host.remove_suffix(1);
  if (host.empty()) return std::nullopt;
  page.host = Lower(host);
  return page;
}

bool SiteMatches(std::string_view pattern, const PageAddress& page) {
  std::string_view rest = Trim(pattern);
  std::string scheme;
  if (StartsWithNoCase(rest, "https://")) {
    scheme = "https";
    rest.remove_prefix(8);
  } else if (StartsWithNoCase(rest, "http://")) {
    scheme = "http";
    rest.remove_prefix(7);
  }
  const bool anySubdomain = rest.substr(0, 2) == "*.";
  if (anySubdomain) rest.remove_prefix(2);
  if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
  int port = -1;
  if (const auto colon = rest.find(':'); colon != std::string_view::npos) {
    port = PortNumber(rest.substr(colon + 1));
    if (port < 0) return false;
    rest = rest.substr(0, colon);
  }
  if (rest.empty()) return false;
  for (char c : rest) {
    if (c == '/' || c == ':' || c == '*' || std::isspace(static_cast<unsigned char>(c))) {
      return false;
    }
  }
  if (!scheme.empty() && scheme != page.scheme) return false;
  if (port >= 0 && port != page.port) return false;
  std::string wanted = Lower(rest);
  if (wanted.back() == '.') wanted.pop_back();
  if (page.host == wanted) return true;
  return anySubdomain && page.host.size() > wanted.size() &&
         page.host.compare(page.host.size() - wanted.size(), wanted.size(), wanted) == 0 &&
         page.host[page.host.size() - wanted.size() - 1] == '.';
}

bool AnySiteMatches(const std::vector<std::string>& patterns, const PageAddress& page) {
  for (const std::string& pattern : patterns) {
    if (SiteMatches(pattern, page)) return true;
  }
  return false;
}

}  // namespace nativehost
