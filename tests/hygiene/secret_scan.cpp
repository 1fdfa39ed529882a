// Secret scanning for the hygiene tests.
#include "tests/hygiene/secret_scan.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "nativeui/SecureMemory.h"

namespace hygiene {

namespace {

constexpr std::size_t kWindow = 8;
constexpr std::size_t kStackDepth = 96 * 1024;  // zeroed below the spacer, then searched
constexpr std::size_t kSpacer = 16 * 1024;      // between the caller and the operation

// A plain search, not the C library's: it also runs over dead stack, which the sanitizer's
// interceptors would check.
__attribute__((no_sanitize_address)) bool Contains(const unsigned char* hay, std::size_t size,
                                                   const void* needle, std::size_t length) {
  const auto* n = static_cast<const unsigned char*>(needle);
  if (length == 0 || length > size) return false;
  for (std::size_t i = 0; i + length <= size; ++i) {
    if (hay[i] != n[0]) continue;
    std::size_t k = 1;
    while (k < length && hay[i + k] == n[k]) ++k;
    if (k == length) return true;
  }
  return false;
}

}  // namespace

Secret::Secret(std::string_view text) : _text(text) {
  _units.reserve(text.size());  // one block: no partial copy freed while it grows
  for (const char c : text) _units += static_cast<char16_t>(static_cast<unsigned char>(c));
}

__attribute__((no_sanitize_address)) bool Secret::foundIn(const void* block,
                                                          std::size_t size) const {
  const auto* bytes = static_cast<const unsigned char*>(block);
  const std::size_t window = std::min(kWindow, _text.size());
  for (std::size_t i = 0; i + window <= _text.size(); ++i) {
    if (Contains(bytes, size, _text.data() + i, window)) return true;
    if (Contains(bytes, size, _units.data() + i, window * sizeof(char16_t))) return true;
  }
  return false;
}

FreedBlockWatch::FreedBlockWatch(npapihost::Host& host, const Secret& secret)
    : _host(host), _secret(secret) {
  NSSetFreeHook(&FreedBlockWatch::onNativeFree, this);
  _host.allocator().setFreeHook([this](const void* block, std::size_t size) {
    ++_hostSeen;
    if (_secret.foundIn(block, size)) ++_hostHits;
  });
}

FreedBlockWatch::~FreedBlockWatch() {
  NSSetFreeHook(nullptr, nullptr);
  _host.allocator().setFreeHook({});
}

void FreedBlockWatch::onNativeFree(const void* block, std::size_t size, void* context) {
  auto* watch = static_cast<FreedBlockWatch*>(context);
  ++watch->_nativeSeen;
  if (watch->_secret.foundIn(block, size)) ++watch->_nativeHits;
}

// None of these may be inlined (their frames decide where the operation's frames lie) nor checked
// by AddressSanitizer (they touch dead stack on purpose).
__attribute__((noinline, no_sanitize_address)) void PaintBelow() {
  unsigned char area[kStackDepth];
  std::memset(area, 0, sizeof area);
  __asm__ __volatile__("" : : "r"(area) : "memory");  // the zeroes must really be written
}

__attribute__((noinline, no_sanitize_address)) void RunBelowSpacer(
    const std::function<void()>& operation) {
  unsigned char spacer[kSpacer];
  std::memset(spacer, 0, sizeof spacer);
  __asm__ __volatile__("" : : "r"(spacer) : "memory");
  PaintBelow();
  operation();
}

__attribute__((noinline, no_sanitize_address)) bool LeavesOnStack(
    const Secret& secret, const std::function<void()>& operation) {
  const auto frame = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  RunBelowSpacer(operation);
  // The operation's frames lay below the spacer; this search runs within it and disturbs nothing.
  const auto* top = reinterpret_cast<const unsigned char*>(frame - kSpacer);
  const auto* bottom =
      reinterpret_cast<const unsigned char*>(frame - kSpacer - (kStackDepth - 4096));
  return secret.foundIn(bottom, static_cast<std::size_t>(top - bottom));
}

bool ReusedHeapHolds(const Secret& secret) {
  bool found = false;
  std::vector<void*> blocks;
  for (std::size_t size = 8; size <= 2048; size += 8) {
    for (int i = 0; i < 6; ++i) {
      void* block = std::malloc(size);
      if (block == nullptr) continue;
      found = found || secret.foundIn(block, size);
      blocks.push_back(block);
    }
  }
  for (void* block : blocks) std::free(block);
  return found;
}

}  // namespace hygiene
