// Lookup tables of the AES cipher (FIPS-197), shared by every CAES object of the process. They are
// zero until the first keying calls BuildAesTables(), which derives them from the byte field
// GF(2^8) with polynomial 0x11B and generator 0x03; nothing writes them afterwards. Used only by
// encoding/aes.cpp and the tests; not thread-safe on the first build (see CAES::set_key).
#pragma once

#include <cstdint>

namespace aes_tables {

struct Tables {
  // Full-round tables first: they are what every block reads.
  alignas(64) uint32_t ft_tab[4][256];  // entry x of table 0: 2s, s, s, 3s (low byte up), s = S(x)
  alignas(64) uint32_t it_tab[4][256];  // entry x of table 0: 14t, 9t, 13t, 11t, t = S^-1(x)
  alignas(64) uint32_t fl_tab[4][256];  // S(x) in byte k of table k
  alignas(64) uint32_t il_tab[4][256];  // S^-1(x) in byte k of table k
  alignas(64) uint8_t pow_tab[256];     // 0x03 to the power i
  uint8_t log_tab[256];                 // base-0x03 logarithm; entry 1 is 0
  uint8_t sbx_tab[256];                 // S-box (FIPS-197 5.1.1)
  uint8_t isb_tab[256];                 // inverse S-box (FIPS-197 5.3.2)
  uint32_t rco_tab[10];                 // round constants 0x01 ... 0x36 (FIPS-197 5.2)
};

// Read-only view of the tables; all zero before the first build.
extern const Tables& tabs;

// Set once every table is built.
extern bool tab_gen;

// Builds every table and sets tab_gen. Idempotent; the first keying calls it.
void BuildAesTables();

}  // namespace aes_tables
