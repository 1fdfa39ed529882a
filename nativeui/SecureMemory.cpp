// Storage blocks, secret storage and the free hook of the native UI layer. Secret storage hands
// out 256-byte slots of locked pages, or whole pages of their own for larger blocks, through the
// platform's secret pages (SecretPages.h).
#include "nativeui/SecureMemory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "nativeui/NSLog.h"
#include "nativeui/SecretPages.h"
#include "wipe/secure_wipe.h"

namespace {

NSFreeHook gFreeHook = nullptr;
void* gFreeHookContext = nullptr;

// The secure field's 126 UTF-16 units fit one slot.
constexpr std::size_t kSlotSize = 256;

struct SecretPage {
  unsigned char* base;
  std::size_t bytes;
  uint64_t used;  // one bit per slot in use; for a block of its own, 1
  bool locked;
  bool ownBlock;  // the pages hold one larger block

  bool holds(const void* block) const {
    const auto at = reinterpret_cast<std::uintptr_t>(block);
    const auto start = reinterpret_cast<std::uintptr_t>(base);
    return at >= start && at - start < bytes;
  }
};

class SecretStore {
 public:
  void* allocate(std::size_t size) {
    std::lock_guard<std::mutex> hold(_mutex);
    if (size > kSlotSize) {
      const std::size_t page = secretpages::PageSize();
      SecretPage* pages = map((size + page - 1) / page * page, true);
      return pages != nullptr ? pages->base : nullptr;
    }
    SecretPage* page = nullptr;
    for (SecretPage& candidate : _pages) {
      if (!candidate.ownBlock && candidate.used != full(candidate)) {
        page = &candidate;
        break;
      }
    }
    if (page == nullptr) page = map(secretpages::PageSize(), false);
    if (page == nullptr) return nullptr;
    const int slot = __builtin_ctzll(~page->used);
    page->used |= uint64_t{1} << slot;
    return page->base + slot * kSlotSize;
  }

  // The block is wiped already.
  void release(void* block) {
    std::lock_guard<std::mutex> hold(_mutex);
    auto page = std::find_if(_pages.begin(), _pages.end(),
                             [&](const SecretPage& p) { return p.holds(block); });
    if (page == _pages.end()) return;
    if (!page->ownBlock) {
      const auto slot =
          static_cast<std::size_t>(static_cast<unsigned char*>(block) - page->base) / kSlotSize;
      page->used &= ~(uint64_t{1} << slot);
      // One empty page stays for the next field; a second one goes.
      const bool anotherEmpty = std::any_of(_pages.begin(), _pages.end(), [&](const SecretPage& p) {
        return &p != &*page && !p.ownBlock && p.used == 0;
      });
      if (page->used != 0 || !anotherEmpty) return;
    }
    secretpages::Unmap(page->base, page->bytes, page->locked);
    _pages.erase(page);
  }

  bool isLocked(const void* block) {
    std::lock_guard<std::mutex> hold(_mutex);
    for (const SecretPage& page : _pages) {
      if (page.holds(block)) return page.locked;
    }
    return false;
  }

 private:
  static uint64_t full(const SecretPage& page) {
    const std::size_t slots = std::min<std::size_t>(page.bytes / kSlotSize, 64);
    return slots == 64 ? ~uint64_t{0} : (uint64_t{1} << slots) - 1;
  }

  SecretPage* map(std::size_t bytes, bool ownBlock) {
    const secretpages::Mapping mapping = secretpages::Map(bytes);
    if (mapping.base == nullptr) return nullptr;
    if (!mapping.locked && !_refusalLogged) {
      _refusalLogged = true;
      NSLog(
          "Secure text storage is not locked in memory, as %s: it is still left out of core "
          "dumps and wiped, but may be written to swap.",
          secretpages::LockRefusal(mapping.lockError));
    }
    _pages.push_back({static_cast<unsigned char*>(mapping.base), bytes, ownBlock ? 1u : 0u,
                      mapping.locked, ownBlock});
    return &_pages.back();
  }

  std::mutex _mutex;
  std::vector<SecretPage> _pages;
  bool _refusalLogged = false;
};

SecretStore& secretStore() {
  static SecretStore* store = new SecretStore();  // never destroyed: blocks may outlive exit
  return *store;
}

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

void* NSAllocateSecretStorage(std::size_t size) {
  return secretStore().allocate(size == 0 ? 1 : size);
}

void NSFreeSecretStorage(void* block, std::size_t size) {
  if (block == nullptr) return;
  wipe::SecureWipe(block, size == 0 ? 1 : size);
  NSCallFreeHook(block, size);
  secretStore().release(block);
}

bool NSSecretStorageIsLocked(const void* block) {
  return block != nullptr && secretStore().isLocked(block);
}
