// Fuzz target for URLEncode, then replace("%" to "*") on what it wrote: random srcLen and dstLen
// (zero, negative, short, exact, roomy) over exactly-sized heap buffers, so any write at or past
// dst[dstLen] or read past src[srcLen] is caught. Checks the return rules and the text against a
// plain reference escaper.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "encoding/format/encoded_text.h"
#include "encoding/jnidecrypt.h"
#include "fuzz/common/fuzz_check.h"
#include "fuzz/common/fuzz_input.h"

namespace {

constexpr std::size_t kMaxSource = 2048;
constexpr unsigned char kUntouched = 0xCB;

// The escaping written the slow, obvious way: the format's unit of each byte, with "%".
std::string ReferenceEscape(const std::string& source) {
  std::string out;
  for (const char ch : source) {
    const encoded_text::Unit unit = encoded_text::UnitOf(static_cast<unsigned char>(ch), '%');
    out.append(unit.chars, static_cast<std::size_t>(unit.length));
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::FuzzInput input(data, size);
  const std::uint8_t srcMode = input.byte();
  const std::uint8_t dstMode = input.byte();
  const std::uint16_t dstPick = input.u16();
  std::string source = input.rest();
  if (source.size() > kMaxSource) return 0;

  // srcLen: mostly the whole source, sometimes shorter, zero or negative.
  int srcLen = static_cast<int>(source.size());
  switch (srcMode % 8) {
    case 0:
      srcLen = 0;
      break;
    case 1:
      srcLen = -1 - static_cast<int>(srcMode >> 3);
      break;
    case 2:
      srcLen = source.empty() ? 0 : static_cast<int>((srcMode >> 3) % source.size());
      break;
    default:
      break;
  }
  const std::string used =
      srcLen > 0 ? source.substr(0, static_cast<std::size_t>(srcLen)) : std::string();
  const std::string expected = ReferenceEscape(used);
  const int needed = static_cast<int>(expected.size()) + 1;

  // dstLen: around the exact need, far below it, roomy, zero or negative.
  int dstLen;
  switch (dstMode % 8) {
    case 0:
      dstLen = 0;
      break;
    case 1:
      dstLen = -1 - static_cast<int>(dstPick % 64);
      break;
    case 2:
      dstLen = needed;
      break;
    case 3:
      dstLen = needed - 1 - static_cast<int>(dstPick % 4);
      break;
    case 4:
      dstLen = needed + static_cast<int>(dstPick % 8);
      break;
    case 5:
      dstLen = 3 * srcLen + 1;
      break;
    default:
      dstLen = static_cast<int>(dstPick % (3 * kMaxSource + 2));
      break;
  }
  if (dstLen > static_cast<int>(3 * kMaxSource + 8)) dstLen = static_cast<int>(3 * kMaxSource + 8);

  // Exactly-sized buffers: the source holds srcLen bytes (the whole input when srcLen is not
  // positive); the destination dstLen bytes (none when dstLen is not positive).
  const std::size_t srcRoom = srcLen > 0 ? static_cast<std::size_t>(srcLen) : source.size();
  std::unique_ptr<char[]> src(new char[srcRoom]);
  std::memcpy(src.get(), source.data(), srcRoom);
  const std::size_t dstRoom = dstLen > 0 ? static_cast<std::size_t>(dstLen) : 0;
  std::unique_ptr<char[]> dst(new char[dstRoom]);
  std::memset(dst.get(), kUntouched, dstRoom);

  const std::string context = "srcLen " + std::to_string(srcLen) + " dstLen " +
                              std::to_string(dstLen) + " source " +
                              fuzzing::Printable(used.data(), used.size());

  // Null pointers are refused whatever the lengths, and nothing is written.
  FUZZ_CHECK(URLEncode(nullptr, srcLen, dst.get(), dstLen) == 0,
             "null source not refused: " + context);
  FUZZ_CHECK(URLEncode(src.get(), srcLen, nullptr, dstLen) == 0,
             "null destination not refused: " + context);
  for (std::size_t i = 0; i < dstRoom; ++i)
    FUZZ_CHECK(static_cast<unsigned char>(dst[i]) == kUntouched,
               "a null pointer call wrote: " + context);

  const int written = URLEncode(src.get(), srcLen, dst.get(), dstLen);

  if (srcLen <= 0 || dstLen <= 0) {
    FUZZ_CHECK(written == 0, "a non-positive length not refused: " + context);
    for (std::size_t i = 0; i < dstRoom; ++i)
      FUZZ_CHECK(static_cast<unsigned char>(dst[i]) == kUntouched,
                 "written although refused: " + context);
    return 0;
  }

  const int again = URLEncode(src.get(), srcLen, dst.get(), dstLen);
  FUZZ_CHECK(again == written, "same call, different answer: " + context);

  if (needed <= dstLen) {
    // Room for the whole text and its NUL: all of it, nothing behind the NUL.
    FUZZ_CHECK(written == static_cast<int>(expected.size()),
               "answered " + std::to_string(written) + ", expected " +
                   std::to_string(expected.size()) + ": " + context);
    FUZZ_CHECK(std::memcmp(dst.get(), expected.data(), expected.size()) == 0 &&
                   dst[expected.size()] == '\0',
               "text differs from the reference: " + context);
    for (std::size_t i = expected.size() + 1; i < dstRoom; ++i)
      FUZZ_CHECK(static_cast<unsigned char>(dst[i]) == kUntouched,
                 "written behind the NUL: " + context);

    // replace turns every "%" into "*" and touches nothing else, the NUL and what follows included.
    std::string starred = expected;
    for (char& c : starred)
      if (c == '%') c = '*';
    FUZZ_CHECK(replace(dst.get(), '%', '*') == dst.get(),
               "replace answered another pointer: " + context);
    FUZZ_CHECK(std::memcmp(dst.get(), starred.data(), starred.size() + 1) == 0,
               "replace result differs: " + context);
    for (std::size_t i = expected.size() + 1; i < dstRoom; ++i)
      FUZZ_CHECK(static_cast<unsigned char>(dst[i]) == kUntouched,
                 "replace wrote behind the NUL: " + context);
  } else {
    // No room: refused; what was written is a prefix of the text, perhaps followed by one NUL.
    FUZZ_CHECK(written == 0,
               "answered " + std::to_string(written) + " without room for the text: " + context);
    std::size_t i = 0;
    while (i < dstRoom && static_cast<unsigned char>(dst[i]) != kUntouched && dst[i] != '\0') {
      FUZZ_CHECK(i < expected.size() && dst[i] == expected[i],
                 "refused with a wrong prefix: " + context);
      ++i;
    }
    if (i < dstRoom && dst[i] == '\0') ++i;
    for (; i < dstRoom; ++i)
      FUZZ_CHECK(static_cast<unsigned char>(dst[i]) == kUntouched,
                 "refused with bytes behind the prefix: " + context);
  }
  return 0;
}
