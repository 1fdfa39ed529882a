// Names and explanations of the decode errors, kept in one table in the order of the enumeration.
#include "decoder/decode_error.h"

#include <iterator>

namespace decoder {
namespace {

struct Entry {
  DecodeError error;
  const char* name;
  const char* explanation;
};

constexpr Entry kEntries[] = {
    {DecodeError::kNone, "none", "no error"},
    {DecodeError::kInvalidCharacter, "invalid-character",
     "only letters, digits and \"*\" escapes may appear"},
    {DecodeError::kIncompleteEscape, "incomplete-escape",
     "the text ends before the two digits of a \"*\" escape"},
    {DecodeError::kInvalidEscape, "invalid-escape",
     "a \"*\" must be followed by two hexadecimal digits"},
    {DecodeError::kLowerCaseEscape, "lower-case-escape",
     "escapes are written with upper-case hexadecimal digits"},
    {DecodeError::kEscapedLetterOrDigit, "escaped-letter-or-digit",
     "the encoder writes letters and digits as themselves, never as an escape"},
    {DecodeError::kTooFewUnits, "too-few-units", "an encoded password text has exactly 128 units"},
    {DecodeError::kTooManyUnits, "too-many-units",
     "an encoded password text has exactly 128 units"},
    {DecodeError::kNothingEncrypted, "nothing-encrypted",
     "all 128 cipher bytes are zero: the scrambled text began with a zero byte, so nothing was "
     "encrypted and the whole clear text is lost"},
    {DecodeError::kTextCut, "text-cut",
     "a zero byte inside the scrambled text made the encoder encrypt only its first 64 bytes; the "
     "rest of the text and its variant number are lost"},
    {DecodeError::kAmbiguousZero, "ambiguous-zero",
     "the 64 encrypted bytes hold a zero byte before the variant number: either a short text with "
     "that zero byte in it or a longer text cut there; the two cannot be told apart"},
    {DecodeError::kLayoutMismatch, "layout-mismatch",
     "a zero byte where the number of encrypted bytes says there can be none; the encoder did not "
     "write this text"},
    {DecodeError::kTooLong, "too-long",
     "the scrambled text would be 128 bytes long; the encoder writes at most 127"},
    {DecodeError::kVariantOutOfRange, "variant-out-of-range", "variant numbers run from 1 to 123"},
    {DecodeError::kVariantNeverSelected, "variant-never-selected",
     "the encoder never selects variant 95"},
    {DecodeError::kZeroInClearText, "zero-in-clear-text",
     "undoing the variant gives a zero byte, which no clear text holds"},
};

const Entry* Find(DecodeError error) {
  const auto i = static_cast<std::size_t>(error);
  return i < std::size(kEntries) && kEntries[i].error == error ? &kEntries[i] : nullptr;
}

}  // namespace

const char* ErrorName(DecodeError error) noexcept {
  const Entry* e = Find(error);
  return e ? e->name : "unknown";
}

const char* ErrorExplanation(DecodeError error) noexcept {
  const Entry* e = Find(error);
  return e ? e->explanation : "unknown error";
}

}  // namespace decoder
