// securepassword-host run as a browser runs it, with the built plug-in module: a field's life from
// "new" to the end of input (display after every key, the password decoded back to what was
// typed, the other methods, two fields apart, the length limit), every bad input answered with its
// error while the host goes on serving, and a clean report with status 0 at the end. Standard
// output must carry nothing but the replies, although the plug-in prints trace lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoder/decode.h"
#include "tests/native_host/host_process.h"

namespace {

using nativehosttest::HostProcess;
using nativehosttest::json;

constexpr const char* kMimeType = "application/x-secure-password";

// The plug-in's keys as a Mac browser sends them: the characters AppKit gives and the key code.
struct Key {
  std::string characters;
  int keyCode;
};
const Key kBackspace{"\x7f", 51};
const Key kForwardDelete{"\xEF\x9C\xA8", 117};  // U+F728
const Key kLeft{"\xEF\x9C\x82", 123};           // U+F702
const Key kRight{"\xEF\x9C\x83", 124};          // U+F703
const Key kHome{"\xEF\x9C\xA9", 115};           // U+F729
const Key kEnd{"\xEF\x9C\xAB", 119};            // U+F72B
const Key kReturn{"\r", 36};

// A field as a page's extension drives it: requests numbered in order, each reply checked for
// its id.
class Field {
 public:
  Field(HostProcess& host, std::string instance) : _host(host), _instance(std::move(instance)) {}

  json request(json fields) {
    fields["id"] = ++_next;
    fields["instance"] = _instance;
    json reply = _host.ask(fields);
    EXPECT_EQ(reply.value("id", json()), _next) << reply;
    return reply;
  }
  json create() {
    return request({{"op", "new"},
                    {"mimeType", kMimeType},
                    {"attributes", {{"type", kMimeType}, {"width", "240"}, {"height", "28"}}},
                    {"width", 240},
                    {"height", 28},
                    {"location", "http://127.0.0.1/login.html"}});
  }
  json event(json event) { return request({{"op", "event"}, {"event", std::move(event)}}); }
  // A click into the field: the mouse goes down, the page gives the field the focus, the mouse
  // comes up.
  void click() {
    EXPECT_TRUE(event({{"type", "mouseDown"}, {"x", 10}, {"y", 12}})["ok"]);
    EXPECT_TRUE(event({{"type", "focusChanged"}, {"hasFocus", true}})["ok"]);
    EXPECT_TRUE(event({{"type", "mouseUp"}, {"x", 10}, {"y", 12}})["ok"]);
  }
  // Key down and key up; the key down's reply.
  json press(const Key& key) {
    json down = event({{"type", "keyDown"},
                       {"characters", key.characters},
                       {"charactersIgnoringModifiers", key.characters},
                       {"keyCode", key.keyCode},
                       {"modifierFlags", 0}});
    event({{"type", "keyUp"}, {"characters", key.characters}, {"keyCode", key.keyCode}});
    return down;
  }
  json type(const std::string& text) {
    json last;
    for (char c : text) last = press({std::string(1, c), 0});
    return last;
  }
  json call(const std::string& method, json args = json::array()) {
    return request({{"op", "call"}, {"method", method}, {"args", std::move(args)}});
  }
  // What GetPassword gives, decoded; "<...>" when it cannot be.
  std::string password() {
    json reply = call("GetPassword");
    if (!reply.value("ok", false) || !reply["result"].is_string()) return "<refused>";
    const std::string encoded = reply["result"];
    if (encoded.empty()) return "";
    decoder::DecodeResult decoded = decoder::DecodePassword(encoded);
    return decoded.ok() ? std::string(decoded.text()) : "<undecodable>";
  }

 private:
  HostProcess& _host;
  std::string _instance;
  int _next = 0;
};

json Display(std::size_t length, std::optional<std::size_t> caret) {
  return {{"length", length}, {"caret", caret ? json(*caret) : json(nullptr)}};
}

TEST(NativeHost, FieldLifeFromNewToTheEndOfInput) {
  HostProcess host;
  json hello = host.ask({{"id", 0}, {"op", "hello"}});
  EXPECT_EQ(hello["host"], "securepassword-host");
  EXPECT_EQ(hello["protocol"], 1);
  EXPECT_EQ(hello["maxInstances"], 32);

  Field a(host, "field-a"), b(host, "field-b");
  json created = a.create();
  ASSERT_EQ(created["ok"], true) << created;
  EXPECT_EQ(created["display"], Display(0, std::nullopt));
  ASSERT_EQ(b.create()["ok"], true);

  a.click();
  // secrex, Backspace, t, Left, Left, "-", End, "!", Home, "^", Right, forward Delete: "^scr-et!",
  // each step's bullets and caret checked.
  struct Step {
    Key key;
    std::size_t length, caret;
  };
  std::vector<Step> steps = {{{"s", 1}, 1, 1},   {{"e", 14}, 2, 2},     {{"c", 8}, 3, 3},
                             {{"r", 15}, 4, 4},  {{"e", 14}, 5, 5},     {{"x", 7}, 6, 6},
                             {kBackspace, 5, 5}, {{"t", 17}, 6, 6},     {kLeft, 6, 5},
                             {kLeft, 6, 4},      {{"-", 27}, 7, 5},     {kEnd, 7, 7},
                             {{"!", 18}, 8, 8},  {kHome, 8, 0},         {{"^", 22}, 9, 1},
                             {kRight, 9, 2},     {kForwardDelete, 8, 2}};
  for (std::size_t i = 0; i < steps.size(); ++i) {
    json reply = a.press(steps[i].key);
    EXPECT_EQ(reply["handled"], true) << "step " << i;
    EXPECT_EQ(reply["display"], Display(steps[i].length, steps[i].caret)) << "step " << i;
  }
  // Return is left to the page.
  EXPECT_EQ(a.press(kReturn)["handled"], false);
  EXPECT_EQ(a.password(), "^scr-et!");

  // The second field keeps its own text; keys reach only the field with the focus.
  EXPECT_TRUE(a.event({{"type", "focusChanged"}, {"hasFocus", false}})["ok"]);
  b.click();
  b.type("other");
  EXPECT_EQ(a.password(), "^scr-et!");
  EXPECT_EQ(b.password(), "other");

  // At most 126 characters: the 127th and later ones are ignored.
  b.call("Clearpassword");
  std::string long_text;
  for (int i = 0; i < 130; ++i) long_text.push_back(static_cast<char>('A' + i % 26));
  EXPECT_EQ(b.type(long_text)["display"], Display(126, 126));
  EXPECT_EQ(b.password(), long_text.substr(0, 126));

  // The other methods, with the plug-in's answers; GetActiveNIC's lookup prints trace lines,
  // which must not reach standard output.
  json version = b.call("GetDllVersion");
  EXPECT_EQ(version["result"], "1600");
  EXPECT_EQ(version["display"], Display(126, 126));
  json encoded = b.call("EncodeData", {"page data 42"});
  ASSERT_TRUE(encoded["result"].is_string()) << encoded;
  EXPECT_EQ(std::string(decoder::DecodePassword(encoded["result"].get<std::string>()).text()),
            "page data 42");
  EXPECT_TRUE(b.call("GetActiveNIC")["result"].is_string());
  EXPECT_TRUE(b.call("GetHardDiskNUM")["result"].is_string());
  json cleared = b.call("Clearpassword");
  EXPECT_EQ(cleared["ok"], true);
  EXPECT_EQ(cleared["display"], Display(0, 0));
  EXPECT_EQ(b.password(), "");

  // One field destroyed by the page, the other left for the end of input.
  json destroyed = b.request({{"op", "destroy"}});
  EXPECT_EQ(destroyed["ok"], true);
  EXPECT_EQ(destroyed.size(), 2u) << destroyed;
  EXPECT_EQ(b.request({{"op", "destroy"}})["error"]["code"], "unknown-instance");
  EXPECT_EQ(host.finish(), 0) << host.err();
  EXPECT_NE(host.err().find("  clean\n"), std::string::npos) << host.err();
  EXPECT_NE(host.err().find("securepassword-host: report clean, exit status 0\n"),
            std::string::npos);
  EXPECT_EQ(host.err().find("scr-et"), std::string::npos);
}

}  // namespace

namespace {

// Each bad input with the error code it must get; after each, the host must still serve (the
// field typed into before goes on answering).
TEST(NativeHost, EveryBadInputGetsItsErrorAndTheHostGoesOn) {
  HostProcess host({"--max-instances", "2", "chrome-extension://someid/"});
  Field field(host, "f");
  ASSERT_EQ(field.create()["ok"], true);
  field.click();
  field.type("keep");

  const std::string tooLong = "{\"id\": 1, \"pad\": \"" + std::string(70000, 'x') + "\"}";
  struct Case {
    const char* what;
    std::string message;  // the JSON text sent, framed
    const char* code;
    json id;  // what the error reply must carry back
  };
  const std::vector<Case> cases = {
      {"invalid UTF-8", "{\"id\": 1, \"op\": \"hello\xC3\x28\"}", "bad-utf8", nullptr},
      {"a surrogate in UTF-8", "{\"id\": 1, \"op\": \"\xED\xA0\x80\"}", "bad-utf8", nullptr},
      {"not JSON", "{\"id\": 1, \"op\": ", "bad-json", nullptr},
      {"empty message", "", "bad-json", nullptr},
      {"a zero byte after the object",
       std::string("{\"id\": 1, \"op\": \"hello\"}\0{\"op\": \"new\"}", 38), "bad-json", nullptr},
      {"a lone surrogate escape", "{\"id\": 1, \"op\": \"\\ud800\"}", "bad-json", nullptr},
      {"an array", "[1, 2]", "not-an-object", nullptr},
      {"no id", "{\"op\": \"hello\"}", "missing-field", nullptr},
      {"a string id", "{\"id\": \"7\", \"op\": \"hello\"}", "wrong-type", nullptr},
      {"no op", "{\"id\": 7}", "missing-field", 7},
      {"unknown op", "{\"id\": 7, \"op\": \"eval\", \"instance\": \"f\"}", "unknown-op", 7},
      {"no instance", "{\"id\": 7, \"op\": \"destroy\"}", "missing-field", 7},
      {"empty instance", "{\"id\": 7, \"op\": \"destroy\", \"instance\": \"\"}", "wrong-type", 7},
      {"new without a size",
       "{\"id\": 8, \"op\": \"new\", \"instance\": \"g\", \"mimeType\": \"x\", \"width\": 2}",
       "missing-field", 8},
      {"a negative width",
       "{\"id\": 8, \"op\": \"new\", \"instance\": \"g\", \"mimeType\": \"x\", \"width\": -1, "
       "\"height\": 2}",
       "wrong-type", 8},
      {"an attribute that is not a string",
       "{\"id\": 8, \"op\": \"new\", \"instance\": \"g\", \"mimeType\": \"x\", \"width\": 1, "
       "\"height\": 2, \"attributes\": {\"width\": 240}}",
       "wrong-type", 8},
      {"a used id",
       "{\"id\": 9, \"op\": \"new\", \"instance\": \"f\", \"mimeType\": \"x\", "
       "\"width\": 1, \"height\": 2}",
       "instance-exists", 9},
      {"a key without characters",
       "{\"id\": 10, \"op\": \"event\", \"instance\": \"f\", \"event\": {\"type\": \"keyDown\", "
       "\"keyCode\": 0}}",
       "missing-field", 10},
      {"a key code out of range",
       "{\"id\": 10, \"op\": \"event\", \"instance\": \"f\", \"event\": {\"type\": \"keyDown\", "
       "\"characters\": \"z\", \"keyCode\": 70000}}",
       "wrong-type", 10},
      {"an unknown event type",
       "{\"id\": 10, \"op\": \"event\", \"instance\": \"f\", \"event\": {\"type\": \"paste\"}}",
       "wrong-type", 10},
      {"an event for no instance",
       "{\"id\": 11, \"op\": \"event\", \"instance\": \"nobody\", \"event\": {\"type\": "
       "\"keyDown\", \"characters\": \"z\"}}",
       "unknown-instance", 11},
      {"an object argument",
       "{\"id\": 12, \"op\": \"call\", \"instance\": \"f\", \"method\": \"EncodeData\", "
       "\"args\": [{}]}",
       "wrong-type", 12},
      {"a method the field does not have",
       "{\"id\": 12, \"op\": \"call\", \"instance\": \"f\", \"method\": \"toString\"}",
       "no-such-method", 12},
      {"a message over 64 KiB", tooLong, "too-long", nullptr},
  };
  for (const Case& c : cases) {
    host.sendBytes(HostProcess::Frame(c.message));
    std::optional<json> reply = host.receive();
    ASSERT_TRUE(reply) << c.what;
    EXPECT_EQ((*reply)["ok"], false) << c.what << ": " << *reply;
    EXPECT_EQ((*reply)["error"]["code"], c.code) << c.what << ": " << *reply;
    EXPECT_TRUE((*reply)["error"]["message"].is_string()) << c.what;
    EXPECT_EQ((*reply)["id"], c.id) << c.what;
    // Still serving, and the field unchanged by the bad request.
    EXPECT_EQ(host.ask({{"id", 99}, {"op", "hello"}})["ok"], true) << "after " << c.what;
  }
  EXPECT_EQ(field.password(), "keep");

  // The connection's limit (2 here): the third instance is refused, and one destroyed makes room.
  Field second(host, "second"), third(host, "third");
  EXPECT_EQ(second.create()["ok"], true);
  EXPECT_EQ(third.create()["error"]["code"], "too-many-instances");
  EXPECT_EQ(second.request({{"op", "destroy"}})["ok"], true);
  EXPECT_EQ(third.create()["ok"], true);

  // Input that ends inside a message: answered, then the end as for a closed input, with the
  // instances still open destroyed and a clean report.
  host.sendBytes(HostProcess::Frame("{\"id\": 1, \"op\": \"hello\"}").substr(0, 12));
  host.closeInput();
  std::optional<json> truncated = host.receive();
  ASSERT_TRUE(truncated);
  EXPECT_EQ((*truncated)["error"]["code"], "truncated");
  EXPECT_EQ(host.finish(), 0) << host.err();
  EXPECT_NE(host.err().find("report clean, exit status 0"), std::string::npos) << host.err();
}

TEST(NativeHost, WithoutItsModuleEveryRequestSaysSoAndTheStatusIsTwo) {
  HostProcess host({"--module", "/nonexistent/libsecurepassword.so"});
  for (const char* op : {"hello", "new"}) {
    json reply = host.ask({{"id", 3}, {"op", op}, {"instance", "f"}});
    EXPECT_EQ(reply["error"]["code"], "plugin-missing") << reply;
    EXPECT_EQ(reply["id"], 3);
  }
  EXPECT_EQ(host.finish(), 2);
  EXPECT_NE(host.err().find("/nonexistent/libsecurepassword.so"), std::string::npos);
}

}  // namespace

namespace {

// A plug-in that prints on standard output (our test module prints its "trace" attribute): the
// lines go to standard error, the replies stay intact.
TEST(NativeHost, PluginTraceLinesGoToStandardErrorNotIntoTheReplies) {
  HostProcess host({"--module", TEST_MODULE});
  json reply = host.ask({{"id", 1},
                         {"op", "new"},
                         {"instance", "t"},
                         {"mimeType", "application/x-npapihost-test"},
                         {"attributes", {{"trace", "a trace line from the plug-in\n"}}},
                         {"width", 10},
                         {"height", 10}});
  EXPECT_EQ(reply["ok"], true) << reply;
  EXPECT_EQ(host.ask({{"id", 2}, {"op", "hello"}})["ok"], true);
  EXPECT_EQ(host.finish(), 0) << host.err();
  EXPECT_NE(host.err().find("a trace line from the plug-in\n"), std::string::npos) << host.err();
}

}  // namespace
