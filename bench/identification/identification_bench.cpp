// Cost of ActiveNIC, LocalNICList and DiskNumber on this machine against peers measured in the
// same run: one getifaddrs/freeifaddrs call, and the system calls DiskNumber cannot avoid (stat of
// "/", the /sys/dev/block link, the serial attribute). Prints the ratios of the best repetitions;
// the goals are ActiveNIC and LocalNICList at most 4x getifaddrs, DiskNumber at most 1.5x its reads.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <limits>
#include <map>
#include <string>

#include "identification/utils.h"

namespace {

void BM_getifaddrs(benchmark::State& state) {
  for (auto _ : state) {
    ifaddrs* list = nullptr;
    benchmark::DoNotOptimize(getifaddrs(&list));
    if (list != nullptr) freeifaddrs(list);
  }
}
BENCHMARK(BM_getifaddrs)->Repetitions(5);

void BM_ActiveNIC(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ActiveNIC());
}
BENCHMARK(BM_ActiveNIC)->Repetitions(5);

void BM_LocalNICList(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(LocalNICList());
}
BENCHMARK(BM_LocalNICList)->Repetitions(5);

// The attribute that holds the root disk's serial, found once outside the timed loop.
std::string SerialAttributeOfRoot() {
  struct stat root;
  if (stat("/", &root) != 0) return {};
  const std::string disk = "/sys/dev/block/" + std::to_string(major(root.st_dev)) + ":" +
                           std::to_string(minor(root.st_dev));
  for (const char* candidate : {"/serial", "/../serial", "/device/serial", "/../device/serial"})
    if (access((disk + candidate).c_str(), R_OK) == 0) return disk + candidate;
  return {};
}

void BM_DiskSysfsReads(benchmark::State& state) {
  const std::string serial = SerialAttributeOfRoot();
  for (auto _ : state) {
    struct stat root;
    benchmark::DoNotOptimize(stat("/", &root));
    const std::string link = "/sys/dev/block/" + std::to_string(major(root.st_dev)) + ":" +
                             std::to_string(minor(root.st_dev));
    char target[4096];
    benchmark::DoNotOptimize(readlink(link.c_str(), target, sizeof target));
    if (!serial.empty()) {
      const int fd = open(serial.c_str(), O_RDONLY | O_CLOEXEC);
      char value[4096];
      benchmark::DoNotOptimize(read(fd, value, sizeof value));
      close(fd);
    }
  }
}
BENCHMARK(BM_DiskSysfsReads)->Repetitions(5);

void BM_DiskNumber(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(DiskNumber());
}
BENCHMARK(BM_DiskNumber)->Repetitions(5);

// Keeps the best (lowest) real time per iteration of each benchmark across its repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
      const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
      auto [entry, inserted] = best_.try_emplace(run.run_name.function_name, seconds);
      if (!inserted && seconds < entry->second) entry->second = seconds;
    }
  }

  void PrintRatios() const {
    const auto ratio = [&](const char* name, const char* peer, double goal) {
      const auto a = best_.find(name);
      const auto b = best_.find(peer);
      if (a == best_.end() || b == best_.end() || b->second <= 0) return;
      const double r = a->second / b->second;
      std::printf("%-16s %8.1f us = %5.2fx %-18s (goal <= %.1fx: %s)\n", name + 3, a->second * 1e6, r, peer + 3,
                  goal, r <= goal ? "met" : "MISSED");
    };
    std::printf("\nRatios (best repetition, real time):\n");
    ratio("BM_ActiveNIC", "BM_getifaddrs", 4.0);
    ratio("BM_LocalNICList", "BM_getifaddrs", 4.0);
    ratio("BM_DiskNumber", "BM_DiskSysfsReads", 1.5);
  }

 private:
  std::map<std::string, double> best_;
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
