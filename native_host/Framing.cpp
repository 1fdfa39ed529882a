// Reading and writing framed messages on file descriptors.
#include "native_host/Framing.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "wipe/secure_wipe.h"

namespace nativehost {

long MessageReader::readFully(void* into, std::size_t size) {
  auto* at = static_cast<char*>(into);
  std::size_t got = 0;
  while (got < size) {
    ssize_t n = ::read(_fd, at + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<long>(got);
}

bool MessageReader::skip(std::size_t size) {
  char scratch[4096];
  bool whole = true;
  while (size > 0) {
    std::size_t part = size < sizeof scratch ? size : sizeof scratch;
    long n = readFully(scratch, part);
    if (n != static_cast<long>(part)) {
      whole = false;
      break;
    }
    size -= part;
  }
  wipe::SecureWipe(scratch, sizeof scratch);
  return whole;
}

MessageReader::Status MessageReader::next(JsonString* message) {
  WipeString(*message);
  std::uint32_t length = 0;
  long n = readFully(&length, sizeof length);
  if (n < 0) return Status::kFailed;
  if (n == 0) return Status::kEnd;
  if (n < static_cast<long>(sizeof length)) return Status::kTruncated;
  _declared = length;
  if (length > _limit) return skip(length) ? Status::kTooLong : Status::kTruncated;
  message->resize(length);
  n = readFully(message->data(), length);
  if (n < 0) {
    WipeString(*message);
    return Status::kFailed;
  }
  if (n < static_cast<long>(length)) {
    WipeString(*message);
    return Status::kTruncated;
  }
  return Status::kMessage;
}

bool WriteMessage(int fd, std::string_view message) {
  if (message.size() > kMaxOutgoing) return false;
  const auto length = static_cast<std::uint32_t>(message.size());
  iovec parts[2] = {{const_cast<std::uint32_t*>(&length), sizeof length},
                    {const_cast<char*>(message.data()), message.size()}};
  iovec* part = parts;
  int count = 2;
  while (count > 0) {
    ssize_t n = ::writev(fd, part, count);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    auto written = static_cast<std::size_t>(n);
    while (count > 0 && written >= part->iov_len) {
      written -= part->iov_len;
      ++part;
      --count;
    }
    if (count > 0) {
      part->iov_base = static_cast<char*>(part->iov_base) + written;
      part->iov_len -= written;
    }
  }
  return true;
}

}  // namespace nativehost
