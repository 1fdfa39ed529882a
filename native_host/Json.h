// The JSON values of the native messaging host: nlohmann::json with an allocator that wipes every
// block it gives back, so the typed characters and script arguments a request carries, and the
// results a reply carries, do not stay in the heap once the value is gone (strings, object nodes,
// the parser's buffers). Used by every part of native_host/; ParseRequest is the one way in for
// request text.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <ios>
#include <map>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "wipe/secure_wipe.h"

namespace nativehost {

template <class T>
struct WipingAllocator {
  using value_type = T;

  WipingAllocator() noexcept = default;
  template <class U>
  WipingAllocator(const WipingAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) { return static_cast<T*>(::operator new(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept {
    wipe::SecureWipe(p, n * sizeof(T));
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

// A byte of request text as the parser reads it. The parser keeps the raw bytes of each token in
// a buffer of its own element type (for its error messages) and frees it without clearing it; as a
// byte type of our own, that buffer comes from the wiping allocator below as well.
enum class RequestByte : unsigned char {};

}  // namespace nativehost

// The character traits and the allocator of RequestByte, which the parser's token buffer uses.
template <>
struct std::char_traits<nativehost::RequestByte> {
  using char_type = nativehost::RequestByte;
  using int_type = int;
  using off_type = std::streamoff;
  using pos_type = std::streampos;
  using state_type = std::mbstate_t;

  static constexpr void assign(char_type& to, const char_type& from) noexcept { to = from; }
  static constexpr bool eq(char_type a, char_type b) noexcept { return a == b; }
  static constexpr bool lt(char_type a, char_type b) noexcept { return a < b; }
  static int compare(const char_type* a, const char_type* b, std::size_t n) noexcept {
    return n == 0 ? 0 : std::memcmp(a, b, n);
  }
  static std::size_t length(const char_type* s) noexcept {
    std::size_t n = 0;
    while (s[n] != char_type{}) ++n;
    return n;
  }
  static const char_type* find(const char_type* s, std::size_t n, const char_type& c) noexcept {
    for (std::size_t i = 0; i < n; ++i)
      if (s[i] == c) return s + i;
    return nullptr;
  }
  static char_type* move(char_type* to, const char_type* from, std::size_t n) noexcept {
    return n == 0 ? to : static_cast<char_type*>(std::memmove(to, from, n));
  }
  static char_type* copy(char_type* to, const char_type* from, std::size_t n) noexcept {
    return n == 0 ? to : static_cast<char_type*>(std::memcpy(to, from, n));
  }
  static char_type* assign(char_type* s, std::size_t n, char_type c) noexcept {
    return n == 0 ? s : static_cast<char_type*>(std::memset(s, static_cast<int>(c), n));
  }
  static constexpr int_type to_int_type(char_type c) noexcept {
    return static_cast<unsigned char>(c);
  }
  static constexpr char_type to_char_type(int_type i) noexcept {
    return static_cast<char_type>(static_cast<unsigned char>(i));
  }
  static constexpr bool eq_int_type(int_type a, int_type b) noexcept { return a == b; }
  static constexpr int_type eof() noexcept { return -1; }
  static constexpr int_type not_eof(int_type i) noexcept { return i == eof() ? 0 : i; }
};

template <>
class std::allocator<nativehost::RequestByte>
    : public nativehost::WipingAllocator<nativehost::RequestByte> {
 public:
  using size_type = std::size_t;
  using difference_type = std::ptrdiff_t;
  using propagate_on_container_move_assignment = std::true_type;
  using is_always_equal = std::true_type;
  constexpr allocator() noexcept = default;
  template <class U>
  constexpr allocator(const allocator<U>&) noexcept {}
};

namespace nativehost {

// Parses request text; a discarded value when it is not JSON. Nothing is thrown.
inline Json ParseRequest(std::string_view text) {
  const auto* first = reinterpret_cast<const RequestByte*>(text.data());
  return Json::parse(first, first + text.size(), nullptr, false);
}

// Overwrites a string's characters (its whole capacity) with zeros and leaves it empty.
template <class String>
void WipeString(String& text) {
  text.resize(text.capacity());
  wipe::SecureWipe(text.data(), text.size());
  text.clear();
}

}  // namespace nativehost
