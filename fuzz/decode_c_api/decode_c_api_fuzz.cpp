// Fuzz target for the decoder's C interface (spw_decode), as a server or a binding calls it: any
// bytes as the text, a clear-text buffer of any size (exactly sized on the heap, so a write past
// it is caught), and null pointers. Checks that every answer keeps the interface's promises (a
// known code with an offset inside the text, clear text that fits, holds no zero byte and ends in
// one, an empty buffer on refusal, messages that end within their room), that CAES's tables
// give exactly what the AES instructions gave, and that the quick reading of the text accepts
// exactly what the strict one accepts.
#include <securepassword/decode.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "decoder/decode.h"
#include "decoder/fast_unescape.h"
#include "decoder/unescape.h"
#include "fuzz/common/fuzz_check.h"
#include "fuzz/common/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 2048) return 0;
  fuzzing::FuzzInput input(data, size);
  const std::uint8_t mode = input.byte();
  const std::size_t room = mode & 0x80 ? input.below(SPW_CLEAR_SIZE + 2) : SPW_CLEAR_SIZE;
  const std::string bytes = input.rest();
  const std::string context =
      "text " + fuzzing::Printable(bytes.data(), bytes.size()) + " room " + std::to_string(room);

  std::unique_ptr<char[]> text(new char[bytes.size()]);
  std::memcpy(text.get(), bytes.data(), bytes.size());
  std::unique_ptr<char[]> clear(new char[room == 0 ? 1 : room]);
  std::memset(clear.get(), 0x5A, room);
  spw_result r;
  const bool nullText = (mode & 3) == 1, nullClear = (mode & 3) == 2, nullResult = (mode & 3) == 3;
  const int code = spw_decode(nullText ? nullptr : text.get(), bytes.size(),
                              nullClear ? nullptr : clear.get(), room, nullResult ? nullptr : &r);
  if (nullText || nullClear || nullResult) {
    FUZZ_CHECK(code == SPW_NULL_ARGUMENT, "a null pointer accepted: " + context);
    return 0;
  }
  FUZZ_CHECK(code == r.code && code >= SPW_OK && code <= SPW_LAST_CODE,
             "code " + std::to_string(code) + ": " + context);
  FUZZ_CHECK(std::strcmp(spw_code_name(code), "unknown") != 0, "an unnamed code: " + context);
  char message[SPW_MESSAGE_SIZE];
  std::memset(message, 0x5A, sizeof message);
  spw_describe(&r, message, sizeof message);
  FUZZ_CHECK(std::memchr(message, 0, sizeof message) != nullptr,
             "message unterminated: " + context);

  if (code == SPW_OK) {
    FUZZ_CHECK(r.length < room && clear[r.length] == '\0' &&
                   std::memchr(clear.get(), 0, r.length) == nullptr,
               "clear text not as promised: " + context);
    FUZZ_CHECK(r.variant >= 1 && r.variant <= 123 && r.variant != 95 && r.offset == -1,
               "variant " + std::to_string(r.variant) + ": " + context);
  } else {
    FUZZ_CHECK(room == 0 || clear[0] == '\0', "a refused buffer not emptied: " + context);
    FUZZ_CHECK(r.length == 0 && r.variant == 0, "a refusal with a text: " + context);
    FUZZ_CHECK(r.offset >= -1 && r.offset <= static_cast<int>(bytes.size()) &&
                   (code > SPW_TOO_MANY_UNITS || r.offset >= 0),
               "offset " + std::to_string(r.offset) + ": " + context);
  }

  const decoder::DecodeResult tables = decoder::DecodePassword(bytes, decoder::Cipher::kTables);
  if (code != SPW_BUFFER_TOO_SMALL) {
    FUZZ_CHECK(static_cast<int>(tables.error) == code && tables.position == r.offset &&
                   tables.variant == r.variant &&
                   (code != SPW_OK || tables.text() == std::string_view(clear.get(), r.length)),
               "the table path disagrees: " + context);
  }

  if (decoder::FastUnescapeAvailable()) {
    unsigned char quick[128], strict[128];
    const bool accepted = decoder::UnescapeFast(bytes, quick);
    const bool valid = decoder::UnescapeStrict(bytes, strict).error == decoder::DecodeError::kNone;
    FUZZ_CHECK(accepted == valid && (!valid || std::memcmp(quick, strict, 128) == 0),
               "the quick reading disagrees: " + context);
  }
  return 0;
}
