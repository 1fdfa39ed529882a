// What the test module records about the browser that drives it; read by the stand-in browser tests
// through the module's exported testmodule_state().
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "nativeui/NSString.h"
#include "npapi/all.h"

struct TestModuleState {
  int initializeCalls = 0;
  int getEntryPointsCalls = 0;
  int shutdownCalls = 0;
  bool entryPointsAfterInitialize = false;
  uint16_t browserSize = 0;
  uint16_t browserVersion = 0;
  uint16_t presetSize = 0;
  uint16_t presetVersion = 0;

  std::string mimeType;
  uint16_t mode = 0;
  std::vector<std::pair<std::string, std::string>> attributes;
  int liveInstances = 0;

  NPWindow window{};
  int setWindowCalls = 0;
  NPCocoaEvent lastEvent{};
  std::u16string lastCharacters;
  std::u16string lastCharactersIgnoringModifiers;
  int events = 0;

  int countedAllocations = 0;
  int countedDeallocations = 0;
  int deallocationsBeforeLastRelease = -1;
  int scriptDeallocations = 0;
  int invalidations = 0;
  bool variantVoidAfterRelease = false;
};

typedef TestModuleState* (*TestModuleStateFunc)();
