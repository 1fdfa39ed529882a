// CAES: the AES stage of the encoded password text. AES (FIPS-197) in table-driven form for 128-,
// 192- and 256-bit keys, ECB over 64-byte multiples under a key derived from the built-in key text.
// QsEncode uses Encode; Decode is its inverse, which nothing in the plug-in calls. The class checks
// no pointer or length: callers supply the memory each operation names.
#pragma once

#include <cstdint>

class CAES {
 public:
  CAES() = default;
  // Clears in_block and out_block, which hold the last plain and cipher block worked on.
  virtual ~CAES();
  CAES(const CAES&) = delete;
  CAES& operator=(const CAES&) = delete;

  // Keys the object: sets key_words, enc_key and dec_key (equivalent inverse cipher). keyBits gives
  // (keyBits + 31) / 32 key words; 4, 6 and 8 are supported. Any other count leaves key_words 0 and
  // both schedules zero, and the block operations then run ten rounds under that zero schedule.
  void set_key(const unsigned char* keyBytes, uint32_t keyBits);

  // One block under the current schedule. Reads all 16 input bytes before writing, so inBlock
  // and outBlock may be the same memory.
  void Encryptt(const unsigned char* inBlock, unsigned char* outBlock);
  void decrypt(const unsigned char* inBlock, unsigned char* outBlock);

  // Spreads count characters to one byte per bit, lowest bit first (8 * count bytes): each
  // character v as a signed byte yields v mod 2 (sign of v) and v /= 2, eight times, except that
  // v in {-1, 0, 1} yields 0. So "A" gives 01 00 00 00 00 00 00 00 and 0x81 gives FF FF FF FF FF FF
  // 00 00. count <= 0 writes nothing. The fourth argument is not consulted.
  void CharToBinary(const char* text, int count, unsigned char* bits, int unused);

  // Keys the object, then encrypts in ECB the length of text up to its NUL rounded up to a
  // multiple of 64 (0 stays 0): that many bytes of text are read, including what follows the
  // NUL, and that many cipher bytes are written to out. Nothing else is written. out may be text
  // itself, but must not overlap it otherwise.
  void Encode(char* out, const char* text);

  // Keys the object, then decrypts exactly 128 bytes of cipher into out (no terminator).
  void Decode(char* out, const char* cipher);

  // The built-in key text; only its first two characters reach the cipher (see Keying).
  static const char kKeyText[16];

  int32_t key_len;              // key length in bits handed to set_key (128 when keyed by Encode)
  unsigned char key_bits[257];  // the key text, one byte per bit; the first 128 bytes are used
  unsigned char in_block[16];   // plain side of the block in work
  unsigned char out_block[16];  // cipher side of the block in work
  uint32_t key_words;           // 32-bit words of the AES key: 4, 6 or 8
  uint32_t enc_key[64];         // encryption schedule: 44, 52 or 60 words
  uint32_t dec_key[64];         // decryption schedule of the equivalent inverse cipher

 private:
  // Sets key_len to 128, spreads the key text into key_bits and calls set_key.
  void Keying();
};
