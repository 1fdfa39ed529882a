// The decoder's two AES implementations, the AES instructions and CAES's tables, on every class of
// input: the encoder's texts for every length and many draws, texts whose scrambled bytes hold zero
// bytes where they decide what was encrypted (built over OpenSSL's AES), random cipher bytes, and
// raw blocks. Each class must give identical results, field by field. Skipped where the CPU lacks
// the instructions (the table path is then the only one, and every other test runs it).
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "decoder/cipher.h"
#include "decoder/decode.h"
#include "tests/decoder/support.h"

namespace {

using decoder::Cipher;
using decoder::DecodePassword;
using decoder::DecodeResult;

class BothCiphers : public ::testing::Test {
 protected:
  void SetUp() override {
    if (decoder::CipherName(Cipher::kAesNi) != std::string("aes-ni"))
      GTEST_SKIP() << "this CPU or build has no AES instructions";
  }

  // Decodes text both ways and compares everything the result holds.
  static void ExpectSame(const std::string& text) {
    const DecodeResult a = DecodePassword(text, Cipher::kAesNi);
    const DecodeResult t = DecodePassword(text, Cipher::kTables);
    EXPECT_EQ(a.error, t.error) << text;
    EXPECT_EQ(a.position, t.position) << text;
    EXPECT_EQ(a.value, t.value) << text;
    EXPECT_EQ(a.variant, t.variant) << text;
    EXPECT_EQ(a.warning, t.warning) << text;
    EXPECT_EQ(a.text(), t.text()) << text;
  }

  std::mt19937 random{20240611};
};

TEST_F(BothCiphers, GiveTheSameBlocks) {
  unsigned char in[128], viaAesNi[128], viaTables[128];
  for (int round = 0; round < 200; ++round) {
    for (unsigned char& b : in) b = static_cast<unsigned char>(random());
    decoder::DecryptCipherBytes(Cipher::kAesNi, in, viaAesNi);
    decoder::DecryptCipherBytes(Cipher::kTables, in, viaTables);
    ASSERT_EQ(std::memcmp(viaAesNi, viaTables, sizeof in), 0) << "round " << round;
  }
  EXPECT_STREQ(decoder::CipherName(Cipher::kAuto), "aes-ni");
}

TEST_F(BothCiphers, GiveTheSameResultsOnEveryClassOfInput) {
  // The encoder's texts: every length, draws across the variant table.
  for (int length = 0; length <= decoder::kMaxClearLength; ++length) {
    for (int r = 0; r < 123; r += 11) {
      std::string clear(static_cast<std::size_t>(length), ' ');
      for (char& c : clear) c = static_cast<char>(1 + random() % 255);
      ExpectSame(decoder_test::Encode(clear, r));
    }
  }
  // Scrambled bytes of any layout, 64 or 128 of them encrypted, with zero bytes sprinkled where
  // they end the text early, make it ambiguous or contradict the encrypted length, and every
  // variant number byte.
  for (int round = 0; round < 3000; ++round) {
    decoder_test::Bytes scrambled(128);
    for (unsigned char& b : scrambled) b = static_cast<unsigned char>(random());
    const int end = static_cast<int>(random() % 128);
    for (int i = end + 1; i < 128; ++i) scrambled[i] = 0;
    for (int zeros = static_cast<int>(random() % 3); zeros > 0; --zeros)
      scrambled[random() % 128] = 0;
    ExpectSame(decoder_test::EncryptAndEscape(scrambled, round % 2 ? 64 : 128));
  }
  // Cipher bytes from no encoder, and nothing encrypted.
  for (int round = 0; round < 500; ++round) {
    decoder_test::Bytes cipher(128);
    for (unsigned char& b : cipher) b = static_cast<unsigned char>(random());
    if (round % 2) std::fill(cipher.begin() + 64, cipher.end(), 0);
    ExpectSame(decoder_test::Escape(cipher));
  }
  ExpectSame(decoder_test::EncryptAndEscape(decoder_test::Bytes(128, 7), 0));
}

}  // namespace
