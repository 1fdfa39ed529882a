// The administrator's site patterns ("allowedSites": "bank.example.com",
// "https://bank.example.com",
// "*.example.org", "http://intranet:8080") against a page's address, as the extension matches them
// (extension/background/site-patterns.js; both answer the vectors in
// tests/data/site-patterns.json). Pure; used by the allowed-sites check of new instances
// (SitePolicy.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nativehost {

// What of a page's address the patterns look at.
struct PageAddress {
  std::string scheme;  // "http" or "https"
  std::string host;    // lower case, without a trailing dot
  int port = 0;        // the given port, or the scheme's own (80, 443)
};

// The address of an http or https page as a browser writes it (already normalised: punycode host,
// no spaces); nothing for any other scheme or an address without a host.
std::optional<PageAddress> ParsePageAddress(std::string_view url);

// Whether one pattern matches the page: the host itself, or with "*." any of its subdomains too;
// a scheme or port in the pattern must be the page's. A pattern that is not well formed matches
// nothing.
bool SiteMatches(std::string_view pattern, const PageAddress& page);

// Whether any pattern of the list matches.
bool AnySiteMatches(const std::vector<std::string>& patterns, const PageAddress& page);

}  // namespace nativehost
