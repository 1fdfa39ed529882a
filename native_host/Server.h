// The host's serving loop: takes framed requests off the input until it ends, has the dispatcher
// answer each, and writes every reply at once (the browser waits for it). Framing faults are
// answered too: a message over the limit is skipped and the loop goes on; input that ends inside
// a message ends it. Used by the program's main and the fuzz target; the caller destroys the
// instances and reports afterwards.
#pragma once

#include "native_host/Dispatcher.h"

namespace nativehost {

enum class ServeEnd {
  kInputEnded,   // the input closed, between messages or inside one
  kInputFailed,  // reading failed
  kOutputFailed  // a reply could not be written: the browser has gone away
};

ServeEnd Serve(int inFd, int outFd, Dispatcher& dispatcher);

}  // namespace nativehost
