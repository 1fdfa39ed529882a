// The C interface as a server links it: the shared library itself. Its buffers and null pointers,
// its table of codes, many threads decoding at once, and that it exports nothing but its interface
// under its soname.
#include <securepassword/decode.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/decoder/support.h"
#include "tests/support/run_program.h"

namespace {

struct Decoded {
  int code;
  spw_result result;
  std::string clear;
};

Decoded Decode(const std::string& text, std::size_t room = SPW_CLEAR_SIZE) {
  std::vector<char> clear(room + 1, 'x');
  Decoded d{};
  d.code = spw_decode(text.data(), text.size(), clear.data(), room, &d.result);
  d.clear.assign(clear.data(), std::strlen(clear.data()));
  EXPECT_EQ(clear[room], 'x') << "written past the buffer";
  return d;
}

TEST(CInterface, DecodesIntoTheCallersBufferAndRefusesWhatDoesNotFit) {
  for (int length : {0, 1, 26, 63, 64, 126}) {
    std::string clear(static_cast<std::size_t>(length), 'q');
    for (int i = 0; i < length; ++i) clear[i] = static_cast<char>('!' + i % 90);
    const std::string text = decoder_test::Encode(clear, 30);

    const Decoded exact = Decode(text, clear.size() + 1);
    ASSERT_EQ(exact.code, SPW_OK) << spw_code_name(exact.code);
    EXPECT_EQ(exact.clear, clear);
    EXPECT_EQ(exact.result.length, clear.size());
    EXPECT_EQ(exact.result.variant, 31);
    EXPECT_EQ(exact.result.warning, length == 63 ? SPW_WARNING_LONGER_TEXT_POSSIBLE : 0);

    if (length == 0) continue;
    const Decoded tight = Decode(text, clear.size());
    EXPECT_EQ(tight.code, SPW_BUFFER_TOO_SMALL);
    EXPECT_EQ(tight.result.value, length + 1);
    EXPECT_EQ(tight.clear, "") << "clear bytes left in a buffer that was refused";
  }
}

TEST(CInterface, RefusesNullPointersAndBadTextWithCodeAndOffset) {
  const std::string text = decoder_test::Encode("secret", 3);
  char clear[SPW_CLEAR_SIZE] = "stale";
  spw_result r;
  EXPECT_EQ(spw_decode(nullptr, 0, clear, sizeof clear, &r), SPW_NULL_ARGUMENT);
  EXPECT_EQ(r.offset, -1);
  EXPECT_STREQ(clear, "");
  EXPECT_EQ(spw_decode(text.data(), text.size(), nullptr, 0, &r), SPW_NULL_ARGUMENT);
  EXPECT_EQ(spw_decode(text.data(), text.size(), clear, sizeof clear, nullptr), SPW_NULL_ARGUMENT);
  EXPECT_STREQ(clear, "");

  const Decoded nonAscii = Decode("ABCDE\xC3\xA9" + text);  // "\u00e9" in UTF-8
  EXPECT_EQ(nonAscii.code, SPW_INVALID_CHARACTER);
  EXPECT_EQ(nonAscii.result.offset, 5);
  EXPECT_EQ(nonAscii.result.value, 0xC3);
  const Decoded shortText = Decode(std::string(127, 'A'));
  EXPECT_EQ(shortText.code, SPW_TOO_FEW_UNITS);
  EXPECT_EQ(shortText.result.offset, 127);
  const Decoded longText = Decode(std::string(127, 'A') + "B*20");
  EXPECT_EQ(longText.code, SPW_TOO_MANY_UNITS);
  EXPECT_EQ(longText.result.offset, 128);

  char message[SPW_MESSAGE_SIZE];
  spw_describe(&nonAscii.result, message, sizeof message);
  EXPECT_STREQ(message,
               "invalid-character at offset 5: byte 0xC3 is not a letter, a digit or \"*\"");
}

TEST(CInterface, NamesEveryCodeOnce) {
  std::set<std::string> names;
  for (int code = SPW_OK; code <= SPW_LAST_CODE; ++code) {
    const std::string name = spw_code_name(code);
    EXPECT_NE(name, "unknown") << code;
    EXPECT_TRUE(names.insert(name).second) << name;
    EXPECT_STRNE(spw_code_explanation(code), "unknown error") << code;
  }
  EXPECT_STREQ(spw_code_name(SPW_LAST_CODE + 1), "unknown");
  EXPECT_STREQ(spw_code_name(-1), "unknown");
  EXPECT_STREQ(spw_warning_name(SPW_WARNING_LONGER_TEXT_POSSIBLE), "longer-text-possible");
  EXPECT_STREQ(spw_version(), SPW_EXPECTED_VERSION);
}

TEST(CInterface, DecodesOnManyThreadsAtOnce) {
  std::vector<std::string> clears, texts;
  for (int i = 0; i < 64; ++i) {
    clears.push_back(
        std::string(static_cast<std::size_t>(1 + i % 60), static_cast<char>('a' + i % 26)));
    texts.push_back(decoder_test::Encode(clears.back(), i));
  }
  std::vector<int> failures(8, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int k = 0; k < 4000; ++k) {
        const std::size_t i = static_cast<std::size_t>(k * 7 + t) % texts.size();
        char clear[SPW_CLEAR_SIZE];
        spw_result r;
        if (spw_decode(texts[i].data(), texts[i].size(), clear, sizeof clear, &r) != SPW_OK ||
            clears[i] != clear)
          ++failures[t];
      }
    });
  }
  for (std::thread& t : threads) t.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
}

TEST(CInterface, ExportsOnlyItsFunctionsUnderItsSoname) {
  const testsupport::ProgramRun symbols =
      testsupport::RunProgram("/usr/bin/nm", {"-D", "--defined-only", SPW_DECODE_LIBRARY});
  ASSERT_EQ(symbols.status, 0) << symbols.err;
  std::set<std::string> exported;
  std::size_t start = 0;
  for (std::size_t end; (end = symbols.out.find('\n', start)) != std::string::npos;
       start = end + 1) {
    const std::string line = symbols.out.substr(start, end - start);
    exported.insert(line.substr(line.rfind(' ') + 1));
  }
  const std::set<std::string> expected = {"SECUREPASSWORD_DECODE_1",
                                          "spw_cipher@@SECUREPASSWORD_DECODE_1",
                                          "spw_code_explanation@@SECUREPASSWORD_DECODE_1",
                                          "spw_code_name@@SECUREPASSWORD_DECODE_1",
                                          "spw_decode@@SECUREPASSWORD_DECODE_1",
                                          "spw_describe@@SECUREPASSWORD_DECODE_1",
                                          "spw_version@@SECUREPASSWORD_DECODE_1",
                                          "spw_warning_name@@SECUREPASSWORD_DECODE_1"};
  EXPECT_EQ(exported, expected);

  const testsupport::ProgramRun dynamic =
      testsupport::RunProgram("/usr/bin/readelf", {"-d", SPW_DECODE_LIBRARY});
  EXPECT_NE(dynamic.out.find("Library soname: [libsecurepassword-decode.so.1]"), std::string::npos)
      << dynamic.out;
}

}  // namespace
