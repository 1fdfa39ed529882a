// The scrambler's variant table, ordered by variant number. Each row says how variant n changes
// the bytes of a clear text of length L: P(term, d) is the addend +(term + d), M(term, d) is
// -(term + d), where term is 0, L, min(L, 8), L mod 5, L mod 4 or L mod 3.
#include "encoding/variants.h"

#include <array>
#include <iterator>

namespace scrambler {
namespace {

using enum Term;

constexpr Rule P(Term term, int offset) { return {term, +1, static_cast<int8_t>(offset)}; }
constexpr Rule M(Term term, int offset) { return {term, -1, static_cast<int8_t>(offset)}; }

constexpr Variant Alt(Rule even, Rule odd) { return {Shape::kAlternating, even, odd, 0, 0}; }
constexpr Variant Rev(Rule even, Rule odd) {
  return {Shape::kReversedAlternating, even, odd, 0, 0};
}
constexpr Variant Uni(Rule all) { return {Shape::kUniform, all, all, 0, 0}; }
constexpr Variant Step(int start, int group) {
  return {Shape::kStepped, P(kNone, 0), P(kNone, 0), static_cast<int8_t>(start),
          static_cast<int8_t>(group)};
}

constexpr Variant kRows[] = {
    /*   1 */ Alt(P(kNone, 1), M(kNone, 1)),
    /*   2 */ Alt(P(kL, 0), M(kL, 0)),
    /*   3 */ Alt(M(kNone, 1), P(kNone, 1)),
    /*   4 */ Alt(M(kL, 0), P(kL, 0)),
    /*   5 */ Rev(P(kNone, 1), M(kNone, 1)),
    /*   6 */ Rev(P(kL, 0), M(kL, 0)),
    /*   7 */ Rev(M(kNone, 1), P(kNone, 1)),
    /*   8 */ Rev(M(kL, 0), P(kL, 0)),
    /*   9 */ Uni(P(kMinL8, 0)),
    /*  10 */ Uni(M(kMinL8, 0)),
    /*  11 */ Alt(P(kNone, 2), M(kNone, 2)),
    /*  12 */ Alt(P(kNone, 3), M(kNone, 3)),
    /*  13 */ Alt(P(kNone, 4), M(kNone, 4)),
    /*  14 */ Alt(P(kNone, 5), M(kNone, 5)),
    /*  15 */ Alt(M(kNone, 2), P(kNone, 2)),
    /*  16 */ Alt(M(kNone, 3), P(kNone, 3)),
    /*  17 */ Alt(M(kNone, 4), P(kNone, 4)),
    /*  18 */ Alt(M(kNone, 5), P(kNone, 5)),
    /*  19 */ Alt(P(kL, 1), M(kL, 1)),
    /*  20 */ Alt(P(kL, 2), M(kL, 2)),
    /*  21 */ Alt(P(kL, 3), M(kL, 3)),
    /*  22 */ Alt(P(kL, 4), M(kL, 4)),
    /*  23 */ Alt(P(kL, 5), M(kL, 5)),
    /*  24 */ Alt(P(kL, -1), M(kL, -1)),
    /*  25 */ Alt(P(kL, -2), M(kL, -2)),
    /*  26 */ Alt(P(kL, -3), M(kL, -3)),
    /*  27 */ Alt(P(kL, -4), M(kL, -4)),
    /*  28 */ Alt(P(kL, -5), M(kL, -5)),
    /*  29 */ Uni(P(kMinL8, 1)),
    /*  30 */ Uni(P(kMinL8, 2)),
    /*  31 */ Uni(P(kMinL8, 3)),
    /*  32 */ Uni(P(kMinL8, 4)),
    /*  33 */ Uni(P(kMinL8, 5)),
    /*  34 */ Uni(P(kMinL8, -1)),
    /*  35 */ Uni(P(kMinL8, -2)),
    /*  36 */ Uni(P(kMinL8, -3)),
    /*  37 */ Uni(P(kMinL8, -4)),
    /*  38 */ Uni(P(kMinL8, -5)),
    /*  39 */ Alt(P(kLMod5, 1), M(kLMod5, 1)),
    /*  40 */ Alt(P(kLMod5, 2), M(kLMod5, 2)),
    /*  41 */ Alt(P(kLMod5, 3), M(kLMod5, 3)),
    /*  42 */ Alt(P(kLMod5, 4), M(kLMod5, 4)),
    /*  43 */ Alt(P(kLMod5, 5), M(kLMod5, 5)),
    /*  44 */ Alt(P(kLMod5, -1), M(kLMod5, -1)),
    /*  45 */ Alt(P(kLMod5, -2), M(kLMod5, -2)),
    /*  46 */ Alt(P(kLMod5, -3), M(kLMod5, -3)),
    /*  47 */ Alt(P(kLMod5, -4), M(kLMod5, -4)),
    /*  48 */ Alt(P(kLMod5, -5), M(kLMod5, -5)),
    /*  49 */ Alt(P(kLMod4, 1), M(kLMod4, 1)),
    /*  50 */ Alt(P(kLMod4, 2), M(kLMod4, 2)),
    /*  51 */ Alt(P(kLMod4, 3), M(kLMod4, 3)),
    /*  52 */ Alt(P(kLMod4, 4), M(kLMod4, 4)),
    /*  53 */ Alt(P(kLMod4, 5), M(kLMod4, 5)),
    /*  54 */ Alt(P(kLMod4, -1), M(kLMod4, -1)),
    /*  55 */ Alt(P(kLMod4, -2), M(kLMod4, -2)),
    /*  56 */ Alt(P(kLMod4, -3), M(kLMod4, -3)),
    /*  57 */ Alt(P(kLMod4, -4), M(kLMod4, -4)),
    /*  58 */ Alt(P(kLMod4, -5), M(kLMod4, -5)),
    /*  59 */ Alt(P(kLMod3, 1), M(kLMod3, 1)),
    /*  60 */ Alt(P(kLMod3, 2), M(kLMod3, 2)),
    /*  61 */ Alt(P(kLMod3, 3), M(kLMod3, 3)),
    /*  62 */ Alt(P(kLMod3, 4), M(kLMod3, 4)),
    /*  63 */ Alt(P(kLMod3, 5), M(kLMod3, 5)),
    /*  64 */ Alt(P(kLMod3, -1), M(kLMod3, -1)),
    /*  65 */ Alt(P(kLMod3, -2), M(kLMod3, -2)),
    /*  66 */ Alt(P(kLMod3, -3), M(kLMod3, -3)),
    /*  67 */ Alt(P(kLMod3, -4), M(kLMod3, -4)),
    /*  68 */ Alt(P(kLMod3, -5), M(kLMod3, -5)),
    /*  69 */ Step(1, 2),
    /*  70 */ Step(2, 2),
    /*  71 */ Step(3, 2),
    /*  72 */ Step(4, 2),
    /*  73 */ Step(5, 2),
    /*  74 */ Step(1, 3),
    /*  75 */ Step(2, 3),
    /*  76 */ Step(3, 3),
    /*  77 */ Step(4, 3),
    /*  78 */ Step(5, 3),
    /*  79 */ Step(1, 4),
    /*  80 */ Step(2, 4),
    /*  81 */ Step(3, 4),
    /*  82 */ Step(4, 4),
    /*  83 */ Step(5, 4),
    /*  84 */ Alt(P(kNone, 1), M(kNone, 2)),
    /*  85 */ Alt(P(kNone, 1), M(kNone, 3)),
    /*  86 */ Alt(P(kNone, 1), M(kNone, 4)),
    /*  87 */ Alt(P(kNone, 1), M(kNone, 5)),
    /*  88 */ Alt(P(kNone, 2), M(kNone, 1)),
    /*  89 */ Alt(P(kNone, 2), M(kNone, 3)),
    /*  90 */ Alt(P(kNone, 2), M(kNone, 4)),
    /*  91 */ Alt(P(kNone, 2), M(kNone, 5)),
    /*  92 */ Alt(P(kNone, 3), M(kNone, 1)),
    /*  93 */ Alt(P(kNone, 3), M(kNone, 2)),
    /*  94 */ Alt(P(kNone, 3), M(kNone, 4)),
    /*  95 */ Alt(P(kNone, 3), M(kNone, 5)),
    /*  96 */ Alt(P(kNone, 4), M(kNone, 1)),
    /*  97 */ Alt(P(kNone, 4), M(kNone, 2)),
    /*  98 */ Alt(P(kNone, 4), M(kNone, 3)),
    /*  99 */ Alt(P(kNone, 4), M(kNone, 5)),
    /* 100 */ Alt(P(kNone, 5), M(kNone, 1)),
    /* 101 */ Alt(P(kNone, 5), M(kNone, 2)),
    /* 102 */ Alt(P(kNone, 5), M(kNone, 3)),
    /* 103 */ Alt(P(kNone, 5), M(kNone, 4)),
    /* 104 */ Alt(M(kNone, 1), P(kNone, 2)),
    /* 105 */ Alt(M(kNone, 1), P(kNone, 3)),
    /* 106 */ Alt(M(kNone, 1), P(kNone, 4)),
    /* 107 */ Alt(M(kNone, 1), P(kNone, 5)),
    /* 108 */ Alt(M(kNone, 2), P(kNone, 1)),
    /* 109 */ Alt(M(kNone, 2), P(kNone, 3)),
    /* 110 */ Alt(M(kNone, 2), P(kNone, 4)),
    /* 111 */ Alt(M(kNone, 2), P(kNone, 5)),
    /* 112 */ Alt(M(kNone, 3), P(kNone, 1)),
    /* 113 */ Alt(M(kNone, 3), P(kNone, 2)),
    /* 114 */ Alt(M(kNone, 3), P(kNone, 4)),
    /* 115 */ Alt(M(kNone, 3), P(kNone, 5)),
    /* 116 */ Alt(M(kNone, 4), P(kNone, 1)),
    /* 117 */ Alt(M(kNone, 4), P(kNone, 2)),
    /* 118 */ Alt(M(kNone, 4), P(kNone, 3)),
    /* 119 */ Alt(M(kNone, 4), P(kNone, 5)),
    /* 120 */ Alt(M(kNone, 5), P(kNone, 1)),
    /* 121 */ Alt(M(kNone, 5), P(kNone, 2)),
    /* 122 */ Alt(M(kNone, 5), P(kNone, 3)),
    /* 123 */ Alt(M(kNone, 5), P(kNone, 4)),
};

static_assert(std::size(kRows) == kVariantCount, "one row per variant number, 1 to 123");

}  // namespace

constinit const std::array<Variant, kVariantCount> kVariants = std::to_array(kRows);

}  // namespace scrambler
