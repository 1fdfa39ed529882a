// CAES against FIPS-197 and OpenSSL: the block cipher for all three key sizes, the key derived
// from the key text, the 64-byte length rule of Encode and the inverse Decode.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "encoding/aes.h"
#include "tests/support/reference.h"

namespace {

using reference::Bytes;
using reference::Hex;
using reference::kDerivedKey;
using reference::OpenSslEcb;

// FIPS-197 Appendix C: the same plaintext under the 128-, 192- and 256-bit example keys.
struct Fips197Vector {
  const char* key;
  const char* cipher;
};
constexpr const char* kFipsPlain = "00112233445566778899aabbccddeeff";
constexpr Fips197Vector kFipsVectors[] = {
    {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},  // C.1
    {"000102030405060708090a0b0c0d0e0f1011121314151617",
     "dda97ca4864cdfe06eaf70a0ec0d7191"},  // C.2
    {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "8ea2b7ca516745bfeafc49904b496089"},  // C.3
};

TEST(AesBlock, ReproducesFips197AppendixC) {
  for (const Fips197Vector& v : kFipsVectors) {
    const Bytes key = Hex(v.key);
    CAES aes;
    aes.set_key(key.data(), static_cast<uint32_t>(8 * key.size()));
    EXPECT_EQ(aes.key_words, key.size() / 4);
    Bytes block = Hex(kFipsPlain);
    Bytes out(16);
    aes.Encryptt(block.data(), out.data());
    EXPECT_EQ(out, Hex(v.cipher)) << v.key;
    aes.decrypt(out.data(), block.data());
    EXPECT_EQ(block, Hex(kFipsPlain)) << v.key;
    // In place: the whole input is read before the output is written.
    aes.Encryptt(block.data(), block.data());
    EXPECT_EQ(block, Hex(v.cipher)) << v.key;
    aes.decrypt(block.data(), block.data());
    EXPECT_EQ(block, Hex(kFipsPlain)) << v.key;
  }
}

TEST(AesBlock, AgreesWithOpenSslOnRandomKeysAndBlocks) {
  std::mt19937 rng(2024);
  for (int keyBytes : {16, 24, 32}) {
    for (int round = 0; round < 200; ++round) {
      Bytes key(keyBytes), plain(16), cipher(16), back(16);
      for (auto& b : key) b = static_cast<unsigned char>(rng());
      for (auto& b : plain) b = static_cast<unsigned char>(rng());
      CAES aes;
      aes.set_key(key.data(), static_cast<uint32_t>(8 * keyBytes));
      aes.Encryptt(plain.data(), cipher.data());
      ASSERT_EQ(cipher, OpenSslEcb(true, key, plain)) << keyBytes << " bytes, round " << round;
      aes.decrypt(plain.data(), back.data());
      ASSERT_EQ(back, OpenSslEcb(false, key, plain)) << keyBytes << " bytes, round " << round;
    }
  }
}

TEST(AesKeySchedule, UnsupportedLengthLeavesTheObjectUnkeyed) {
  const Bytes key(32, 0x11);
  CAES aes;
  aes.set_key(key.data(), 160);  // five words
  EXPECT_EQ(aes.key_words, 0u);
  for (uint32_t w : aes.enc_key) EXPECT_EQ(w, 0u);
}

TEST(AesCharToBinary, SpreadsBitsLowestFirstWithoutTheHighestSetBit) {
  struct Case {
    char c;
    const char* bits;
  } cases[] = {
      {'3', "0101000001000000"},    {' ', "0000000000000000"},    {'\0', "0000000000000000"},
      {'A', "0100000000000000"},    {'a', "0100000000010000"},    {'\x81', "FFFFFFFFFFFF0000"},
      {'\x01', "0000000000000000"}, {'\xFF', "0000000000000000"}, {'\x80', "0000000000000000"},
  };
  for (const Case& c : cases) {
    CAES aes;
    unsigned char bits[9];
    std::memset(bits, 0xAA, sizeof bits);
    aes.CharToBinary(&c.c, 1, bits, 0);
    EXPECT_EQ(Bytes(bits, bits + 8), Hex(c.bits)) << int(static_cast<unsigned char>(c.c));
    EXPECT_EQ(bits[8], 0xAA);
  }
  CAES aes;
  unsigned char bits[8];
  std::memset(bits, 0xAA, sizeof bits);
  aes.CharToBinary("abc", 0, bits, 0);
  aes.CharToBinary("abc", -1, bits, 0);
  EXPECT_EQ(Bytes(bits, bits + 8), Bytes(8, 0xAA));
}

// A text of n non-zero bytes followed by a NUL and readable bytes up to 144.
std::vector<char> Text(std::size_t n, char fill = 'x') {
  std::vector<char> text(144, '\0');
  std::fill(text.begin(), text.begin() + n, fill);
  return text;
}

TEST(AesEncode, EncryptsWholeMultiplesOf64UnderTheDerivedKey) {
  for (std::size_t n = 0; n <= 128; ++n) {
    std::vector<char> text = Text(n);
    text[n + 1] = '\x7F';  // behind the NUL, inside the last block: encrypted all the same
    const std::size_t total = (n + 63) / 64 * 64;
    std::vector<char> out(160, '\xAA');
    CAES aes;
    aes.Encode(out.data(), text.data());
    EXPECT_EQ(aes.key_len, 128);
    EXPECT_EQ(Bytes(aes.key_bits, aes.key_bits + 16), kDerivedKey);
    const Bytes plain(text.begin(), text.begin() + total);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + total), OpenSslEcb(true, kDerivedKey, plain)) << n;
    for (std::size_t i = total; i < out.size(); ++i)
      ASSERT_EQ(out[i], '\xAA') << "n " << n << " byte " << i;
  }
}

TEST(AesEncode, InPlaceGivesTheSameCipherAndLeavesTheLastBlockInWork) {
  std::mt19937 rng(21);
  for (std::size_t n : {1u, 64u, 65u, 127u}) {
    std::vector<char> text = Text(n, 'q');
    for (std::size_t i = 0; i < n; ++i) text[i] = static_cast<char>('!' + rng() % 90);
    const std::size_t total = (n + 63) / 64 * 64;
    std::vector<char> out(total);
    CAES aes;
    aes.Encode(out.data(), text.data());
    EXPECT_EQ(std::memcmp(aes.in_block, text.data() + total - 16, 16), 0) << n;
    EXPECT_EQ(std::memcmp(aes.out_block, out.data() + total - 16, 16), 0) << n;
    std::vector<char> inPlace = text;
    CAES other;
    other.Encode(inPlace.data(), inPlace.data());
    EXPECT_TRUE(std::equal(out.begin(), out.end(), inPlace.begin())) << n;
    EXPECT_EQ(std::memcmp(other.in_block, text.data() + total - 16, 16), 0) << n;
  }
}

TEST(AesDecode, GivesBackAll128EncryptedBytes) {
  for (std::size_t n : {65u, 100u, 127u}) {
    std::vector<char> text = Text(n, 'k');
    for (std::size_t i = n + 1; i < 128; ++i) text[i] = static_cast<char>(i);
    std::vector<char> cipher(128), back(128);
    CAES aes;
    aes.Encode(cipher.data(), text.data());
    CAES other;
    other.Decode(back.data(), cipher.data());
    EXPECT_TRUE(std::equal(back.begin(), back.end(), text.begin())) << n;
  }
}

TEST(AesDecode, ZeroBlocksBehindA64ByteEncodeDecryptToNonZeroBytes) {
  std::vector<char> text = Text(10);
  std::vector<char> cipher(128, '\0'), back(128);
  CAES aes;
  aes.Encode(cipher.data(), text.data());
  aes.Decode(back.data(), cipher.data());
  EXPECT_TRUE(std::equal(back.begin(), back.begin() + 64, text.begin()));
  const Bytes zeroBlockPlain = OpenSslEcb(false, kDerivedKey, Bytes(16, 0));
  for (int block = 4; block < 8; ++block)
    EXPECT_TRUE(std::equal(zeroBlockPlain.begin(), zeroBlockPlain.end(),
                           reinterpret_cast<unsigned char*>(back.data()) + 16 * block));
}

}  // namespace
