// The one secure wipe of the tree: clears memory that held a password or other secret text, with
// stores the compiler cannot drop even when the memory is never read again. Used by the encoder,
// the native UI layer, the script object, the decoder, the page session and the command-line
// programs. A wipe does not reach copies the compiler kept in registers or spilled elsewhere.
#pragma once

#include <cstddef>
#include <cstring>

namespace wipe {

// The C library's memset reached through a pointer read at run time: the compiler can neither
// drop the call nor expand it in place (its own expansion of a fixed-size fill is a "rep stos",
// which takes tens of cycles to start). The sanitizers still see the stores.
inline void* (*volatile const kMemset)(void*, int, std::size_t) = ::memset;

// Overwrites n bytes at p with zero bytes; a null p or zero n does nothing.
inline void SecureWipe(void* p, std::size_t n) noexcept {
  if (p == nullptr || n == 0) return;
  kMemset(p, 0, n);
  // The compiler must assume the bytes are read here, so the stores stay.
  __asm__ __volatile__("" : : "r"(p) : "memory");
}

}  // namespace wipe
