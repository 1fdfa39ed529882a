// Decoding against encoding, side by side in one run: DecodePassword on the encoded password text
// of a 10- and a 100-byte clear text, and QsEncode on the same clear texts. The goal is decoding
// no slower than encoding; the ratios are printed at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

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

// Console output as usual, plus the time of each run kept for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (!run.error_occurred) ns_[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }

  void PrintRatios() {
    std::printf("\nRatios (decoding time / encoding time, lower is faster):\n");
    for (const char* len : {"10", "100"}) {
      const std::string decode = std::string("BM_Decode_DecodePassword/") + len;
      const std::string encode = std::string("BM_Encode_QsEncode/") + len;
      if (!ns_.count(decode) || !ns_.count(encode)) continue;
      const double ratio = ns_[decode] / ns_[encode];
      std::printf("  DecodePassword / QsEncode, %3s bytes   %5.2f  (goal <= 1.00: %s)\n", len, ratio,
                  ratio <= 1.0 ? "met" : "MISSED");
    }
  }

 private:
  std::map<std::string, double> ns_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
