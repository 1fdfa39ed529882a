// The console reporter of our benchmark programs: Google Benchmark's console output (of repeated
// benchmarks only the median, the fastest run and the spread) plus, at the end, ratios of our code
// against a peer measured in the same run, from each benchmark's fastest run. Used by every
// program in bench/.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace benchsupport {

enum class Clock { Real, Cpu };

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(Clock clock) : _clock(clock) {}

  void ReportRuns(const std::vector<Run>& runs) override;

  // Starts the ratio lines with a heading.
  void PrintHeading(const char* heading) const;
  // One line: what, the ratio of ours to peer (each benchmark's time per iteration divided by the
  // units it handles per iteration), both times, and the goal when goal > 0. Benchmarks are named
  // as registered, with their argument and thread count: "BM_Pipeline_QsEncode/10",
  // "BM_Decode/threads:2". Those registered with UseRealTime are timed in real time whatever the
  // clock. Nothing is printed when either did not run (a filter left it out).
  void PrintRatio(const std::string& what, const std::string& ours, const std::string& peer,
                  double goal, double oursPerIteration = 1, double peerPerIteration = 1) const;
  // One line for a goal in absolute time: what, the time of one unit of the benchmark named (its
  // time per iteration divided by the units per iteration) and the goal in seconds.
  void PrintTime(const std::string& what, const std::string& name, double goalSeconds,
                 double perIteration = 1) const;

 private:
  Clock _clock;
  std::map<std::string, double> _fastest;  // seconds per iteration
};

// Runs the benchmarks the command line selects with a RatioReporter, then prints ratios.
template <typename PrintRatios>
int RunWithRatios(int argc, char** argv, Clock clock, PrintRatios printRatios) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter(clock);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  printRatios(reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace benchsupport
