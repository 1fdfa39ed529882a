// The terminal of the page session in raw mode: no echo, no line editing, keys delivered byte by
// byte, Ctrl-C and Ctrl-D as bytes rather than signals. The previous mode comes back when the
// object goes, when the program exits, and when a signal ends it (the signal then takes its
// default course). Does nothing when the descriptor is not a terminal.
#pragma once

namespace pagesession {

class RawTerminal {
 public:
  explicit RawTerminal(int fd);
  ~RawTerminal();
  RawTerminal(const RawTerminal&) = delete;
  RawTerminal& operator=(const RawTerminal&) = delete;

  // Whether raw mode was set (the descriptor is a terminal that accepted it).
  bool active() const { return _active; }

 private:
  bool _active = false;
};

}  // namespace pagesession
