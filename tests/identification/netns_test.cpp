// The Linux backend over real interfaces: each test runs in a fresh network namespace of its own
// and makes veth and tun interfaces there with chosen names, MACs and addresses (with iproute2's
// "ip", as root). Skips, with the reason, only where the machine cannot make namespaces.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "identification/fake_platform.h"
#include "identification/linux_platform.h"
#include "identification/utils.h"
#include "temp_tree.h"

namespace identification {
namespace {

class Namespace : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "making network namespaces needs root";
    if (unshare(CLONE_NEWNET) != 0)
      GTEST_SKIP() << "cannot make a network namespace: " << std::strerror(errno);
    if (std::system("ip link show lo >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "iproute2's ip is not installed";
  }

  static void Ip(const std::string& arguments) {
    const std::string command = "ip " + arguments + " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  // A veth pair: name with mac, its peer (no address, so never in the map) named after it.
  static void Veth(const std::string& name, const std::string& mac) {
    Ip("link add " + name + " address " + mac + " type veth peer name p" + name);
  }
  static std::string Text(const char* text) { return text ? text : "(null)"; }
};

TEST_F(Namespace, ListShowsTheInterfacesInByteOrderWhetherUpOrNot) {
  Veth("en2", "02:00:00:00:00:02");
  Veth("en10", "02:00:00:00:00:10");
  Veth("en1", "0a:1b:2c:3d:4e:5f");
  Ip("addr add 10.0.2.1/24 dev en2");
  Ip("addr add 10.0.10.1/24 dev en10");
  Ip("addr add 10.0.1.1/24 dev en1");
  Ip("link set en1 up");  // the others stay down
  EXPECT_EQ(Text(LocalNICList()),
            "0A:1B:2C:3D:4E:5F,10.0.1.1|02:00:00:00:00:10,10.0.10.1|02:00:00:00:00:02,10.0.2.1");
}

TEST_F(Namespace, MapHoldsTheLastIPv4AndIPv6OfEachInterface) {
  Veth("en1", "02:00:00:00:00:01");
  Veth("en3", "02:00:00:00:00:03");
  Ip("addr add 10.0.1.1/24 dev en1");
  Ip("addr add 10.0.1.2/24 dev en1");  // secondary: listed after the primary
  Ip("-6 addr add fd00::1/64 dev en1 nodad");
  Ip("-6 addr add fd00::3/64 dev en3 nodad");
  NICMap map;
  map["stale0"] = {};
  __getNICMap(map);
  ASSERT_EQ(map.size(), 2u);
  EXPECT_EQ(map["en1"].mac, "02:00:00:00:00:01");
  EXPECT_EQ(map["en1"].ipv4, "10.0.1.2");
  EXPECT_EQ(map["en1"].ipv6, "fd00::1");
  EXPECT_EQ(map["en3"].ipv4, "");
  EXPECT_EQ(map["en3"].ipv6, "fd00::3");
  EXPECT_EQ(Text(LocalNICList()), "02:00:00:00:00:01,10.0.1.2|02:00:00:00:00:03,");
}

TEST_F(Namespace, MacForNameAsksTheKernelByIndex) {
  Veth("en1", "0a:1b:2c:3d:4e:5f");
  EXPECT_EQ(__getMacForName("en1"), "0A:1B:2C:3D:4E:5F");
  EXPECT_EQ(__getMacForName("pen1").value_or("").size(), 17u);
  // Loopback's hardware address, six zero bytes in the kernel's reply, is no MAC, and says so with
  // no trace line.
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(__getMacForName("lo").has_value());
  std::fflush(stdout);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  Ip("addr add 127.0.0.1/8 dev lo");
  Ip("link set lo up");
  Ip("addr add 10.0.1.1/24 dev en1");
  EXPECT_EQ(Text(LocalNICList()), "0A:1B:2C:3D:4E:5F,10.0.1.1|,127.0.0.1");
}

TEST_F(Namespace, UnknownOrOverlongNameWritesTheIndexMessage) {
  for (const char* name : {"nosuch0", "averyveryverylongname0", ""}) {
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(__getMacForName(name).has_value()) << name;
    std::fflush(stdout);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error: if_nametoindex error/n") << name;
  }
}

TEST_F(Namespace, InterfaceWithoutHardwareAddressIsListedWithoutMac) {
  if (access("/dev/net/tun", R_OK | W_OK) != 0)
    GTEST_SKIP() << "no /dev/net/tun for a tun interface";
  Ip("tuntap add tun0 mode tun");
  Ip("addr add 10.8.0.1/24 dev tun0");
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(__getMacForName("tun0").has_value());
  EXPECT_EQ(Text(LocalNICList()), ",10.8.0.1");
  std::fflush(stdout);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

// A query abandoned after its size step (as when the buffer cannot be had) leaves its reply
// queued on the socket; the next query must still be answered with its own interface's reply.
TEST_F(Namespace, AbandonedReplyDoesNotAnswerTheNextQuery) {
  Veth("en1", "02:00:00:00:00:01");
  Veth("en2", "02:00:00:00:00:02");
  LinuxPlatform platform;
  const std::unique_ptr<LinkQuery> query = platform.openLinkQuery();
  const unsigned first = query->indexForName("en1");
  const unsigned second = query->indexForName("en2");
  ASSERT_NE(first, 0u);
  ASSERT_NE(second, 0u);
  ASSERT_TRUE(query->replySize(first).has_value());
  const std::optional<std::size_t> size = query->replySize(second);
  ASSERT_TRUE(size.has_value());
  std::vector<std::uint8_t> reply(*size);
  const std::optional<std::size_t> written = query->readReply(second, reply.data(), reply.size());
  ASSERT_TRUE(written.has_value());
  const auto address = query->hardwareAddress(second, {reply.data(), *written});
  EXPECT_EQ(address, (std::array<std::uint8_t, 6>{2, 0, 0, 0, 0, 2}));
}

TEST_F(Namespace, IndexWithoutInterfaceFailsTheSizeStep) {
  Veth("en1", "02:00:00:00:00:01");
  LinuxPlatform platform;
  const std::unique_ptr<LinkQuery> query = platform.openLinkQuery();
  const unsigned index = query->indexForName("en1");
  ASSERT_NE(index, 0u);
  Ip("link del en1");
  EXPECT_FALSE(query->replySize(index).has_value());
}

// Real interfaces, a fabricated registry: en2 is the active controller, and en10 carries the same
// MAC. The name that sorts first wins.
TEST_F(Namespace, SharedMacGoesToTheNameThatSortsFirst) {
  Veth("en2", "02:00:00:00:00:22");
  Veth("en10", "02:00:00:00:00:22");
  Ip("addr add 10.0.2.1/24 dev en2");
  Ip("addr add 10.0.10.1/24 dev en10");
  TempTree tree;
  tree.File("sys/class/net/en2/type", "1\n");
  tree.File("sys/class/net/en2/ifindex", "3\n");
  tree.File("sys/class/net/en2/operstate", "up\n");
  tree.File("sys/class/net/en2/address", "02:00:00:00:00:22\n");
  tree.Link("sys/class/net/en2/device", "../../../devices/pci0000:00/0000:00:03.0");
  LinuxRoots roots;
  roots.sys = tree.Path("sys");
  LinuxPlatform platform(roots);
  ScopedPlatform scope(platform);
  EXPECT_EQ(Text(ActiveNIC()), "02:00:00:00:00:22,10.0.10.1");
}

// The namespace's own sysfs: veth interfaces are Ethernet but have no device, so there is no
// active controller and no active NIC.
TEST_F(Namespace, VirtualInterfacesAreNoControllers) {
  Veth("en1", "02:00:00:00:00:01");
  Ip("addr add 10.0.1.1/24 dev en1");
  Ip("link set en1 up");
  Ip("link set pen1 up");
  if (unshare(CLONE_NEWNS) != 0)
    GTEST_SKIP() << "cannot make a mount namespace: " << std::strerror(errno);
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    GTEST_SKIP() << "cannot make mounts private: " << std::strerror(errno);
  TempTree tree;
  tree.Dir("sys");
  if (mount("sysfs", tree.Path("sys").c_str(), "sysfs",
            MS_RDONLY | MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0)
    GTEST_SKIP() << "cannot mount this namespace's sysfs: " << std::strerror(errno);
  LinuxRoots roots;
  roots.sys = tree.Path("sys");
  LinuxPlatform platform(roots);
  const bool seen = access(tree.Path("sys/class/net/en1/type").c_str(), R_OK) == 0;
  std::optional<std::vector<EthernetInterface>> interfaces = platform.ethernetInterfaces();
  const char* active;
  {
    ScopedPlatform scope(platform);
    active = ActiveNIC();
  }
  umount2(tree.Path("sys").c_str(), MNT_DETACH);
  ASSERT_TRUE(seen) << "the mounted sysfs does not show this namespace";
  ASSERT_TRUE(interfaces.has_value());
  EXPECT_TRUE(interfaces->empty());
  EXPECT_EQ(active, nullptr);
}

}  // namespace
}  // namespace identification
