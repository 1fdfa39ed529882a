// Reading key presses from a descriptor.
#include "page_session/KeyReader.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace pagesession {

namespace {
// How long a terminal may pause inside an escape sequence before a lone Escape is assumed.
constexpr int kEscapePauseMilliseconds = 50;
}  // namespace

InputEvent KeyReader::next() {
  std::vector<InputEvent> events;
  while (_ready.empty()) {
    if (_ended) {
      InputEvent end;
      end.kind = InputEvent::Kind::EndOfInput;
      return end;
    }
    if (_terminal && _decoder.pending()) {
      pollfd p{_fd, POLLIN, 0};
      int ready = poll(&p, 1, kEscapePauseMilliseconds);
      if (ready == 0) {
        _decoder.finish(events);
        _ready.insert(_ready.end(), events.begin(), events.end());
        events.clear();
        continue;
      }
    }
    unsigned char buffer[256];
    ssize_t count = read(_fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      _decoder.finish(events);
      _ended = true;
    } else {
      _decoder.feed(buffer, static_cast<std::size_t>(count), events);
    }
    _ready.insert(_ready.end(), events.begin(), events.end());
    events.clear();
  }
  InputEvent event = _ready.front();
  _ready.pop_front();
  return event;
}

}  // namespace pagesession
