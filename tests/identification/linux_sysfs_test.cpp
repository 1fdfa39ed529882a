// The Linux backend over fabricated trees of real files and links: the Ethernet controllers of
// /sys/class/net, the root disk's serial through /sys/dev/block for virtio, NVMe, SATA and SCSI
// disks and partitions, udev data, DMI, the mountinfo fallback, and the ifconfig command.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "identification/fake_platform.h"
#include "identification/linux_platform.h"
#include "identification/utils.h"
#include "temp_tree.h"

namespace identification {
namespace {

class LinuxTree : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(tree_.root().empty()) << "no temporary directory"; }

  LinuxRoots Roots() const {
    LinuxRoots roots;
    roots.sys = tree_.Path("sys");
    roots.udev = tree_.Path("run/udev");
    roots.proc = tree_.Path("proc");
    roots.dev = tree_.Path("dev");
    roots.ifconfig = tree_.Path("sbin/ifconfig");
    return roots;
  }

  // A /sys/class/net entry. A real interface's entry links into /sys/devices; that detail does not
  // matter to the backend, so these are plain folders.
  void Net(const std::string& name, int type, int index, bool device, const char* operstate,
           const char* carrier, const char* address) {
    const std::string entry = "sys/class/net/" + name;
    tree_.File(entry + "/type", std::to_string(type) + "\n");
    tree_.File(entry + "/ifindex", std::to_string(index) + "\n");
    if (device)
      tree_.Link(entry + "/device",
                 "../../../devices/pci0000:00/0000:00:0" + std::to_string(index) + ".0");
    if (operstate) tree_.File(entry + "/operstate", operstate);
    if (carrier) tree_.File(entry + "/carrier", carrier);
    if (address) tree_.File(entry + "/address", address);
  }

  // A block device at devpath, with its /sys/dev/block link.
  void Block(const std::string& devpath, unsigned major, unsigned minor, bool partition) {
    tree_.File("sys" + devpath + "/dev",
               std::to_string(major) + ":" + std::to_string(minor) + "\n");
    if (partition) tree_.File("sys" + devpath + "/partition", "2\n");
    tree_.Link("sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor),
               "../.." + devpath);
  }

  std::optional<std::string> SerialFor(const std::string& devpath) {
    LinuxPlatform platform(Roots());
    ScopedPlatform scope(platform);
    return __GetDiskNumForDevicPath(devpath);
  }

  TempTree tree_;
};

// --- Ethernet controllers -----------------------------------------------------------------------

TEST_F(LinuxTree, ControllersAreEthernetEntriesWithADeviceInIndexOrder) {
  Net("wan", 1, 10, true, "up\n", "1\n", "02:00:00:00:00:0a\n");
  Net("lan", 1, 9, true, "down\n", nullptr, "02:00:00:00:00:09\n");
  Net("veth0", 1, 2, false, "up\n", "1\n", "02:00:00:00:00:02\n");  // virtual: no device
  Net("ib0", 32, 3, true, "up\n", "1\n", "80:00:00:48:fe:80\n");    // not Ethernet
  Net("aaa0", 1, 11, true, "up\n", "1\n", "02:00:00:00:00:0b\n");
  LinuxPlatform platform(Roots());
  const auto interfaces = platform.ethernetInterfaces();
  ASSERT_TRUE(interfaces.has_value());
  std::vector<std::string> ids;
  for (const EthernetInterface& interface : *interfaces) {
    ids.push_back(interface.id);
    EXPECT_TRUE(interface.hasController);
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"lan", "wan", "aaa0"}));

  ScopedPlatform scope(platform);
  EXPECT_EQ(GetMacAddressFromIOKit(), "02:00:00:00:00:0A");  // lan is down, wan is up
}

TEST_F(LinuxTree, LoneControllerNeedsNoIndex) {
  Net("eth0", 1, 2, true, "up\n", "1\n", "02:00:00:00:00:02\n");
  std::filesystem::remove(tree_.Path("sys/class/net/eth0/ifindex"));
  LinuxPlatform platform(Roots());
  ScopedPlatform scope(platform);
  EXPECT_EQ(GetMacAddressFromIOKit(), "02:00:00:00:00:02");
}

TEST_F(LinuxTree, LinkStatusFollowsOperstateThenCarrier) {
  struct Case {
    const char* name;
    const char* operstate;
    const char* carrier;
    std::int64_t status;
  };
  const Case cases[] = {
      {"up0", "up\n", "1\n", 3},
      {"down0", "down\n", nullptr, 1},
      {"dormant0", "dormant\n", "1\n", 1},
      {"unk1", "unknown\n", "1\n", 3},
      {"unk0", "unknown\n", "0\n", 1},
      {"unkx", "unknown\n", nullptr, 0},
      {"none1", nullptr, "1\n", 3},
      {"none", nullptr, nullptr, 0},
      {"lower0", "lowerlayerdown\n", "1\n", 1},
      {"new0", "sideways\n", "0\n", 1},
      {"odd0", "unknown\n", "2\n", 0},
  };
  int index = 1;
  for (const Case& c : cases)
    Net(c.name, 1, index++, true, c.operstate, c.carrier, "02:00:00:00:00:01\n");
  LinuxPlatform platform(Roots());
  for (const Case& c : cases) EXPECT_EQ(platform.linkStatus({c.name, true}), c.status) << c.name;
}

TEST_F(LinuxTree, UnreportedLinkCountsAsActiveButNoLinkDoesNot) {
  Net("eth0", 1, 2, true, "down\n", nullptr, "02:00:00:00:00:02\n");
  Net("eth1", 1, 3, true, "unknown\n", nullptr, "02:00:00:00:00:03\n");
  LinuxPlatform platform(Roots());
  ScopedPlatform scope(platform);
  EXPECT_STREQ(__FirstActiveMAC(), "02:00:00:00:00:03");
}

TEST_F(LinuxTree, ActiveControllerWithUnreadableAddressEndsTheSearch) {
  Net("eth0", 1, 2, true, "up\n", "1\n", "not a mac\n");
  Net("eth1", 1, 3, true, "up\n", "1\n", "02:00:00:00:00:03\n");
  LinuxPlatform platform(Roots());
  ScopedPlatform scope(platform);
  EXPECT_FALSE(GetMacAddressFromIOKit().has_value());
}

TEST_F(LinuxTree, MissingClassFolderIsAFailedSearch) {
  LinuxPlatform platform(Roots());
  EXPECT_FALSE(platform.ethernetInterfaces().has_value());
}

// --- Disks
// ----------------------------------------------------------------------------------------

constexpr const char* kVda = "/devices/pci0000:00/0000:00:02.0/virtio1/block/vda";
constexpr const char* kNvme = "/devices/pci0000:00/0000:00:04.0/nvme/nvme0/nvme0n1";
constexpr const char* kScsiDevice =
    "/devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0";
constexpr const char* kSda =
    "/devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0/block/sda";
constexpr const char* kSdbDevice =
    "/devices/pci0000:00/0000:00:1f.2/ata2/host1/target1:0:0/1:0:0:0";
constexpr const char* kSdb =
    "/devices/pci0000:00/0000:00:1f.2/ata2/host1/target1:0:0/1:0:0:0/block/sdb";
constexpr const char* kSdc =
    "/devices/pci0000:00/0000:00:1f.2/ata3/host2/target2:0:0/2:0:0:0/block/sdc";

std::string Page80(const std::string& serial) {
  return std::string("\x00\x80\x00", 3) + static_cast<char>(serial.size()) + serial;
}

class LinuxDisks : public LinuxTree {
 protected:
  void SetUp() override {
    LinuxTree::SetUp();
    Block(kVda, 254, 0, false);
    tree_.File(std::string("sys") + kVda + "/serial", "overlayblk");  // virtio writes no line end
    Block(std::string(kVda) + "/vda1", 254, 1, true);

    tree_.File("sys/devices/pci0000:00/0000:00:04.0/nvme/nvme0/serial", "S4EWNX0N123456\n");
    Block(kNvme, 259, 0, false);
    tree_.Link(std::string("sys") + kNvme + "/device", "../../nvme0");
    Block(std::string(kNvme) + "/nvme0n1p2", 259, 2, true);

    Block(kSda, 8, 0, false);
    tree_.Link(std::string("sys") + kSda + "/device", "../../../0:0:0:0");
    tree_.File(std::string("sys") + kScsiDevice + "/vpd_pg80", Page80("     WD-WCC4N1234567"));
    Block(std::string(kSda) + "/sda3", 8, 3, true);

    Block(kSdb, 8, 16, false);
    tree_.Link(std::string("sys") + kSdb + "/device", "../../../1:0:0:0");
    tree_.File(std::string("sys") + kSdbDevice + "/vpd_pg80", Page80("  RAW-PAGE"));
    tree_.File("run/udev/data/b8:16",
               "S:disk/by-id/ata-X\nE:ID_SERIAL=X_Z1D2AB\nE:ID_SERIAL_SHORT=Z1D2AB\n");

    Block(kSdc, 8, 32, false);  // no serial anywhere
  }
};

TEST_F(LinuxDisks, VirtioSerialComesFromTheDisk) { EXPECT_EQ(SerialFor(kVda), "overlayblk"); }

TEST_F(LinuxDisks, PartitionAsksItsWholeDisk) {
  EXPECT_EQ(SerialFor(std::string(kVda) + "/vda1"), "overlayblk");
  EXPECT_EQ(SerialFor(std::string(kNvme) + "/nvme0n1p2"), "S4EWNX0N123456");
  EXPECT_EQ(SerialFor(std::string(kSda) + "/sda3"), "     WD-WCC4N1234567");
}

TEST_F(LinuxDisks, NvmeSerialComesFromTheController) {
  EXPECT_EQ(SerialFor(kNvme), "S4EWNX0N123456");
}

// One disk, one serial text, whoever reads it: the same disk's own text through each source it can
// come from gives that text, blanks and all; udev's rewritten copy counts only when none of them
// answers (a reader that cannot see /run/udev and one that can get the same text).
TEST_F(LinuxDisks, OneDiskGivesOneSerialTextThroughEverySource) {
  const std::string own = "  WD-WX11 A2 ";
  const std::string disk = std::string("sys") + kSdb;
  const std::string device = std::string("sys") + kSdbDevice;
  tree_.File("run/udev/data/b8:16", "E:ID_SERIAL=WDC_WD-WX11_A2\nE:ID_SERIAL_SHORT=WD-WX11_A2\n");
  tree_.File(device + "/vpd_pg80", Page80(own));
  EXPECT_EQ(SerialFor(kSdb), own) << "VPD page";
  tree_.File(device + "/serial", own + "\n");
  EXPECT_EQ(SerialFor(kSdb), own) << "device's serial";
  tree_.File(disk + "/serial", own + "\n");
  EXPECT_EQ(SerialFor(kSdb), own) << "disk's serial";
  for (const std::string& source : {disk + "/serial", device + "/serial", device + "/vpd_pg80"})
    std::filesystem::remove(tree_.Path(source));
  EXPECT_EQ(SerialFor(kSdb), "WD-WX11_A2") << "udev alone";
}

TEST_F(LinuxDisks, DiskWithoutSerialOrPathWithoutDiskGivesNoValue) {
  EXPECT_FALSE(SerialFor(kSdc).has_value());
  EXPECT_FALSE(SerialFor("/devices/virtual/block/nothing").has_value());
  EXPECT_FALSE(SerialFor("").has_value());
  EXPECT_FALSE(SerialFor("/").has_value());
}

TEST_F(LinuxDisks, PathsThatLeaveTheTreeMatchNothing) {
  tree_.File("outside/serial", "LEAKED\n");
  EXPECT_FALSE(SerialFor("/../outside").has_value());
  EXPECT_FALSE(SerialFor("/devices/../../outside").has_value());
  EXPECT_FALSE(SerialFor("../outside").has_value());
}

TEST_F(LinuxDisks, EmptySerialAttributeFallsThroughToTheNextSource) {
  tree_.File(std::string("sys") + kSda + "/serial", "\n");
  EXPECT_EQ(SerialFor(kSda), "     WD-WCC4N1234567");
}

TEST_F(LinuxDisks, SerialBytesOutsideUTF8AreReadAsLatin1) {
  tree_.File(std::string("sys") + kVda + "/serial", "SN\xE9\n");
  EXPECT_EQ(SerialFor(kVda), "SN\xC3\xA9");
}

// DiskNumber over the tree, through the real device number of "/" placed in the fabricated
// /sys/dev/block: the whole path from stat to text.
TEST_F(LinuxDisks, DiskNumberFollowsTheRootDeviceNumberToItsDisk) {
  struct stat root;
  ASSERT_EQ(stat("/", &root), 0);
  const std::string number =
      std::to_string(major(root.st_dev)) + ":" + std::to_string(minor(root.st_dev));
  std::filesystem::remove(tree_.Path("sys/dev/block/" + number));
  tree_.Link("sys/dev/block/" + number, std::string("../..") + kNvme + "/nvme0n1p2");
  LinuxPlatform platform(Roots());
  ScopedPlatform scope(platform);
  ASSERT_NE(DiskNumber(), nullptr);
  EXPECT_STREQ(DiskNumber(), "S4EWNX0N123456");
}

TEST_F(LinuxDisks, RootWithoutBlockDeviceOrMountSourceGivesNull) {
  struct stat root;
  ASSERT_EQ(stat("/", &root), 0);
  std::filesystem::remove(tree_.Path("sys/dev/block/" + std::to_string(major(root.st_dev)) + ":" +
                                     std::to_string(minor(root.st_dev))));
  tree_.File("proc/self/mountinfo", "24 1 0:40 / / rw - overlay overlay rw,lowerdir=/a\n");
  LinuxPlatform platform(Roots());
  ScopedPlatform scope(platform);
  EXPECT_EQ(DiskNumber(), nullptr);
  std::filesystem::remove(tree_.Path("proc/self/mountinfo"));
  EXPECT_EQ(DiskNumber(), nullptr);
}

TEST_F(LinuxDisks, RootWithAnonymousDeviceNumberIsFoundThroughItsMountSource) {
  struct stat root;
  ASSERT_EQ(stat("/", &root), 0);
  std::filesystem::remove(tree_.Path("sys/dev/block/" + std::to_string(major(root.st_dev)) + ":" +
                                     std::to_string(minor(root.st_dev))));
  tree_.Dir("dev");
  if (mknod(tree_.Path("dev/sda3").c_str(), S_IFBLK | 0600, makedev(8, 3)) != 0)
    GTEST_SKIP() << "cannot make a block device node here (needs root): " << std::strerror(errno);
  tree_.File("proc/self/mountinfo",
             "22 1 0:31 / / rw,relatime shared:1 - btrfs /dev/sda3 rw,subvol=/@\n");
  LinuxPlatform platform(Roots());
  ScopedPlatform scope(platform);
  ASSERT_NE(DiskNumber(), nullptr);
  EXPECT_STREQ(DiskNumber(), "     WD-WCC4N1234567");
}

// --- Platform ids and the command
// -----------------------------------------------------------------

TEST_F(LinuxTree, PlatformIdsComeFromDmi) {
  LinuxPlatform platform(Roots());
  ScopedPlatform scope(platform);
  EXPECT_FALSE(GetHardwareSerialNumber().has_value());
  EXPECT_FALSE(GetHardwareUUID().has_value());
  tree_.File("sys/class/dmi/id/product_serial", "  VMware-56 4d\n");
  tree_.File("sys/class/dmi/id/product_uuid", "4c4c4544-0042-3510-8051-b4c04f333132\n");
  EXPECT_EQ(GetHardwareSerialNumber(), "  VMware-56 4d");
  EXPECT_STREQ(GetSystemSerialNumber(), "  VMware-56 4d");
  EXPECT_EQ(GetHardwareUUID(), "4c4c4544-0042-3510-8051-b4c04f333132");
  tree_.File("sys/class/dmi/id/product_serial", "SN\xD6\n");
  EXPECT_EQ(GetHardwareSerialNumber(), "SN\xC3\x96");
  EXPECT_EQ(GetSystemSerialNumber(), nullptr);
  tree_.File("sys/class/dmi/id/product_serial", "\n");
  EXPECT_FALSE(GetHardwareSerialNumber().has_value());
}

TEST_F(LinuxTree, IfconfigCommandOutputIsRead) {
  LinuxPlatform platform(Roots());
  ScopedPlatform scope(platform);
  EXPECT_FALSE(GetMacAddressFromIfconfig().has_value());  // not installed
  tree_.File("sbin/ifconfig",
             "#!/bin/sh\nprintf 'eth0: flags=4163<UP>  mtu 1500\\n        ether 02:fc:00:00:00:01  "
             "txqueuelen\\n'\n");
  ASSERT_EQ(chmod(tree_.Path("sbin/ifconfig").c_str(), 0755), 0);
  EXPECT_EQ(GetMacAddressFromIfconfig(), "02:fc:00:00:00:01");
}

}  // namespace
}  // namespace identification
