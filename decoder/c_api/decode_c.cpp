// The C interface over DecodePassword: codes mapped one to one (checked at compile time), the
// caller's buffers checked, the clear text copied out and every other copy wiped.
#include <securepassword/decode.h>

#include <cstdio>
#include <cstring>

#include "decoder/decode.h"
#include "encoding/wipe.h"

namespace {

using decoder::DecodeError;

constexpr bool Same(spw_code c, DecodeError e) {
  return static_cast<int>(c) == static_cast<int>(e);
}
static_assert(Same(SPW_OK, DecodeError::kNone));
static_assert(Same(SPW_INVALID_CHARACTER, DecodeError::kInvalidCharacter));
static_assert(Same(SPW_INCOMPLETE_ESCAPE, DecodeError::kIncompleteEscape));
static_assert(Same(SPW_INVALID_ESCAPE, DecodeError::kInvalidEscape));
static_assert(Same(SPW_LOWER_CASE_ESCAPE, DecodeError::kLowerCaseEscape));
static_assert(Same(SPW_ESCAPED_LETTER_OR_DIGIT, DecodeError::kEscapedLetterOrDigit));
static_assert(Same(SPW_TOO_FEW_UNITS, DecodeError::kTooFewUnits));
static_assert(Same(SPW_TOO_MANY_UNITS, DecodeError::kTooManyUnits));
static_assert(Same(SPW_NOTHING_ENCRYPTED, DecodeError::kNothingEncrypted));
static_assert(Same(SPW_TEXT_CUT, DecodeError::kTextCut));
static_assert(Same(SPW_AMBIGUOUS_ZERO, DecodeError::kAmbiguousZero));
static_assert(Same(SPW_LAYOUT_MISMATCH, DecodeError::kLayoutMismatch));
static_assert(Same(SPW_TOO_LONG, DecodeError::kTooLong));
static_assert(Same(SPW_VARIANT_OUT_OF_RANGE, DecodeError::kVariantOutOfRange));
static_assert(Same(SPW_VARIANT_NEVER_SELECTED, DecodeError::kVariantNeverSelected));
static_assert(Same(SPW_ZERO_IN_CLEAR_TEXT, DecodeError::kZeroInClearText));
static_assert(SPW_NULL_ARGUMENT == SPW_ZERO_IN_CLEAR_TEXT + 1);
static_assert(static_cast<int>(decoder::DecodeWarning::kLongerTextPossible) ==
              SPW_WARNING_LONGER_TEXT_POSSIBLE);
static_assert(SPW_CLEAR_SIZE == decoder::kMaxClearLength + 1);
static_assert(SPW_MESSAGE_SIZE >= decoder::kMessageSize);

constexpr const char kVersion[] = SPW_DECODE_VERSION;  // from the build

bool IsDecoderCode(int code) { return code >= SPW_OK && code < SPW_NULL_ARGUMENT; }

int Refuse(spw_result* result, int code, int value = -1) {
  if (result != nullptr) *result = {code, -1, value, 0, SPW_WARNING_NONE, 0};
  return code;
}

}  // namespace

extern "C" {

int spw_decode(const char* text, size_t text_length, char* clear, size_t clear_size,
               spw_result* result) {
  if (clear != nullptr && clear_size > 0) clear[0] = '\0';
  if (text == nullptr || clear == nullptr || result == nullptr)
    return Refuse(result, SPW_NULL_ARGUMENT);

  const decoder::DecodeResult r = decoder::DecodePassword({text, text_length});
  if (!r.ok()) {
    *result = {static_cast<int>(r.error), r.position, r.value, 0, SPW_WARNING_NONE, 0};
    return result->code;
  }
  if (clear_size < r.length + 1)
    return Refuse(result, SPW_BUFFER_TOO_SMALL, static_cast<int>(r.length + 1));
  std::memcpy(clear, r.clear, r.length + 1);  // r wipes its own copy when it goes
  *result = {SPW_OK, -1, -1, r.variant, static_cast<int>(r.warning), r.length};
  return SPW_OK;
}

const char* spw_code_name(int code) {
  if (IsDecoderCode(code)) return decoder::ErrorName(static_cast<DecodeError>(code));
  if (code == SPW_NULL_ARGUMENT) return "null-argument";
  if (code == SPW_BUFFER_TOO_SMALL) return "buffer-too-small";
  return "unknown";
}

const char* spw_code_explanation(int code) {
  if (IsDecoderCode(code)) return decoder::ErrorExplanation(static_cast<DecodeError>(code));
  if (code == SPW_NULL_ARGUMENT) return "the text, the clear-text buffer or the result is missing";
  if (code == SPW_BUFFER_TOO_SMALL)
    return "the clear-text buffer has no room for the clear text and its zero byte";
  return "unknown error";
}

const char* spw_warning_name(int warning) {
  if (warning == SPW_WARNING_NONE || warning == SPW_WARNING_LONGER_TEXT_POSSIBLE)
    return decoder::WarningName(static_cast<decoder::DecodeWarning>(warning));
  return "unknown";
}

void spw_describe(const spw_result* result, char* message, size_t message_size) {
  if (message == nullptr || message_size == 0) return;
  if (result == nullptr) {
    std::snprintf(message, message_size, "%s: no result", spw_code_name(SPW_NULL_ARGUMENT));
    return;
  }
  decoder::DecodeResult r;
  r.error = static_cast<DecodeError>(result->code);
  r.position = result->offset;
  r.value = result->value;
  r.warning = static_cast<decoder::DecodeWarning>(result->warning);
  if (result->code == SPW_OK) {
    decoder::DescribeWarning(r, message, message_size);
  } else if (IsDecoderCode(result->code)) {
    decoder::DescribeError(r, message, message_size);
  } else if (result->code == SPW_BUFFER_TOO_SMALL) {
    std::snprintf(message, message_size, "%s: the clear text needs %d bytes with its zero byte",
                  spw_code_name(result->code), result->value);
  } else {
    std::snprintf(message, message_size, "%s: %s", spw_code_name(result->code),
                  spw_code_explanation(result->code));
  }
}

const char* spw_version(void) { return kVersion; }

const char* spw_cipher(void) { return decoder::CipherName(decoder::Cipher::kAuto); }

}  // extern "C"
