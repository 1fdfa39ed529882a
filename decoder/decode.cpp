// DecodePassword: strict unescaping, the layout of the cipher bytes, AES (decoder/cipher.h), and
// the reading of the scrambled text with its zero-byte cases (see decoder/decode.h for the
// reasoning).
#include "decoder/decode.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "decoder/cipher.h"
#include "decoder/unescape.h"
#include "decoder/unscramble.h"
#include "wipe/secure_wipe.h"

namespace decoder {
namespace {

constexpr int kHalf = 64;  // the encoder encrypts in multiples of 64 bytes
constexpr int kLastVariant = 123;
constexpr int kUnselectedVariant = 95;

bool AllZero(const unsigned char* p, int n) {
  return std::all_of(p, p + n, [](unsigned char b) { return b == 0; });
}

// Reads plain[0 ... q] as a scrambled text of length q with its variant number at q, and on
// success puts the clear text into result. Otherwise sets the error of the first check that
// fails and leaves the clear text empty. plain[0 ... q - 1] is changed either way.
bool ReadScrambledText(unsigned char* plain, int q, DecodeResult& result) {
  const int variant = plain[q];
  if (variant > kLastVariant) {
    result.error = DecodeError::kVariantOutOfRange;
    result.position = q;
    result.value = variant;
    return false;
  }
  if (variant == kUnselectedVariant) {
    result.error = DecodeError::kVariantNeverSelected;
    result.position = q;
    result.value = variant;
    return false;
  }
  const int zero = UndoVariant(variant, plain, q);
  if (zero >= 0) {
    result.error = DecodeError::kZeroInClearText;
    result.position = zero;
    result.value = variant;
    return false;
  }
  std::memcpy(result.clear, plain, static_cast<std::size_t>(q));
  result.clear[q] = '\0';
  result.length = static_cast<std::size_t>(q);
  result.variant = variant;
  return true;
}

void Fail(DecodeResult& result, DecodeError error, int position, int value = -1) {
  result.error = error;
  result.position = position;
  result.value = value;
}

// All 128 bytes were encrypted: the scrambled text's first zero byte lies above 64, and its end
// (the last non-zero byte, the variant number) lies within the 128 bytes.
void ReadFull(unsigned char* plain, DecodeResult& result) {
  const unsigned char* zero = std::find(plain, plain + kHalf + 1, 0);
  if (zero != plain + kHalf + 1)
    return Fail(result, DecodeError::kLayoutMismatch, static_cast<int>(zero - plain), 2 * kHalf);
  if (plain[kUnitCount - 1] != 0)
    return Fail(result, DecodeError::kTooLong, kUnitCount - 1, plain[kUnitCount - 1]);
  int q = kUnitCount - 2;
  while (plain[q] == 0) --q;  // stops at 64 at the latest
  ReadScrambledText(plain, q, result);
}

// Only the first 64 bytes were encrypted: the scrambled text's first zero byte lies at 64 or
// below. Whether the text ended within these 64 bytes decides what can be recovered.
void ReadHalf(unsigned char* plain, DecodeResult& result) {
  if (plain[0] == 0) return Fail(result, DecodeError::kLayoutMismatch, 0, kHalf);
  int q = kHalf - 1;
  while (plain[q] == 0) --q;
  const unsigned char* zero = std::find(plain, plain + q, 0);
  const int firstZero = zero == plain + q ? q + 1 : static_cast<int>(zero - plain);
  DecodeResult reading;
  const bool readable = ReadScrambledText(plain, q, reading);
  if (firstZero <= q) {
    // A zero byte before the last non-zero one: a short text holding it, or a longer text cut
    // there. Only the second is possible when the short reading fails.
    return Fail(result, readable ? DecodeError::kAmbiguousZero : DecodeError::kTextCut, firstZero,
                readable ? q : -1);
  }
  if (!readable) {
    // Variant 95 is refused as such whatever the layout: the encoder never selects it, so either
    // the text was changed or it is a longer text cut right behind this byte. Any other failed
    // reading leaves the cut as the only explanation.
    if (reading.error == DecodeError::kVariantNeverSelected) {
      return Fail(result, reading.error, reading.position, reading.value);
    }
    return Fail(result, DecodeError::kTextCut, firstZero);
  }
  result = reading;
  if (q >= kHalf - 2) result.warning = DecodeWarning::kLongerTextPossible;
}

}  // namespace

DecodeResult::~DecodeResult() { wipe::SecureWipe(clear, sizeof clear); }

DecodeResult DecodePassword(std::string_view encoded, Cipher aes) noexcept {
  DecodeResult result;
  unsigned char cipher[kUnitCount];
  const UnescapeStatus status = Unescape(encoded, cipher);
  if (status.error != DecodeError::kNone) {
    Fail(result, status.error, status.position, status.value);
    wipe::SecureWipe(cipher, sizeof cipher);
    return result;
  }

  // Cipher bytes that the encoder never wrote are zero.
  const bool upperWritten = !AllZero(cipher + kHalf, kHalf);
  if (!upperWritten && AllZero(cipher, kHalf)) {
    Fail(result, DecodeError::kNothingEncrypted, 0);
    return result;
  }

  unsigned char plain[kUnitCount];
  DecryptCipherBytes(aes, cipher, plain);
  if (upperWritten) {
    ReadFull(plain, result);
  } else {
    ReadHalf(plain, result);
  }
  wipe::SecureWipe(plain, sizeof plain);
  wipe::SecureWipe(cipher, sizeof cipher);
  return result;
}

const char* WarningName(DecodeWarning warning) noexcept {
  switch (warning) {
    case DecodeWarning::kNone:
      return "none";
    case DecodeWarning::kLongerTextPossible:
      return "longer-text-possible";
  }
  return "unknown";
}

const char* WarningExplanation(DecodeWarning warning) noexcept {
  switch (warning) {
    case DecodeWarning::kNone:
      return "no warning";
    case DecodeWarning::kLongerTextPossible:
      return "only 64 bytes were encrypted; a text of 64 or more bytes whose scrambled text had a "
             "zero byte right behind these would give the same cipher bytes";
  }
  return "unknown warning";
}

void DescribeError(const DecodeResult& r, char* buf, std::size_t size) noexcept {
  if (buf == nullptr || size == 0) return;
  const char* name = ErrorName(r.error);
  const int p = r.position, v = r.value;
  switch (r.error) {
    case DecodeError::kNone:
      std::snprintf(buf, size, "no error");
      return;
    case DecodeError::kInvalidCharacter:
      if (v > 0x20 && v < 0x7F)
        std::snprintf(buf, size, "%s at offset %d: '%c' is not a letter, a digit or \"*\"", name, p,
                      v);
      else
        std::snprintf(buf, size, "%s at offset %d: byte 0x%02X is not a letter, a digit or \"*\"",
                      name, p, v);
      return;
    case DecodeError::kIncompleteEscape:
      std::snprintf(buf, size, "%s at offset %d: the text ends before the two digits of the escape",
                    name, p);
      return;
    case DecodeError::kInvalidEscape:
      std::snprintf(buf, size, "%s at offset %d: \"*\" is not followed by two hexadecimal digits",
                    name, p);
      return;
    case DecodeError::kLowerCaseEscape:
      std::snprintf(buf, size, "%s at offset %d: the encoder writes escapes in upper case only",
                    name, p);
      return;
    case DecodeError::kEscapedLetterOrDigit:
      std::snprintf(
          buf, size,
          "%s at offset %d: \"*%02X\" stands for '%c', which the encoder writes as itself", name, p,
          v, v);
      return;
    case DecodeError::kTooFewUnits:
      std::snprintf(buf, size,
                    "%s: %d units in %d characters; an encoded password text has exactly 128", name,
                    v, p);
      return;
    case DecodeError::kTooManyUnits:
      std::snprintf(buf, size,
                    "%s at offset %d: a 129th unit; an encoded password text has exactly 128", name,
                    p);
      return;
    case DecodeError::kNothingEncrypted:
      std::snprintf(buf, size, "%s: %s", name, ErrorExplanation(r.error));
      return;
    case DecodeError::kTextCut:
      std::snprintf(
          buf, size,
          "%s at scrambled byte %d: that byte was zero and ended the scrambled text, so only "
          "bytes 0 to 63 were encrypted; the text was longer, and its other bytes and its "
          "variant number are lost",
          name, p);
      return;
    case DecodeError::kAmbiguousZero:
      std::snprintf(
          buf, size,
          "%s at scrambled byte %d: either a clear text of %d bytes that scrambled to a zero "
          "byte there, or a longer text cut there whose end was never encrypted; refusing "
          "to guess",
          name, p, v);
      return;
    case DecodeError::kLayoutMismatch:
      std::snprintf(
          buf, size,
          "%s at scrambled byte %d: a zero byte there would have made the encoder encrypt "
          "%d bytes, not %d; the encoder did not write this text",
          name, p, p == 0 ? 0 : kHalf, v);
      return;
    case DecodeError::kTooLong:
      std::snprintf(buf, size, "%s at scrambled byte %d: 0x%02X instead of zero; %s", name, p, v,
                    ErrorExplanation(r.error));
      return;
    case DecodeError::kVariantOutOfRange:
      std::snprintf(buf, size, "%s at scrambled byte %d: variant number %d; they run from 1 to 123",
                    name, p, v);
      return;
    case DecodeError::kVariantNeverSelected:
      // Below byte 64 only the first 64 bytes were encrypted, so a cut text reads the same.
      std::snprintf(buf, size, "%s at scrambled byte %d: %s%s", name, p, ErrorExplanation(r.error),
                    p < kHalf ? "; the text did not come from it unchanged, or it is a longer "
                                "text cut right behind this byte"
                              : "; the text did not come from it unchanged");
      return;
    case DecodeError::kZeroInClearText:
      std::snprintf(
          buf, size,
          "%s at clear-text byte %d: undoing variant %d gives a zero byte, which no clear "
          "text holds",
          name, p, v);
      return;
  }
  std::snprintf(buf, size, "%s", name);
}

void DescribeWarning(const DecodeResult& r, char* buf, std::size_t size) noexcept {
  if (buf == nullptr || size == 0) return;
  if (r.warning == DecodeWarning::kNone) {
    buf[0] = '\0';
    return;
  }
  std::snprintf(buf, size, "%s: %s", WarningName(r.warning), WarningExplanation(r.warning));
}

}  // namespace decoder
