// Finding copies of a secret in memory, for the secret-hygiene tests: in a block (as ASCII or as
// UTF-16, any 8 consecutive characters of it), in blocks the native layer or the host's allocator
// frees (through their free hooks), on the dead part of the stack below the caller, and in heap
// memory the C library hands out again after the plug-in freed it. Test-only; not thread-safe.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "host/Host.h"

namespace hygiene {

// Any 8 consecutive characters of the secret (or all of it when shorter), as ASCII bytes or as
// UTF-16 units.
class Secret {
 public:
  explicit Secret(std::string_view text);
  bool foundIn(const void* block, std::size_t size) const;
  std::string_view text() const { return _text; }

 private:
  std::string _text;
  std::u16string _units;
};

// Counts, while it lives, the blocks freed by the native layer (objects and string storage) and by
// the host's allocator that hold the secret.
class FreedBlockWatch {
 public:
  FreedBlockWatch(npapihost::Host& host, const Secret& secret);
  ~FreedBlockWatch();
  FreedBlockWatch(const FreedBlockWatch&) = delete;
  FreedBlockWatch& operator=(const FreedBlockWatch&) = delete;

  std::size_t nativeHits() const { return _nativeHits; }
  std::size_t hostHits() const { return _hostHits; }
  std::size_t nativeBlocksSeen() const { return _nativeSeen; }
  std::size_t hostBlocksSeen() const { return _hostSeen; }

 private:
  static void onNativeFree(const void* block, std::size_t size, void* context);
  npapihost::Host& _host;
  const Secret& _secret;
  std::size_t _nativeHits = 0, _hostHits = 0, _nativeSeen = 0, _hostSeen = 0;
};

// Runs operation deep below the caller's frame on zeroed stack, then says whether the calls it
// made left the secret in the stack they used (96 kB of it).
bool LeavesOnStack(const Secret& secret, const std::function<void()>& operation);

// Takes back from the C library many blocks of the sizes the plug-in's temporaries have, looks
// for the secret in their old contents, and frees them. Finds nothing under AddressSanitizer,
// which fills the blocks it hands out.
bool ReusedHeapHolds(const Secret& secret);

}  // namespace hygiene
