// AES-NI decryption under the built-in key. The equivalent inverse cipher's round keys are
// computed here at compile time from the 16 key bytes (FIPS-197 key expansion, InvMixColumns on
// the middle round keys); the eight blocks then go through the rounds side by side, so the
// instructions' latency overlaps. The functions that use the instructions carry a target
// attribute, so the rest of the build needs no special flags and runs on any x86-64 CPU.
#include "decoder/aes_ni.h"

#include <array>
#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define SPW_HAVE_AES_NI 1
#endif

namespace decoder {
namespace {

using Block = std::array<uint8_t, 16>;
using Schedule = std::array<Block, 11>;

// The AES-128 key that CAES makes from the key text "R4$wN!7e@Lq2#x9": its first two characters
// spread one byte per bit, lowest bit first, with the highest set bit of each written as 0.
constexpr Block kKey = {0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0};

constexpr uint8_t Times2(uint8_t a) {
  return static_cast<uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0));
}

constexpr uint8_t Multiply(uint8_t a, uint8_t b) {
  uint8_t product = 0;
  for (; b != 0; b >>= 1, a = Times2(a))
    if (b & 1) product ^= a;
  return product;
}

constexpr uint8_t SubByte(uint8_t x) {
  uint8_t inverse = 1;  // x^254, the multiplicative inverse (0 for 0)
  for (int i = 0; i < 254; ++i) inverse = Multiply(inverse, x);
  if (x == 0) inverse = 0;
  uint8_t s = 0x63;
  for (int shift = 0; shift < 5; ++shift)
    s ^= static_cast<uint8_t>(inverse << shift | inverse >> (8 - shift));
  return s;
}

constexpr Schedule EncryptionSchedule(const Block& key) {
  Schedule k{};
  k[0] = key;
  uint8_t rcon = 1;
  for (int r = 1; r <= 10; ++r) {
    const Block& p = k[r - 1];
    Block& n = k[r];
    const uint8_t t[4] = {static_cast<uint8_t>(SubByte(p[13]) ^ rcon), SubByte(p[14]),
                          SubByte(p[15]), SubByte(p[12])};
    for (int i = 0; i < 4; ++i) n[i] = p[i] ^ t[i];
    for (int i = 4; i < 16; ++i) n[i] = p[i] ^ n[i - 4];
    rcon = Times2(rcon);
  }
  return k;
}

constexpr Block InvMixColumns(const Block& b) {
  Block m{};
  for (int c = 0; c < 16; c += 4) {
    for (int row = 0; row < 4; ++row) {
      m[c + row] = Multiply(b[c + row], 14) ^ Multiply(b[c + (row + 1) % 4], 11) ^
                   Multiply(b[c + (row + 2) % 4], 13) ^ Multiply(b[c + (row + 3) % 4], 9);
    }
  }
  return m;
}

// In the order AESDEC uses them: the last round key, the middle ones backwards through
// InvMixColumns, the first.
constexpr Schedule DecryptionSchedule(const Block& key) {
  const Schedule e = EncryptionSchedule(key);
  Schedule d{};
  d[0] = e[10];
  for (int r = 1; r < 10; ++r) d[r] = InvMixColumns(e[10 - r]);
  d[10] = e[0];
  return d;
}

#ifdef SPW_HAVE_AES_NI

alignas(16) constexpr Schedule kDecryptionKeys = DecryptionSchedule(kKey);

bool CpuHasAesNi() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
  return (ecx & bit_AES) != 0 && (edx & bit_SSE2) != 0;
}

#endif

}  // namespace

#ifdef SPW_HAVE_AES_NI

bool AesNiAvailable() noexcept {
  static const bool available = CpuHasAesNi();
  return available;
}

__attribute__((target("aes,sse2"))) void DecryptWithAesNi(const unsigned char (&cipher)[128],
                                                          unsigned char (&plain)[128]) noexcept {
  const auto* keys = reinterpret_cast<const __m128i*>(kDecryptionKeys.data());
  __m128i x[8];
  __m128i k = _mm_load_si128(keys);
  for (int b = 0; b < 8; ++b)
    x[b] = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cipher + 16 * b)), k);
  for (int r = 1; r < 10; ++r) {
    k = _mm_load_si128(keys + r);
    for (int b = 0; b < 8; ++b) x[b] = _mm_aesdec_si128(x[b], k);
  }
  k = _mm_load_si128(keys + 10);
  for (int b = 0; b < 8; ++b) {
    x[b] = _mm_aesdeclast_si128(x[b], k);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(plain + 16 * b), x[b]);
  }
}

#else

bool AesNiAvailable() noexcept { return false; }

void DecryptWithAesNi(const unsigned char (&)[128], unsigned char (&)[128]) noexcept {}

#endif

}  // namespace decoder
