// The AES lookup tables, computed by the compiler from the field arithmetic in the order the
// cipher needs them: powers and logarithms of 0x03, round constants, S-boxes, then the round
// tables. The known answers of FIPS-197 are checked here, at compile time; the cipher itself lives
// in encoding/aes.cpp.
#include "encoding/aes_tables.h"

namespace aes_tables {
namespace {

constexpr uint32_t RotateLeft(uint32_t w, int bits) { return (w << bits) | (w >> (32 - bits)); }

// Product in GF(2^8) through the logarithm tables; a zero factor gives 0.
constexpr uint8_t Multiply(const Tables& t, uint8_t a, uint8_t b) {
  if (a == 0 || b == 0) return 0;
  return t.pow_tab[(t.log_tab[a] + t.log_tab[b]) % 255];
}

constexpr uint32_t Bytes(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  return uint32_t{b0} | uint32_t{b1} << 8 | uint32_t{b2} << 16 | uint32_t{b3} << 24;
}

constexpr Tables BuildTables() {
  Tables t{};

  // Powers of 0x03: p * 3 = p ^ 2p, reduced by 0x11B when the doubling leaves 8 bits.
  unsigned p = 1;
  for (int i = 0; i < 256; ++i) {
    t.pow_tab[i] = static_cast<uint8_t>(p);
    t.log_tab[p] = static_cast<uint8_t>(i);
    p ^= (p << 1) ^ ((p & 0x80) ? 0x11B : 0);
  }
  t.log_tab[1] = 0;  // 3^255 = 1 overwrote it with 255

  unsigned r = 1;
  for (int i = 0; i < 10; ++i) {
    t.rco_tab[i] = r;
    r = (r << 1) ^ ((r & 0x80) ? 0x11B : 0);
  }

  // S-box: multiplicative inverse, then the affine transformation with constant 0x63.
  for (int x = 0; x < 256; ++x) {
    unsigned b = x ? t.pow_tab[255 - t.log_tab[x]] : 0;
    unsigned s = b ^ (b << 1) ^ (b << 2) ^ (b << 3) ^ (b << 4);
    s = (s ^ (s >> 8) ^ 0x63) & 0xFF;
    t.sbx_tab[x] = static_cast<uint8_t>(s);
    t.isb_tab[s] = static_cast<uint8_t>(x);
  }

  for (int x = 0; x < 256; ++x) {
    const uint8_t s = t.sbx_tab[x];
    const uint8_t v = t.isb_tab[x];
    const uint32_t f = Bytes(Multiply(t, s, 2), s, s, Multiply(t, s, 3));
    const uint32_t i =
        Bytes(Multiply(t, v, 14), Multiply(t, v, 9), Multiply(t, v, 13), Multiply(t, v, 11));
    for (int k = 0; k < 4; ++k) {
      t.ft_tab[k][x] = k ? RotateLeft(f, 8 * k) : f;
      t.it_tab[k][x] = k ? RotateLeft(i, 8 * k) : i;
      t.fl_tab[k][x] = uint32_t{s} << (8 * k);
      t.il_tab[k][x] = uint32_t{v} << (8 * k);
    }
  }
  return t;
}

constexpr Tables kTables = BuildTables();

// FIPS-197: the S-box (Figure 7) and its inverse (Figure 14), the round constants (5.2), and the
// round tables built from them.
static_assert(kTables.sbx_tab[0x00] == 0x63 && kTables.sbx_tab[0x53] == 0xED);
static_assert(kTables.isb_tab[0xED] == 0x53 && kTables.isb_tab[0x63] == 0x00);
static_assert(kTables.rco_tab[0] == 0x01 && kTables.rco_tab[7] == 0x80 &&
              kTables.rco_tab[8] == 0x1B && kTables.rco_tab[9] == 0x36);
static_assert(kTables.ft_tab[0][0x00] == 0xA56363C6u);  // 2*63, 63, 63, 3*63 from the low byte up
static_assert(kTables.ft_tab[3][0x00] == 0xC6A56363u);  // table 3: rotated left by 24 bits
static_assert(kTables.fl_tab[2][0x53] == 0x00ED0000u);
static_assert(kTables.it_tab[0][0x00] ==
              0x50A7F451u);  // 14*52, 9*52, 13*52, 11*52 from the low byte up
static_assert(kTables.log_tab[1] == 0 && [] {
  for (int x = 1; x < 256; ++x)
    if (kTables.pow_tab[kTables.log_tab[x]] != x) return false;
  return true;
}());

}  // namespace

const Tables& tabs = kTables;

}  // namespace aes_tables
