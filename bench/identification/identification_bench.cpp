// Cost of ActiveNIC, LocalNICList and DiskNumber on this machine against peers measured in the
// same run: one getifaddrs/freeifaddrs call, and the system calls DiskNumber cannot avoid (stat of
// "/", the /sys/dev/block link, the serial attribute). Prints the ratios of the best repetitions;
// the goals are ActiveNIC and LocalNICList at most 4x getifaddrs, DiskNumber at most 1.5x its
// reads.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <limits>
#include <string>

#include "bench/support/ratio_reporter.h"
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

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunWithRatios(argc, argv, benchsupport::Clock::Real, [](const auto& r) {
    r.PrintHeading("Ratios");
    r.PrintRatio("ActiveNIC / getifaddrs", "BM_ActiveNIC", "BM_getifaddrs", 4.0);
    r.PrintRatio("LocalNICList / getifaddrs", "BM_LocalNICList", "BM_getifaddrs", 4.0);
    r.PrintRatio("DiskNumber / the reads it cannot avoid", "BM_DiskNumber", "BM_DiskSysfsReads",
                 1.5);
  });
}
