// Reads key presses from a file descriptor for the page session: a terminal in raw mode, or a
// pipe or file standing in for one (scripts, CI). At a terminal a lone Escape is told from the
// start of an escape sequence by a short pause; from a pipe by the byte that follows. A read
// error counts as the end of input.
#pragma once

#include <deque>

#include "page_session/KeyDecoder.h"

namespace pagesession {

class KeyReader {
 public:
  KeyReader(int fd, bool terminal) : _fd(fd), _terminal(terminal) {}

  // The next event; EndOfInput once the input is exhausted (and from then on).
  InputEvent next();

 private:
  int _fd;
  bool _terminal;
  bool _ended = false;
  KeyDecoder _decoder;
  std::deque<InputEvent> _ready;
};

}  // namespace pagesession
