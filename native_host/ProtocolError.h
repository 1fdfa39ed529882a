// A request the host cannot carry out: the error code of the protocol
// (docs/native-host-protocol.md) and a sentence for people. Made by the field reader, the event
// reader and the dispatcher.
#pragma once

#include <string>

namespace nativehost {

struct ProtocolError {
  const char* code;
  std::string message;
};

}  // namespace nativehost
