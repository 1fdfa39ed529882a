// Requests checked, carried out and answered.
#include "native_host/Dispatcher.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "native_host/Events.h"
#include "native_host/Framing.h"
#include "native_host/RequestFields.h"
#include "nativeui/NSString.h"
#include "script/PageMethods.h"
#include "wipe/stack_wipe.h"

namespace nativehost {

namespace {

constexpr std::int64_t kMaxWindowSide = 32767;

// The stack cleared after each message: the JSON parser's frames hold pieces of the message's
// strings, and ToUTF16 and the key event's way into the plug-in hold typed characters. The host's
// own frames were seen to reach about 2 kB below handle for a plain message and 6 kB for a new
// instance, a key message about 9 kB with the plug-in's own cleared stack below them (GCC 12,
// -O2). Clearing 16 kB costs a fraction of a microsecond against the tens a message takes.
constexpr std::size_t kMessageStackBytes = 16384;

Json DisplayOf(const npapibrowser::Page& page) {
  const npapibrowser::FieldDisplay display = page.fieldDisplay();
  Json shown = Json::object();
  shown["length"] = display.length;
  shown["caret"] = display.caret ? Json(*display.caret) : Json(nullptr);
  return shown;
}

// A JSON integer that fits a script's 32-bit integer.
std::optional<int32_t> Int32Of(const Json& value) {
  constexpr auto kLow = std::numeric_limits<int32_t>::min();
  constexpr auto kHigh = std::numeric_limits<int32_t>::max();
  if (value.is_number_unsigned()) {
    const auto u = value.get<std::uint64_t>();
    if (u <= static_cast<std::uint64_t>(kHigh)) return static_cast<int32_t>(u);
  } else if (value.is_number_integer()) {
    const auto i = value.get<std::int64_t>();
    if (i >= kLow && i <= kHigh) return static_cast<int32_t>(i);
  }
  return std::nullopt;
}

std::string NPErrorText(NPError error) { return std::to_string(static_cast<int>(error)); }

void Dump(const Json& value, JsonString* out) {
  WipeString(*out);
  // A plug-in's string that is not UTF-8 is answered with replacement characters rather than
  // failing the reply.
  *out = value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json ErrorReply(const Json& id, const char* code, const std::string& message) {
  Json reply = Json::object();
  reply["id"] = id;
  reply["ok"] = false;
  reply["error"] = Json::object();
  reply["error"]["code"] = code;
  reply["error"]["message"] = message;
  return reply;
}

}  // namespace

struct Dispatcher::Request {
  Json document;
  Json id;  // null until read
  std::optional<ProtocolError> error;

  void fail(const char* code, std::string message) {
    if (!error) error = ProtocolError{code, std::move(message)};
  }
  void fail(const std::optional<ProtocolError>& problem) {
    if (problem && !error) error = problem;
  }
};

Dispatcher::Dispatcher(npapibrowser::Browser& browser, std::size_t maxInstances)
    : _browser(browser), _instances(browser, maxInstances) {}

void Dispatcher::framingError(const char* code, const std::string& message, JsonString* reply) {
  Dump(ErrorReply(nullptr, code, message), reply);
}

void Dispatcher::handle(std::string_view message, JsonString* reply) {
  wipe::WithStackWipe<kMessageStackBytes>([this, message, reply] { answer(message, reply); });
}

void Dispatcher::answer(std::string_view message, JsonString* reply) {
  Request request;
  Json answer = Json::object();
  bool valid = false;
  NSUTF16LengthOfUTF8(message.data(), message.size(), &valid);
  if (!valid) {
    request.fail("bad-utf8", "The message is not valid UTF-8.");
  } else if (message.find('\0') != std::string_view::npos) {
    // A raw zero byte has no place in JSON text; the parser would take it for the end of the
    // input and ignore what follows.
    request.fail("bad-json", "The message is not valid JSON: it holds a zero byte.");
  } else {
    request.document = ParseRequest(message);
    if (request.document.is_discarded()) {
      request.fail("bad-json", "The message is not valid JSON.");
    } else if (!request.document.is_object()) {
      request.fail("not-an-object", "The message is JSON but not an object.");
    }
  }
  if (!request.error) {
    auto id = request.document.find("id");
    if (id == request.document.end()) {
      request.fail("missing-field", "The field \"id\" is missing.");
    } else if (!id->is_number() || (id->is_number_float() && !std::isfinite(id->get<double>()))) {
      request.fail("wrong-type", "The field \"id\" must be a number.");
    } else {
      request.id = *id;
    }
  }
  if (!request.error && !_browser.isLoaded()) {
    request.fail("plugin-missing",
                 "The plug-in module could not be loaded: " + _browser.lastError() + ".");
  }
  if (!request.error) carryOut(request, answer);

  if (request.error) {
    answer = ErrorReply(request.id, request.error->code, request.error->message);
  } else {
    answer["id"] = request.id;
    answer["ok"] = true;
  }
  Dump(answer, reply);
  if (reply->size() > kMaxOutgoing) {
    Dump(ErrorReply(request.id, "reply-too-long",
                    "The reply would be longer than the browser takes (1 MB)."),
         reply);
  }
}

void Dispatcher::carryOut(Request& request, Json& answer) {
  RequestFields fields(request.document);
  const JsonString* op = fields.string("op");
  if (!fields.ok()) return request.fail(fields.error());
  const std::string_view name(*op);
  if (name == "hello") {
    answer["host"] = kHostName;
    answer["protocol"] = kProtocolVersion;
    answer["maxInstances"] = _instances.limit();
    return;
  }
  if (name != "new" && name != "resize" && name != "event" && name != "call" && name != "destroy") {
    return request.fail("unknown-op",
                        "The operation \"" + std::string(name) + "\" is not one this host knows.");
  }
  const JsonString* instance = fields.string("instance");
  if (!fields.ok()) return request.fail(fields.error());
  if (instance->empty()) {
    return request.fail("wrong-type", "The field \"instance\" must be a non-empty string.");
  }
  if (name == "new") return newInstance(request, answer);

  npapibrowser::Page* page = _instances.find(*instance);
  auto unknown = [&] {
    request.fail("unknown-instance", "There is no instance \"" + std::string(*instance) + "\".");
  };
  if (name == "destroy") {
    if (page == nullptr) return unknown();
    _instances.close(*instance);
    return;
  }
  // The operation's own fields are checked before the instance is looked up, so a malformed
  // request is named as such whatever state the connection is in.
  if (name == "resize") {
    fields.integer("width", 0, kMaxWindowSide);
    fields.integer("height", 0, kMaxWindowSide);
  } else if (name == "event") {
    fields.object("event");
  } else {
    fields.string("method");
    fields.array("args", false);
  }
  if (!fields.ok()) return request.fail(fields.error());
  if (name == "event") {
    ProtocolEvent event;
    request.fail(ReadEvent(*request.document.find("event"), &event));
    if (request.error) return;
    if (page == nullptr) return unknown();
    const int16_t handled = Deliver(*page, event);
    answer["handled"] = handled == kNPEventHandled;
    answer["display"] = DisplayOf(*page);
    return;
  }
  if (page == nullptr) return unknown();
  if (name == "resize") return resize(request, *page, answer);
  call(request, *page, answer);
}

void Dispatcher::newInstance(Request& request, Json& answer) {
  RequestFields fields(request.document);
  const JsonString* instance = fields.string("instance");
  const JsonString* mimeType = fields.string("mimeType");
  const Json* attributes = fields.object("attributes", false);
  const auto width = fields.integer("width", 0, kMaxWindowSide);
  const auto height = fields.integer("height", 0, kMaxWindowSide);
  const JsonString* location = fields.string("location", false);
  if (!fields.ok()) return request.fail(fields.error());

  npapibrowser::PageOptions options;
  options.mimeType.assign(mimeType->data(), mimeType->size());
  options.location = location != nullptr ? std::string(location->data(), location->size())
                                         : std::string("about:blank");
  if (attributes != nullptr) {
    for (auto it = attributes->begin(); it != attributes->end(); ++it) {
      if (!it.value().is_string()) {
        return request.fail("wrong-type", "The attribute \"attributes." + std::string(it.key()) +
                                              "\" must be a string.");
      }
      const JsonString& value = it.value().get_ref<const JsonString&>();
      options.attributes.emplace_back(std::string(it.key()),
                                      std::string(value.data(), value.size()));
    }
  }
  if (_instances.find(*instance) != nullptr) {
    return request.fail("instance-exists",
                        "An instance \"" + std::string(*instance) + "\" exists already.");
  }
  if (_replacedCheck && _replacedCheck()) {
    return request.fail("host-replaced",
                        "A newer version of this program has been installed: a new instance "
                        "belongs in a new host.");
  }
  if (_siteCheck) {
    if (const std::optional<std::string> refusal = _siteCheck(options.location)) {
      return request.fail("site-not-allowed", *refusal);
    }
  }
  if (_instances.full()) {
    return request.fail("too-many-instances", "This connection holds the most instances it may (" +
                                                  std::to_string(_instances.limit()) + ").");
  }
  npapibrowser::Page* page = _instances.open(*instance, options);
  if (page == nullptr) {
    return request.fail("plugin-refused", "The plug-in has no entry for new instances.");
  }
  if (page->newResult() != NPERR_NO_ERROR) {
    const NPError refused = page->newResult();
    _instances.close(*instance);
    return request.fail("plugin-refused", "The plug-in refused the instance: NPP_New answered " +
                                              NPErrorText(refused) + ".");
  }
  const NPError window =
      page->setWindow(0, 0, static_cast<uint32_t>(*width), static_cast<uint32_t>(*height));
  if (window != NPERR_NO_ERROR) {
    _instances.close(*instance);
    return request.fail(
        "plugin-refused",
        "The plug-in refused its window: NPP_SetWindow answered " + NPErrorText(window) + ".");
  }
  // As a browser does for a Core Animation plug-in: the layer to composite and the object that
  // scripts call.
  page->layer();
  page->scriptObject();
  answer["display"] = DisplayOf(*page);
}

void Dispatcher::resize(Request& request, npapibrowser::Page& page, Json& answer) {
  RequestFields fields(request.document);
  const auto w = fields.integer("width", 0, kMaxWindowSide);
  const auto h = fields.integer("height", 0, kMaxWindowSide);
  const NPError result = page.setWindow(0, 0, static_cast<uint32_t>(*w), static_cast<uint32_t>(*h));
  if (result != NPERR_NO_ERROR) {
    return request.fail(
        "plugin-refused",
        "The plug-in refused its window: NPP_SetWindow answered " + NPErrorText(result) + ".");
  }
  answer["display"] = DisplayOf(page);
}

void Dispatcher::call(Request& request, npapibrowser::Page& page, Json& answer) {
  const JsonString& method = request.document.find("method")->get_ref<const JsonString&>();
  bool known = false;
  // Only the page's methods (script/methods.json) are passed on: other names are refused before
  // they reach the stand-in browser, whose identifiers live as long as the module.
  for (std::string_view name : pagemethods::kAll) known = known || name == std::string_view(method);
  if (!known) {
    return request.fail("no-such-method",
                        "The field has no script method \"" + std::string(method) + "\".");
  }
  const bool identity = std::string_view(method) == pagemethods::kGetActiveNIC ||
                        std::string_view(method) == pagemethods::kGetHardDiskNUM;
  if (identity && _identityCheck && !_identityCheck(page.options().location)) {
    answer["result"] = "";
    answer["display"] = DisplayOf(page);
    return;
  }
  std::vector<NPVariant> args;
  auto list = request.document.find("args");
  if (list != request.document.end()) {
    for (std::size_t i = 0; i < list->size(); ++i) {
      const Json& arg = (*list)[i];
      NPVariant v;
      v.value.objectValue = nullptr;
      if (arg.is_string()) {
        const JsonString& text = arg.get_ref<const JsonString&>();
        STRINGN_TO_NPVARIANT(text.data(), static_cast<uint32_t>(text.size()), v);
      } else if (std::optional<int32_t> whole = Int32Of(arg)) {
        INT32_TO_NPVARIANT(*whole, v);
      } else if (arg.is_number()) {
        DOUBLE_TO_NPVARIANT(arg.get<double>(), v);
      } else if (arg.is_boolean()) {
        BOOLEAN_TO_NPVARIANT(arg.get<bool>(), v);
      } else if (arg.is_null()) {
        NULL_TO_NPVARIANT(v);
      } else {
        return request.fail("wrong-type", "The field \"args[" + std::to_string(i) +
                                              "]\" must be a string, number, boolean or null.");
      }
      args.push_back(v);
    }
  }
  npapibrowser::ScriptResult result = page.invoke(std::string(method), args);
  if (!result.ok) {
    return request.fail("no-such-method", "The plug-in's script object declined the call of " +
                                              std::string(method) + ".");
  }
  switch (result.type) {
    case NPVariantType_Bool:
      answer["result"] = result.boolValue;
      break;
    case NPVariantType_Int32:
      answer["result"] = result.intValue;
      break;
    case NPVariantType_Double:
      answer["result"] = result.doubleValue;
      break;
    case NPVariantType_String:
      answer["result"] = JsonString(result.stringValue.data(), result.stringValue.size());
      WipeString(result.stringValue);
      break;
    default:  // void, null, and objects, which do not cross to the page
      answer["result"] = nullptr;
      break;
  }
  answer["display"] = DisplayOf(page);
}

}  // namespace nativehost
