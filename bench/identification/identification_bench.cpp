// Cost of ActiveNIC, LocalNICList and DiskNumber against peers measured in the same run: one
// getifaddrs/freeifaddrs call, and the system calls DiskNumber cannot avoid. DiskNumber is timed on
// this machine, where it cannot avoid the stat of "/", the /sys/dev/block link, one look whether
// the device is a partition, one whether its disk is hardware or built on other devices, and the
// serial attribute; and on a two-level stack, LUKS on LVM on a partition of a virtio disk, made as
// a tree of real files and links in /sys's layout, where it cannot avoid the stat of "/", the
// block link, listing each layer's slaves/ and reading its member's link, the partition's mark,
// the look at the disk, and the serial. Prints the ratios of the best repetitions; the goals are
// ActiveNIC and LocalNICList at most 4x getifaddrs, DiskNumber at most 1.5x its reads.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "bench/support/ratio_reporter.h"
#include "identification/linux_platform.h"
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

// The root's device, its disk, and the attribute that holds the disk's serial, found once outside
// the timed loop.
struct RootDisk {
  std::string device;
  std::string disk;
  std::string serial;
};

RootDisk RootDiskOfThisMachine() {
  struct stat root;
  if (stat("/", &root) != 0) return {};
  std::error_code error;
  const std::filesystem::path device =
      std::filesystem::canonical("/sys/dev/block/" + std::to_string(major(root.st_dev)) + ":" +
                                     std::to_string(minor(root.st_dev)),
                                 error);
  if (error) return {};
  const std::filesystem::path disk =
      std::filesystem::exists(device / "partition") ? device.parent_path() : device;
  for (const char* candidate : {"/serial", "/device/serial"})
    if (access((disk.string() + candidate).c_str(), R_OK) == 0)
      return {device.string(), disk.string(), disk.string() + candidate};
  return {device.string(), disk.string(), ""};
}

void BM_DiskSysfsReads(benchmark::State& state) {
  const RootDisk known = RootDiskOfThisMachine();
  const std::string partition = known.device + "/partition";
  const std::string hardware = known.disk + "/device";
  for (auto _ : state) {
    struct stat status;
    benchmark::DoNotOptimize(stat("/", &status));
    const std::string link = "/sys/dev/block/" + std::to_string(major(status.st_dev)) + ":" +
                             std::to_string(minor(status.st_dev));
    char target[4096];
    benchmark::DoNotOptimize(readlink(link.c_str(), target, sizeof target));
    benchmark::DoNotOptimize(lstat(partition.c_str(), &status));
    benchmark::DoNotOptimize(lstat(hardware.c_str(), &status));
    if (!known.serial.empty()) {
      const int fd = open(known.serial.c_str(), O_RDONLY | O_CLOEXEC);
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

// The stack under a temporary folder, its top at the number "/" has here.
class Stack {
 public:
  static constexpr const char* kVda = "/devices/pci0000:00/0000:00:04.0/virtio2/block/vda";

  Stack() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "identification-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) return;
    root_ = pattern;
    struct stat root;
    if (::stat("/", &root) != 0) return;
    number_ = std::to_string(major(root.st_dev)) + ":" + std::to_string(minor(root.st_dev));
    const std::string sys = root_ + "/sys";
    Link(sys + "/dev/block/" + number_, "../../devices/virtual/block/dm-1");
    Link(sys + "/devices/virtual/block/dm-1/slaves/dm-0", "../../dm-0");
    Link(sys + "/devices/virtual/block/dm-0/slaves/vda2",
         "../../../../pci0000:00/0000:00:04.0/virtio2/block/vda/vda2");
    File(sys + kVda + "/vda2/partition", "2\n");
    Link(sys + kVda + "/device", "../../../virtio2");
    File(sys + kVda + "/serial", "vol-0a1b2c3d");
  }
  ~Stack() {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }
  const std::string& root() const { return root_; }
  const std::string& number() const { return number_; }

 private:
  static void Link(const std::string& path, const std::string& target) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::filesystem::create_symlink(target, path);
  }
  static void File(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path) << text;
  }
  std::string root_;
  std::string number_;
};

// The folder's names with the fewest system calls (open, getdents64 until it gives nothing, close),
// then the member's link.
void ListAndReadMember(const std::string& slaves) {
  const int fd = open(slaves.c_str(), O_RDONLY | O_CLOEXEC | O_DIRECTORY);
  if (fd < 0) return;
  std::string member;
  alignas(dirent64) char buffer[8192];
  ssize_t got;
  while ((got = getdents64(fd, buffer, sizeof buffer)) > 0) {
    for (ssize_t offset = 0; offset < got;) {
      const auto* item = reinterpret_cast<const dirent64*>(buffer + offset);
      if (item->d_name[0] != '.') member = item->d_name;
      offset += item->d_reclen;
    }
  }
  close(fd);
  char target[4096];
  benchmark::DoNotOptimize(readlink((slaves + "/" + member).c_str(), target, sizeof target));
}

void BM_StackReads(benchmark::State& state) {
  const Stack stack;
  const std::string sys = stack.root() + "/sys";
  const std::string vda = sys + Stack::kVda;
  for (auto _ : state) {
    struct stat status;
    benchmark::DoNotOptimize(stat("/", &status));
    const std::string link = sys + "/dev/block/" + std::to_string(major(status.st_dev)) + ":" +
                             std::to_string(minor(status.st_dev));
    char target[4096];
    benchmark::DoNotOptimize(readlink(link.c_str(), target, sizeof target));
    ListAndReadMember(sys + "/devices/virtual/block/dm-1/slaves");
    ListAndReadMember(sys + "/devices/virtual/block/dm-0/slaves");
    benchmark::DoNotOptimize(lstat((vda + "/vda2/partition").c_str(), &status));
    benchmark::DoNotOptimize(lstat((vda + "/device").c_str(), &status));
    const int fd = open((vda + "/serial").c_str(), O_RDONLY | O_CLOEXEC);
    char value[4096];
    benchmark::DoNotOptimize(read(fd, value, sizeof value));
    close(fd);
  }
}
BENCHMARK(BM_StackReads)->Repetitions(5);

void BM_DiskNumberOnStack(benchmark::State& state) {
  const Stack stack;
  identification::LinuxRoots roots;
  roots.sys = stack.root() + "/sys";
  identification::LinuxPlatform platform(roots);
  identification::SetPlatform(&platform);
  if (DiskNumber() == nullptr) state.SkipWithError("the stack gives no serial");
  for (auto _ : state) benchmark::DoNotOptimize(DiskNumber());
  identification::SetPlatform(nullptr);
}
BENCHMARK(BM_DiskNumberOnStack)->Repetitions(5);

}  // namespace

int main(int argc, char** argv) {
  return benchsupport::RunWithRatios(argc, argv, benchsupport::Clock::Real, [](const auto& r) {
    r.PrintHeading("Ratios");
    r.PrintRatio("ActiveNIC / getifaddrs", "BM_ActiveNIC", "BM_getifaddrs", 4.0);
    r.PrintRatio("LocalNICList / getifaddrs", "BM_LocalNICList", "BM_getifaddrs", 4.0);
    r.PrintRatio("DiskNumber / the reads it cannot avoid", "BM_DiskNumber", "BM_DiskSysfsReads",
                 1.5);
    r.PrintRatio("DiskNumber, LUKS on LVM / its reads", "BM_DiskNumberOnStack", "BM_StackReads",
                 1.5);
  });
}
