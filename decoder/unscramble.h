// The inverse of the character scrambler: given a variant number and the transformed bytes of a
// clear text, restores the clear text by subtracting the addends that the variant table
// (encoding/variants.h) prescribes for that length, then reversing for variants 5 to 8. Used by
// DecodePassword; it does not find the variant number or the length, its caller does.
#pragma once

namespace decoder {

// Undoes variant on bytes[0 ... length - 1] in place. Trusts variant to be 1 to 123 and length
// to be 0 or more; checks nothing. Returns the position of the first zero byte of the restored
// text, or -1 when it holds none (a clear text never does).
[[nodiscard]] int UndoVariant(int variant, unsigned char* bytes, int length) noexcept;

}  // namespace decoder
