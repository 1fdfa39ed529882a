// The identify program over the captured-style trees in trees/: each holds what the
// identification reads of one machine's sys/, proc/, run/udev/ and dev/ (stacked root disks over
// SATA, NVMe and md RAID, /dev/mapper and /dev/root mount sources, eMMC, USB, virtio, loop, tmpfs,
// a container, a ring of device-mapper devices, controllers with an all-zero address) and, in
// expected.json, the answer it must give. Then capture: each tree, with unrelated files and secrets
// put beside what is read, captured again, must come back exactly as the tree. Last, trees broken
// in the ways a capture from a stranger can be broken must give no disk, and come back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "identification/fake_platform.h"
#include "identification/linux_platform.h"
#include "identification/utils.h"
#include "temp_tree.h"
#include "tests/support/run_program.h"

namespace identification {
namespace {

namespace fs = std::filesystem;

std::string FileText(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<fs::path> Trees() {
  std::vector<fs::path> trees;
  for (const fs::directory_entry& entry : fs::directory_iterator(SPW_IDENTIFICATION_TREES))
    trees.push_back(entry.path());
  std::sort(trees.begin(), trees.end());
  return trees;
}

// Every file, link and folder under root (expected.json aside) with what it holds: a file's
// bytes, a link's target, or nothing for a folder.
std::map<std::string, std::string> Contents(const fs::path& root) {
  std::map<std::string, std::string> contents;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const std::string relative = fs::relative(it->path(), root).string();
    if (relative == "expected.json") continue;
    if (it->is_symlink()) {
      contents[relative] = "-> " + fs::read_symlink(it->path()).string();
    } else if (it->is_directory()) {
      contents[relative] = "/";
    } else {
      contents[relative] = FileText(it->path());
    }
  }
  return contents;
}

testsupport::ProgramRun Identify(std::vector<std::string> arguments) {
  return testsupport::RunProgram(SPW_IDENTIFY_TOOL, std::move(arguments));
}

TEST(CapturedTrees, EachTreeGivesItsAnswer) {
  const std::vector<fs::path> trees = Trees();
  ASSERT_GE(trees.size(), 10u);
  for (const fs::path& tree : trees) {
    const testsupport::ProgramRun run = Identify({"--root", tree.string(), "--json"});
    EXPECT_EQ(run.status, 0) << tree << run.err;
    EXPECT_EQ(run.out, FileText(tree / "expected.json")) << tree;
  }
}

// Puts beside what the identification reads what it must leave alone: other files, other mounts,
// the rest of the command line and of the udev data, interfaces that are no controllers.
void AddStrangers(const fs::path& root) {
  const auto append = [](const fs::path& path, const std::string& before,
                         const std::string& after) {
    const std::string text = fs::exists(path) ? FileText(path) : "";
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << before << text << after;
  };
  append(root / "sys/devices/virtual/dmi/id/board_serial", "", "SECRET-board\n");
  append(root / "proc/self/mountinfo", "40 27 0:45 / /home/SECRET rw - ext4 /dev/sdz9 rw\n", "");
  append(root / "proc/cmdline", "quiet cryptkey=SECRET ", "");
  append(root / "run/udev/data/b8:16", "S:disk/by-id/SECRET\nE:ID_FS_UUID=SECRET\n", "");
  append(root / "run/udev/data/b8:0", "E:ID_SERIAL_SHORT=SECRET\n", "");
  if (fs::exists(root / "sys/class/net")) {
    append(root / "sys/devices/virtual/net/lo/type", "", "772\n");
    append(root / "sys/devices/virtual/net/lo/address", "", "00:00:00:00:00:00\n");
    fs::create_symlink("../../devices/virtual/net/lo", root / "sys/class/net/lo");
  }
}

TEST(CapturedTrees, CaptureHoldsWhatIsReadAndNothingElse) {
  for (const fs::path& tree : Trees()) {
    TempTree scratch;
    const fs::path copy = scratch.Path("machine");
    const fs::path capture = scratch.Path("capture");
    fs::copy(tree, copy, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    AddStrangers(copy);
    const testsupport::ProgramRun run =
        Identify({"--root", copy.string(), "--capture", capture.string(), "--json"});
    EXPECT_EQ(run.status, 0) << tree << run.err;
    EXPECT_EQ(run.out, FileText(tree / "expected.json")) << tree;
    EXPECT_EQ(Contents(capture), Contents(tree)) << tree;
  }
  // A capture never goes into a folder that holds something.
  TempTree scratch;
  scratch.File("capture/keep", "x");
  EXPECT_EQ(
      Identify({"--root", Trees().front().string(), "--capture", scratch.Path("capture")}).status,
      2);
}

// The stack of luks-on-lvm-sata made in a temporary tree, so that each case can break one part.
class BrokenTree : public ::testing::Test {
 protected:
  static constexpr const char* kSata =
      "sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0";

  void SetUp() override {
    ASSERT_FALSE(tree_.root().empty());
    Fresh();
    ASSERT_EQ(Disk(), "     WD-WCC4N1234567");
  }
  void Fresh() {
    for (const fs::directory_entry& entry : fs::directory_iterator(tree_.root()))
      fs::remove_all(entry.path());
    fs::copy(fs::path(SPW_IDENTIFICATION_TREES) / "luks-on-lvm-sata", tree_.root(),
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  }

  std::string Disk() {
    LinuxPlatform platform(LinuxRoots::Captured(tree_.root()));
    ScopedPlatform scope(platform);
    const char* serial = DiskNumber();
    return serial ? serial : "(null)";
  }
  void Replace(const std::string& relative) { fs::remove_all(tree_.Path(relative)); }
  // A file of size bytes that takes no room.
  void Huge(const std::string& relative, off_t size) {
    Replace(relative);
    tree_.File(relative, "");
    ASSERT_EQ(truncate(tree_.Path(relative).c_str(), size), 0);
  }

  TempTree tree_;
};

TEST_F(BrokenTree, BadInputGivesNoDiskAndNeverHangs) {
  const std::string vpd = std::string(kSata) + "/vpd_pg80";
  const std::string slaves = "sys/devices/virtual/block/dm-0/slaves";
  const std::string mountinfo = "proc/self/mountinfo";
  struct Break {
    const char* what;
    std::function<void()> make;
  };
  const std::vector<Break> breaks = {
      {"serial source is a FIFO", [&] { Replace(vpd), mkfifo(tree_.Path(vpd).c_str(), 0644); }},
      {"mountinfo is a FIFO",
       [&] { Replace(mountinfo), mkfifo(tree_.Path(mountinfo).c_str(), 0644); }},
      {"serial source is a folder", [&] { Replace(vpd), tree_.Dir(vpd + "/x"); }},
      {"serial source is huge", [&] { Huge(vpd, 1 << 30); }},
      {"mountinfo is huge", [&] { Huge(mountinfo, std::int64_t{1} << 32); }},
      {"member link dangles",
       [&] { Replace(slaves), tree_.Link(slaves + "/sda3", "../../../../pci0000:00/nothing"); }},
      {"member link leaves the tree",
       [&] { Replace(slaves), tree_.Link(slaves + "/sda3", "../../../../../../../../../etc"); }},
      {"slaves is a file", [&] { Replace(slaves), tree_.File(slaves, "sda3\n"); }},
      {"device link loops",
       [&] {
         Replace(std::string(kSata) + "/block/sda/device");
         tree_.Link(std::string(kSata) + "/block/sda/device", "device");
       }},
  };
  for (const Break& broken : breaks) {
    Fresh();
    broken.make();
    EXPECT_EQ(Disk(), "(null)") << broken.what;
  }

  // A serial source that is a device node (making one needs root).
  Fresh();
  Replace(vpd);
  if (mknod(tree_.Path(vpd).c_str(), S_IFCHR | 0644, makedev(1, 5)) == 0) {
    EXPECT_EQ(Disk(), "(null)") << "serial source is /dev/zero's node";
  }
  // A file that cannot be read (root reads everything).
  Fresh();
  ASSERT_EQ(chmod(tree_.Path(vpd).c_str(), 0), 0);
  if (geteuid() != 0) {
    EXPECT_EQ(Disk(), "(null)") << "serial source cannot be read";
  }
}

// (A ring of devices is the slaves-cycle tree.)
TEST_F(BrokenTree, StackDeeperThanAnyRealOneGivesNoDisk) {
  // A chain of 40 device-mapper devices, each built on the next, the last on the real stack.
  const std::string virtualBlock = "sys/devices/virtual/block/";
  Replace("sys/dev/block/253:1");
  tree_.Link("sys/dev/block/253:1", "../../devices/virtual/block/dm-100");
  for (int level = 100; level < 140; ++level)
    tree_.Link(
        virtualBlock + "dm-" + std::to_string(level) + "/slaves/dm-" + std::to_string(level + 1),
        "../../dm-" + std::to_string(level + 1));
  tree_.Link(virtualBlock + "dm-140/slaves/dm-1", "../../dm-1");
  EXPECT_EQ(Disk(), "(null)");
  // The same with the chain cut down to four levels is a real stack, and is followed.
  Replace(virtualBlock + "dm-103/slaves");
  tree_.Link(virtualBlock + "dm-103/slaves/dm-1", "../../dm-1");
  EXPECT_EQ(Disk(), "     WD-WCC4N1234567");
}

}  // namespace
}  // namespace identification
