// Fuzz target for the native host's whole input: a stream of framed messages served by the real
// serving loop and dispatcher over file descriptors, with the built plug-in module in the browser
// host. An input starting with "R" is the raw stream (lengths included); any other input is read
// as one JSON message per line, each framed with its true length, so the fuzzer works on JSON.
// Checks that the output is nothing but framed JSON objects, one reply per message in order (an
// over-long message and input ending inside a message included), each reply carrying back a
// readable request id, every error code one of the protocol's, every display at most 126 bullets
// with the caret inside them, the connection's instance limit kept, and, once the instances are
// destroyed, the host back where it started.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "fuzz/common/browser_harness.h"
#include "fuzz/common/fuzz_check.h"
#include "native_host/Dispatcher.h"
#include "native_host/Framing.h"
#include "native_host/Server.h"

namespace {

using nlohmann::json;

constexpr std::size_t kInstanceLimit = 4;

const std::set<std::string> kErrorCodes = {
    "too-long",           "truncated",      "bad-utf8",       "bad-json",         "not-an-object",
    "unknown-op",         "missing-field",  "wrong-type",     "unknown-instance", "instance-exists",
    "too-many-instances", "plugin-refused", "no-such-method", "plugin-missing",   "reply-too-long"};

// What the host must answer for one piece of the input: the request's id when it has one that a
// reply carries back (a JSON object whose "id" is a number), else null.
struct Expected {
  json id;
};

std::string Frame(const std::string& body) {
  const auto length = static_cast<std::uint32_t>(body.size());
  return std::string(reinterpret_cast<const char*>(&length), sizeof length) + body;
}

json IdOf(const std::string& message) {
  // The JSON library reads a zero byte as the end of its input; JSON text holds none.
  if (message.find('\0') != std::string::npos) return nullptr;
  json request = json::parse(message, nullptr, false);
  if (request.is_discarded() || !request.is_object()) return nullptr;
  auto id = request.find("id");
  if (id == request.end() || !id->is_number()) return nullptr;
  if (id->is_number_float() && !std::isfinite(id->get<double>())) return nullptr;
  return *id;
}

// The stream to serve and what each reply must carry, from the fuzz input.
std::string Stream(const std::uint8_t* data, std::size_t size, std::vector<Expected>* expected) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  if (!input.empty() && input[0] == 'R') {
    // The replies a raw stream must get: one per whole message, one for a message over the limit
    // skipped in full, and one for input that ends inside a length or a message.
    const std::string stream = input.substr(1);
    for (std::size_t at = 0; at < stream.size();) {
      if (stream.size() - at < 4) {
        expected->push_back({nullptr});
        break;
      }
      std::uint32_t length;
      std::memcpy(&length, stream.data() + at, sizeof length);
      at += 4;
      if (stream.size() - at < length) {
        expected->push_back({nullptr});
        break;
      }
      expected->push_back(
          {length > nativehost::kMaxIncoming ? json(nullptr) : IdOf(stream.substr(at, length))});
      at += length;
    }
    return stream;
  }
  std::string stream;
  std::size_t start = 0;
  while (start <= input.size() && !input.empty()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    const std::string message = input.substr(start, end - start);
    stream += Frame(message);
    expected->push_back(
        {message.size() > nativehost::kMaxIncoming ? json(nullptr) : IdOf(message)});
    start = end + 1;
  }
  return stream;
}

int Memfd(const char* name, const std::string& contents) {
  const int fd = memfd_create(name, MFD_CLOEXEC);
  FUZZ_CHECK(fd >= 0, "memfd_create failed");
  std::size_t written = 0;
  while (written < contents.size()) {
    ssize_t n = write(fd, contents.data() + written, contents.size() - written);
    FUZZ_CHECK(n > 0, "cannot write the input stream");
    written += static_cast<std::size_t>(n);
  }
  lseek(fd, 0, SEEK_SET);
  return fd;
}

void CheckDisplay(const json& reply, const std::string& context) {
  auto display = reply.find("display");
  if (display == reply.end()) return;
  FUZZ_CHECK(display->is_object() && (*display)["length"].is_number_unsigned(),
             "a display without a length: " + reply.dump() + context);
  const auto length = (*display)["length"].get<std::uint64_t>();
  FUZZ_CHECK(length <= 126, "more than 126 bullets: " + reply.dump() + context);
  const json& caret = (*display)["caret"];
  FUZZ_CHECK(
      caret.is_null() || (caret.is_number_unsigned() && caret.get<std::uint64_t>() <= length),
      "a caret outside the bullets: " + reply.dump() + context);
}

void CheckReplies(const std::string& output, const std::vector<Expected>& expected,
                  const std::string& context) {
  std::size_t at = 0;
  std::size_t count = 0;
  while (at < output.size()) {
    FUZZ_CHECK(output.size() - at >= 4, "a reply's length cut short" + context);
    std::uint32_t length;
    std::memcpy(&length, output.data() + at, sizeof length);
    at += 4;
    FUZZ_CHECK(length <= nativehost::kMaxOutgoing, "a reply over 1 MB" + context);
    FUZZ_CHECK(output.size() - at >= length, "a reply cut short" + context);
    const json reply = json::parse(output.substr(at, length), nullptr, false);
    at += length;
    FUZZ_CHECK(reply.is_object() && reply.contains("ok") && reply["ok"].is_boolean() &&
                   reply.contains("id"),
               "a reply that is not a reply object" + context);
    FUZZ_CHECK(count < expected.size(), "more replies than messages" + context);
    FUZZ_CHECK(reply["id"] == expected[count].id,
               "reply " + std::to_string(count) + " carries id " + reply["id"].dump() + context);
    if (!reply["ok"].get<bool>()) {
      const json& error = reply["error"];
      FUZZ_CHECK(error.is_object() && error["code"].is_string() &&
                     kErrorCodes.count(error["code"].get<std::string>()) != 0 &&
                     error["message"].is_string(),
                 "an error reply without a known code and a message: " + reply.dump() + context);
    }
    CheckDisplay(reply, context);
    ++count;
  }
  FUZZ_CHECK(count == expected.size(), "replies: " + std::to_string(count) + ", messages: " +
                                           std::to_string(expected.size()) + context);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::BeginInput();
  std::vector<Expected> expected;
  const std::string stream = Stream(data, size, &expected);
  const std::string context = "\n  input: " + fuzzing::Printable(data, size, 400);

  const int in = Memfd("requests", stream);
  const int out = memfd_create("replies", MFD_CLOEXEC);
  FUZZ_CHECK(out >= 0, "memfd_create failed");
  {
    nativehost::Dispatcher dispatcher(fuzzing::LoadedBrowser(), kInstanceLimit);
    const nativehost::ServeEnd end = nativehost::Serve(in, out, dispatcher);
    FUZZ_CHECK(end == nativehost::ServeEnd::kInputEnded,
               "serving ended other than at the input's end");
    FUZZ_CHECK(dispatcher.instances().size() <= kInstanceLimit, "the instance limit was passed");
    dispatcher.closeAll();
  }
  std::string output;
  lseek(out, 0, SEEK_SET);
  char buffer[65536];
  ssize_t n;
  while ((n = read(out, buffer, sizeof buffer)) > 0) output.append(buffer, n);
  close(in);
  close(out);
  CheckReplies(output, expected, context);
  fuzzing::CheckClean(context);
  return 0;
}
