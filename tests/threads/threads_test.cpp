// The encoder and the decoder on several threads at once, from the first keying of the process
// on: every text encoded must decode back to its clear text. Run under ThreadSanitizer (the tsan
// preset), which reports any data race between them, such as tables built by whichever thread
// keys first.
#include <gtest/gtest.h>

#include <latch>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "decoder/decode.h"
#include "encoding/encrypt.h"
#include "encoding/jnidecrypt.h"

namespace {

constexpr int kThreads = 4;
constexpr int kTextsPerThread = 300;

// Encodes random printable texts of every length, under random draws and the clock's, and decodes
// each back; returns how many did not come back whole.
int EncodeAndDecode(unsigned seed) {
  std::mt19937 rng(seed);
  int wrong = 0;
  for (int i = 0; i < kTextsPerThread; ++i) {
    std::string clear(1 + rng() % kMaxClearTextLength, ' ');
    for (char& c : clear) c = static_cast<char>(' ' + rng() % 95);
    char out[512];
    int variant = 0;
    if (i % 4 == 0) {
      QsEncode(out, clear.c_str());
    } else {
      const int draw = DrawKeepingEveryByte(clear.c_str(), static_cast<int>(rng() % 1000));
      QsEncodeWithDraw(out, clear.c_str(), draw);
      variant = CEncrypt::VariantForDraw(draw);
    }
    const decoder::DecodeResult back = decoder::DecodePassword(out);
    if (!back.ok() || back.text() != clear || (variant != 0 && back.variant != variant)) ++wrong;
  }
  return wrong;
}

TEST(Threads, EncodersAndDecodersRunAtOnceFromTheFirstKeying) {
  std::latch start(kThreads);
  std::vector<int> wrong(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      start.arrive_and_wait();  // all at once, nothing keyed before
      wrong[t] = EncodeAndDecode(static_cast<unsigned>(t) + 1);
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

}  // namespace
