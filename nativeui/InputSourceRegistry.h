// The registry behind Text Input Sources, set up by the stand-in browser and by tests: which
// keyboard input sources exist, which are ASCII-capable, which is current, whether selecting fails
// and what the list call gives, with call counters and the references not yet given back.
// Single-threaded.
#pragma once

#include <string>
#include <vector>

#include "nativeui/TextInputSources.h"

enum class TISListBehaviour { Normal, Empty, Null };

struct TISCallCounts {
  unsigned copyCurrentASCIICapable = 0;
  unsigned select = 0;
  unsigned selectFailures = 0;
  unsigned createASCIICapableList = 0;
  unsigned arrayGetCount = 0;
  unsigned arrayGetValue = 0;
  unsigned release = 0;
  unsigned overRelease = 0;
};

// A fresh process has one source, "com.apple.keylayout.US", ASCII-capable and current.
class TISRegistry {
 public:
  // Back to the fresh-process state; counters zeroed.
  static void reset();
  // No source at all; counters zeroed.
  static void clear();
  // Adds a source (an existing id is left as it is).
  static void addSource(const std::string& sourceID, bool asciiCapable);
  // Makes an existing source current; false for an unknown id.
  static bool setCurrent(const std::string& sourceID);
  static std::string currentID();
  // Whether selecting this source answers an error.
  static void setSelectFails(const std::string& sourceID, bool fails);
  static void setListBehaviour(TISListBehaviour behaviour);

  static TISCallCounts counts();
  static void resetCounts();
  // Ids of the sources successfully selected, in order.
  static std::vector<std::string> selections();
  // References handed out by the Copy and Create calls and not yet given back with CFRelease.
  static long outstandingReferences();

  // Used by the Text Input Sources functions.
  static TISInputSource* currentASCIICapable();
  static TISCallCounts& mutableCounts();
  static bool select(TISInputSource* source);
  static std::vector<TISInputSource*> asciiCapableSources();
  static TISListBehaviour listBehaviour();
  static bool owns(const NSObject* object);
  static void handedOut(long delta);
};
