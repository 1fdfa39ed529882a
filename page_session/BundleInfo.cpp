// Reading the few values of a bundle description.
#include "page_session/BundleInfo.h"

#include <fstream>
#include <regex>
#include <sstream>

namespace pagesession {

namespace {

std::string stringValue(const std::string& plist, const std::string& key) {
  std::smatch match;
  const std::regex pattern("<key>" + key + "</key>\\s*<string>([^<]*)</string>");
  return std::regex_search(plist, match, pattern) ? match[1].str() : std::string();
}

}  // namespace

BundleInfo parseBundleInfo(const std::string& plist) {
  BundleInfo info;
  info.name = stringValue(plist, "WebPluginName");
  if (info.name.empty()) info.name = stringValue(plist, "CFBundleName");
  info.description = stringValue(plist, "WebPluginDescription");
  info.version = stringValue(plist, "CFBundleVersion");
  std::smatch match;
  const std::regex types("<key>WebPluginMIMETypes</key>\\s*<dict>\\s*<key>([^<]*)</key>");
  if (std::regex_search(plist, match, types)) info.mimeType = match[1].str();
  return info;
}

BundleInfo bundleInfoBeside(const std::string& modulePath) {
  const std::size_t slash = modulePath.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : modulePath.substr(0, slash);
  std::ifstream file(directory + "/Info.plist");
  if (!file) return BundleInfo{};
  std::stringstream text;
  text << file.rdbuf();
  return parseBundleInfo(text.str());
}

}  // namespace pagesession
