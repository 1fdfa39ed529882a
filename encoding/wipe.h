// Wiping of secrets left in memory: the encoder clears its stack buffers with it before it
// returns. A plain memset of a buffer that is never read again may be removed by the optimiser;
// the empty assembly statement after it tells the compiler the zeroed memory is still used.
// It does not reach copies held in registers or spilled by the compiler.
#pragma once

#include <cstddef>
#include <cstring>

namespace encoding {

inline void SecureWipe(void* p, std::size_t n) {
  std::memset(p, 0, n);
  __asm__ __volatile__("" : : "r"(p) : "memory");
}

}  // namespace encoding
