// CAES: keying, the AES block operations and the ECB length rule of the encoding pipeline. The
// block code works on 32-bit words whose first byte is the low-order byte, one table lookup per
// byte and round; the tables come from encoding/aes_tables.cpp.
#include "encoding/aes.h"

#include <array>
#include <bit>
#include <cstring>

#include "encoding/aes_tables.h"
#include "wipe/secure_wipe.h"

using aes_tables::tabs;

const char CAES::kKeyText[16] = "R4$wN!7e@Lq2#x9";

namespace {

inline uint32_t Load(const unsigned char* p) {
  uint32_t w;
  std::memcpy(&w, p, 4);
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap32(w);
  return w;
}

inline void Store(unsigned char* p, uint32_t w) {
  if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap32(w);
  std::memcpy(p, &w, 4);
}

inline uint32_t B0(uint32_t w) { return w & 0xFF; }
inline uint32_t B1(uint32_t w) { return (w >> 8) & 0xFF; }
inline uint32_t B2(uint32_t w) { return (w >> 16) & 0xFF; }
inline uint32_t B3(uint32_t w) { return w >> 24; }

// The block's four words xored with the round key k. The words are loaded on their own first: a
// block is often the output just stored (the next block of a chain), and the processor hands a
// store on to a plain load of the same width at once but to a load folded into an xor only after
// several cycles. The empty assembly statement keeps the compiler from folding them.
[[gnu::always_inline]] inline void LoadBlock(uint32_t* a, const unsigned char* in,
                                             const uint32_t* k) {
  a[0] = Load(in);
  a[1] = Load(in + 4);
  a[2] = Load(in + 8);
  a[3] = Load(in + 12);
  __asm__("" : "+r"(a[0]), "+r"(a[1]), "+r"(a[2]), "+r"(a[3]));
  a[0] ^= k[0];
  a[1] ^= k[1];
  a[2] ^= k[2];
  a[3] ^= k[3];
}

// One full encryption round: SubBytes, ShiftRows and MixColumns through ft_tab, then the round
// key. Output column c takes row r from input column c + r.
[[gnu::always_inline]] inline void FwdRound(const uint32_t (&ft)[4][256], uint32_t* y,
                                            const uint32_t* x, const uint32_t* k) {
  y[0] = k[0] ^ ft[0][B0(x[0])] ^ ft[1][B1(x[1])] ^ ft[2][B2(x[2])] ^ ft[3][B3(x[3])];
  y[1] = k[1] ^ ft[0][B0(x[1])] ^ ft[1][B1(x[2])] ^ ft[2][B2(x[3])] ^ ft[3][B3(x[0])];
  y[2] = k[2] ^ ft[0][B0(x[2])] ^ ft[1][B1(x[3])] ^ ft[2][B2(x[0])] ^ ft[3][B3(x[1])];
  y[3] = k[3] ^ ft[0][B0(x[3])] ^ ft[1][B1(x[0])] ^ ft[2][B2(x[1])] ^ ft[3][B3(x[2])];
}

// One full round of the equivalent inverse cipher: output column c takes row r from input
// column c - r.
[[gnu::always_inline]] inline void InvRound(const uint32_t (&it)[4][256], uint32_t* y,
                                            const uint32_t* x, const uint32_t* k) {
  y[0] = k[0] ^ it[0][B0(x[0])] ^ it[1][B1(x[3])] ^ it[2][B2(x[2])] ^ it[3][B3(x[1])];
  y[1] = k[1] ^ it[0][B0(x[1])] ^ it[1][B1(x[0])] ^ it[2][B2(x[3])] ^ it[3][B3(x[2])];
  y[2] = k[2] ^ it[0][B0(x[2])] ^ it[1][B1(x[1])] ^ it[2][B2(x[0])] ^ it[3][B3(x[3])];
  y[3] = k[3] ^ it[0][B0(x[3])] ^ it[1][B1(x[2])] ^ it[2][B2(x[1])] ^ it[3][B3(x[0])];
}

// The last encryption round, through fl_tab, stored to out.
[[gnu::always_inline]] inline void FwdLastRound(const uint32_t (&fl)[4][256], unsigned char* out,
                                                const uint32_t* x, const uint32_t* k) {
  Store(out, k[0] ^ fl[0][B0(x[0])] ^ fl[1][B1(x[1])] ^ fl[2][B2(x[2])] ^ fl[3][B3(x[3])]);
  Store(out + 4, k[1] ^ fl[0][B0(x[1])] ^ fl[1][B1(x[2])] ^ fl[2][B2(x[3])] ^ fl[3][B3(x[0])]);
  Store(out + 8, k[2] ^ fl[0][B0(x[2])] ^ fl[1][B1(x[3])] ^ fl[2][B2(x[0])] ^ fl[3][B3(x[1])]);
  Store(out + 12, k[3] ^ fl[0][B0(x[3])] ^ fl[1][B1(x[0])] ^ fl[2][B2(x[1])] ^ fl[3][B3(x[2])]);
}

// The cipher of one block under the schedule k with the given round count: Encryptt.
[[gnu::always_inline]] inline void EncryptBlock(const uint32_t* k, int rounds,
                                                const unsigned char* inBlock,
                                                unsigned char* outBlock) {
  const auto& ft = tabs.ft_tab;
  uint32_t a[4], b[4];
  LoadBlock(a, inBlock, k);
  for (int round = rounds - 1; round > 0; --round) {
    k += 4;
    FwdRound(ft, b, a, k);
    a[0] = b[0];
    a[1] = b[1];
    a[2] = b[2];
    a[3] = b[3];
  }
  FwdLastRound(tabs.fl_tab, outBlock, a, k + 4);
}

// Two consecutive blocks (32 bytes at in, to out), each what EncryptBlock makes of it: Encode's
// blocks are independent, and a round of one runs while the other waits for its table loads.
// Reads both input blocks before writing.
[[gnu::always_inline]] inline void EncryptTwoBlocks(const uint32_t* k, int rounds,
                                                    const unsigned char* in, unsigned char* out) {
  const auto& ft = tabs.ft_tab;
  uint32_t a[4], b[4], c[4], d[4];
  LoadBlock(a, in, k);
  LoadBlock(c, in + 16, k);
  for (int round = rounds - 1; round > 0; --round) {
    k += 4;
    FwdRound(ft, b, a, k);
    FwdRound(ft, d, c, k);
    a[0] = b[0];
    a[1] = b[1];
    a[2] = b[2];
    a[3] = b[3];
    c[0] = d[0];
    c[1] = d[1];
    c[2] = d[2];
    c[3] = d[3];
  }
  FwdLastRound(tabs.fl_tab, out, a, k + 4);
  FwdLastRound(tabs.fl_tab, out + 16, c, k + 4);
}

// SubWord(RotWord(w)) of the key expansion: RotWord moves byte 1 to byte 0.
inline uint32_t SubRotWord(uint32_t w) {
  const auto& fl = tabs.fl_tab;
  return fl[0][B1(w)] ^ fl[1][B2(w)] ^ fl[2][B3(w)] ^ fl[3][B0(w)];
}

inline uint32_t SubWord(uint32_t w) {
  const auto& fl = tabs.fl_tab;
  return fl[0][B0(w)] ^ fl[1][B1(w)] ^ fl[2][B2(w)] ^ fl[3][B3(w)];
}

// InvMixColumns of one schedule word: it_tab undoes the S-box that sbx_tab applies first.
inline uint32_t InvMixColumn(uint32_t w) {
  const auto& it = tabs.it_tab;
  const auto& s = tabs.sbx_tab;
  return it[0][s[B0(w)]] ^ it[1][s[B1(w)]] ^ it[2][s[B2(w)]] ^ it[3][s[B3(w)]];
}

int Rounds(uint32_t keyWords) { return keyWords == 8 ? 14 : keyWords == 6 ? 12 : 10; }

// CharToBinary's eight output bytes for every character, computed at compile time by the very
// steps the operation describes.
constexpr std::array<std::array<unsigned char, 8>, 256> kBitBytes = [] {
  std::array<std::array<unsigned char, 8>, 256> table{};
  for (int c = 0; c < 256; ++c) {
    int v = static_cast<signed char>(c);
    for (int j = 0; j < 8; ++j) {
      table[c][j] = (v >= -1 && v <= 1) ? 0 : static_cast<unsigned char>(v % 2);
      v /= 2;
    }
  }
  return table;
}();

}  // namespace

CAES::~CAES() {
  wipe::SecureWipe(in_block, sizeof in_block);
  wipe::SecureWipe(out_block, sizeof out_block);
}

void CAES::CharToBinary(const char* text, int count, unsigned char* bits, int /*unused*/) {
  for (int i = 0; i < count; ++i)
    std::memcpy(bits + 8 * i, kBitBytes[static_cast<unsigned char>(text[i])].data(), 8);
}

void CAES::set_key(const unsigned char* keyBytes, uint32_t keyBits) {
  const uint32_t nk = (keyBits + 31) / 32;
  if (nk != 4 && nk != 6 && nk != 8) {
    key_words = 0;
    std::memset(enc_key, 0, sizeof enc_key);
    std::memset(dec_key, 0, sizeof dec_key);
    return;
  }
  key_words = nk;
  const auto& rco = tabs.rco_tab;

  // The equivalent inverse cipher (FIPS-197 5.3.5) takes the first and last round keys as they
  // are and the ones between through InvMixColumns.
  if (nk == 4) {
    // AES-128, the key every Encode and Decode sets up. Each step makes one round key: with
    // f = SubWord(RotWord(w3)) ^ rcon, the new words are w0 ^ f, w0 ^ w1 ^ f, ..., so a step
    // waits for one lookup only. InvMixColumns is linear, so the decryption words follow the
    // same recurrence from InvMixColumns(f): one column through the tables per round key.
    uint32_t w0 = Load(keyBytes), w1 = Load(keyBytes + 4), w2 = Load(keyBytes + 8),
             w3 = Load(keyBytes + 12);
    enc_key[0] = dec_key[0] = w0;
    enc_key[1] = dec_key[1] = w1;
    enc_key[2] = dec_key[2] = w2;
    enc_key[3] = dec_key[3] = w3;
    uint32_t m0 = InvMixColumn(w0), m1 = InvMixColumn(w1), m2 = InvMixColumn(w2),
             m3 = InvMixColumn(w3);
    for (int r = 0; r < 10; ++r) {
      const uint32_t f = SubRotWord(w3) ^ rco[r];
      const uint32_t p1 = w0 ^ w1;
      const uint32_t p3 = p1 ^ (w2 ^ w3);
      w3 = p3 ^ f;
      w2 = (p1 ^ w2) ^ f;
      w1 = p1 ^ f;
      w0 = w0 ^ f;
      uint32_t* e = enc_key + 4 * r + 4;
      e[0] = w0;
      e[1] = w1;
      e[2] = w2;
      e[3] = w3;
      uint32_t* d = dec_key + 4 * r + 4;
      if (r == 9) {  // the last round key is used as it is
        d[0] = w0;
        d[1] = w1;
        d[2] = w2;
        d[3] = w3;
        break;
      }
      m0 ^= InvMixColumn(f);
      m1 ^= m0;
      m2 ^= m1;
      m3 ^= m2;
      d[0] = m0;
      d[1] = m1;
      d[2] = m2;
      d[3] = m3;
    }
    return;
  }

  const int n = static_cast<int>(nk);
  const int total = 4 * (n + 7);  // 52 or 60 words
  uint32_t* w = enc_key;
  for (int i = 0; i < n; ++i) w[i] = Load(keyBytes + 4 * i);
  for (int i = n; i < total; ++i) {
    uint32_t t = w[i - 1];
    if (i % n == 0)
      t = SubRotWord(t) ^ rco[i / n - 1];
    else if (n == 8 && i % n == 4)
      t = SubWord(t);
    w[i] = w[i - n] ^ t;
  }
  const int last = total - 4;
  for (int i = 0; i < 4; ++i) {
    dec_key[i] = enc_key[i];
    dec_key[last + i] = enc_key[last + i];
  }
  for (int i = 4; i < last; ++i) dec_key[i] = InvMixColumn(enc_key[i]);
}

void CAES::Encryptt(const unsigned char* inBlock, unsigned char* outBlock) {
  EncryptBlock(enc_key, Rounds(key_words), inBlock, outBlock);
}

void CAES::decrypt(const unsigned char* inBlock, unsigned char* outBlock) {
  const auto& it = tabs.it_tab;
  const auto& il = tabs.il_tab;
  // The schedule is read backwards: its last round key whitens, dec_key[0..3] finishes.
  const int rounds = Rounds(key_words);
  const uint32_t* k = dec_key + 4 * rounds;
  uint32_t a[4], b[4];
  LoadBlock(a, inBlock, k);
  for (int round = rounds - 1; round > 0; --round) {
    k -= 4;
    InvRound(it, b, a, k);
    a[0] = b[0];
    a[1] = b[1];
    a[2] = b[2];
    a[3] = b[3];
  }
  k -= 4;
  Store(outBlock, k[0] ^ il[0][B0(a[0])] ^ il[1][B1(a[3])] ^ il[2][B2(a[2])] ^ il[3][B3(a[1])]);
  Store(outBlock + 4, k[1] ^ il[0][B0(a[1])] ^ il[1][B1(a[0])] ^ il[2][B2(a[3])] ^ il[3][B3(a[2])]);
  Store(outBlock + 8, k[2] ^ il[0][B0(a[2])] ^ il[1][B1(a[1])] ^ il[2][B2(a[0])] ^ il[3][B3(a[3])]);
  Store(outBlock + 12,
        k[3] ^ il[0][B0(a[3])] ^ il[1][B1(a[2])] ^ il[2][B2(a[1])] ^ il[3][B3(a[0])]);
}

void CAES::Keying() {
  key_len = 128;
  CharToBinary(kKeyText, sizeof kKeyText, key_bits, 0);
  set_key(key_bits, static_cast<uint32_t>(key_len));
}

void CAES::Encode(char* out, const char* text) {
  const std::size_t n = std::strlen(text);
  const std::size_t total = (n + 63) / 64 * 64;
  Keying();
  if (total == 0) return;
  const int rounds = Rounds(key_words);
  // What Encryptt does for each block, two blocks at a time straight from text to out. in_block
  // and out_block end up holding the last block, as if each block had passed through them; they
  // are filled once rather than per block, since a block copied into them and read back at once
  // would wait for the stores (a wide load right after narrow stores, or the other way round).
  const auto* plain = reinterpret_cast<const unsigned char*>(text);
  auto* cipher = reinterpret_cast<unsigned char*>(out);
  std::memcpy(in_block, text + total - 16, 16);  // before out, which may be text, is written
  for (std::size_t off = 0; off < total; off += 32)
    EncryptTwoBlocks(enc_key, rounds, plain + off, cipher + off);
  std::memcpy(out_block, out + total - 16, 16);
}

void CAES::Decode(char* out, const char* cipher) {
  Keying();
  for (int off = 0; off < 128; off += 16) {
    std::memcpy(out_block, cipher + off, 16);
    decrypt(out_block, in_block);
    std::memcpy(out + off, in_block, 16);
  }
}
