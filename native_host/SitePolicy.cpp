// The administrator's allowed sites where the browsers keep them: see SitePolicy.h.
//   Chromium  /etc/chromium/policies/managed/*.json      {"3rdparty": {"extensions": {ID: {...}}}}
//   Chrome    /etc/opt/chrome/policies/managed/*.json    (the same)
//   Firefox   /etc/firefox/policies/policies.json, else its folder's distribution/policies.json
//             {"policies": {"3rdparty": {"Extensions": {ID: {...}}}}}; when that says nothing of
//             the extension, its managed storage file ~/.mozilla/managed-storage/ID.json or
//             /usr/lib/mozilla/managed-storage/ID.json: {"name": ID, "type": "storage", "data":
//             {...}}
// A file that cannot be read or parsed, or is over 1 MiB, counts as absent, as the browsers treat
// it. Of several Chromium files that set the list, the first in byte order of their names counts.
#include "native_host/SitePolicy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "native_host/SitePatterns.h"

namespace nativehost {
namespace {

constexpr std::size_t kMaxPolicyFile = 1 << 20;

const char kRefused[] =
    "This site may not use the secure password field (the allowed sites are set by the "
    "administrator).";

// A regular file's contents, up to the limit; nothing when it is missing, not a regular file,
// unreadable or longer.
std::optional<std::string> ReadPolicyFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  std::optional<std::string> text;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
      static_cast<std::size_t>(info.st_size) <= kMaxPolicyFile) {
    std::string contents(kMaxPolicyFile + 1, '\0');
    std::size_t got = 0;
    for (;;) {
      const ssize_t n = read(fd, contents.data() + got, contents.size() - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
      if (got == contents.size()) break;
    }
    if (got <= kMaxPolicyFile) {
      contents.resize(got);
      text = std::move(contents);
    }
  }
  close(fd);
  return text;
}

nlohmann::json ReadJson(const std::string& path) {
  const std::optional<std::string> text = ReadPolicyFile(path);
  if (!text) return nlohmann::json();
  nlohmann::json value = nlohmann::json::parse(*text, nullptr, false);
  return value.is_discarded() ? nlohmann::json() : value;
}

// settings[key][key]...: the value there, or null.
const nlohmann::json* Path(const nlohmann::json& settings,
                           std::initializer_list<const char*> keys) {
  const nlohmann::json* at = &settings;
  for (const char* key : keys) {
    if (!at->is_object()) return nullptr;
    const auto it = at->find(key);
    if (it == at->end()) return nullptr;
    at = &*it;
  }
  return at;
}

// A list of site patterns in the extension's settings: its strings, or nothing when it is not a
// list. An empty list sets nothing, as in the extension.
std::optional<std::vector<std::string>> SiteListOf(const nlohmann::json* settings,
                                                   const char* key) {
  if (settings == nullptr) return std::nullopt;
  const nlohmann::json* sites = Path(*settings, {key});
  if (sites == nullptr || !sites->is_array() || sites->empty()) return std::nullopt;
  std::vector<std::string> list;
  for (const nlohmann::json& site : *sites) {
    // An entry that is not a string matches nothing, but the list still stands.
    list.push_back(site.is_string() ? site.get<std::string>() : std::string());
  }
  return list;
}

std::vector<std::string> JsonFilesIn(const std::string& directory) {
  std::vector<std::string> names;
  DIR* dir = opendir(directory.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.size() > 5 && name.compare(name.size() - 5, 5, ".json") == 0) names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

std::string Basename(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

Caller CallerOf(const std::vector<std::string>& arguments,
                const std::vector<std::string>& parentPrograms) {
  Caller caller;
  const std::string chromeScheme = "chrome-extension://";
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.compare(0, chromeScheme.size(), chromeScheme) == 0) {
      const std::string rest = argument.substr(chromeScheme.size());
      caller.extensionId = rest.substr(0, rest.find('/'));
      caller.browser = Caller::Browser::kChromiumOrChrome;
      for (const std::string& program : parentPrograms) {
        const std::string name = Basename(program);
        if (program.find("/google/chrome") != std::string::npos || name == "chrome") {
          caller.browser = Caller::Browser::kChrome;
          break;
        }
        if (name.compare(0, 8, "chromium") == 0) {
          caller.browser = Caller::Browser::kChromium;
          break;
        }
      }
      return caller;
    }
    // Firefox: the manifest's path, then the id ("name@domain" or "{uuid}").
    const bool manifest =
        argument.size() > 5 && argument.compare(argument.size() - 5, 5, ".json") == 0;
    if (manifest && i + 1 < arguments.size()) {
      caller.browser = Caller::Browser::kFirefox;
      caller.extensionId = arguments[i + 1];
      caller.firefoxDirectory = "/usr/lib/firefox-esr";
      for (const std::string& program : parentPrograms) {
        if (Basename(program).compare(0, 7, "firefox") == 0) {
          caller.firefoxDirectory = program.substr(0, program.rfind('/'));
          break;
        }
      }
      return caller;
    }
  }
  return caller;
}

SitePolicy::SitePolicy(Caller caller, std::string root, std::string home)
    : _caller(std::move(caller)), _root(std::move(root)), _home(std::move(home)) {}

std::optional<nlohmann::json> SitePolicy::chromiumSettings(const std::string& directory,
                                                           const char* key) const {
  const std::string folder = _root + directory;
  for (const std::string& name : JsonFilesIn(folder)) {
    const nlohmann::json file = ReadJson(folder + "/" + name);
    const nlohmann::json* extension =
        Path(file, {"3rdparty", "extensions", _caller.extensionId.c_str()});
    if (extension != nullptr && Path(*extension, {key}) != nullptr) return *extension;
  }
  return std::nullopt;
}

std::optional<nlohmann::json> SitePolicy::firefoxSettings() const {
  std::string policies = _root + "/etc/firefox/policies/policies.json";
  if (!Exists(policies))
    policies = _root + _caller.firefoxDirectory + "/distribution/policies.json";
  const nlohmann::json file = ReadJson(policies);
  const nlohmann::json* extension =
      Path(file, {"policies", "3rdparty", "Extensions", _caller.extensionId.c_str()});
  if (extension != nullptr) return *extension;
  const std::string name = "/mozilla/managed-storage/" + _caller.extensionId + ".json";
  for (const std::string& path :
       {_home + "/." + name.substr(1), _root + "/usr/lib" + name, _root + "/usr/lib64" + name}) {
    const nlohmann::json manifest = ReadJson(path);
    if (!manifest.is_object()) continue;
    const nlohmann::json* data = Path(manifest, {"data"});
    return data != nullptr ? *data : nlohmann::json();
  }
  return std::nullopt;
}

// For each place the caller's browser reads the extension's settings, those that set key.
std::vector<nlohmann::json> SitePolicy::settings(const char* key) const {
  std::vector<nlohmann::json> found;
  // An id that could name another file never reaches a path.
  if (_caller.extensionId.empty() ||
      _caller.extensionId.find_first_of("/\\") != std::string::npos ||
      _caller.extensionId.find("..") != std::string::npos) {
    return found;
  }
  const bool chromium = _caller.browser == Caller::Browser::kChromium ||
                        _caller.browser == Caller::Browser::kChromiumOrChrome;
  const bool chrome = _caller.browser == Caller::Browser::kChrome ||
                      _caller.browser == Caller::Browser::kChromiumOrChrome;
  if (chromium) {
    if (auto each = chromiumSettings("/etc/chromium/policies/managed", key)) found.push_back(*each);
  }
  if (chrome) {
    if (auto each = chromiumSettings("/etc/opt/chrome/policies/managed", key)) {
      found.push_back(*each);
    }
  }
  if (_caller.browser == Caller::Browser::kFirefox) {
    if (auto each = firefoxSettings()) found.push_back(*each);
  }
  return found;
}

std::vector<std::vector<std::string>> SitePolicy::allowedSiteLists() const {
  std::vector<std::vector<std::string>> lists;
  for (const nlohmann::json& each : settings("allowedSites")) {
    if (auto list = SiteListOf(&each, "allowedSites")) lists.push_back(*list);
  }
  return lists;
}

bool SitePolicy::identityAllowed(std::string_view location) const {
  const std::optional<PageAddress> page = ParsePageAddress(location);
  for (const char* key : {"identityBlockedSites", "identityPrompt"}) {
    for (const nlohmann::json& each : settings(key)) {
      if (!page) return false;
      if (auto blocked = SiteListOf(&each, "identityBlockedSites")) {
        if (AnySiteMatches(*blocked, *page)) return false;
      }
      const nlohmann::json* prompt = Path(each, {"identityPrompt"});
      if (prompt != nullptr && prompt->is_boolean() && !prompt->get<bool>()) {
        const auto sites = SiteListOf(&each, "identitySites");
        if (!sites || !AnySiteMatches(*sites, *page)) return false;
      }
    }
  }
  return true;
}

std::optional<std::string> SitePolicy::refusal(std::string_view location) const {
  const std::vector<std::vector<std::string>> lists = allowedSiteLists();
  if (lists.empty()) return std::nullopt;
  const std::optional<PageAddress> page = ParsePageAddress(location);
  if (!page) return std::string(kRefused);
  for (const std::vector<std::string>& list : lists) {
    if (!AnySiteMatches(list, *page)) return std::string(kRefused);
  }
  return std::nullopt;
}

}  // namespace nativehost
