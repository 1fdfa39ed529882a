// The platform's part of the secret storage (SecureMemory.h): whole pages of memory kept out of
// swap and out of core dumps. The Linux backend (SecretPagesLinux.cpp) maps anonymous pages, marks
// them to be left out of core dumps and out of forked children, and locks them; a macOS backend
// would lock them the same way and use the virtual memory system's own no-core mark. Used only by
// SecureMemory.cpp.
#pragma once

#include <cstddef>

namespace secretpages {

// The system's page size in bytes.
std::size_t PageSize();

struct Mapping {
  void* base = nullptr;  // null when no memory could be had
  bool locked = false;   // kept out of swap
  int lockError = 0;     // the system's reason (an errno value) when it refused to lock
};

// Zero-filled pages (bytes: a whole number of pages), left out of core dumps and forked children,
// and locked in memory when the system allows.
Mapping Map(std::size_t bytes);

// Unlocks (when locked) and gives back pages from Map. The caller has wiped them.
void Unmap(void* base, std::size_t bytes, bool locked);

// Why locking was refused, in a few words, for the system log.
const char* LockRefusal(int error);

}  // namespace secretpages
