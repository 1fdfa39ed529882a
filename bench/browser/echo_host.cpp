// The peer of the keystroke benchmark: a bare native messaging host with the same framing as
// securepassword-host (a 32-bit native-order length, then the JSON text) that answers every
// request at once with a reply of the same shape, without a JSON library or a plug-in. It counts
// key downs (a Backspace takes one away) so the field draws bullets as with the real host.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

bool readAll(void* buffer, size_t size) {
  auto* at = static_cast<char*>(buffer);
  while (size > 0) {
    ssize_t got = read(STDIN_FILENO, at, size);
    if (got <= 0) return false;
    at += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

bool writeAll(const void* buffer, size_t size) {
  const auto* at = static_cast<const char*>(buffer);
  while (size > 0) {
    ssize_t put = write(STDOUT_FILENO, at, size);
    if (put <= 0) return false;
    at += put;
    size -= static_cast<size_t>(put);
  }
  return true;
}

// The digits after "id": as they stand ("null" when there are none).
std::string_view requestId(std::string_view message) {
  size_t at = message.find("\"id\":");
  if (at == std::string_view::npos) return "null";
  at += 5;
  size_t end = at;
  while (end < message.size() &&
         (message[end] == '-' || (message[end] >= '0' && message[end] <= '9'))) {
    ++end;
  }
  return end > at ? message.substr(at, end - at) : std::string_view("null");
}

}  // namespace

int main() {
  constexpr uint32_t kLimit = 64 * 1024;
  std::string message;
  std::string reply;
  long length = 0;
  uint32_t size = 0;
  while (readAll(&size, sizeof size)) {
    if (size > kLimit) return 1;
    message.resize(size);
    if (!readAll(message.data(), size)) return 1;
    if (message.find("\"keyDown\"") != std::string::npos) {
      length =
          message.find('\x7f') != std::string::npos ? (length > 0 ? length - 1 : 0) : length + 1;
    }
    reply = "{\"id\":";
    reply += requestId(message);
    reply += ",\"ok\":true,\"handled\":true,\"result\":\"\",\"display\":{\"length\":";
    reply += std::to_string(length);
    reply += ",\"caret\":";
    reply += std::to_string(length);
    reply += "}}";
    uint32_t replySize = static_cast<uint32_t>(reply.size());
    if (!writeAll(&replySize, sizeof replySize) || !writeAll(reply.data(), reply.size())) return 1;
  }
  return 0;
}
