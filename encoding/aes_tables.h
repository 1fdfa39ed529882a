// Lookup tables of the AES cipher (FIPS-197), shared by every CAES object of the process. The
// compiler derives them from the byte field GF(2^8) with polynomial 0x11B and generator 0x03
// (encoding/aes_tables.cpp), and they are read-only data of the program image: nothing builds or
// writes them at run time, so any number of threads may key and run the cipher at once. Used only
// by encoding/aes.cpp.
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

// The tables.
extern const Tables& tabs;

}  // namespace aes_tables
