// AES-128 decryption of the 128 cipher bytes of an encoded password text with the x86 AES
// instructions (AES-NI), under the key the built-in key text gives. Its round keys are constants
// worked out at compile time, so it needs no tables, no keying and no state. Used by
// decoder/cipher.cpp, which calls it only where AesNiAvailable() says the CPU can run it.
#pragma once

namespace decoder {

// True when this build holds the AES-NI path and the CPU has the instructions. The CPU is asked
// once per process.
bool AesNiAvailable() noexcept;

// Decrypts 8 blocks in ECB from cipher to plain. Only to be called when AesNiAvailable().
void DecryptWithAesNi(const unsigned char (&cipher)[128], unsigned char (&plain)[128]) noexcept;

}  // namespace decoder
