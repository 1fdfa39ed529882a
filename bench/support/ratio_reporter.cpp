// The benchmark programs' reporter: console output and ratios against peers.
#include "bench/support/ratio_reporter.h"

#include <cstdio>

namespace benchsupport {

namespace {

std::string Key(const benchmark::BenchmarkReporter::Run& run) {
  std::string key = run.run_name.function_name;
  if (!run.run_name.args.empty()) key += "/" + run.run_name.args;
  if (!run.run_name.threads.empty()) key += "/" + run.run_name.threads;
  return key;
}

std::string Duration(double seconds) {
  char text[32];
  if (seconds < 1e-6)
    std::snprintf(text, sizeof text, "%.1f ns", seconds * 1e9);
  else if (seconds < 1e-3)
    std::snprintf(text, sizeof text, "%.1f us", seconds * 1e6);
  else
    std::snprintf(text, sizeof text, "%.2f ms", seconds * 1e3);
  return text;
}

}  // namespace

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
  std::vector<Run> shown;
  for (const Run& run : runs) {
    if (run.error_occurred) {
      shown.push_back(run);
      continue;
    }
    if (run.run_type == Run::RT_Iteration) {
      if (run.iterations > 0) {
        // A benchmark on several threads that asks for real time is measured in real time.
        const bool real = _clock == Clock::Real || run.run_name.time_type == "real_time";
        const double total = real ? run.real_accumulated_time : run.cpu_accumulated_time;
        const double seconds = total / static_cast<double>(run.iterations);
        auto [entry, inserted] = _fastest.try_emplace(Key(run), seconds);
        if (!inserted && seconds < entry->second) entry->second = seconds;
      }
      if (run.repetitions <= 1) shown.push_back(run);
    } else if (run.aggregate_name == "median" || run.aggregate_name == "min" ||
               run.aggregate_name == "cv") {
      shown.push_back(run);
    }
  }
  if (!shown.empty()) ConsoleReporter::ReportRuns(shown);
}

void RatioReporter::PrintHeading(const char* heading) const {
  std::printf("\n%s (fastest run, %s time; lower is faster):\n", heading,
              _clock == Clock::Cpu ? "CPU" : "real");
}

void RatioReporter::PrintRatio(const std::string& what, const std::string& ours,
                               const std::string& peer, double goal, double oursPerIteration,
                               double peerPerIteration) const {
  const auto a = _fastest.find(ours);
  const auto b = _fastest.find(peer);
  if (a == _fastest.end() || b == _fastest.end() || b->second <= 0) return;
  const double oursEach = a->second / oursPerIteration;
  const double peerEach = b->second / peerPerIteration;
  const double ratio = oursEach / peerEach;
  const std::string times = Duration(oursEach) + " / " + Duration(peerEach);
  if (goal > 0) {
    std::printf("  %-70s %5.2f  (%s; goal <= %.2f: %s)\n", what.c_str(), ratio, times.c_str(), goal,
                ratio <= goal ? "met" : "MISSED");
  } else {
    std::printf("  %-70s %5.2f  (%s)\n", what.c_str(), ratio, times.c_str());
  }
}

void RatioReporter::PrintTime(const std::string& what, const std::string& name, double goalSeconds,
                              double perIteration) const {
  const auto it = _fastest.find(name);
  if (it == _fastest.end()) return;
  const double each = it->second / perIteration;
  std::printf("  %-70s %s  (goal <= %s: %s)\n", what.c_str(), Duration(each).c_str(),
              Duration(goalSeconds).c_str(), each <= goalSeconds ? "met" : "MISSED");
}

}  // namespace benchsupport
