// The layouts of the decrypted bytes, built on purpose. Zero bytes placed in the scrambled text
// by choosing clear texts and variants for the real encoder: at position 0, inside the first 64
// bytes of a short and of a longer text, at 64, and above 64. Texts no encoder writes (wrong
// variant numbers, zero bytes where the encrypted length forbids them, a non-zero byte 127) are
// built over OpenSSL's AES. Also the scrambler's worked examples, read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "decoder/decode.h"
#include "encoding/encrypt.h"
#include "tests/decoder/support.h"

namespace {

using decoder::DecodeError;
using decoder::DecodePassword;
using decoder::DecodeResult;
using decoder::DecodeWarning;
using decoder_test::Bytes;
using decoder_test::EncryptAndEscape;

constexpr int kDrawVariant1 = 0;  // variant 1: +1 at even positions, -1 at odd ones

// A clear text of the given length under draw r whose scrambled text has zero bytes exactly at
// the given positions and none elsewhere: filler bytes are chosen so they never scramble to zero,
// and the byte that lands at a chosen position is the one its addend turns into zero.
std::string ClearWithZerosAt(int length, int r, const std::vector<int>& zeros,
                             unsigned char fill = 'm') {
  const int variant = CEncrypt::VariantForDraw(r);
  const bool reversed = variant >= 5 && variant <= 8;
  std::string clear(static_cast<std::size_t>(length), static_cast<char>(fill));
  const Bytes plain = decoder_test::Scramble(clear, r);  // the addend at i is plain[i] - fill
  for (int p : zeros) {
    const unsigned char addend = static_cast<unsigned char>(plain[p] - fill);
    clear[reversed ? length - 1 - p : p] = static_cast<char>(static_cast<unsigned char>(-addend));
  }
  const Bytes scrambled = decoder_test::Scramble(clear, r);
  for (int i = 0; i < length; ++i) {
    const bool chosen = std::find(zeros.begin(), zeros.end(), i) != zeros.end();
    EXPECT_EQ(scrambled[i] == 0, chosen) << "the test's own clear text is wrong at " << i;
  }
  return clear;
}

void ExpectError(const DecodeResult& r, DecodeError error, int position, int value = -1) {
  EXPECT_EQ(r.error, error) << decoder::ErrorName(r.error);
  EXPECT_EQ(r.position, position);
  if (value != -1) {
    EXPECT_EQ(r.value, value);
  }
  EXPECT_EQ(r.length, 0u);
  EXPECT_EQ(r.clear[0], '\0');
}

TEST(ZeroByteInScrambledText, AtPositionZeroNothingIsEncryptedAndTheTextIsLost) {
  for (int length : {1, 4, 63, 64, 100, 126}) {
    const std::string clear = ClearWithZerosAt(length, kDrawVariant1, {0});
    const std::string text = decoder_test::Encode(clear, kDrawVariant1);
    ExpectError(DecodePassword(text), DecodeError::kNothingEncrypted, 0);
  }
}

TEST(ZeroByteInScrambledText, AboveSixtyFourTheWholeTextIsRecovered) {
  for (const std::vector<int>& zeros :
       std::vector<std::vector<int>>{{65}, {80}, {99}, {65, 66, 98}}) {
    for (int r : {kDrawVariant1, 4 /* variant 5, reversed */, 73 /* variant 74, stepped */}) {
      const std::string clear = ClearWithZerosAt(100, r, zeros);
      const DecodeResult result = DecodePassword(decoder_test::Encode(clear, r));
      ASSERT_TRUE(result.ok()) << decoder::ErrorName(result.error) << " at " << result.position;
      EXPECT_EQ(result.text(), clear);
      EXPECT_EQ(result.variant, CEncrypt::VariantForDraw(r));
      EXPECT_EQ(result.warning, DecodeWarning::kNone);
    }
  }
  // The last transformed byte, right before the variant number, and the longest text.
  const std::string clear = ClearWithZerosAt(126, kDrawVariant1, {125});
  EXPECT_EQ(DecodePassword(decoder_test::Encode(clear, kDrawVariant1)).text(), clear);
}

TEST(ZeroByteInScrambledText, InsideAShortTextEitherReadingIsPossibleSoItIsRefused) {
  // The text ended within the 64 encrypted bytes, but so could a longer text cut at the zero.
  for (auto [length, p] : std::vector<std::pair<int, int>>{{2, 1}, {30, 10}, {63, 40}, {63, 62}}) {
    const std::string clear = ClearWithZerosAt(length, kDrawVariant1, {p});
    ExpectError(DecodePassword(decoder_test::Encode(clear, kDrawVariant1)),
                DecodeError::kAmbiguousZero, p, length);
  }
  // A printable text: under variant 23, with L = 27, a space at an odd position becomes zero.
  std::string clear(27, 'k');
  clear[5] = ' ';
  ExpectError(DecodePassword(decoder_test::Encode(clear, 22)), DecodeError::kAmbiguousZero, 5, 27);
}

TEST(ZeroByteInScrambledText, InsideTheFirst64OfALongerTextTheEndIsLost) {
  // Filler 0xC0 scrambles to 0xBF at odd positions: byte 63 cannot be a variant number, so the
  // short reading is impossible and the decoder can say the text was cut.
  for (int p : {1, 40, 63, 64}) {
    const std::string clear = ClearWithZerosAt(100, kDrawVariant1, {p}, 0xC0);
    ExpectError(DecodePassword(decoder_test::Encode(clear, kDrawVariant1)), DecodeError::kTextCut,
                p);
  }
  // With filler "m" byte 63 reads as variant 108: a 63-byte text with a zero byte at 40 is as
  // good an explanation as the real one.
  const std::string clear = ClearWithZerosAt(100, kDrawVariant1, {40});
  ExpectError(DecodePassword(decoder_test::Encode(clear, kDrawVariant1)),
              DecodeError::kAmbiguousZero, 40, 63);
  // Two zero bytes: the first one counts.
  const std::string twice = ClearWithZerosAt(100, kDrawVariant1, {20, 70}, 0xC0);
  ExpectError(DecodePassword(decoder_test::Encode(twice, kDrawVariant1)), DecodeError::kTextCut,
              20);
}

TEST(ZeroByteInScrambledText, ACutRightBehindByte63ReadsAsA63ByteTextWithAWarning) {
  // A printable 65-byte password under variant 4 (-L at even, +L at odd positions): "A" at 64
  // scrambles to zero, "5" at 63 to 0x76, a variant number. The encoder encrypts 64 bytes, which
  // are exactly what a 63-byte text under variant 118 gives; the decoder can only warn.
  std::string clear(65, 'p');
  clear[63] = '5';
  clear[64] = 'A';
  ASSERT_EQ(decoder_test::FirstZero(decoder_test::Scramble(clear, 3)), 64);
  const DecodeResult r = DecodePassword(decoder_test::Encode(clear, 3));
  ASSERT_TRUE(r.ok()) << decoder::ErrorName(r.error);
  EXPECT_EQ(r.length, 63u);
  EXPECT_EQ(r.variant, 0x76);
  EXPECT_EQ(r.warning, DecodeWarning::kLongerTextPossible);
}

TEST(ZeroByteInScrambledText, NoPrintableTextScramblesToZeroBytesAt62And63) {
  // Why the warning stops at readings of 62 bytes: a shorter reading of a cut longer text needs
  // zero bytes at both 62 and 63, and no pair of printable ASCII characters gives that.
  for (int r = 0; r < 123; ++r) {
    for (int length = 64; length <= 126; ++length) {
      const Bytes base =
          decoder_test::Scramble(std::string(static_cast<std::size_t>(length), 'a'), r);
      const int a62 = static_cast<unsigned char>(base[62] - 'a'),
                a63 = static_cast<unsigned char>(base[63] - 'a');
      const bool evenPossible = (256 - a62) % 256 >= ' ' && (256 - a62) % 256 <= '~';
      const bool oddPossible = (256 - a63) % 256 >= ' ' && (256 - a63) % 256 <= '~';
      EXPECT_FALSE(evenPossible && oddPossible) << "draw " << r << ", length " << length;
    }
  }
}

TEST(EncoderLayout, TheIndependentEncoderWritesWhatQsEncodeWrites) {
  for (const std::string& clear : std::vector<std::string>{
           "", "abc", std::string(63, 'x'), std::string(64, 'y'), std::string(126, 'z')}) {
    const Bytes scrambled = decoder_test::Scramble(clear, 17);
    const int encrypted = scrambled.size() <= 64 ? 64 : 128;
    EXPECT_EQ(EncryptAndEscape(scrambled, encrypted), decoder_test::Encode(clear, 17))
        << clear.size();
  }
}

TEST(EncoderLayout, TheScramblersWorkedExamplesReadBack) {
  // The worked examples of the character scrambler: clear text, variant, scrambled bytes.
  struct Example {
    const char* clear;
    int variant;
    std::vector<unsigned char> scrambled;
  };
  const Example examples[] = {
      {"abc", 1, {0x62, 0x61, 0x64, 0x01}},
      {"abc", 2, {0x64, 0x5F, 0x66, 0x02}},
      {"abc", 5, {0x64, 0x61, 0x62, 0x05}},
      {"abc", 9, {0x64, 0x65, 0x66, 0x09}},
      {"abc", 19, {0x65, 0x5E, 0x67, 0x13}},
      {"abc", 29, {0x65, 0x66, 0x67, 0x1D}},
      {"abc", 44, {0x63, 0x60, 0x65, 0x2C}},
      {"abc", 69, {0x62, 0x63, 0x65, 0x45}},
      {"abc", 96, {0x65, 0x61, 0x67, 0x60}},
      {"abc", 104, {0x60, 0x64, 0x62, 0x68}},
      {"abc", 123, {0x5C, 0x66, 0x5E, 0x7B}},
      {"abcdefghij", 2, {0x6B, 0x58, 0x6D, 0x5A, 0x6F, 0x5C, 0x71, 0x5E, 0x73, 0x60, 0x02}},
      {"abcdefghij", 5, {0x6B, 0x68, 0x69, 0x66, 0x67, 0x64, 0x65, 0x62, 0x63, 0x60, 0x05}},
      {"abcdefghij", 9, {0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F, 0x70, 0x71, 0x72, 0x09}},
      {"abcdefghij", 39, {0x62, 0x61, 0x64, 0x63, 0x66, 0x65, 0x68, 0x67, 0x6A, 0x69, 0x27}},
      {"abcdefghij", 74, {0x62, 0x63, 0x64, 0x66, 0x67, 0x68, 0x6A, 0x6B, 0x6C, 0x6E, 0x4A}},
      {"abcdefghij", 104, {0x60, 0x64, 0x62, 0x66, 0x64, 0x68, 0x66, 0x6A, 0x68, 0x6C, 0x68}},
  };
  for (const Example& e : examples) {
    const DecodeResult r = DecodePassword(EncryptAndEscape(e.scrambled, 64));
    ASSERT_TRUE(r.ok()) << e.variant << ": " << decoder::ErrorName(r.error);
    EXPECT_EQ(r.text(), e.clear) << e.variant;
    EXPECT_EQ(r.variant, e.variant);
  }
}

// A scrambled text of length transformed bytes "f" (0x66) followed by the given variant number.
Bytes Layout(int length, int variant) {
  Bytes s(static_cast<std::size_t>(length), 0x66);
  s.push_back(static_cast<unsigned char>(variant));
  return s;
}

TEST(NotFromTheEncoder, VariantNumbersOutsideTheTableAreRefused) {
  for (int variant : {124, 200, 255}) {
    ExpectError(DecodePassword(EncryptAndEscape(Layout(100, variant), 128)),
                DecodeError::kVariantOutOfRange, 100, variant);
  }
  // In the 64-byte layout a number that cannot end a short text means a longer text was cut.
  ExpectError(DecodePassword(EncryptAndEscape(Layout(10, 200), 64)), DecodeError::kTextCut, 11);
}

TEST(NotFromTheEncoder, Variant95IsRefusedAsSuchInEveryLayout) {
  // Texts of 0 to 63 bytes have only 64 bytes encrypted, longer ones all 128: the variant number
  // 95 is named at its own byte either way, not taken for a cut.
  char message[decoder::kMessageSize];
  for (int length = 0; length <= decoder::kMaxClearLength; ++length) {
    const DecodeResult r =
        DecodePassword(EncryptAndEscape(Layout(length, 95), length < 64 ? 64 : 128));
    ExpectError(r, DecodeError::kVariantNeverSelected, length, 95);
    decoder::DescribeError(r, message, sizeof message);
    const std::string text = message;
    EXPECT_EQ(text.rfind("variant-never-selected at scrambled byte " + std::to_string(length) +
                             ": the encoder never selects variant 95",
                         0),
              0u)
        << text;
    EXPECT_EQ(text.find("cut") != std::string::npos, length < 64) << text;
  }
}

TEST(NotFromTheEncoder, Variant95FromTheUnselectedOperationIsRefused) {
  // EnKey95 exists and works (+3 at even, -5 at odd positions), but the encoder never calls it.
  CEncrypt scrambler;
  char buf[128] = "hello";
  int length = 5;
  ASSERT_TRUE(scrambler.EnKey95(buf, buf, length));
  const Bytes scrambled(buf, buf + 6);
  ASSERT_EQ(scrambled, (Bytes{'h' + 3, 'e' - 5, 'l' + 3, 'l' - 5, 'o' + 3, 95}));
  ExpectError(DecodePassword(EncryptAndEscape(scrambled, 64)), DecodeError::kVariantNeverSelected,
              5, 95);
}

TEST(NotFromTheEncoder, ZeroBytesWhereTheEncryptedLengthForbidsThem) {
  Bytes s = Layout(100, 1);
  s[10] = 0;
  ExpectError(DecodePassword(EncryptAndEscape(s, 128)), DecodeError::kLayoutMismatch, 10, 128);
  s = Layout(100, 1);
  s[64] = 0;
  ExpectError(DecodePassword(EncryptAndEscape(s, 128)), DecodeError::kLayoutMismatch, 64, 128);
  s = Layout(100, 1);
  s[65] = 0;  // fine: a zero byte above 64
  EXPECT_TRUE(DecodePassword(EncryptAndEscape(s, 128)).ok());
  s = Layout(10, 1);
  s[0] = 0;
  ExpectError(DecodePassword(EncryptAndEscape(s, 64)), DecodeError::kLayoutMismatch, 0, 64);
}

TEST(NotFromTheEncoder, AScrambledTextOf128BytesIsRefused) {
  ExpectError(DecodePassword(EncryptAndEscape(Layout(127, 1), 128)), DecodeError::kTooLong, 127, 1);
  EXPECT_TRUE(DecodePassword(EncryptAndEscape(Layout(126, 1), 128)).ok());
}

TEST(NotFromTheEncoder, AClearTextWithAZeroByteIsRefused) {
  // Variant 1 subtracts 1 at odd positions: the scrambled byte 0xFF there would come from a zero
  // byte, which a clear text cannot hold.
  Bytes s = Layout(100, 1);
  s[5] = 0xFF;
  ExpectError(DecodePassword(EncryptAndEscape(s, 128)), DecodeError::kZeroInClearText, 5, 1);
  // Variant 5 reverses: scrambled position 5 of 100 bytes is clear-text position 94.
  s = Layout(100, 5);
  s[5] = 0xFF;
  ExpectError(DecodePassword(EncryptAndEscape(s, 128)), DecodeError::kZeroInClearText, 94, 5);
  // In the 64-byte layout the short reading fails, so a cut is the only explanation left.
  s = Layout(10, 1);
  s[5] = 0xFF;
  ExpectError(DecodePassword(EncryptAndEscape(s, 64)), DecodeError::kTextCut, 11);
}

TEST(Messages, EveryErrorIsDescribedWithItsPosition) {
  const DecodeResult r = DecodePassword(EncryptAndEscape(Layout(100, 200), 128));
  char message[decoder::kMessageSize];
  decoder::DescribeError(r, message, sizeof message);
  EXPECT_STREQ(
      message,
      "variant-out-of-range at scrambled byte 100: variant number 200; they run from 1 to 123");
  for (int e = 1; e <= static_cast<int>(DecodeError::kZeroInClearText); ++e) {
    DecodeResult fake;
    fake.error = static_cast<DecodeError>(e);
    fake.position = 42;
    fake.value = 0x2A;
    decoder::DescribeError(fake, message, sizeof message);
    const std::string text = message;
    EXPECT_EQ(text.rfind(decoder::ErrorName(fake.error), 0), 0u) << text;
    EXPECT_LT(text.size(), decoder::kMessageSize - 1) << text;  // not cut short
    if (fake.error != DecodeError::kNothingEncrypted && fake.error != DecodeError::kTooFewUnits) {
      EXPECT_NE(text.find("42"), std::string::npos) << text;
    }
  }
  char tiny[8];
  decoder::DescribeError(r, tiny, sizeof tiny);
  EXPECT_STREQ(tiny, "variant");
}

}  // namespace
