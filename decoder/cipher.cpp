// Run-time choice between the AES instructions and CAES's tables for the decoder's AES stage.
#include "decoder/cipher.h"

#include "decoder/aes_ni.h"
#include "encoding/aes.h"

namespace decoder {
namespace {

// CAES builds its process-wide tables at the first keying, without a lock. Doing that once here,
// under the lock of a function-local static, lets decoders run on several threads.
void EnsureAesTables() {
  static const bool built = [] {
    CAES aes;
    const unsigned char key[16] = {};
    aes.set_key(key, 128);
    return true;
  }();
  (void)built;
}

Cipher Resolve(Cipher cipher) {
  if (cipher == Cipher::kTables || !AesNiAvailable()) return Cipher::kTables;
  return Cipher::kAesNi;
}

}  // namespace

Cipher ActiveCipher() noexcept { return Resolve(Cipher::kAuto); }

const char* CipherName(Cipher cipher) noexcept {
  return Resolve(cipher) == Cipher::kAesNi ? "aes-ni" : "tables";
}

void DecryptCipherBytes(Cipher cipher, const unsigned char (&in)[128],
                        unsigned char (&plain)[128]) noexcept {
  if (Resolve(cipher) == Cipher::kAesNi) {
    DecryptWithAesNi(in, plain);
    return;
  }
  EnsureAesTables();
  CAES aes;  // its destructor clears the blocks it worked on
  aes.Decode(reinterpret_cast<char*>(plain), reinterpret_cast<const char*>(in));
}

}  // namespace decoder
