// Secret pages on Linux: mmap, madvise (MADV_DONTDUMP, MADV_WIPEONFORK) and mlock.
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

#include "nativeui/SecretPages.h"

namespace secretpages {

std::size_t PageSize() {
  static const std::size_t size = [] {
    const long page = sysconf(_SC_PAGESIZE);
    return page > 0 ? static_cast<std::size_t>(page) : std::size_t{4096};
  }();
  return size;
}

Mapping Map(std::size_t bytes) {
  Mapping mapping;
  void* base = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (base == MAP_FAILED) return mapping;
  // Left out of core dumps: without this mark the pages are not handed out at all.
  if (madvise(base, bytes, MADV_DONTDUMP) != 0) {
    munmap(base, bytes);
    return mapping;
  }
#ifdef MADV_WIPEONFORK
  // A forked child sees zero bytes here (kernels before 4.14 refuse the advice; nothing else
  // depends on it).
  (void)madvise(base, bytes, MADV_WIPEONFORK);
#endif
  mapping.base = base;
  if (mlock(base, bytes) == 0) {
    mapping.locked = true;
  } else {
    mapping.lockError = errno;
  }
  return mapping;
}

void Unmap(void* base, std::size_t bytes, bool locked) {
  if (base == nullptr) return;
  if (locked) munlock(base, bytes);
  munmap(base, bytes);
}

const char* LockRefusal(int error) {
  switch (error) {
    case ENOMEM:
    case EPERM:
    case EAGAIN:
      return "the process's locked-memory limit (RLIMIT_MEMLOCK, ulimit -l) does not allow more";
    default:
      return "the system refused to lock it";
  }
}

}  // namespace secretpages
