// Generation of the AES lookup tables from the field arithmetic, in the order the cipher needs
// them: powers and logarithms of 0x03, round constants, S-boxes, then the round tables. Runs once,
// at the first keying; the cipher itself lives in encoding/aes.cpp.
#include "encoding/aes_tables.h"

namespace aes_tables {
namespace {

Tables storage;  // zero-initialised until BuildAesTables()

uint32_t RotateLeft(uint32_t w, int bits) { return (w << bits) | (w >> (32 - bits)); }

// Product in GF(2^8) through the logarithm tables; a zero factor gives 0.
uint8_t Multiply(uint8_t a, uint8_t b) {
  if (a == 0 || b == 0) return 0;
  return storage.pow_tab[(storage.log_tab[a] + storage.log_tab[b]) % 255];
}

uint32_t Bytes(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  return uint32_t{b0} | uint32_t{b1} << 8 | uint32_t{b2} << 16 | uint32_t{b3} << 24;
}

}  // namespace

const Tables& tabs = storage;
bool tab_gen = false;

void BuildAesTables() {
  if (tab_gen) return;
  Tables& t = storage;

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
    uint8_t s = t.sbx_tab[x];
    uint8_t v = t.isb_tab[x];
    uint32_t f = Bytes(Multiply(s, 2), s, s, Multiply(s, 3));
    uint32_t i = Bytes(Multiply(v, 14), Multiply(v, 9), Multiply(v, 13), Multiply(v, 11));
    for (int k = 0; k < 4; ++k) {
      t.ft_tab[k][x] = k ? RotateLeft(f, 8 * k) : f;
      t.it_tab[k][x] = k ? RotateLeft(i, 8 * k) : i;
      t.fl_tab[k][x] = uint32_t{s} << (8 * k);
      t.il_tab[k][x] = uint32_t{v} << (8 * k);
    }
  }
  tab_gen = true;
}

}  // namespace aes_tables
