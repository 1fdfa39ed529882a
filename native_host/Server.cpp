// The serving loop.
#include "native_host/Server.h"

#include <string>

#include "native_host/Framing.h"

namespace nativehost {

ServeEnd Serve(int inFd, int outFd, Dispatcher& dispatcher) {
  MessageReader reader(inFd);
  JsonString message;
  JsonString reply;
  ServeEnd end = ServeEnd::kInputEnded;
  for (bool serving = true; serving;) {
    switch (reader.next(&message)) {
      case MessageReader::Status::kMessage:
        dispatcher.handle(message, &reply);
        WipeString(message);
        break;
      case MessageReader::Status::kTooLong:
        Dispatcher::framingError("too-long",
                                 "A message of " + std::to_string(reader.declaredLength()) +
                                     " bytes is over the limit of " + std::to_string(kMaxIncoming) +
                                     " bytes; it was skipped.",
                                 &reply);
        break;
      case MessageReader::Status::kTruncated:
        Dispatcher::framingError("truncated", "The input ended inside a message.", &reply);
        serving = false;
        break;
      case MessageReader::Status::kEnd:
        WipeString(reply);
        return ServeEnd::kInputEnded;
      case MessageReader::Status::kFailed:
        WipeString(reply);
        return ServeEnd::kInputFailed;
    }
    if (!WriteMessage(outFd, reply)) end = ServeEnd::kOutputFailed, serving = false;
    WipeString(reply);
  }
  return end;
}

}  // namespace nativehost
