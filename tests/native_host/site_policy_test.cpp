// The native host's own check of the allowed sites: the patterns against the vectors the extension
// shares, and the lists read from fabricated trees of each browser's policy and managed-storage
// files, as the browser that started the host would read them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "native_host/Dispatcher.h"
#include "native_host/SitePatterns.h"
#include "native_host/SitePolicy.h"
#include "nativeui/NSLog.h"
#include "npapi_browser/Browser.h"

namespace nativehost {
namespace {

namespace fs = std::filesystem;
using Browser = Caller::Browser;

const char kChromiumId[] = "boeigbhkfjamldnjalbiogmfnndioinp";
const char kFirefoxId[] = "field@securepassword.net";

TEST(SitePatterns, AnswerTheVectorsTheExtensionAnswers) {
  std::ifstream file(SPW_SOURCE_DIR "/tests/data/site-patterns.json");
  const nlohmann::json vectors = nlohmann::json::parse(file);
  ASSERT_GT(vectors["cases"].size(), 20u);
  for (const nlohmann::json& each : vectors["cases"]) {
    const std::string pattern = each["pattern"];
    const std::string url = each["url"];
    const std::optional<PageAddress> page = ParsePageAddress(url);
    const bool match = page.has_value() && SiteMatches(pattern, *page);
    EXPECT_EQ(match, each["match"].get<bool>()) << '"' << pattern << "\" against " << url;
  }
}

TEST(SitePolicy, TellsTheBrowserFromItsArgumentsAndParents) {
  const std::vector<std::string> origin = {"chrome-extension://" + std::string(kChromiumId) + "/"};
  EXPECT_EQ(CallerOf(origin, {"/bin/dash", "/usr/lib/chromium/chromium"}).browser,
            Browser::kChromium);
  EXPECT_EQ(CallerOf(origin, {"/opt/google/chrome/chrome"}).browser, Browser::kChrome);
  const Caller unknown = CallerOf(origin, {});
  EXPECT_EQ(unknown.browser, Browser::kChromiumOrChrome);
  EXPECT_EQ(unknown.extensionId, kChromiumId);
  const Caller firefox = CallerOf({"/usr/lib/mozilla/native-messaging-hosts/x.json", kFirefoxId},
                                  {"/usr/lib/firefox-esr/firefox-esr"});
  EXPECT_EQ(firefox.browser, Browser::kFirefox);
  EXPECT_EQ(firefox.extensionId, kFirefoxId);
  EXPECT_EQ(firefox.firefoxDirectory, "/usr/lib/firefox-esr");
  EXPECT_EQ(CallerOf({"--parent-window=0"}, {}).browser, Browser::kUnknown);
}

class PolicyTree : public ::testing::Test {
 protected:
  void SetUp() override {
    _root = fs::temp_directory_path() / ("spw-policy-" + std::to_string(getpid()));
    fs::remove_all(_root);
    fs::create_directories(_root / "home");
  }
  void TearDown() override { fs::remove_all(_root); }

  void write(const std::string& path, const std::string& text) {
    const fs::path file = _root / path.substr(1);
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
  }
  static std::string chromiumPolicy(const std::string& sites) {
    return R"({"3rdparty": {"extensions": {")" + std::string(kChromiumId) +
           R"(": {"allowedSites": )" + sites + "}}}}";
  }
  SitePolicy policy(Browser browser) const {
    Caller caller;
    caller.browser = browser;
    caller.extensionId = browser == Browser::kFirefox ? kFirefoxId : kChromiumId;
    caller.firefoxDirectory = "/usr/lib/firefox-esr";
    return SitePolicy(caller, _root.string(), (_root / "home").string());
  }

  fs::path _root;
};

TEST_F(PolicyTree, NoListLetsEveryPageIn) {
  EXPECT_FALSE(policy(Browser::kChromium).refusal("https://anywhere.example/").has_value());
  EXPECT_FALSE(policy(Browser::kFirefox).refusal("http://127.0.0.1:8000/").has_value());
}

TEST_F(PolicyTree, ChromiumReadsItsOwnFolderAndSkipsFilesItCannotRead) {
  write("/etc/chromium/policies/managed/a-broken.json", "{\"3rdparty\": ");
  write("/etc/chromium/policies/managed/b-other.json", R"({"HomepageLocation": "x"})");
  write("/etc/chromium/policies/managed/c-sites.json", chromiumPolicy(R"(["*.bank.example"])"));
  write("/etc/opt/chrome/policies/managed/sites.json", chromiumPolicy(R"(["other.example"])"));
  const SitePolicy chromium = policy(Browser::kChromium);
  EXPECT_FALSE(chromium.refusal("https://www.bank.example/login").has_value());
  ASSERT_TRUE(chromium.refusal("https://other.example/").has_value());
  EXPECT_NE(chromium.refusal("https://other.example/")->find("may not use"), std::string::npos);
  EXPECT_TRUE(chromium.refusal("file:///etc/passwd").has_value());
  EXPECT_FALSE(policy(Browser::kChrome).refusal("https://other.example/").has_value());
  // Not knowing which of the two started it, the host holds a page to both lists.
  EXPECT_TRUE(policy(Browser::kChromiumOrChrome).refusal("https://www.bank.example/").has_value());
}

TEST_F(PolicyTree, FirefoxTakesThePolicyFirstThenManagedStorage) {
  const std::string storage = "/home/.mozilla/managed-storage/" + std::string(kFirefoxId) + ".json";
  write(storage, R"({"name": "field@securepassword.net", "type": "storage",
                     "data": {"allowedSites": ["http://127.0.0.1"]}})");
  EXPECT_FALSE(policy(Browser::kFirefox).refusal("http://127.0.0.1:8000/").has_value());
  EXPECT_TRUE(policy(Browser::kFirefox).refusal("http://127.0.0.2:8000/").has_value());

  write("/usr/lib/firefox-esr/distribution/policies.json",
        R"({"policies": {"3rdparty": {"Extensions": {"field@securepassword.net":
            {"allowedSites": ["http://127.0.0.2"]}}}}})");
  EXPECT_TRUE(policy(Browser::kFirefox).refusal("http://127.0.0.1:8000/").has_value());
  EXPECT_FALSE(policy(Browser::kFirefox).refusal("http://127.0.0.2:8000/").has_value());

  // /etc/firefox wins over the distribution's file; one that says nothing of the extension leaves
  // its managed storage in force.
  write("/etc/firefox/policies/policies.json", R"({"policies": {"DisableTelemetry": true}})");
  EXPECT_FALSE(policy(Browser::kFirefox).refusal("http://127.0.0.1:8000/").has_value());
  EXPECT_TRUE(policy(Browser::kFirefox).refusal("http://127.0.0.2:8000/").has_value());
}

TEST_F(PolicyTree, KeepsTheAdministratorsWordOnTheComputersIdentity) {
  const SitePolicy chromium = policy(Browser::kChromium);
  EXPECT_TRUE(chromium.identityAllowed("https://anywhere.example/"));  // the user decides
  write("/etc/chromium/policies/managed/identity.json",
        R"({"3rdparty": {"extensions": {")" + std::string(kChromiumId) +
            R"(": {"identityBlockedSites": ["*.ads.example"]}}}})");
  EXPECT_FALSE(chromium.identityAllowed("https://tracker.ads.example/"));
  EXPECT_TRUE(chromium.identityAllowed("https://bank.example/"));
  write("/etc/chromium/policies/managed/identity.json",
        R"({"3rdparty": {"extensions": {")" + std::string(kChromiumId) +
            R"(": {"identitySites": ["bank.example"], "identityPrompt": false}}}})");
  EXPECT_TRUE(chromium.identityAllowed("https://bank.example/login"));
  EXPECT_FALSE(chromium.identityAllowed("https://other.example/"));
  EXPECT_FALSE(chromium.identityAllowed("not an address"));
}

TEST_F(PolicyTree, AnIdThatNamesAnotherFileReadsNothing) {
  write("/home/.mozilla/managed-storage/../evil.json",
        R"({"data": {"allowedSites": ["nowhere.example"]}})");
  Caller caller{Browser::kFirefox, "../../evil", "/usr/lib/firefox-esr"};
  const SitePolicy sites(caller, _root.string(), (_root / "home").string());
  EXPECT_TRUE(sites.allowedSiteLists().empty());
}

// The dispatcher with the built plug-in: a page the site check refuses gets no instance, and one
// the identity check refuses gets "" from the two identity methods, as from a computer without
// the values, while its other methods answer.
TEST(SiteChecks, RefuseInstancesAndIdentityAsTheyAreTold) {
  NSLogSetEchoToStandardError(false);
  npapibrowser::Browser browser;
  ASSERT_TRUE(browser.load(SPW_MODULE)) << browser.lastError();
  {
    Dispatcher dispatcher(browser);
    dispatcher.setSiteCheck([](std::string_view location) -> std::optional<std::string> {
      if (location.find("refused.example") == std::string_view::npos) return std::nullopt;
      return std::string("not here");
    });
    dispatcher.setIdentityCheck(
        [](std::string_view location) { return location.find("bank") != std::string_view::npos; });
    JsonString reply;
    auto answer = [&](const std::string& message) {
      dispatcher.handle(message, &reply);
      return nlohmann::json::parse(std::string(reply.data(), reply.size()));
    };
    auto open = [&](const char* instance, const char* location) {
      return answer(std::string(R"({"id":1,"op":"new","instance":")") + instance +
                    R"(","mimeType":"application/x-secure-password","width":200,"height":20,)" +
                    R"("location":")" + location + R"("})");
    };
    const nlohmann::json refused = open("r", "https://refused.example/");
    EXPECT_EQ(refused["error"]["code"], "site-not-allowed");
    EXPECT_EQ(refused["error"]["message"], "not here");
    EXPECT_EQ(dispatcher.instances().size(), 0u);

    ASSERT_EQ(open("bank", "https://bank.example/")["ok"], true);
    ASSERT_EQ(open("other", "https://other.example/")["ok"], true);
    auto call = [&](const char* instance, const char* method) {
      return answer(std::string(R"({"id":2,"op":"call","instance":")") + instance +
                    R"(","method":")" + method + R"("})")["result"];
    };
    EXPECT_EQ(call("other", "GetActiveNIC"), "");
    EXPECT_EQ(call("other", "GetHardDiskNUM"), "");
    EXPECT_EQ(call("other", "GetDllVersion"), "1600");
    EXPECT_EQ(call("bank", "GetActiveNIC"), call("bank", "GetActiveNIC"));
    EXPECT_EQ(call("bank", "GetDllVersion"), "1600");
    dispatcher.closeAll();
  }
  EXPECT_TRUE(browser.unload().clean());
}

}  // namespace
}  // namespace nativehost
