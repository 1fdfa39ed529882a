// Encode then decode, for random clear texts of every length from 0 to 126 under every draw of
// the scrambler: whatever the encoder wrote comes back exactly, or, where a zero byte inside the
// scrambled text made the encoder drop part of it, the decoder says so at that zero byte. The
// expectation is worked out from the scrambled text, which the decoder never sees.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "decoder/decode.h"
#include "encoding/encrypt.h"
#include "tests/decoder/support.h"

namespace {

using decoder::DecodeError;
using decoder::DecodePassword;
using decoder::DecodeWarning;
using decoder_test::Bytes;

// Checks the decoding of clear under draw r against what its scrambled text allows.
void CheckRoundTrip(const std::string& clear, int r) {
  const std::string text = decoder_test::Encode(clear, r);
  const Bytes scrambled = decoder_test::Scramble(clear, r);
  const int length = static_cast<int>(clear.size());
  const int p = decoder_test::FirstZero(scrambled);
  const decoder::DecodeResult result = DecodePassword(text);
  SCOPED_TRACE("length " + std::to_string(length) + ", first zero byte " + std::to_string(p));

  if (p < 0 || p > 64) {  // all of the scrambled text was encrypted
    ASSERT_TRUE(result.ok()) << decoder::ErrorName(result.error) << " at " << result.position;
    EXPECT_EQ(result.text(), clear);
    EXPECT_EQ(result.variant, CEncrypt::VariantForDraw(r));
    const bool lengthInDoubt = length == 62 || length == 63;
    EXPECT_EQ(result.warning,
              lengthInDoubt ? DecodeWarning::kLongerTextPossible : DecodeWarning::kNone);
    return;
  }
  ASSERT_FALSE(result.ok() && result.text() == clear) << "decoded although bytes were dropped";
  if (p == 0) {
    EXPECT_EQ(result.error, DecodeError::kNothingEncrypted);
    return;
  }
  if (length <= 63) {  // the whole text was encrypted, with a zero byte inside it
    EXPECT_EQ(result.error, DecodeError::kAmbiguousZero);
    EXPECT_EQ(result.position, p);
    EXPECT_EQ(result.value, length);
    return;
  }
  // A longer text cut at p: its bytes from 64 on were never encrypted. Only when nothing but zero
  // bytes follow p in the encrypted part does it look like a complete shorter text.
  bool onlyZerosBehind = true;
  for (int i = p; i < 64; ++i) onlyZerosBehind = onlyZerosBehind && scrambled[i] == 0;
  if (result.ok()) {
    EXPECT_TRUE(onlyZerosBehind);
    EXPECT_EQ(static_cast<int>(result.length), p - 1);
    EXPECT_EQ(result.warning == DecodeWarning::kLongerTextPossible, p - 1 >= 62);
    return;
  }
  if (onlyZerosBehind && scrambled[p - 1] == 95) {  // reads as the variant number never selected
    EXPECT_EQ(result.error, DecodeError::kVariantNeverSelected);
    EXPECT_EQ(result.position, p - 1);
    return;
  }
  EXPECT_EQ(result.position, p);
  if (onlyZerosBehind) {
    EXPECT_EQ(result.error, DecodeError::kTextCut);
  } else {
    EXPECT_TRUE(result.error == DecodeError::kTextCut ||
                result.error == DecodeError::kAmbiguousZero)
        << decoder::ErrorName(result.error);
  }
}

class EveryDraw : public testing::TestWithParam<int> {};

TEST_P(EveryDraw, EveryLengthFrom0To126ComesBackExactlyOrIsRefusedAtItsZeroByte) {
  const int r = GetParam();
  std::mt19937 rng(1000 + r);
  for (int length = 0; length <= decoder::kMaxClearLength; ++length) {
    std::string clear(static_cast<std::size_t>(length), '\0');
    for (int round = 0; round < 2; ++round) {
      for (char& c : clear) c = static_cast<char>(' ' + rng() % 95);  // printable ASCII
      CheckRoundTrip(clear, r);
    }
    for (int round = 0; round < 4; ++round) {
      for (char& c : clear) c = static_cast<char>(1 + rng() % 255);  // any byte but zero
      CheckRoundTrip(clear, r);
    }
    if (HasFatalFailure()) return;
  }
}

INSTANTIATE_TEST_SUITE_P(Draws, EveryDraw, testing::Range(0, 123),
                         [](const testing::TestParamInfo<int>& info) {
                           return "Draw" + std::to_string(info.param) + "Variant" +
                                  std::to_string(CEncrypt::VariantForDraw(info.param));
                         });

}  // namespace
