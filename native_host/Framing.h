// The native messaging framing, both ways: a 32-bit length in native byte order, then that many
// bytes. MessageReader takes messages off a file descriptor with a size limit; WriteMessage puts
// one on. Used by the host's serving loop (Server.h). Nothing here looks inside a message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "native_host/Json.h"

namespace nativehost {

// Messages from the browser longer than this are skipped; messages to it may not be longer than
// kMaxOutgoing (the browsers' own limit).
inline constexpr std::size_t kMaxIncoming = 64 * 1024;
inline constexpr std::size_t kMaxOutgoing = 1024 * 1024;

class MessageReader {
 public:
  enum class Status {
    kMessage,    // a whole message is in *message
    kTooLong,    // a message over the limit was read and dropped; declaredLength() says how long
    kTruncated,  // the input ended inside a length or a message
    kEnd,        // the input ended between messages
    kFailed,     // reading failed (errno other than EINTR)
  };

  MessageReader(int fd, std::size_t limit = kMaxIncoming) : _fd(fd), _limit(limit) {}

  // The next message into *message (its old contents wiped first). Reads exactly what the framing
  // says, so nothing of the next message is taken early.
  Status next(JsonString* message);
  std::uint32_t declaredLength() const { return _declared; }

 private:
  // Reads size bytes; answers how many arrived before the end of input (or -1 on failure).
  long readFully(void* into, std::size_t size);
  bool skip(std::size_t size);  // false when the input ended or failed first

  int _fd;
  std::size_t _limit;
  std::uint32_t _declared = 0;
};

// Writes one message (length, then bytes) in full, retrying short writes. False when the message
// is longer than kMaxOutgoing or the descriptor fails (the browser has gone away).
bool WriteMessage(int fd, std::string_view message);

}  // namespace nativehost
