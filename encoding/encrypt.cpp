// CEncrypt: the scrambler's draw, its selection rule and the variant operations. Every EnKey
// operation applies its own row of the variant table (encoding/variants.cpp); Encode reaches them
// through a table of member pointers indexed by variant number.
#include "encoding/encrypt.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>

#include "encoding/variants.h"

namespace {

using VariantOp = bool (CEncrypt::*)(char*, const char*, int&);

// Entry n - 1 is the operation of variant n.
constexpr VariantOp kVariantOps[] = {
    &CEncrypt::EnKey1,   &CEncrypt::EnKey2,   &CEncrypt::EnKey3,   &CEncrypt::EnKey4,
    &CEncrypt::EnKey5,   &CEncrypt::EnKey6,   &CEncrypt::EnKey7,   &CEncrypt::EnKey8,
    &CEncrypt::EnKey9,   &CEncrypt::EnKey10,  &CEncrypt::EnKey11,  &CEncrypt::EnKey12,
    &CEncrypt::EnKey13,  &CEncrypt::EnKey14,  &CEncrypt::EnKey15,  &CEncrypt::EnKey16,
    &CEncrypt::EnKey17,  &CEncrypt::EnKey18,  &CEncrypt::EnKey19,  &CEncrypt::EnKey20,
    &CEncrypt::EnKey21,  &CEncrypt::EnKey22,  &CEncrypt::EnKey23,  &CEncrypt::EnKey24,
    &CEncrypt::EnKey25,  &CEncrypt::EnKey26,  &CEncrypt::EnKey27,  &CEncrypt::EnKey28,
    &CEncrypt::EnKey29,  &CEncrypt::EnKey30,  &CEncrypt::EnKey31,  &CEncrypt::EnKey32,
    &CEncrypt::EnKey33,  &CEncrypt::EnKey34,  &CEncrypt::EnKey35,  &CEncrypt::EnKey36,
    &CEncrypt::EnKey37,  &CEncrypt::EnKey38,  &CEncrypt::EnKey39,  &CEncrypt::EnKey40,
    &CEncrypt::EnKey41,  &CEncrypt::EnKey42,  &CEncrypt::EnKey43,  &CEncrypt::EnKey44,
    &CEncrypt::EnKey45,  &CEncrypt::EnKey46,  &CEncrypt::EnKey47,  &CEncrypt::EnKey48,
    &CEncrypt::EnKey49,  &CEncrypt::EnKey50,  &CEncrypt::EnKey51,  &CEncrypt::EnKey52,
    &CEncrypt::EnKey53,  &CEncrypt::EnKey54,  &CEncrypt::EnKey55,  &CEncrypt::EnKey56,
    &CEncrypt::EnKey57,  &CEncrypt::EnKey58,  &CEncrypt::EnKey59,  &CEncrypt::EnKey60,
    &CEncrypt::EnKey61,  &CEncrypt::EnKey62,  &CEncrypt::EnKey63,  &CEncrypt::EnKey64,
    &CEncrypt::EnKey65,  &CEncrypt::EnKey66,  &CEncrypt::EnKey67,  &CEncrypt::EnKey68,
    &CEncrypt::EnKey69,  &CEncrypt::EnKey70,  &CEncrypt::EnKey71,  &CEncrypt::EnKey72,
    &CEncrypt::EnKey73,  &CEncrypt::EnKey74,  &CEncrypt::EnKey75,  &CEncrypt::EnKey76,
    &CEncrypt::EnKey77,  &CEncrypt::EnKey78,  &CEncrypt::EnKey79,  &CEncrypt::EnKey80,
    &CEncrypt::EnKey81,  &CEncrypt::EnKey82,  &CEncrypt::EnKey83,  &CEncrypt::EnKey84,
    &CEncrypt::EnKey85,  &CEncrypt::EnKey86,  &CEncrypt::EnKey87,  &CEncrypt::EnKey88,
    &CEncrypt::EnKey89,  &CEncrypt::EnKey90,  &CEncrypt::EnKey91,  &CEncrypt::EnKey92,
    &CEncrypt::EnKey93,  &CEncrypt::EnKey94,  &CEncrypt::EnKey95,  &CEncrypt::EnKey96,
    &CEncrypt::EnKey97,  &CEncrypt::EnKey98,  &CEncrypt::EnKey99,  &CEncrypt::EnKey100,
    &CEncrypt::EnKey101, &CEncrypt::EnKey102, &CEncrypt::EnKey103, &CEncrypt::EnKey104,
    &CEncrypt::EnKey105, &CEncrypt::EnKey106, &CEncrypt::EnKey107, &CEncrypt::EnKey108,
    &CEncrypt::EnKey109, &CEncrypt::EnKey110, &CEncrypt::EnKey111, &CEncrypt::EnKey112,
    &CEncrypt::EnKey113, &CEncrypt::EnKey114, &CEncrypt::EnKey115, &CEncrypt::EnKey116,
    &CEncrypt::EnKey117, &CEncrypt::EnKey118, &CEncrypt::EnKey119, &CEncrypt::EnKey120,
    &CEncrypt::EnKey121, &CEncrypt::EnKey122, &CEncrypt::EnKey123,
};
static_assert(std::size(kVariantOps) == scrambler::kVariantCount);

// Adds addend to a byte modulo 256.
inline char AddTo(char byte, unsigned addend) {
  return static_cast<char>(static_cast<unsigned char>(byte) + addend);
}

}  // namespace

int CEncrypt::Draw() {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  return std::rand();
}

int CEncrypt::VariantForDraw(int r) {
  int k = r % scrambler::kVariantCount;
  if (k < 0) k += scrambler::kVariantCount;
  return k == 94 ? 96 : k + 1;  // draws 94 and 95 both select 96; 95 is never selected
}

bool CEncrypt::Encode(char* out, const char* clear) { return EncodeWithDraw(out, clear, Draw()); }

bool CEncrypt::EncodeAtMost(char* out, const char* clear, std::size_t maxLen) {
  return EncodeWithDraw(out, clear, Draw(), maxLen);
}

bool CEncrypt::EncodeWithDraw(char* out, const char* clear, int r, std::size_t maxLen) {
  const std::size_t length = strnlen(clear, std::min<std::size_t>(maxLen, INT_MAX - 1));
  std::memcpy(out, clear, length);
  out[length] = '\0';  // Revert measures the text up to here; the variant number replaces it
  int len = static_cast<int>(length);
  (this->*kVariantOps[VariantForDraw(r) - 1])(out, clear, len);
  return true;
}

bool CEncrypt::ApplyVariant(int n, char* buf, const char* src, int& len) {
  if (src == nullptr || len < 0 || n < 1 || n > scrambler::kVariantCount) return false;
  const scrambler::Variant& v = scrambler::kVariants[n - 1];
  switch (v.shape) {
    case scrambler::Shape::kStepped:
      SeqAddEn(buf, src, len, v.start, v.group);
      break;
    case scrambler::Shape::kReversedAlternating:
      Revert(buf);
      [[fallthrough]];
    case scrambler::Shape::kAlternating:
    case scrambler::Shape::kUniform:
      OddEvenEn(buf, src, len, scrambler::Addend(v.even, len), scrambler::Addend(v.odd, len));
      break;
  }
  buf[len] = static_cast<char>(n);
  return true;
}

bool CEncrypt::SeqAddEn(char* buf, const char* src, int& len, int start, int group) {
  if (src == nullptr || len < 0 || group < 1) return false;
  // start + i / group, counted up rather than divided for every byte.
  unsigned addend = static_cast<unsigned>(start);
  int leftInGroup = group;
  for (int i = 0; i < len; ++i) {
    buf[i] = AddTo(buf[i], addend);
    if (--leftInGroup == 0) {
      leftInGroup = group;
      ++addend;
    }
  }
  return true;
}

bool CEncrypt::OddEvenEn(char* buf, const char* src, int& len, int evenAdd, int oddAdd) {
  if (src == nullptr || len < 0) return false;
  // Sixteen bytes at a time (SSE2 or NEON through the compiler's vector types), then the rest.
  using Bytes16 = unsigned char __attribute__((vector_size(16)));
  Bytes16 addends;
  for (int j = 0; j < 16; ++j) addends[j] = static_cast<unsigned char>((j & 1) ? oddAdd : evenAdd);
  int i = 0;
  for (; i + 16 <= len; i += 16) {
    Bytes16 v;
    std::memcpy(&v, buf + i, 16);
    v += addends;
    std::memcpy(buf + i, &v, 16);
  }
  for (; i < len; ++i) buf[i] = AddTo(buf[i], static_cast<unsigned>((i & 1) ? oddAdd : evenAdd));
  return true;
}

char* CEncrypt::Revert(char* buf) {
  std::reverse(buf, buf + std::strlen(buf));
  return buf;
}

bool CEncrypt::EnKey1(char* buf, const char* src, int& len) {
  return ApplyVariant(1, buf, src, len);
}
bool CEncrypt::EnKey2(char* buf, const char* src, int& len) {
  return ApplyVariant(2, buf, src, len);
}
bool CEncrypt::EnKey3(char* buf, const char* src, int& len) {
  return ApplyVariant(3, buf, src, len);
}
bool CEncrypt::EnKey4(char* buf, const char* src, int& len) {
  return ApplyVariant(4, buf, src, len);
}
bool CEncrypt::EnKey5(char* buf, const char* src, int& len) {
  return ApplyVariant(5, buf, src, len);
}
bool CEncrypt::EnKey6(char* buf, const char* src, int& len) {
  return ApplyVariant(6, buf, src, len);
}
bool CEncrypt::EnKey7(char* buf, const char* src, int& len) {
  return ApplyVariant(7, buf, src, len);
}
bool CEncrypt::EnKey8(char* buf, const char* src, int& len) {
  return ApplyVariant(8, buf, src, len);
}
bool CEncrypt::EnKey9(char* buf, const char* src, int& len) {
  return ApplyVariant(9, buf, src, len);
}
bool CEncrypt::EnKey10(char* buf, const char* src, int& len) {
  return ApplyVariant(10, buf, src, len);
}
bool CEncrypt::EnKey11(char* buf, const char* src, int& len) {
  return ApplyVariant(11, buf, src, len);
}
bool CEncrypt::EnKey12(char* buf, const char* src, int& len) {
  return ApplyVariant(12, buf, src, len);
}
bool CEncrypt::EnKey13(char* buf, const char* src, int& len) {
  return ApplyVariant(13, buf, src, len);
}
bool CEncrypt::EnKey14(char* buf, const char* src, int& len) {
  return ApplyVariant(14, buf, src, len);
}
bool CEncrypt::EnKey15(char* buf, const char* src, int& len) {
  return ApplyVariant(15, buf, src, len);
}
bool CEncrypt::EnKey16(char* buf, const char* src, int& len) {
  return ApplyVariant(16, buf, src, len);
}
bool CEncrypt::EnKey17(char* buf, const char* src, int& len) {
  return ApplyVariant(17, buf, src, len);
}
bool CEncrypt::EnKey18(char* buf, const char* src, int& len) {
  return ApplyVariant(18, buf, src, len);
}
bool CEncrypt::EnKey19(char* buf, const char* src, int& len) {
  return ApplyVariant(19, buf, src, len);
}
bool CEncrypt::EnKey20(char* buf, const char* src, int& len) {
  return ApplyVariant(20, buf, src, len);
}
bool CEncrypt::EnKey21(char* buf, const char* src, int& len) {
  return ApplyVariant(21, buf, src, len);
}
bool CEncrypt::EnKey22(char* buf, const char* src, int& len) {
  return ApplyVariant(22, buf, src, len);
}
bool CEncrypt::EnKey23(char* buf, const char* src, int& len) {
  return ApplyVariant(23, buf, src, len);
}
bool CEncrypt::EnKey24(char* buf, const char* src, int& len) {
  return ApplyVariant(24, buf, src, len);
}
bool CEncrypt::EnKey25(char* buf, const char* src, int& len) {
  return ApplyVariant(25, buf, src, len);
}
bool CEncrypt::EnKey26(char* buf, const char* src, int& len) {
  return ApplyVariant(26, buf, src, len);
}
bool CEncrypt::EnKey27(char* buf, const char* src, int& len) {
  return ApplyVariant(27, buf, src, len);
}
bool CEncrypt::EnKey28(char* buf, const char* src, int& len) {
  return ApplyVariant(28, buf, src, len);
}
bool CEncrypt::EnKey29(char* buf, const char* src, int& len) {
  return ApplyVariant(29, buf, src, len);
}
bool CEncrypt::EnKey30(char* buf, const char* src, int& len) {
  return ApplyVariant(30, buf, src, len);
}
bool CEncrypt::EnKey31(char* buf, const char* src, int& len) {
  return ApplyVariant(31, buf, src, len);
}
bool CEncrypt::EnKey32(char* buf, const char* src, int& len) {
  return ApplyVariant(32, buf, src, len);
}
bool CEncrypt::EnKey33(char* buf, const char* src, int& len) {
  return ApplyVariant(33, buf, src, len);
}
bool CEncrypt::EnKey34(char* buf, const char* src, int& len) {
  return ApplyVariant(34, buf, src, len);
}
bool CEncrypt::EnKey35(char* buf, const char* src, int& len) {
  return ApplyVariant(35, buf, src, len);
}
bool CEncrypt::EnKey36(char* buf, const char* src, int& len) {
  return ApplyVariant(36, buf, src, len);
}
bool CEncrypt::EnKey37(char* buf, const char* src, int& len) {
  return ApplyVariant(37, buf, src, len);
}
bool CEncrypt::EnKey38(char* buf, const char* src, int& len) {
  return ApplyVariant(38, buf, src, len);
}
bool CEncrypt::EnKey39(char* buf, const char* src, int& len) {
  return ApplyVariant(39, buf, src, len);
}
bool CEncrypt::EnKey40(char* buf, const char* src, int& len) {
  return ApplyVariant(40, buf, src, len);
}
bool CEncrypt::EnKey41(char* buf, const char* src, int& len) {
  return ApplyVariant(41, buf, src, len);
}
bool CEncrypt::EnKey42(char* buf, const char* src, int& len) {
  return ApplyVariant(42, buf, src, len);
}
bool CEncrypt::EnKey43(char* buf, const char* src, int& len) {
  return ApplyVariant(43, buf, src, len);
}
bool CEncrypt::EnKey44(char* buf, const char* src, int& len) {
  return ApplyVariant(44, buf, src, len);
}
bool CEncrypt::EnKey45(char* buf, const char* src, int& len) {
  return ApplyVariant(45, buf, src, len);
}
bool CEncrypt::EnKey46(char* buf, const char* src, int& len) {
  return ApplyVariant(46, buf, src, len);
}
bool CEncrypt::EnKey47(char* buf, const char* src, int& len) {
  return ApplyVariant(47, buf, src, len);
}
bool CEncrypt::EnKey48(char* buf, const char* src, int& len) {
  return ApplyVariant(48, buf, src, len);
}
bool CEncrypt::EnKey49(char* buf, const char* src, int& len) {
  return ApplyVariant(49, buf, src, len);
}
bool CEncrypt::EnKey50(char* buf, const char* src, int& len) {
  return ApplyVariant(50, buf, src, len);
}
bool CEncrypt::EnKey51(char* buf, const char* src, int& len) {
  return ApplyVariant(51, buf, src, len);
}
bool CEncrypt::EnKey52(char* buf, const char* src, int& len) {
  return ApplyVariant(52, buf, src, len);
}
bool CEncrypt::EnKey53(char* buf, const char* src, int& len) {
  return ApplyVariant(53, buf, src, len);
}
bool CEncrypt::EnKey54(char* buf, const char* src, int& len) {
  return ApplyVariant(54, buf, src, len);
}
bool CEncrypt::EnKey55(char* buf, const char* src, int& len) {
  return ApplyVariant(55, buf, src, len);
}
bool CEncrypt::EnKey56(char* buf, const char* src, int& len) {
  return ApplyVariant(56, buf, src, len);
}
bool CEncrypt::EnKey57(char* buf, const char* src, int& len) {
  return ApplyVariant(57, buf, src, len);
}
bool CEncrypt::EnKey58(char* buf, const char* src, int& len) {
  return ApplyVariant(58, buf, src, len);
}
bool CEncrypt::EnKey59(char* buf, const char* src, int& len) {
  return ApplyVariant(59, buf, src, len);
}
bool CEncrypt::EnKey60(char* buf, const char* src, int& len) {
  return ApplyVariant(60, buf, src, len);
}
bool CEncrypt::EnKey61(char* buf, const char* src, int& len) {
  return ApplyVariant(61, buf, src, len);
}
bool CEncrypt::EnKey62(char* buf, const char* src, int& len) {
  return ApplyVariant(62, buf, src, len);
}
bool CEncrypt::EnKey63(char* buf, const char* src, int& len) {
  return ApplyVariant(63, buf, src, len);
}
bool CEncrypt::EnKey64(char* buf, const char* src, int& len) {
  return ApplyVariant(64, buf, src, len);
}
bool CEncrypt::EnKey65(char* buf, const char* src, int& len) {
  return ApplyVariant(65, buf, src, len);
}
bool CEncrypt::EnKey66(char* buf, const char* src, int& len) {
  return ApplyVariant(66, buf, src, len);
}
bool CEncrypt::EnKey67(char* buf, const char* src, int& len) {
  return ApplyVariant(67, buf, src, len);
}
bool CEncrypt::EnKey68(char* buf, const char* src, int& len) {
  return ApplyVariant(68, buf, src, len);
}
bool CEncrypt::EnKey69(char* buf, const char* src, int& len) {
  return ApplyVariant(69, buf, src, len);
}
bool CEncrypt::EnKey70(char* buf, const char* src, int& len) {
  return ApplyVariant(70, buf, src, len);
}
bool CEncrypt::EnKey71(char* buf, const char* src, int& len) {
  return ApplyVariant(71, buf, src, len);
}
bool CEncrypt::EnKey72(char* buf, const char* src, int& len) {
  return ApplyVariant(72, buf, src, len);
}
bool CEncrypt::EnKey73(char* buf, const char* src, int& len) {
  return ApplyVariant(73, buf, src, len);
}
bool CEncrypt::EnKey74(char* buf, const char* src, int& len) {
  return ApplyVariant(74, buf, src, len);
}
bool CEncrypt::EnKey75(char* buf, const char* src, int& len) {
  return ApplyVariant(75, buf, src, len);
}
bool CEncrypt::EnKey76(char* buf, const char* src, int& len) {
  return ApplyVariant(76, buf, src, len);
}
bool CEncrypt::EnKey77(char* buf, const char* src, int& len) {
  return ApplyVariant(77, buf, src, len);
}
bool CEncrypt::EnKey78(char* buf, const char* src, int& len) {
  return ApplyVariant(78, buf, src, len);
}
bool CEncrypt::EnKey79(char* buf, const char* src, int& len) {
  return ApplyVariant(79, buf, src, len);
}
bool CEncrypt::EnKey80(char* buf, const char* src, int& len) {
  return ApplyVariant(80, buf, src, len);
}
bool CEncrypt::EnKey81(char* buf, const char* src, int& len) {
  return ApplyVariant(81, buf, src, len);
}
bool CEncrypt::EnKey82(char* buf, const char* src, int& len) {
  return ApplyVariant(82, buf, src, len);
}
bool CEncrypt::EnKey83(char* buf, const char* src, int& len) {
  return ApplyVariant(83, buf, src, len);
}
bool CEncrypt::EnKey84(char* buf, const char* src, int& len) {
  return ApplyVariant(84, buf, src, len);
}
bool CEncrypt::EnKey85(char* buf, const char* src, int& len) {
  return ApplyVariant(85, buf, src, len);
}
bool CEncrypt::EnKey86(char* buf, const char* src, int& len) {
  return ApplyVariant(86, buf, src, len);
}
bool CEncrypt::EnKey87(char* buf, const char* src, int& len) {
  return ApplyVariant(87, buf, src, len);
}
bool CEncrypt::EnKey88(char* buf, const char* src, int& len) {
  return ApplyVariant(88, buf, src, len);
}
bool CEncrypt::EnKey89(char* buf, const char* src, int& len) {
  return ApplyVariant(89, buf, src, len);
}
bool CEncrypt::EnKey90(char* buf, const char* src, int& len) {
  return ApplyVariant(90, buf, src, len);
}
bool CEncrypt::EnKey91(char* buf, const char* src, int& len) {
  return ApplyVariant(91, buf, src, len);
}
bool CEncrypt::EnKey92(char* buf, const char* src, int& len) {
  return ApplyVariant(92, buf, src, len);
}
bool CEncrypt::EnKey93(char* buf, const char* src, int& len) {
  return ApplyVariant(93, buf, src, len);
}
bool CEncrypt::EnKey94(char* buf, const char* src, int& len) {
  return ApplyVariant(94, buf, src, len);
}
bool CEncrypt::EnKey95(char* buf, const char* src, int& len) {
  return ApplyVariant(95, buf, src, len);
}
bool CEncrypt::EnKey96(char* buf, const char* src, int& len) {
  return ApplyVariant(96, buf, src, len);
}
bool CEncrypt::EnKey97(char* buf, const char* src, int& len) {
  return ApplyVariant(97, buf, src, len);
}
bool CEncrypt::EnKey98(char* buf, const char* src, int& len) {
  return ApplyVariant(98, buf, src, len);
}
bool CEncrypt::EnKey99(char* buf, const char* src, int& len) {
  return ApplyVariant(99, buf, src, len);
}
bool CEncrypt::EnKey100(char* buf, const char* src, int& len) {
  return ApplyVariant(100, buf, src, len);
}
bool CEncrypt::EnKey101(char* buf, const char* src, int& len) {
  return ApplyVariant(101, buf, src, len);
}
bool CEncrypt::EnKey102(char* buf, const char* src, int& len) {
  return ApplyVariant(102, buf, src, len);
}
bool CEncrypt::EnKey103(char* buf, const char* src, int& len) {
  return ApplyVariant(103, buf, src, len);
}
bool CEncrypt::EnKey104(char* buf, const char* src, int& len) {
  return ApplyVariant(104, buf, src, len);
}
bool CEncrypt::EnKey105(char* buf, const char* src, int& len) {
  return ApplyVariant(105, buf, src, len);
}
bool CEncrypt::EnKey106(char* buf, const char* src, int& len) {
  return ApplyVariant(106, buf, src, len);
}
bool CEncrypt::EnKey107(char* buf, const char* src, int& len) {
  return ApplyVariant(107, buf, src, len);
}
bool CEncrypt::EnKey108(char* buf, const char* src, int& len) {
  return ApplyVariant(108, buf, src, len);
}
bool CEncrypt::EnKey109(char* buf, const char* src, int& len) {
  return ApplyVariant(109, buf, src, len);
}
bool CEncrypt::EnKey110(char* buf, const char* src, int& len) {
  return ApplyVariant(110, buf, src, len);
}
bool CEncrypt::EnKey111(char* buf, const char* src, int& len) {
  return ApplyVariant(111, buf, src, len);
}
bool CEncrypt::EnKey112(char* buf, const char* src, int& len) {
  return ApplyVariant(112, buf, src, len);
}
bool CEncrypt::EnKey113(char* buf, const char* src, int& len) {
  return ApplyVariant(113, buf, src, len);
}
bool CEncrypt::EnKey114(char* buf, const char* src, int& len) {
  return ApplyVariant(114, buf, src, len);
}
bool CEncrypt::EnKey115(char* buf, const char* src, int& len) {
  return ApplyVariant(115, buf, src, len);
}
bool CEncrypt::EnKey116(char* buf, const char* src, int& len) {
  return ApplyVariant(116, buf, src, len);
}
bool CEncrypt::EnKey117(char* buf, const char* src, int& len) {
  return ApplyVariant(117, buf, src, len);
}
bool CEncrypt::EnKey118(char* buf, const char* src, int& len) {
  return ApplyVariant(118, buf, src, len);
}
bool CEncrypt::EnKey119(char* buf, const char* src, int& len) {
  return ApplyVariant(119, buf, src, len);
}
bool CEncrypt::EnKey120(char* buf, const char* src, int& len) {
  return ApplyVariant(120, buf, src, len);
}
bool CEncrypt::EnKey121(char* buf, const char* src, int& len) {
  return ApplyVariant(121, buf, src, len);
}
bool CEncrypt::EnKey122(char* buf, const char* src, int& len) {
  return ApplyVariant(122, buf, src, len);
}
bool CEncrypt::EnKey123(char* buf, const char* src, int& len) {
  return ApplyVariant(123, buf, src, len);
}
