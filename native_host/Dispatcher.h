// The native host's protocol (docs/native-host-protocol.md) over one connection: each request
// message is checked (UTF-8, JSON, the fields each operation needs) and carried out on the
// connection's plug-in instances, and answered with exactly one reply. Bad requests get an error
// reply and change nothing. Used by the serving loop, the fuzz target and the benchmarks; the host
// it is given owns the loaded module (or has none: every request is then answered
// "plugin-missing").
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "native_host/InstanceTable.h"
#include "native_host/Json.h"
#include "native_host/ProtocolError.h"
#include "npapi_browser/Browser.h"

namespace nativehost {

inline constexpr const char* kHostName = "securepassword-host";
inline constexpr int kProtocolVersion = 1;
inline constexpr std::size_t kDefaultMaxInstances = 32;

class Dispatcher {
 public:
  Dispatcher(npapibrowser::Browser& browser, std::size_t maxInstances = kDefaultMaxInstances);
  Dispatcher(const Dispatcher&) = delete;
  Dispatcher& operator=(const Dispatcher&) = delete;

  // Answers one request message; *reply gets the reply's JSON text (its old contents wiped). The
  // reply is at most kMaxOutgoing bytes. A message may carry typed characters or page data: the
  // stack its handling used is cleared before this returns.
  void handle(std::string_view message, JsonString* reply);
  // The reply to a message the framing could not deliver (id null).
  static void framingError(const char* code, const std::string& message, JsonString* reply);

  // Asked before each new instance with the page's location: a sentence means the page may not
  // have one, and the request is answered "site-not-allowed" with it. Without a check every page
  // may.
  using SiteCheck = std::function<std::optional<std::string>(std::string_view location)>;
  void setSiteCheck(SiteCheck check) { _siteCheck = std::move(check); }
  // Asked before each new instance: true means a newer version of this program has been
  // installed since it started, and the request is answered "host-replaced", so that the new
  // field goes to the new program while the instances here live on.
  using ReplacedCheck = std::function<bool()>;
  void setReplacedCheck(ReplacedCheck check) { _replacedCheck = std::move(check); }
  // Asked before "GetActiveNIC" and "GetHardDiskNUM" with the instance's page location: false
  // means the page may not read the computer's identity, and the call answers "" (what the
  // plug-in answers when it has no value) without reaching the plug-in.
  using IdentityCheck = std::function<bool(std::string_view location)>;
  void setIdentityCheck(IdentityCheck check) { _identityCheck = std::move(check); }

  // NPP_Destroy for every instance of the connection.
  void closeAll() { _instances.closeAll(); }
  const InstanceTable& instances() const { return _instances; }

 private:
  struct Request;
  void answer(std::string_view message, JsonString* reply);
  void carryOut(Request& request, Json& answer);
  void newInstance(Request& request, Json& answer);
  void resize(Request& request, npapibrowser::Page& page, Json& answer);
  void event(Request& request, npapibrowser::Page& page, Json& answer);
  void call(Request& request, npapibrowser::Page& page, Json& answer);

  npapibrowser::Browser& _browser;
  InstanceTable _instances;
  SiteCheck _siteCheck;
  ReplacedCheck _replacedCheck;
  IdentityCheck _identityCheck;
};

}  // namespace nativehost
