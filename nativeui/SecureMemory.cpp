// Wiping, storage blocks and the free hook of the native UI layer.
#include "nativeui/SecureMemory.h"

#include <cstdlib>
#include <cstring>

namespace {
NSFreeHook gFreeHook = nullptr;
void* gFreeHookContext = nullptr;
}  // namespace

void NSWipeMemory(void* block, std::size_t size) {
  if (block == nullptr || size == 0) return;
  std::memset(block, 0, size);
  // Keep the stores: the compiler must assume the block's contents are read here.
  __asm__ __volatile__("" : : "r"(block) : "memory");
}

void* NSAllocateStorage(std::size_t size) { return std::calloc(size == 0 ? 1 : size, 1); }

void NSFreeStorage(void* block, std::size_t size) {
  if (block == nullptr) return;
  NSWipeMemory(block, size);
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
