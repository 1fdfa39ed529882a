// UnescapeFast: masks of the stars, the valid characters and the upper-case hexadecimal digits,
// one bit per character; checks on those masks (no invalid character, no escape running past the
// end or over another star, digits where the escapes need them, exactly 128 unit starts); each
// position's value (a star's escape value, else the character); then the values at unit starts
// packed to the front, eight characters per shuffle. Values that are letters or digits written
// as escapes are refused on the way.
#include "decoder/fast_unescape.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define SPW_HAVE_FAST_UNESCAPE 1
#endif

namespace decoder {

#ifdef SPW_HAVE_FAST_UNESCAPE
namespace {

constexpr std::size_t kMaxText = 384;  // 128 units of three characters
constexpr std::size_t kWords = 6;      // 64-bit masks over kMaxText characters
constexpr std::size_t kPadded = 384 + 32;

// For each 8-bit mask of unit starts, the shuffle that moves those bytes to the front.
constexpr std::array<uint64_t, 256> kPack = [] {
  std::array<uint64_t, 256> t{};
  for (int m = 0; m < 256; ++m) {
    uint64_t order = 0;
    int k = 0;
    for (int bit = 0; bit < 8; ++bit)
      if (m & (1 << bit)) order |= static_cast<uint64_t>(bit) << (8 * k++);
    for (; k < 8; ++k) order |= uint64_t{0x80} << (8 * k);
    t[m] = order;
  }
  return t;
}();

__attribute__((target("sse2"))) inline __m128i InRange(__m128i x, char low, char high) {
  const __m128i t = _mm_sub_epi8(x, _mm_set1_epi8(low));
  const __m128i span = _mm_set1_epi8(static_cast<char>(high - low));
  return _mm_cmpeq_epi8(_mm_min_epu8(t, span), t);  // unsigned t <= span
}

bool CpuRunsIt() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
  return (ecx & bit_SSSE3) != 0 && (ecx & bit_POPCNT) != 0;
}

// Reads exactly `count` units from the n characters at data into out, or answers false.
__attribute__((target("sse2,ssse3,popcnt"))) bool ReadUnits(const char* data, std::size_t n,
                                                            int count, unsigned char* out) {
  if (n < static_cast<std::size_t>(count) || n > kMaxText) return false;
  const std::size_t chunks = (n + 15) / 16;
  alignas(16) unsigned char buf[kPadded];
  std::memcpy(buf, data, n);
  std::memset(buf + n, 0, kPadded - n);  // a zero byte is no valid character

  uint64_t star[kWords] = {}, invalid[kWords] = {}, hex[kWords] = {};
  for (std::size_t c = 0; c < chunks; ++c) {
    const __m128i x = _mm_load_si128(reinterpret_cast<const __m128i*>(buf + 16 * c));
    const __m128i isStar = _mm_cmpeq_epi8(x, _mm_set1_epi8('*'));
    const __m128i isDigit = InRange(x, '0', '9');
    const __m128i isHex = _mm_or_si128(isDigit, InRange(x, 'A', 'F'));
    const __m128i valid = _mm_or_si128(_mm_or_si128(isDigit, isStar),
                                       _mm_or_si128(InRange(x, 'A', 'Z'), InRange(x, 'a', 'z')));
    const unsigned shift = 16 * (c % 4);
    star[c / 4] |= static_cast<uint64_t>(_mm_movemask_epi8(isStar)) << shift;
    invalid[c / 4] |= static_cast<uint64_t>(~_mm_movemask_epi8(valid) & 0xFFFF) << shift;
    hex[c / 4] |= static_cast<uint64_t>(_mm_movemask_epi8(isHex)) << shift;
  }

  // Characters at n and beyond are padding; digits of escapes are the two behind each star.
  uint64_t starts[kWords];
  int units = 0;
  uint64_t fault = 0, carry1 = 0, carry2 = 0;
  for (std::size_t w = 0; w < kWords; ++w) {
    const std::size_t first = 64 * w;
    const uint64_t inText = n >= first + 64 ? ~uint64_t{0}
                            : n <= first    ? 0
                                            : (uint64_t{1} << (n - first)) - 1;
    const uint64_t digits = (star[w] << 1 | carry1) | (star[w] << 2 | carry2);
    carry1 = star[w] >> 63;
    carry2 = star[w] >> 62;
    fault |= (invalid[w] & inText) | (digits & ~inText) | (digits & star[w]) | (digits & ~hex[w]);
    starts[w] = ~digits & inText;
    units += __builtin_popcountll(starts[w]);
  }
  if (fault != 0 || units != count || (carry1 | carry2) != 0) return false;

  // Each position's value, then the values at unit starts packed eight positions at a time.
  alignas(16) unsigned char value[kMaxText];
  __m128i letterOrDigitEscape = _mm_setzero_si128();
  for (std::size_t p = 0; p < 16 * chunks; p += 16) {
    const __m128i x = _mm_load_si128(reinterpret_cast<const __m128i*>(buf + p));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + p + 1));
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buf + p + 2));
    const __m128i seven = _mm_set1_epi8(7), nine = _mm_set1_epi8('9'), zero = _mm_set1_epi8('0');
    const __m128i vh =
        _mm_sub_epi8(_mm_sub_epi8(hi, zero), _mm_and_si128(_mm_cmpgt_epi8(hi, nine), seven));
    const __m128i vl =
        _mm_sub_epi8(_mm_sub_epi8(lo, zero), _mm_and_si128(_mm_cmpgt_epi8(lo, nine), seven));
    const __m128i escaped =
        _mm_or_si128(_mm_and_si128(_mm_slli_epi16(vh, 4), _mm_set1_epi8(static_cast<char>(0xF0))),
                     _mm_and_si128(vl, _mm_set1_epi8(0x0F)));
    const __m128i isStar = _mm_cmpeq_epi8(x, _mm_set1_epi8('*'));
    const __m128i isLetterOrDigit =
        _mm_or_si128(InRange(escaped, '0', '9'),
                     _mm_or_si128(InRange(escaped, 'A', 'Z'), InRange(escaped, 'a', 'z')));
    letterOrDigitEscape = _mm_or_si128(letterOrDigitEscape, _mm_and_si128(isStar, isLetterOrDigit));
    _mm_store_si128(reinterpret_cast<__m128i*>(value + p),
                    _mm_or_si128(_mm_and_si128(isStar, escaped), _mm_andnot_si128(isStar, x)));
  }
  if (_mm_movemask_epi8(letterOrDigitEscape) != 0) return false;

  unsigned char packed[128 + 16];
  std::size_t k = 0;
  for (std::size_t g = 0; g < 2 * chunks && k < static_cast<std::size_t>(count); ++g) {
    const unsigned m = static_cast<unsigned>(starts[g / 8] >> (8 * (g % 8))) & 0xFF;
    const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(value + 8 * g));
    const __m128i order = _mm_cvtsi64_si128(static_cast<long long>(kPack[m]));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(packed + k), _mm_shuffle_epi8(eight, order));
    k += static_cast<std::size_t>(__builtin_popcount(m));
  }
  std::memcpy(out, packed, static_cast<std::size_t>(count));
  return true;
}

}  // namespace

bool FastUnescapeAvailable() noexcept {
  static const bool available = CpuRunsIt();
  return available;
}

bool UnescapeFast(std::string_view text, unsigned char (&out)[128]) noexcept {
  // A clear text under 64 bytes leaves the upper 64 cipher bytes unwritten: 64 "*00" at the end.
  // Most passwords are that short, so that tail is recognised whole and only the rest is read.
  static constexpr std::array<char, 64 * 3> kZeroTail = [] {
    std::array<char, 64 * 3> t{};
    for (std::size_t i = 0; i < t.size(); i += 3) t[i] = '*', t[i + 1] = '0', t[i + 2] = '0';
    return t;
  }();
  const std::size_t tail = kZeroTail.size();
  const std::size_t n = text.size();
  if (n >= 64 + tail) {
    const bool zeros = std::memcmp(text.data() + n - tail, kZeroTail.data(), tail) == 0;
    if (zeros) {
      std::memset(out + 64, 0, 64);
      return ReadUnits(text.data(), n - tail, 64, out);
    }
  }
  return ReadUnits(text.data(), n, 128, out);
}

#else

bool FastUnescapeAvailable() noexcept { return false; }

bool UnescapeFast(std::string_view, unsigned char (&)[128]) noexcept { return false; }

#endif

}  // namespace decoder
