// Invariants on the machine the tests run on, checked against what the kernel says directly
// (getifaddrs, sysfs), never against fixed values: the active NIC really carries its MAC and
// address, the list has one item per addressed interface, the disk serial is a disk's under the
// root, and a capture of this machine replays to its answers.
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <netdb.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "identification/utils.h"
#include "temp_tree.h"
#include "tests/support/run_program.h"

namespace {

struct KernelInterface {
  std::string mac;  // upper-case MAC text from the AF_PACKET entry, if six bytes
  std::set<std::string> ipv4;
  bool addressed = false;
};

std::map<std::string, KernelInterface> KernelInterfaces() {
  std::map<std::string, KernelInterface> interfaces;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return interfaces;
  for (const ifaddrs* item = list; item; item = item->ifa_next) {
    if (!item->ifa_addr) continue;
    KernelInterface& interface = interfaces[item->ifa_name];
    const int family = item->ifa_addr->sa_family;
    if (family == AF_PACKET) {
      const auto* link = reinterpret_cast<const sockaddr_ll*>(item->ifa_addr);
      if (link->sll_halen >= 6) {
        char text[18];
        std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", link->sll_addr[0],
                      link->sll_addr[1], link->sll_addr[2], link->sll_addr[3], link->sll_addr[4],
                      link->sll_addr[5]);
        interface.mac = text;
      }
    } else if (family == AF_INET || family == AF_INET6) {
      interface.addressed = true;
      char host[NI_MAXHOST];
      if (family == AF_INET && getnameinfo(item->ifa_addr, sizeof(sockaddr_in), host, sizeof host,
                                           nullptr, 0, NI_NUMERICHOST) == 0)
        interface.ipv4.insert(host);
    }
  }
  freeifaddrs(list);
  return interfaces;
}

std::string FileText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  std::string value = text.str();
  if (!value.empty() && value.back() == '\n') value.pop_back();
  return value;
}

TEST(ThisMachine, ActiveNICNamesAnInterfaceThatCarriesItsMacAndAddress) {
  const char* active = ActiveNIC();
  const char* controller = __FirstActiveMAC();
  const auto interfaces = KernelInterfaces();
  if (active == nullptr) {
    // Either no controller has a link, or no interface with an address carries its MAC.
    if (controller != nullptr) {
      for (const auto& [name, interface] : interfaces) {
        EXPECT_FALSE(interface.addressed && interface.mac == controller)
            << name << " carries " << controller;
      }
    }
    GTEST_SUCCEED() << "no active NIC on this machine";
    return;
  }
  const std::string text = active;
  ASSERT_GE(text.size(), 18u);
  ASSERT_EQ(text[17], ',');
  const std::string mac = text.substr(0, 17);
  const std::string ipv4 = text.substr(18);
  ASSERT_NE(controller, nullptr);
  EXPECT_EQ(mac, controller);
  bool carried = false;
  for (const auto& [name, interface] : interfaces) {
    if (!interface.addressed || interface.mac != mac) continue;
    if (ipv4.empty() ? interface.ipv4.empty() : interface.ipv4.contains(ipv4)) carried = true;
  }
  EXPECT_TRUE(carried) << text;
}

TEST(ThisMachine, ListHasOneItemPerAddressedInterface) {
  const std::string list = LocalNICList();
  std::size_t addressed = 0;
  for (const auto& [name, interface] : KernelInterfaces()) addressed += interface.addressed ? 1 : 0;
  const std::size_t items =
      list.empty() ? 0 : 1 + static_cast<std::size_t>(std::count(list.begin(), list.end(), '|'));
  EXPECT_EQ(items, addressed) << list;
}

// The serial is one that sysfs or udev shows for a disk under the root's block device: the
// devices reached from it through slaves/ (device-mapper, md) and from a partition to its disk.
TEST(ThisMachine, DiskNumberIsASerialSysfsShowsForADiskUnderTheRoot) {
  const char* disk = DiskNumber();
  struct stat root;
  ASSERT_EQ(stat("/", &root), 0);
  const std::filesystem::path link = "/sys/dev/block/" + std::to_string(major(root.st_dev)) + ":" +
                                     std::to_string(minor(root.st_dev));
  std::error_code error;
  const std::filesystem::path top = std::filesystem::canonical(link, error);
  if (error) {
    // No block device under "/" (overlay, tmpfs): only a mount source could name one.
    if (disk != nullptr) {
      EXPECT_GT(std::strlen(disk), 0u);
    }
    GTEST_SUCCEED() << "\"/\" has no block device of its own here";
    return;
  }
  std::set<std::string> serials;
  std::vector<std::filesystem::path> pending{top};
  for (std::size_t seen = 0; !pending.empty() && seen < 64; ++seen) {
    std::filesystem::path device = pending.back();
    pending.pop_back();
    if (std::filesystem::exists(device / "partition")) device = device.parent_path();
    for (const auto& member : std::filesystem::directory_iterator(device / "slaves", error))
      pending.push_back(std::filesystem::canonical(member.path(), error));
    for (const char* attribute : {"serial", "device/serial"}) {
      const std::string value = FileText(device / attribute);
      if (!value.empty()) serials.insert(value);
    }
    const std::string udev = FileText("/run/udev/data/b" + FileText(device / "dev"));
    const std::size_t key = udev.find("E:ID_SERIAL_SHORT=");
    if (key != std::string::npos)
      serials.insert(udev.substr(key + 18, udev.find('\n', key) - key - 18));
    const std::string page = FileText(device / "device/vpd_pg80");
    if (page.size() > 4) serials.insert(page.substr(4));
  }
  if (disk == nullptr) {
    EXPECT_TRUE(serials.empty()) << "sysfs shows a serial under " << top;
  } else {
    const bool shown = std::any_of(serials.begin(), serials.end(), [&](const std::string& s) {
      return s.find(disk) != std::string::npos;
    });
    EXPECT_TRUE(shown) << disk << " is not a serial of a disk under " << top;
  }
}

// A capture of this machine, replayed, says what this machine says, except for the interface
// addresses, which a capture does not hold.
TEST(ThisMachine, CaptureReplaysToTheSameAnswers) {
  TempTree scratch;
  const std::string capture = scratch.Path("capture");
  const auto live = testsupport::RunProgram(SPW_IDENTIFY_TOOL, {"--capture", capture, "--json"});
  ASSERT_EQ(live.status, 0) << live.err;
  std::string expected;
  std::istringstream lines(live.out);
  for (std::string line; std::getline(lines, line);)
    if (line.find("\"activeNIC\"") == std::string::npos &&
        line.find("\"interfaces\"") == std::string::npos)
      expected += line + "\n";
  const auto replay = testsupport::RunProgram(SPW_IDENTIFY_TOOL, {"--root", capture, "--json"});
  EXPECT_EQ(replay.status, 0) << replay.err;
  EXPECT_EQ(replay.out, expected);
}

TEST(ThisMachine, PlatformSerialIsDmiProductSerialWhenReadable) {
  const std::string dmi = FileText("/sys/class/dmi/id/product_serial");
  const auto serial = GetHardwareSerialNumber();
  if (dmi.empty()) {
    EXPECT_FALSE(serial.has_value());
  } else {
    EXPECT_EQ(serial, dmi);
  }
}

}  // namespace
