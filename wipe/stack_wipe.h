// Clearing the stack that work on a secret used, once the work is done: the work runs in a frame
// of its own below the caller, then the same region below the caller, down to a bound, is
// overwritten with zero bytes by stores the compiler cannot drop. That takes with it whatever the
// work's frames held: buffers, registers the compiler spilled, and the frames of the library
// functions it called. Used where a password enters and leaves: QsEncode, the plug-in's key events
// and script methods, and the native messaging host's messages. What the work left in registers,
// or deeper than the bound, is not reached; each user picks a bound well beyond what its work was
// seen to use.
#pragma once

#include <cstddef>
#include <type_traits>

#include "wipe/secure_wipe.h"

namespace wipe {

// Sanitizers and unoptimised builds give the same work frames several times larger.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(__OPTIMIZE__)
inline constexpr std::size_t kStackScale = 8;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr std::size_t kStackScale = 8;
#else
inline constexpr std::size_t kStackScale = 1;
#endif
#else
inline constexpr std::size_t kStackScale = 1;
#endif

namespace detail {

// Overwrites kBytes right below the caller's frame, which is where the frame of the function the
// caller called before lay. The top 16 bytes of the region hold this routine's return address and
// the stack protector's guard. Not instrumented by AddressSanitizer: its redzones would leave
// holes in the area, and its memset checks would trip on dead frames.
template <std::size_t kBytes>
[[gnu::noinline, gnu::no_sanitize_address]] void ClearStackBelowCaller() noexcept {
  static_assert(kBytes % 16 == 0, "whole 16-byte units, so no padding is left unwritten");
  unsigned char area[kBytes];
#if defined(__x86_64__)
  // One string instruction: fast for kilobytes, and beyond the reach of any interceptor.
  void* at = area;
  std::size_t count = kBytes;
  __asm__ __volatile__("rep stosb" : "+D"(at), "+c"(count) : "a"(0) : "memory");
#else
  SecureWipe(area, kBytes);
#endif
  __asm__ __volatile__("" : : "r"(area) : "memory");
}

// Runs work in a frame of its own, which must not be folded into the caller's.
template <class Work>
[[gnu::noinline]] decltype(auto) RunInOwnFrame(Work& work) {
  return work();
}

}  // namespace detail

// Runs work, then clears kBytes (times kStackScale) of the stack below the caller, and returns
// what work returned. The caller itself must hold nothing secret in its own frame: it only passes
// pointers in and the result out.
template <std::size_t kBytes, class Work>
[[gnu::always_inline]] inline decltype(auto) WithStackWipe(Work&& work) {
  if constexpr (std::is_void_v<decltype(work())>) {
    detail::RunInOwnFrame(work);
    detail::ClearStackBelowCaller<kBytes * kStackScale>();
  } else {
    auto result = detail::RunInOwnFrame(work);
    detail::ClearStackBelowCaller<kBytes * kStackScale>();
    return result;
  }
}

}  // namespace wipe
