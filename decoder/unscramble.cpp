// UndoVariant over the scrambler's own variant table: the same rows, each addend subtracted
// instead of added, so the two directions cannot drift apart.
#include "decoder/unscramble.h"

#include <algorithm>

#include "encoding/variants.h"

namespace decoder {

int UndoVariant(int variant, unsigned char* bytes, int length) noexcept {
  const scrambler::Variant& v = scrambler::kVariants[variant - 1];
  if (v.shape == scrambler::Shape::kStepped) {
    // The addend start + i / group, counted up every group bytes rather than divided out.
    unsigned addend = static_cast<unsigned>(v.start);
    for (int i = 0, left = v.group; i < length; ++i) {
      bytes[i] = static_cast<unsigned char>(bytes[i] - addend);
      if (--left == 0) {
        ++addend;
        left = v.group;
      }
    }
  } else {
    // Uniform rows repeat their addend for odd positions, so one alternating pass serves both.
    const unsigned even = static_cast<unsigned>(scrambler::Addend(v.even, length));
    const unsigned odd = static_cast<unsigned>(scrambler::Addend(v.odd, length));
    // Sixteen bytes at a time against a repeating pattern, which the compiler turns into vector
    // subtractions; the rest one by one.
    unsigned char pattern[16];
    for (int k = 0; k < 16; ++k) pattern[k] = static_cast<unsigned char>(k % 2 ? odd : even);
    int i = 0;
    for (; i + 16 <= length; i += 16)
      for (int k = 0; k < 16; ++k)
        bytes[i + k] = static_cast<unsigned char>(bytes[i + k] - pattern[k]);
    for (; i < length; ++i) bytes[i] = static_cast<unsigned char>(bytes[i] - pattern[i % 16]);
    // The encoder reversed before adding; positions above are those of the reversed text.
    if (v.shape == scrambler::Shape::kReversedAlternating) std::reverse(bytes, bytes + length);
  }
  const unsigned char* zero = std::find(bytes, bytes + length, 0);
  return zero == bytes + length ? -1 : static_cast<int>(zero - bytes);
}

}  // namespace decoder
