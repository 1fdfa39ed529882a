// The URL-style escaping of the cipher bytes and its inverse: URLEncode, replace, urldecode and
// htoi, and the escaping loop that QsEncode shares. The escaping works from a table of the unit
// each byte becomes (encoding/format/encoded_text.h says which), so each of the 128 bytes of a
// QsEncode costs one lookup and one store.
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "encoding/escaping.h"
#include "encoding/format/encoded_text.h"
#include "encoding/jnidecrypt.h"

namespace {

constexpr bool IsHexDigit(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// What a byte becomes, packed in a 64-bit word: in memory order first its characters followed by
// zero bytes (four bytes), then its length, 1 or 3. One load gives both.
using Unit = uint64_t;
using Units = std::array<Unit, 256>;

constexpr Unit PackUnit(const encoded_text::Unit& unit) {
  Unit u = 0;
  for (int k = 0; k < unit.length; ++k) {
    const Unit c = static_cast<unsigned char>(unit.chars[k]);
    u |= std::endian::native == std::endian::little ? c << (8 * k) : c << (56 - 8 * k);
  }
  const Unit n = static_cast<unsigned>(unit.length);
  return u | (std::endian::native == std::endian::little ? n << 32 : n);
}

constexpr int UnitLength(Unit u) {
  return static_cast<int>(std::endian::native == std::endian::little ? u >> 32 : u & 0xFFFFFFFF);
}

constexpr Units MakeUnits(char mark) {
  Units units{};
  for (unsigned b = 0; b < 256; ++b)
    units[b] = PackUnit(encoded_text::UnitOf(static_cast<unsigned char>(b), mark));
  return units;
}

constexpr Units kPercentUnits = MakeUnits('%');
constexpr Units kStarUnits = MakeUnits(encoded_text::kEscapeMark);

// Sixteen zero bytes, escaped: what QsEncode gives for each cipher block that AES did not write.
constexpr std::array<char, 48> ZeroRun(char mark) {
  std::array<char, 48> run{};
  const encoded_text::Unit zero = encoded_text::UnitOf(0, mark);
  for (int i = 0; i < 48; i += 3)
    run[i] = zero.chars[0], run[i + 1] = zero.chars[1], run[i + 2] = zero.chars[2];
  return run;
}

constexpr std::array<char, 48> kPercentZeroRun = ZeroRun('%');
constexpr std::array<char, 48> kStarZeroRun = ZeroRun(encoded_text::kEscapeMark);

int HexValue(unsigned char c) {
  if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
  return (c >= '0' && c <= '9') ? c - '0' : c - 'a' + 10;
}

}  // namespace

namespace escaping {

int EscapeAll(const unsigned char* src, int n, char* dst, Mark mark) {
  const Units& units = mark == Mark::kStar ? kStarUnits : kPercentUnits;
  const std::array<char, 48>& zeroRun = mark == Mark::kStar ? kStarZeroRun : kPercentZeroRun;
  char* d = dst;
  int i = 0;
  // Each unit is stored as four bytes: the zero bytes behind its characters land where the next
  // units write theirs. Sixteen zero bytes in a row (a cipher block that was never written) go
  // as one copy. The last three units are stored exactly, so nothing is left behind the NUL.
  for (; i + 16 <= n - 3; i += 16) {
    uint64_t lo, hi;
    std::memcpy(&lo, src + i, 8);
    std::memcpy(&hi, src + i + 8, 8);
    if ((lo | hi) == 0) {
      std::memcpy(d, zeroRun.data(), zeroRun.size());
      d += zeroRun.size();
      continue;
    }
#pragma GCC unroll 16
    for (int j = i; j < i + 16; ++j) {
      const Unit u = units[src[j]];
      std::memcpy(d, &u, 4);
      d += UnitLength(u);
    }
  }
  for (; i < n - 3; ++i) {
    const Unit u = units[src[i]];
    std::memcpy(d, &u, 4);
    d += UnitLength(u);
  }
  for (; i < n; ++i) {
    const Unit u = units[src[i]];
    if (UnitLength(u) == 1)
      std::memcpy(d, &u, 1);
    else
      std::memcpy(d, &u, 3);
    d += UnitLength(u);
  }
  *d = '\0';
  return static_cast<int>(d - dst);
}

}  // namespace escaping

int URLEncode(const char* src, int srcLen, char* dst, int dstLen) {
  if (src == nullptr || dst == nullptr || srcLen <= 0 || dstLen <= 0) return 0;
  const auto* s = reinterpret_cast<const unsigned char*>(src);
  // With room for every byte escaped, nothing can be refused.
  if (3LL * srcLen + 1 <= dstLen)
    return escaping::EscapeAll(s, srcLen, dst, escaping::Mark::kPercent);

  int j = 0;
  for (int i = 0; i < srcLen; ++i) {
    const Unit u = kPercentUnits[s[i]];
    const int length = UnitLength(u);
    if (j + length >= dstLen) return 0;  // no room for the unit and a NUL behind it
    if (length == 1)
      std::memcpy(dst + j, &u, 1);
    else
      std::memcpy(dst + j, &u, 4);  // "%XY" and a NUL
    j += length;
  }
  dst[j] = '\0';
  return j;
}

char* replace(char* text, char from, char to) {
  if (text == nullptr) return text;
  const std::size_t n = std::strlen(text);
  // Sixteen bytes at a time (SSE2 or NEON through the compiler's vector types), then the rest.
  using Bytes16 = unsigned char __attribute__((vector_size(16)));
  const Bytes16 fromV = Bytes16{} + static_cast<unsigned char>(from);
  const Bytes16 toV = Bytes16{} + static_cast<unsigned char>(to);
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    Bytes16 v;
    std::memcpy(&v, text + i, 16);
    const Bytes16 match = reinterpret_cast<Bytes16>(v == fromV);
    v = (v & ~match) | (toV & match);
    std::memcpy(text + i, &v, 16);
  }
  for (; i < n; ++i)
    if (text[i] == from) text[i] = to;
  return text;
}

int urldecode(char* text, int len) {
  if (text == nullptr) return 0;
  int w = 0;
  for (int r = 0; r < len; ++w) {
    const char c = text[r];
    if (c == '%' && r + 2 < len && IsHexDigit(static_cast<unsigned char>(text[r + 1])) &&
        IsHexDigit(static_cast<unsigned char>(text[r + 2]))) {
      text[w] = static_cast<char>(htoi(text + r + 1) & 0xFF);
      r += 3;
    } else {
      text[w] = c == '+' ? ' ' : c;
      r += 1;
    }
  }
  text[w] = '\0';
  return w;
}

int htoi(const char* digits) {
  return 16 * HexValue(static_cast<unsigned char>(digits[0])) +
         HexValue(static_cast<unsigned char>(digits[1]));
}
