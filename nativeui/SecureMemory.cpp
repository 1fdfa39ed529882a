// Storage blocks and the free hook of the native UI layer.
#include "nativeui/SecureMemory.h"

#include <cstdlib>

#include "wipe/secure_wipe.h"

namespace {
NSFreeHook gFreeHook = nullptr;
void* gFreeHookContext = nullptr;
}  // namespace

void* NSAllocateStorage(std::size_t size) { return std::calloc(size == 0 ? 1 : size, 1); }

void NSFreeStorage(void* block, std::size_t size) {
  if (block == nullptr) return;
  wipe::SecureWipe(block, size);
  NSCallFreeHook(block, size);
  std::free(block);
}

void NSSetFreeHook(NSFreeHook hook, void* context) {
  gFreeHook = hook;
  gFreeHookContext = context;
}

void NSCallFreeHook(const void* block, std::size_t size) {
  if (gFreeHook != nullptr && block != nullptr) gFreeHook(block, size, gFreeHookContext);
}
