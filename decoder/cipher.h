// The AES stage of the receiving side: the 128 cipher bytes of an encoded password text back to
// the scrambled text's 128 bytes under the built-in key. Two implementations give the same bytes:
// the x86 AES instructions where the CPU has them (decoder/aes_ni.h), and CAES's tables
// everywhere else. DecodePassword picks one at run time; the tests and benchmarks name one.
#pragma once

namespace decoder {

enum class Cipher : int {
  kAuto = 0,  // AES-NI when available, the tables otherwise
  kTables,    // CAES, table-driven
  kAesNi,     // the AES instructions; falls back to the tables where they are not available
};

// What kAuto uses in this process: kAesNi or kTables.
Cipher ActiveCipher() noexcept;

// "aes-ni" or "tables" (kAuto: what it uses).
const char* CipherName(Cipher cipher) noexcept;

// Decrypts exactly 128 bytes in ECB. Leaves no copy of them behind but plain.
void DecryptCipherBytes(Cipher cipher, const unsigned char (&in)[128],
                        unsigned char (&plain)[128]) noexcept;

}  // namespace decoder
