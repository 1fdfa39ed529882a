// decode_vectors: writes the table of encoded texts that the Java and Python bindings' tests read,
// so every binding is checked against the same answers. One line per text, fields split by tabs:
//   ok     CLEAR_HEX  VARIANT  WARNING_NAME  TEXT   the real encoder's text of a clear text
//   error  CODE       OFFSET   CODE_NAME     TEXT   a text the C interface refuses
// The clear texts hold any byte but zero; the refusals cover every code the decoder gives, the ones
// on decrypted bytes built over OpenSSL's AES and named by the C interface.
#include <securepassword/decode.h>

#include <cstdio>
#include <random>
#include <set>
#include <string>

#include "encoding/encrypt.h"
#include "tests/decoder/support.h"

namespace {

std::string Hex(const std::string& bytes) {
  std::string hex;
  char digits[3];
  for (unsigned char b : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", b);
    hex += digits;
  }
  return hex;
}

// Prints text as a refusal; returns its code.
int PrintError(const std::string& text) {
  char clear[SPW_CLEAR_SIZE];
  spw_result r;
  if (spw_decode(text.data(), text.size(), clear, sizeof clear, &r) == SPW_OK) return SPW_OK;
  std::printf("error\t%d\t%d\t%s\t%s\n", r.code, r.offset, spw_code_name(r.code), text.c_str());
  return r.code;
}

}  // namespace

int main() {
  std::mt19937 random(7);
  // Round trips: every length, draws across the table, clear bytes of every value but zero.
  for (int length = 0; length <= 126; length += (length < 70 ? 1 : 7)) {
    for (int r : {0, 4, 38, 73, 94, 122}) {
      std::string clear(static_cast<std::size_t>(length), ' ');
      for (char& c : clear)
        c = static_cast<char>(length % 3 ? 32 + random() % 95 : 1 + random() % 255);
      const std::string text = decoder_test::Encode(clear, r);
      char back[SPW_CLEAR_SIZE];
      spw_result result;
      if (spw_decode(text.data(), text.size(), back, sizeof back, &result) != SPW_OK ||
          std::string(back, result.length) != clear)
        continue;  // a zero byte inside the scrambled text dropped part of it
      std::printf("ok\t%s\t%d\t%s\t%s\n", Hex(clear).c_str(), CEncrypt::VariantForDraw(r),
                  spw_warning_name(result.warning), text.c_str());
    }
  }
  // The text's own faults.
  const std::string units127(127, 'A');
  for (const std::string& text :
       {"AB%20" + units127, "AB\x7F" + units127, units127 + "*4", "*G1" + units127,
        "*2a" + units127, "*41" + units127, units127, units127 + "BC", units127 + "B*20"})
    PrintError(text);
  // Faults in the decrypted bytes: layouts with zero bytes and odd variant numbers, until every
  // code has come up.
  std::set<int> seen;
  seen.insert(PrintError(decoder_test::EncryptAndEscape(decoder_test::Bytes(128, 1), 0)));
  for (int round = 0; round < 200000 && seen.size() < 8; ++round) {
    decoder_test::Bytes scrambled(128);
    for (unsigned char& b : scrambled) b = static_cast<unsigned char>(1 + random() % 255);
    const int end = static_cast<int>(random() % 128);
    scrambled[end] = static_cast<unsigned char>(round % 4 ? random() % 256 : 95);
    for (int i = end + 1; i < 128; ++i) scrambled[i] = 0;
    if (round % 3 == 0) scrambled[random() % 128] = 0;
    const std::string text = decoder_test::EncryptAndEscape(scrambled, round % 2 ? 64 : 128);
    char clear[SPW_CLEAR_SIZE];
    spw_result r;
    spw_decode(text.data(), text.size(), clear, sizeof clear, &r);
    if (r.code != SPW_OK && seen.insert(r.code).second) PrintError(text);
  }
  if (seen.size() < 8) {
    std::fprintf(stderr, "decode_vectors: only %zu of the codes on decrypted bytes came up\n",
                 seen.size());
    return 1;
  }
  return 0;
}
