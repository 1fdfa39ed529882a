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
    for (int i = 0; i < length; i += 2) bytes[i] = static_cast<unsigned char>(bytes[i] - even);
    for (int i = 1; i < length; i += 2) bytes[i] = static_cast<unsigned char>(bytes[i] - odd);
    // The encoder reversed before adding; positions above are those of the reversed text.
    if (v.shape == scrambler::Shape::kReversedAlternating) std::reverse(bytes, bytes + length);
  }
  const unsigned char* zero = std::find(bytes, bytes + length, 0);
  return zero == bytes + length ? -1 : static_cast<int>(zero - bytes);
}

}  // namespace decoder
