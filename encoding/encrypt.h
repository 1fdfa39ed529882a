// CEncrypt: the character scrambler, first stage of the encoded password text. It adds to each
// byte of a clear text the addends of one of 123 numbered variants, drawn from the clock-seeded
// process-wide generator, and appends the variant number. QsEncode uses it; the plug-in holds no
// inverse. Stateless. EncodeWithDraw touches nothing shared; Encode and EncodeAtMost reseed the
// process-wide generator, so a thread drawing at the same time may change what they draw.
#pragma once

#include <cstddef>
#include <cstdint>

class CEncrypt {
 public:
  // Writes the scrambled text of clear to out: the strlen(clear) transformed bytes, then the
  // variant number (1 to 123, never 95). Seeds the generator with time(NULL) and draws once with
  // rand(). Trusts its caller: clear is NUL-terminated and does not overlap out, which has room
  // for strlen(clear) + 1 bytes. Writes no terminator of its own. Always returns true.
  bool Encode(char* out, const char* clear);

  // As Encode, but scrambles at most maxLen bytes of clear and reads no byte of clear beyond
  // them, so clear need not be terminated within maxLen bytes.
  bool EncodeAtMost(char* out, const char* clear, std::size_t maxLen);

  // As EncodeAtMost with the draw r instead of the generator's: k = r mod 123 (taken as 0 to 122
  // for a negative r) selects variant k + 1, except that k = 94 selects 96.
  bool EncodeWithDraw(char* out, const char* clear, int r, std::size_t maxLen = SIZE_MAX);

  // The variant number that the draw r selects.
  static int VariantForDraw(int r);

  // One draw as Encode makes it: srand((unsigned)time(NULL)), then rand().
  static int Draw();

  // Variant n: transforms bytes 0 ... len - 1 of buf by the addends of variant n (variants 5 to 8
  // first reverse buf up to its first zero byte, see Revert) and stores n in buf[len]. len is not
  // changed. src only has to be non-null: with a null src or a negative len nothing is changed
  // and the result is false; otherwise true.
  bool EnKey1(char* buf, const char* src, int& len);
  bool EnKey2(char* buf, const char* src, int& len);
  bool EnKey3(char* buf, const char* src, int& len);
  bool EnKey4(char* buf, const char* src, int& len);
  bool EnKey5(char* buf, const char* src, int& len);
  bool EnKey6(char* buf, const char* src, int& len);
  bool EnKey7(char* buf, const char* src, int& len);
  bool EnKey8(char* buf, const char* src, int& len);
  bool EnKey9(char* buf, const char* src, int& len);
  bool EnKey10(char* buf, const char* src, int& len);
  bool EnKey11(char* buf, const char* src, int& len);
  bool EnKey12(char* buf, const char* src, int& len);
  bool EnKey13(char* buf, const char* src, int& len);
  bool EnKey14(char* buf, const char* src, int& len);
  bool EnKey15(char* buf, const char* src, int& len);
  bool EnKey16(char* buf, const char* src, int& len);
  bool EnKey17(char* buf, const char* src, int& len);
  bool EnKey18(char* buf, const char* src, int& len);
  bool EnKey19(char* buf, const char* src, int& len);
  bool EnKey20(char* buf, const char* src, int& len);
  bool EnKey21(char* buf, const char* src, int& len);
  bool EnKey22(char* buf, const char* src, int& len);
  bool EnKey23(char* buf, const char* src, int& len);
  bool EnKey24(char* buf, const char* src, int& len);
  bool EnKey25(char* buf, const char* src, int& len);
  bool EnKey26(char* buf, const char* src, int& len);
  bool EnKey27(char* buf, const char* src, int& len);
  bool EnKey28(char* buf, const char* src, int& len);
  bool EnKey29(char* buf, const char* src, int& len);
  bool EnKey30(char* buf, const char* src, int& len);
  bool EnKey31(char* buf, const char* src, int& len);
  bool EnKey32(char* buf, const char* src, int& len);
  bool EnKey33(char* buf, const char* src, int& len);
  bool EnKey34(char* buf, const char* src, int& len);
  bool EnKey35(char* buf, const char* src, int& len);
  bool EnKey36(char* buf, const char* src, int& len);
  bool EnKey37(char* buf, const char* src, int& len);
  bool EnKey38(char* buf, const char* src, int& len);
  bool EnKey39(char* buf, const char* src, int& len);
  bool EnKey40(char* buf, const char* src, int& len);
  bool EnKey41(char* buf, const char* src, int& len);
  bool EnKey42(char* buf, const char* src, int& len);
  bool EnKey43(char* buf, const char* src, int& len);
  bool EnKey44(char* buf, const char* src, int& len);
  bool EnKey45(char* buf, const char* src, int& len);
  bool EnKey46(char* buf, const char* src, int& len);
  bool EnKey47(char* buf, const char* src, int& len);
  bool EnKey48(char* buf, const char* src, int& len);
  bool EnKey49(char* buf, const char* src, int& len);
  bool EnKey50(char* buf, const char* src, int& len);
  bool EnKey51(char* buf, const char* src, int& len);
  bool EnKey52(char* buf, const char* src, int& len);
  bool EnKey53(char* buf, const char* src, int& len);
  bool EnKey54(char* buf, const char* src, int& len);
  bool EnKey55(char* buf, const char* src, int& len);
  bool EnKey56(char* buf, const char* src, int& len);
  bool EnKey57(char* buf, const char* src, int& len);
  bool EnKey58(char* buf, const char* src, int& len);
  bool EnKey59(char* buf, const char* src, int& len);
  bool EnKey60(char* buf, const char* src, int& len);
  bool EnKey61(char* buf, const char* src, int& len);
  bool EnKey62(char* buf, const char* src, int& len);
  bool EnKey63(char* buf, const char* src, int& len);
  bool EnKey64(char* buf, const char* src, int& len);
  bool EnKey65(char* buf, const char* src, int& len);
  bool EnKey66(char* buf, const char* src, int& len);
  bool EnKey67(char* buf, const char* src, int& len);
  bool EnKey68(char* buf, const char* src, int& len);
  bool EnKey69(char* buf, const char* src, int& len);
  bool EnKey70(char* buf, const char* src, int& len);
  bool EnKey71(char* buf, const char* src, int& len);
  bool EnKey72(char* buf, const char* src, int& len);
  bool EnKey73(char* buf, const char* src, int& len);
  bool EnKey74(char* buf, const char* src, int& len);
  bool EnKey75(char* buf, const char* src, int& len);
  bool EnKey76(char* buf, const char* src, int& len);
  bool EnKey77(char* buf, const char* src, int& len);
  bool EnKey78(char* buf, const char* src, int& len);
  bool EnKey79(char* buf, const char* src, int& len);
  bool EnKey80(char* buf, const char* src, int& len);
  bool EnKey81(char* buf, const char* src, int& len);
  bool EnKey82(char* buf, const char* src, int& len);
  bool EnKey83(char* buf, const char* src, int& len);
  bool EnKey84(char* buf, const char* src, int& len);
  bool EnKey85(char* buf, const char* src, int& len);
  bool EnKey86(char* buf, const char* src, int& len);
  bool EnKey87(char* buf, const char* src, int& len);
  bool EnKey88(char* buf, const char* src, int& len);
  bool EnKey89(char* buf, const char* src, int& len);
  bool EnKey90(char* buf, const char* src, int& len);
  bool EnKey91(char* buf, const char* src, int& len);
  bool EnKey92(char* buf, const char* src, int& len);
  bool EnKey93(char* buf, const char* src, int& len);
  bool EnKey94(char* buf, const char* src, int& len);
  bool EnKey95(char* buf, const char* src, int& len);
  bool EnKey96(char* buf, const char* src, int& len);
  bool EnKey97(char* buf, const char* src, int& len);
  bool EnKey98(char* buf, const char* src, int& len);
  bool EnKey99(char* buf, const char* src, int& len);
  bool EnKey100(char* buf, const char* src, int& len);
  bool EnKey101(char* buf, const char* src, int& len);
  bool EnKey102(char* buf, const char* src, int& len);
  bool EnKey103(char* buf, const char* src, int& len);
  bool EnKey104(char* buf, const char* src, int& len);
  bool EnKey105(char* buf, const char* src, int& len);
  bool EnKey106(char* buf, const char* src, int& len);
  bool EnKey107(char* buf, const char* src, int& len);
  bool EnKey108(char* buf, const char* src, int& len);
  bool EnKey109(char* buf, const char* src, int& len);
  bool EnKey110(char* buf, const char* src, int& len);
  bool EnKey111(char* buf, const char* src, int& len);
  bool EnKey112(char* buf, const char* src, int& len);
  bool EnKey113(char* buf, const char* src, int& len);
  bool EnKey114(char* buf, const char* src, int& len);
  bool EnKey115(char* buf, const char* src, int& len);
  bool EnKey116(char* buf, const char* src, int& len);
  bool EnKey117(char* buf, const char* src, int& len);
  bool EnKey118(char* buf, const char* src, int& len);
  bool EnKey119(char* buf, const char* src, int& len);
  bool EnKey120(char* buf, const char* src, int& len);
  bool EnKey121(char* buf, const char* src, int& len);
  bool EnKey122(char* buf, const char* src, int& len);
  bool EnKey123(char* buf, const char* src, int& len);

  // Adds start + i / group to byte i of buf, for i = 0 ... len - 1. Writes no variant number.
  // Returns false, changing nothing, when src is null, len is negative or group is below 1.
  bool SeqAddEn(char* buf, const char* src, int& len, int start, int group);

  // Adds evenAdd to the bytes at even positions and oddAdd to those at odd positions among bytes
  // 0 ... len - 1 of buf. Writes no variant number. Returns false, changing nothing, when src is
  // null or len is negative.
  bool OddEvenEn(char* buf, const char* src, int& len, int evenAdd, int oddAdd);

  // Reverses in place the bytes of buf before its first zero byte; returns buf.
  char* Revert(char* buf);

 private:
  // Applies the variant table's row for n (1 to 123) to buf; the body of every EnKey operation.
  bool ApplyVariant(int n, char* buf, const char* src, int& len);
};
