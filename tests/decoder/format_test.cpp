// The strict reading of the encoded password text: exactly 128 units, each a letter or digit or
// "*" with two upper-case hexadecimal digits for a byte that is not one; every other shape is
// refused with the fault that comes first and its character offset. Also: arbitrary input never
// crashes the decoder, and whatever it accepts has the shape of a clear text.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <random>
#include <string>

#include "decoder/decode.h"
#include "encoding/format/encoded_text.h"
#include "tests/decoder/support.h"

namespace {

using decoder::DecodeError;
using decoder::DecodePassword;
using encoded_text::Fault;
using encoded_text::ReadUnits;

// A valid text whose units mix literals and escapes: "abc" under variant 1 (draw 0). Its last
// unit is "*00", a cipher byte the encoder never wrote; kLast is its offset.
const std::string kValid = decoder_test::Encode("abc", 0);
const int kLast = static_cast<int>(kValid.size()) - 3;
const std::string kHead = kValid.substr(0, kValid.size() - 3);  // 127 units

std::string Units(const char* unit, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += unit;
  return s;
}

void ExpectFault(const std::string& text, DecodeError error, int position) {
  const decoder::DecodeResult r = DecodePassword(text);
  EXPECT_EQ(r.error, error) << decoder::ErrorName(r.error) << " for \"" << text << "\"";
  EXPECT_EQ(r.position, position) << text;
  EXPECT_EQ(r.length, 0u);
  EXPECT_EQ(r.variant, 0);
}

TEST(Format, TheEncodersOwnTextIsAccepted) {
  ASSERT_EQ(kValid.substr(kValid.size() - 192), Units("*00", 64));
  const decoder::DecodeResult r = DecodePassword(kValid);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.text(), "abc");
  EXPECT_EQ(r.variant, 1);
}

TEST(Format, EveryByteIsReadOnlyInTheOneFormTheEncoderWritesIt) {
  // Each byte value in each written form, as the first unit followed by 127 units "A".
  for (int b = 0; b < 256; ++b) {
    const bool literal = std::isalnum(b) != 0;
    char upper[4], lower[4];
    std::snprintf(upper, sizeof upper, "*%02X", b);
    std::snprintf(lower, sizeof lower, "*%02x", b);
    const std::string tail = Units("A", 127);
    unsigned char out[encoded_text::kUnitCount];

    const auto asItself = ReadUnits(std::string(1, static_cast<char>(b)) + tail, out);
    if (literal) {
      EXPECT_EQ(asItself.fault, Fault::kNone) << b;
      EXPECT_EQ(out[0], b);
    } else if (b != '*') {
      EXPECT_EQ(asItself.fault, Fault::kInvalidCharacter) << b;
      EXPECT_EQ(asItself.value, b);
    }

    const auto escaped = ReadUnits(upper + tail, out);
    if (literal) {
      EXPECT_EQ(escaped.fault, Fault::kEscapedLetterOrDigit) << b;
      EXPECT_EQ(escaped.value, b);
    } else {
      EXPECT_EQ(escaped.fault, Fault::kNone) << b;
      EXPECT_EQ(out[0], b);
    }

    if (std::string(upper) != lower) {
      EXPECT_EQ(ReadUnits(lower + tail, out).fault, Fault::kLowerCaseEscape) << b;
    }
  }
}

TEST(Format, CharactersOutsideTheAlphabetAreRefusedWhereTheyStand) {
  const std::string& head = kHead;  // the last unit replaced
  ExpectFault(head + "%00", DecodeError::kInvalidCharacter,
              kLast);  // "%" as URL escaping writes it
  ExpectFault(head + "+", DecodeError::kInvalidCharacter, kLast);
  ExpectFault(head + " ", DecodeError::kInvalidCharacter, kLast);
  ExpectFault(head + "-", DecodeError::kInvalidCharacter, kLast);
  ExpectFault(head + "\xC3\xA9", DecodeError::kInvalidCharacter, kLast);
  ExpectFault(head + std::string(1, '\0'), DecodeError::kInvalidCharacter, kLast);
  ExpectFault(" " + kValid, DecodeError::kInvalidCharacter, 0);
  ExpectFault(kValid + "\n", DecodeError::kInvalidCharacter, kLast + 3);
  ExpectFault(kValid + "\r\n", DecodeError::kInvalidCharacter, kLast + 3);
}

TEST(Format, MalformedEscapesAreRefusedAtTheirStar) {
  const std::string& head = kHead;
  ExpectFault(head + "*0", DecodeError::kIncompleteEscape, kLast);
  ExpectFault(head + "*", DecodeError::kIncompleteEscape, kLast);
  ExpectFault(head + "*G0", DecodeError::kInvalidEscape, kLast);
  ExpectFault(head + "*0G", DecodeError::kInvalidEscape, kLast);
  ExpectFault(head + "*0g", DecodeError::kInvalidEscape, kLast);
  ExpectFault(head + "*G", DecodeError::kInvalidEscape,
              kLast);  // ends, but its digit is wrong already
  ExpectFault(head + "**00", DecodeError::kInvalidEscape, kLast);
  ExpectFault(head + "* 0", DecodeError::kInvalidEscape, kLast);
  ExpectFault(head + "*2a", DecodeError::kLowerCaseEscape, kLast);
  ExpectFault(head + "*a2", DecodeError::kLowerCaseEscape, kLast);
  ExpectFault(head + "*fF", DecodeError::kLowerCaseEscape, kLast);
  ExpectFault(head + "*41", DecodeError::kEscapedLetterOrDigit, kLast);  // "A"
  ExpectFault(head + "*7A", DecodeError::kEscapedLetterOrDigit, kLast);  // "z"
  ExpectFault(head + "*30", DecodeError::kEscapedLetterOrDigit, kLast);  // "0"
}

TEST(Format, ExactlyOneHundredAndTwentyEightUnits) {
  ExpectFault("", DecodeError::kTooFewUnits, 0);
  EXPECT_EQ(DecodePassword("").value, 0);
  ExpectFault(kHead, DecodeError::kTooFewUnits, kLast);
  EXPECT_EQ(DecodePassword(kHead).value, 127);
  const int end = kLast + 3;
  ExpectFault(kValid + "A", DecodeError::kTooManyUnits, end);
  ExpectFault(kValid + "*00", DecodeError::kTooManyUnits, end);
  ExpectFault(kValid + kValid, DecodeError::kTooManyUnits, end);
  // A malformed 129th unit is reported as what it is.
  ExpectFault(kValid + "*0", DecodeError::kIncompleteEscape, end);
  ExpectFault(kValid + "*zz", DecodeError::kInvalidEscape, end);
  // 128 units of the longest and of the shortest form.
  EXPECT_EQ(DecodePassword(Units("*00", 128)).error, DecodeError::kNothingEncrypted);
  EXPECT_NE(DecodePassword(Units("A", 128)).error, DecodeError::kTooFewUnits);
}

TEST(Format, TheFirstFaultInTheTextIsTheOneReported) {
  std::string text = kValid;
  text[10] = '%';
  text[3] = '+';
  ExpectFault(text, DecodeError::kInvalidCharacter, 3);
  ExpectFault("*2a" + Units("%", 200), DecodeError::kLowerCaseEscape, 0);
}

// Arbitrary input, from plain garbage to texts of the right shape with random cipher bytes: the
// decoder always answers, and what it accepts is a clear text of at most 126 non-zero bytes with
// a variant number the encoder uses.
TEST(Robustness, ArbitraryInputIsAnsweredAndAcceptedTextsHaveTheShapeOfAClearText) {
  std::mt19937 rng(7);
  const std::string alphabet =
      "AZaz09*%+ \n\x01\xFF"
      "0123456789ABCDEFabcdef";
  int accepted = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    if (round % 2 == 0) {
      const std::size_t len = rng() % 400;
      for (std::size_t i = 0; i < len; ++i) text += alphabet[rng() % alphabet.size()];
    } else {
      // 128 random cipher bytes written as the encoder writes them; half of them with the upper
      // 64 zero, as after a 64-byte encryption.
      decoder_test::Bytes cipher(128);
      for (int i = 0; i < 128; ++i)
        cipher[i] = round % 4 == 1 && i >= 64 ? 0 : static_cast<unsigned char>(rng());
      text = decoder_test::Escape(cipher);
    }
    const decoder::DecodeResult r = DecodePassword(text);
    char message[decoder::kMessageSize];
    decoder::DescribeError(r, message, sizeof message);
    ASSERT_NE(std::string(decoder::ErrorName(r.error)), "unknown");
    if (!r.ok()) continue;
    ++accepted;
    ASSERT_LE(r.length, 126u);
    ASSERT_EQ(r.text().find('\0'), std::string_view::npos);
    ASSERT_EQ(r.clear[r.length], '\0');
    ASSERT_GE(r.variant, 1);
    ASSERT_LE(r.variant, 123);
    ASSERT_NE(r.variant, 95);
  }
  // The format has no integrity check: some random 64-byte blocks do read as a short text.
  EXPECT_GT(accepted, 0);
}

}  // namespace
