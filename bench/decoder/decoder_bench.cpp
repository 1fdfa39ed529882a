// Decoding against encoding, side by side in one run: DecodePassword on the encoded password text
// of a 10- and a 100-byte clear text, and QsEncode on the same clear texts. The goal is decoding
// no slower than encoding; the ratios are printed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/support/ratio_reporter.h"
#include "decoder/decode.h"
#include "encoding/jnidecrypt.h"

namespace {

std::string ClearText(int length) {
  std::string s;
  for (int i = 0; i < length; ++i) s += static_cast<char>('!' + (i * 37) % 90);
  return s;
}

void BM_Encode_QsEncode(benchmark::State& state) {
  const std::string clear = ClearText(static_cast<int>(state.range(0)));
  char out[512] = {};
  for (auto _ : state) {
    QsEncode(out, clear.c_str());
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Encode_QsEncode)->Arg(10)->Arg(100);

void BM_Decode_DecodePassword(benchmark::State& state) {
  const std::string clear = ClearText(static_cast<int>(state.range(0)));
  // Several draws, so the escaped texts differ in length as they do between calls of QsEncode.
  std::string texts[8];
  for (int i = 0; i < 8; ++i) {
    char out[512];
    QsEncodeWithDraw(out, clear.c_str(), i * 15);
    texts[i] = out;
    if (decoder::DecodePassword(texts[i]).text() != clear) {
      state.SkipWithError("the decoder does not give the clear text back");
      return;
    }
  }
  unsigned i = 0;
  for (auto _ : state) {
    decoder::DecodeResult r = decoder::DecodePassword(texts[i++ % 8]);
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Decode_DecodePassword)->Arg(10)->Arg(100);

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunWithRatios(argc, argv, benchsupport::Clock::Cpu, [](const auto& r) {
    r.PrintHeading("Ratios (decoding time / encoding time)");
    for (const std::string len : {"10", "100"}) {
      r.PrintRatio("DecodePassword / QsEncode, " + len + " bytes",
                   "BM_Decode_DecodePassword/" + len, "BM_Encode_QsEncode/" + len, 1.0);
    }
  });
}
