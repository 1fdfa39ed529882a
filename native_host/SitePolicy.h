// The native host's own check of the administrator's allowed sites: before it makes an instance
// for a page, it reads the list where the browser that started it reads its managed storage, so a
// site the administrator did not allow gets no instance even while the browser itself still reads
// the list as empty (Chromium does for several seconds after the extension is installed).
// Used by securepassword-host's main() through the dispatcher's site check; reads files only, under
// a root that tests set to a tree of their own.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nativehost {

// Which browser started the host, and the extension's id in it.
struct Caller {
  enum class Browser { kUnknown, kChromium, kChrome, kChromiumOrChrome, kFirefox };
  Browser browser = Browser::kUnknown;
  std::string extensionId;
  std::string firefoxDirectory;  // Firefox: the folder of its program (for distribution/)
};

// The caller, from the arguments the browser gave (Chromium and Chrome: "chrome-extension://ID/";
// Firefox: the manifest's path, then the extension's id) and the programs of the host's parent
// processes (to tell Chrome from Chromium, and to find Firefox's folder); pass them as found in
// /proc, nearest first.
Caller CallerOf(const std::vector<std::string>& arguments,
                const std::vector<std::string>& parentPrograms);

// The policy files and managed-storage files, read under root ("" for the real system) and home.
class SitePolicy {
 public:
  SitePolicy(Caller caller, std::string root, std::string home);

  // The administrator's lists of allowed sites for the extension as they stand now: none when no
  // list is set (every site may use the field), one list per browser location that sets one.
  std::vector<std::vector<std::string>> allowedSiteLists() const;

  // Nothing when the page at location may have an instance; otherwise the sentence that says why
  // not. A page that is not http or https never may, unless no list is set.
  std::optional<std::string> refusal(std::string_view location) const;

  // Whether the administrator's settings leave the page at location free to read the computer's
  // identity ("GetActiveNIC", "GetHardDiskNUM"): not when "identityBlockedSites" names it, nor
  // when "identityPrompt" is false and "identitySites" does not name it. Whether the user allowed
  // it is the extension's to decide; this only keeps the administrator's word, also while the
  // browser still hands the extension no settings.
  bool identityAllowed(std::string_view location) const;

 private:
  // The extension's settings object of each place the caller's browser reads them from, where it
  // sets key (Chromium: the first file in byte order of its name that does; Firefox: its one
  // object).
  std::vector<nlohmann::json> settings(const char* key) const;
  std::optional<nlohmann::json> chromiumSettings(const std::string& directory,
                                                 const char* key) const;
  std::optional<nlohmann::json> firefoxSettings() const;

  Caller _caller;
  std::string _root;
  std::string _home;
};

}  // namespace nativehost
