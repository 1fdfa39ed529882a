// Memory that may have held secret text: storage blocks that are wiped (wipe/secure_wipe.h) before
// they go back to the heap; secret storage for text that lives longer than a call, kept out of swap
// and core dumps; and a hook through which tests see every block of the native UI layer (object
// bodies, string storage, secret storage) just before it is freed. Used by the native UI classes
// and the page session; the hook is for secret-hygiene tests and is null in normal use.
#pragma once

#include <cstddef>

// A zero-filled block of size bytes, or null when none can be had. size 0 gives a 1-byte block.
[[nodiscard]] void* NSAllocateStorage(std::size_t size);

// Wipes the block, shows it to the free hook, frees it. size must be what was asked for; null is
// allowed and does nothing.
void NSFreeStorage(void* block, std::size_t size);

// Secret storage, for text that outlives a call (the secure field's characters): a zero-filled
// block in pages that are locked in memory, so never written to swap, and left out of core dumps
// and forked children (SecretPages.h). Blocks of up to 256 bytes share pages. Null when no memory
// can be had. When the system refuses to lock the pages (the process's locked-memory limit), the
// block is handed out all the same, still left out of core dumps and wiped on free, and the first
// such refusal in the process is written to the system log.
[[nodiscard]] void* NSAllocateSecretStorage(std::size_t size);

// Wipes the block, shows it to the free hook, and gives it back; its pages are unlocked and
// unmapped once no block is left in them (one empty page is kept for the next block). size must
// be what was asked for; null does nothing.
void NSFreeSecretStorage(void* block, std::size_t size);

// Whether the pages of a block from NSAllocateSecretStorage are locked in memory.
bool NSSecretStorageIsLocked(const void* block);

// Called with every block just before it returns to the heap (after wiping, for storage; after
// the destructor, for objects). One hook per process; null removes it.
using NSFreeHook = void (*)(const void* block, std::size_t size, void* context);
void NSSetFreeHook(NSFreeHook hook, void* context);

// Shows a block to the free hook; used by the object deallocator.
void NSCallFreeHook(const void* block, std::size_t size);
