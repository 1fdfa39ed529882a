// Memory that may have held secret text: storage blocks that are wiped (wipe/secure_wipe.h) before
// they go back to the heap, and a hook through which tests see every block of the native UI layer
// (object bodies and string storage) just before it is freed. Used by the native UI classes; the
// hook is for secret-hygiene tests and is null in normal use.
#pragma once

#include <cstddef>

// A zero-filled block of size bytes, or null when none can be had. size 0 gives a 1-byte block.
[[nodiscard]] void* NSAllocateStorage(std::size_t size);

// Wipes the block, shows it to the free hook, frees it. size must be what was asked for; null is
// allowed and does nothing.
void NSFreeStorage(void* block, std::size_t size);

// Called with every block just before it returns to the heap (after wiping, for storage; after
// the destructor, for objects). One hook per process; null removes it.
using NSFreeHook = void (*)(const void* block, std::size_t size, void* context);
void NSSetFreeHook(NSFreeHook hook, void* context);

// Shows a block to the free hook; used by the object deallocator.
void NSCallFreeHook(const void* block, std::size_t size);
