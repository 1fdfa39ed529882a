// Turns the raw bytes a terminal (or a pipe standing in for one) sends into the key presses a
// Mac keyboard would give a browser: characters with their US-layout key codes, Backspace (DEL or
// BS), forward Delete, arrows, Home and End (the usual VT and xterm sequences), Return (CR or
// LF), Tab, Escape, and UTF-8 sequences as one character each; plus Ctrl-C (interrupt) and Ctrl-D
// (end of input). Used by the page session. Any byte sequence is accepted: what it does not know
// (other control bytes, unknown escape sequences, invalid UTF-8) is dropped.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "npapi_browser/KeyPress.h"

namespace pagesession {

struct InputEvent {
  enum class Kind { Key, Interrupt, EndOfInput };
  Kind kind = Kind::Key;
  npapibrowser::KeyPress key;  // for Kind::Key

  bool isReturn() const {
    return kind == Kind::Key && !key.charactersIgnoringModifiers.empty() &&
           key.charactersIgnoringModifiers[0] == u'\r';
  }
};

class KeyDecoder {
 public:
  // Decodes count bytes, appending every finished event to events.
  void feed(const unsigned char* bytes, std::size_t count, std::vector<InputEvent>& events);
  // Whether the bytes of an unfinished sequence wait for more (an Escape that may start an escape
  // sequence, a sequence, a UTF-8 character).
  bool pending() const { return !_pending.empty(); }
  // Ends the unfinished sequence because no more bytes come (end of input, or a pause at a
  // terminal): a lone Escape is the Escape key; anything else unfinished is dropped.
  void finish(std::vector<InputEvent>& events);

 private:
  void byte(unsigned char b, std::vector<InputEvent>& events);
  void start(unsigned char b, std::vector<InputEvent>& events);
  void escapeSequence(std::vector<InputEvent>& events);
  void utf8Character(std::vector<InputEvent>& events);

  std::string _pending;
  std::size_t _utf8Length = 0;  // expected bytes of the UTF-8 character in _pending
};

}  // namespace pagesession
