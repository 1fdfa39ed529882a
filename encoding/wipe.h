// Filling and wiping of the encoder's buffers: QsEncode zero-fills its stack buffers before each
// stage and clears them before it returns, CAES clears its block buffers. Both go through the C
// library's memset reached by a pointer that is read at run time, so the compiler can neither
// drop a wipe of memory that is never read again nor expand the fill in place (its own expansion
// of a fixed-size fill here is a "rep stos", which takes tens of cycles to start). A wipe does not
// reach copies held in registers or spilled by the compiler.
#pragma once

#include <cstddef>
#include <cstring>

namespace encoding {

inline void* (*volatile const kMemset)(void*, int, std::size_t) = ::memset;

inline void ZeroFill(void* p, std::size_t n) { kMemset(p, 0, n); }

inline void SecureWipe(void* p, std::size_t n) {
  kMemset(p, 0, n);
  __asm__ __volatile__("" : : "r"(p) : "memory");
}

}  // namespace encoding
