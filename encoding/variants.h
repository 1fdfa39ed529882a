// The 123 variants of the character scrambler as data: one row per variant number, giving its
// shape and how its addends follow from the clear text's length L. CEncrypt (encoding/encrypt.cpp)
// applies a row; the tests walk every row. Holds no behaviour beyond evaluating an addend rule.
#pragma once

#include <array>
#include <cstdint>

namespace scrambler {

enum class Shape : uint8_t {
  kAlternating,          // even positions get the even addend, odd positions the odd addend
  kUniform,              // every position gets the even addend (the odd rule repeats it)
  kStepped,              // position i gets start + i / group
  kReversedAlternating,  // the text is reversed first, then alternating
};

// What L contributes to an addend.
enum class Term : uint8_t { kNone, kL, kMinL8, kLMod5, kLMod4, kLMod3 };

// An addend of sign * (term(L) + offset).
struct Rule {
  Term term;
  int8_t sign;  // +1 or -1
  int8_t offset;
};

struct Variant {
  Shape shape;
  Rule even;
  Rule odd;
  int8_t start;  // stepped variants only
  int8_t group;  // stepped variants only
};

inline constexpr int kVariantCount = 123;

// Row n - 1 describes variant n.
extern const std::array<Variant, kVariantCount> kVariants;

constexpr int TermValue(Term term, int len) {
  switch (term) {
    case Term::kNone:
      return 0;
    case Term::kL:
      return len;
    case Term::kMinL8:
      return len < 8 ? len : 8;
    case Term::kLMod5:
      return len % 5;
    case Term::kLMod4:
      return len % 4;
    case Term::kLMod3:
      return len % 3;
  }
  return 0;
}

constexpr int Addend(const Rule& rule, int len) {
  return rule.sign * (TermValue(rule.term, len) + rule.offset);
}

}  // namespace scrambler
