// The JSON values of the native messaging host: nlohmann::json with an allocator that wipes every
// block it gives back, so the typed characters and script arguments a request carries, and the
// results a reply carries, do not stay in the heap once the value is gone (strings, object nodes,
// the parser's token buffer). Used by every part of bridge/.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "platform/SecureMemory.h"

namespace bridge {

template <class T>
struct WipingAllocator {
  using value_type = T;

  WipingAllocator() noexcept = default;
  template <class U>
  WipingAllocator(const WipingAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept {
    NSWipeMemory(p, n * sizeof(T));
    ::operator delete(p);
  }

  template <class U>
  bool operator==(const WipingAllocator<U>&) const noexcept {
    return true;
  }
};

using JsonString = std::basic_string<char, std::char_traits<char>, WipingAllocator<char>>;

using Json = nlohmann::basic_json<std::map, std::vector, JsonString, bool, std::int64_t,
                                  std::uint64_t, double, WipingAllocator>;

// Overwrites a string's characters (its whole capacity) with zeros and leaves it empty.
template <class String>
void WipeString(String& text) {
  text.resize(text.capacity());
  NSWipeMemory(text.data(), text.size());
  text.clear();
}

}  // namespace bridge
