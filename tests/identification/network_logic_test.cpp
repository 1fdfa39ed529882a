// The network logic over the scripted platform: the NIC map, the four trace lines, the choice of
// the active controller and interface, the list's order and format.
#include <gtest/gtest.h>

#include <cstring>

#include "identification/fake_platform.h"
#include "identification/utils.h"

// The allocation-failure case asks for more memory than exists; under AddressSanitizer that must
// come back as a null pointer, as it does without it.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace identification {
namespace {

using Bytes = std::vector<std::uint8_t>;

class NetworkLogic : public ::testing::Test {
 protected:
  // An interface with a link-layer reply holding mac, and one address per text given.
  void Interface(const std::string& name, const Bytes& mac, const std::vector<std::string>& ipv4,
                 const std::vector<std::string>& ipv6 = {}) {
    fake_.links[name] = {++nextIndex_, FakePlatform::LinkFailure::None, mac};
    for (const std::string& host : ipv4)
      fake_.addresses.push_back({name, AddressFamily::IPv4, host});
    for (const std::string& host : ipv6)
      fake_.addresses.push_back({name, AddressFamily::IPv6, host});
  }
  void Controller(const std::string& id, std::optional<std::int64_t> status,
                  std::optional<Bytes> mac, bool hasController = true) {
    fake_.ethernet->push_back({id, hasController, status, std::move(mac)});
  }
  NICMap Map() {
    NICMap map;
    __getNICMap(map);
    return map;
  }
  static std::string Text(const char* text) { return text ? text : "(null)"; }

  FakePlatform fake_;
  ScopedPlatform scope_{fake_};
  unsigned nextIndex_ = 0;
};

const Bytes kMacA = {0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f};
const Bytes kMacB = {0x02, 0x00, 0x00, 0x00, 0x00, 0xbb};
const Bytes kMacC = {0xf0, 0xde, 0xf1, 0x00, 0x00, 0xcc};

// --- The NIC map --------------------------------------------------------------------------------

TEST_F(NetworkLogic, MapKeepsTheLastAddressOfEachFamily) {
  Interface("en0", kMacA, {"10.0.0.1", "10.0.0.2"}, {"fe80::1%en0", "fd00::2"});
  const NICMap map = Map();
  ASSERT_EQ(map.size(), 1u);
  EXPECT_EQ(map.at("en0").mac, "0A:1B:2C:3D:4E:5F");
  EXPECT_EQ(map.at("en0").ipv4, "10.0.0.2");
  EXPECT_EQ(map.at("en0").ipv6, "fd00::2");
}

TEST_F(NetworkLogic, MapSkipsEntriesWithoutAConvertedAddress) {
  Interface("en0", kMacA, {});
  fake_.addresses.push_back({"en0", AddressFamily::IPv4, std::nullopt});  // no address
  fake_.addresses.push_back({"en0", AddressFamily::Other, "link"});       // link layer
  fake_.addresses.push_back({"en0", AddressFamily::IPv6, "bad", /*converts=*/false});
  Interface("en1", kMacB, {"10.0.1.1"});
  const NICMap map = Map();
  ASSERT_EQ(map.size(), 1u);
  EXPECT_TRUE(map.contains("en1"));
  EXPECT_EQ(fake_.linkLookups, std::vector<std::string>{"en1"});
}

TEST_F(NetworkLogic, LinkLookupRunsOnceWhenItGivesAMacAndAgainWhileItGivesNone) {
  Interface("en0", kMacA, {"10.0.0.1", "10.0.0.2"}, {"fd00::1"});
  Interface("tun0", Bytes{0x01, 0x02}, {"10.8.0.1", "10.8.0.2"});  // no six-byte hardware address
  const NICMap map = Map();
  EXPECT_EQ(map.at("en0").mac, "0A:1B:2C:3D:4E:5F");
  EXPECT_EQ(map.at("tun0").mac, "");
  EXPECT_EQ(map.at("tun0").ipv4, "10.8.0.2");
  EXPECT_EQ(fake_.linkLookups, (std::vector<std::string>{"en0", "tun0", "tun0"}));
}

TEST_F(NetworkLogic, MapPassedInNonEmptyHoldsOnlyCurrentInterfaces) {
  Interface("en0", kMacA, {"10.0.0.1"});
  NICMap map;
  map["gone0"] = {"AA:AA:AA:AA:AA:AA", "1.2.3.4", ""};
  map["en0"] = {"BB:BB:BB:BB:BB:BB", "", "fd00::9"};
  __getNICMap(map);
  ASSERT_EQ(map.size(), 1u);
  EXPECT_EQ(map.at("en0").mac, "0A:1B:2C:3D:4E:5F");
  EXPECT_EQ(map.at("en0").ipv6, "");
}

TEST_F(NetworkLogic, NoAddressListGivesAnEmptyMapAnEmptyListAndNoActiveNIC) {
  Interface("en0", kMacA, {"10.0.0.1"});
  Controller("en0", 3, kMacA);
  fake_.addressListFails = true;
  NICMap map;
  map["stale"] = {};
  __getNICMap(map);
  EXPECT_TRUE(map.empty());
  ASSERT_NE(LocalNICList(), nullptr);
  EXPECT_STREQ(LocalNICList(), "");
  EXPECT_EQ(ActiveNIC(), nullptr);
}

// --- The link-layer lookup and its four trace lines ----------------------------------------------

TEST_F(NetworkLogic, MacTextIsUpperCaseHexOfTheFirstSixReplyBytes) {
  Interface("en0", Bytes{0xab, 0xcd, 0xef, 0x01, 0x23, 0x45, 0x99, 0x98}, {});
  EXPECT_EQ(__getMacForName("en0"), "AB:CD:EF:01:23:45");
}

struct TraceCase {
  const char* label;
  FakePlatform::LinkFailure failure;
  bool known;
  const char* message;
};

void PrintTo(const TraceCase& c, std::ostream* out) { *out << c.label; }

class LinkLookupTrace : public NetworkLogic, public ::testing::WithParamInterface<TraceCase> {};

TEST_P(LinkLookupTrace, WritesItsMessageExactlyAndGivesNoValue) {
  const TraceCase& c = GetParam();
  if (c.known) fake_.links["en0"] = {4, c.failure, kMacA};
  ::testing::internal::CaptureStdout();
  const std::optional<std::string> mac = __getMacForName("en0");
  std::fflush(stdout);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.message);
  EXPECT_FALSE(mac.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    FourMessages, LinkLookupTrace,
    ::testing::Values(
        TraceCase{"NoIndex", FakePlatform::LinkFailure::None, false,
                  "Error: if_nametoindex error/n"},
        TraceCase{"SizeStep", FakePlatform::LinkFailure::SizeStep, true, "Error: sysctl, take 1/n"},
        TraceCase{"Allocation", FakePlatform::LinkFailure::Allocation, true,
                  "Could not allocate memory. error!/n"},
        TraceCase{"ReadStep", FakePlatform::LinkFailure::ReadStep, true, "Error: sysctl, take 2"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(NetworkLogic, ShortReplyGivesNoValueAndNoMessage) {
  Interface("en0", Bytes{0x01, 0x02, 0x03, 0x04, 0x05}, {});
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(__getMacForName("en0").has_value());
  std::fflush(stdout);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST_F(NetworkLogic, NullNameIsAnUnknownInterface) {
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(__getMacForName(nullptr).has_value());
  std::fflush(stdout);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error: if_nametoindex error/n");
}

TEST_F(NetworkLogic, FailedLookupLeavesMacEmptyAndTheWalkGoesOn) {
  fake_.addresses.push_back({"en0", AddressFamily::IPv4, "10.0.0.1"});  // no index for en0
  Interface("en1", kMacB, {"10.0.1.1"});
  ::testing::internal::CaptureStdout();
  const NICMap map = Map();
  std::fflush(stdout);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Error: if_nametoindex error/n");
  EXPECT_EQ(map.at("en0").mac, "");
  EXPECT_EQ(map.at("en1").mac, "02:00:00:00:00:BB");
}

// --- The active controller -----------------------------------------------------------------------

TEST_F(NetworkLogic, ControllerWithLinkStatusOneIsPassedOver) {
  Controller("en0", 1, kMacA);
  Controller("en1", 3, kMacB);
  EXPECT_EQ(GetMacAddressFromIOKit(), "02:00:00:00:00:BB");
  EXPECT_STREQ(__FirstActiveMAC(), "02:00:00:00:00:BB");
}

TEST_F(NetworkLogic, EveryControllerWithoutLinkGivesNoActiveMac) {
  Interface("en0", kMacA, {"10.0.0.1"});
  Controller("en0", 1, kMacA);
  Controller("en1", 1, kMacB);
  EXPECT_FALSE(GetMacAddressFromIOKit().has_value());
  EXPECT_EQ(__FirstActiveMAC(), nullptr);
  EXPECT_EQ(ActiveNIC(), nullptr);
}

TEST_F(NetworkLogic, LinkStatusZeroCountsAsActive) {
  Controller("en0", 0, kMacA);
  Controller("en1", 3, kMacB);
  EXPECT_EQ(GetMacAddressFromIOKit(), "0A:1B:2C:3D:4E:5F");
}

TEST_F(NetworkLogic, EntriesWithoutControllerOrStatusArePassedOver) {
  Controller("virt0", 3, kMacC, /*hasController=*/false);
  Controller("en0", std::nullopt, kMacA);
  Controller("en1", 3, kMacB);
  EXPECT_EQ(GetMacAddressFromIOKit(), "02:00:00:00:00:BB");
  EXPECT_EQ(fake_.statusReads, (std::vector<std::string>{"en0", "en1"}));
}

TEST_F(NetworkLogic, FirstActiveControllerWithoutMacEndsTheSearch) {
  Interface("en1", kMacB, {"10.0.1.1"});
  Controller("en0", 3, std::nullopt);
  Controller("en1", 3, kMacB);
  EXPECT_FALSE(GetMacAddressFromIOKit().has_value());
  EXPECT_EQ(fake_.macReads, std::vector<std::string>{"en0"});
  EXPECT_EQ(ActiveNIC(), nullptr);
}

TEST_F(NetworkLogic, MacPropertyIsTakenAsSixBytesZeroPadded) {
  Controller("en0", 3, Bytes{0xaa, 0xbb});
  EXPECT_EQ(GetMacAddressFromIOKit(), "AA:BB:00:00:00:00");
  fake_.ethernet->front().mac = Bytes{1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(GetMacAddressFromIOKit(), "01:02:03:04:05:06");
}

TEST_F(NetworkLogic, FailedRegistrySearchGivesNoActiveMac) {
  fake_.ethernet.reset();
  EXPECT_FALSE(GetMacAddressFromIOKit().has_value());
  EXPECT_EQ(__FirstActiveMAC(), nullptr);
}

// --- The active interface and the list
// ------------------------------------------------------------

TEST_F(NetworkLogic, ActiveNICIsMacCommaIPv4OfTheInterfaceCarryingTheActiveMac) {
  Interface("en0", kMacA, {"10.0.0.1"});
  Interface("en1", kMacB, {"192.168.1.20"}, {"fd00::20"});
  Controller("en1", 3, kMacB);
  EXPECT_EQ(Text(ActiveNIC()), "02:00:00:00:00:BB,192.168.1.20");
}

TEST_F(NetworkLogic, SharedMacGoesToTheNameThatSortsFirst) {
  Interface("en2", kMacA, {"10.0.2.1"});
  Interface("en10", kMacA, {"10.0.10.1"});
  Controller("en2", 3, kMacA);
  EXPECT_EQ(Text(ActiveNIC()), "0A:1B:2C:3D:4E:5F,10.0.10.1");
}

TEST_F(NetworkLogic, IPv6OnlyInterfaceGivesALoneComma) {
  Interface("en0", kMacA, {}, {"fd00::1"});
  Controller("en0", 3, kMacA);
  EXPECT_EQ(Text(ActiveNIC()), "0A:1B:2C:3D:4E:5F,");
  EXPECT_EQ(Text(LocalNICList()), "0A:1B:2C:3D:4E:5F,");
}

TEST_F(NetworkLogic, ActiveMacOnNoAddressedInterfaceGivesNull) {
  Interface("en0", kMacA, {"10.0.0.1"});
  Controller("en1", 3, kMacB);
  EXPECT_EQ(ActiveNIC(), nullptr);
}

TEST_F(NetworkLogic, InterfaceWithoutMacNeverMatches) {
  // A controller whose MAC property is all zero bytes must not match an interface whose lookup
  // gave nothing (an empty mac).
  fake_.addresses.push_back({"tun0", AddressFamily::IPv4, "10.8.0.1"});
  fake_.links["tun0"] = {9, FakePlatform::LinkFailure::None, {}};
  Controller("en0", 3, Bytes{});
  EXPECT_EQ(ActiveNIC(), nullptr);
}

// A controller whose driver never set an address reports six zero bytes, as loopback does: neither
// is a MAC. The zero controller is passed over for the next active one, the loopback keeps an
// empty mac, and without a real controller nothing matches loopback.
TEST_F(NetworkLogic, AllZeroAddressIsNoAddressOnEitherSide) {
  Interface("lo", Bytes(6, 0), {"127.0.0.1"});
  Interface("en0", kMacA, {"10.0.0.1"});
  Controller("en9", 3, Bytes(6, 0));
  EXPECT_EQ(Text(ActiveNIC()), "(null)");
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(__getMacForName("lo").has_value());
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(Text(LocalNICList()), "0A:1B:2C:3D:4E:5F,10.0.0.1|,127.0.0.1");

  Controller("en0", 3, kMacA);
  EXPECT_EQ(Text(ActiveNIC()), "0A:1B:2C:3D:4E:5F,10.0.0.1");
  EXPECT_EQ(fake_.macReads, (std::vector<std::string>{"en9", "en9", "en0"}));
}

TEST_F(NetworkLogic, ListOrdersNamesByUnsignedBytes) {
  Interface("lo0", Bytes(6, 0), {"127.0.0.1"});
  Interface("en2", kMacC, {"10.0.2.1"});
  Interface("\xC3\xA9n0", kMacB, {"10.0.9.1"});  // a byte above 0x7F sorts after every ASCII name
  Interface("en10", kMacB, {"10.0.10.1"});
  Interface("en1", kMacA, {"10.0.1.1"});
  EXPECT_EQ(Text(LocalNICList()),
            "0A:1B:2C:3D:4E:5F,10.0.1.1|02:00:00:00:00:BB,10.0.10.1|F0:DE:F1:00:00:CC,10.0.2.1|"
            ",127.0.0.1|02:00:00:00:00:BB,10.0.9.1");
}

TEST_F(NetworkLogic, ReturnedTextsAreOwnedPerFunction) {
  Interface("en0", kMacA, {"10.0.0.1"});
  Interface("en1", kMacB, {"10.0.1.1"});
  Controller("en0", 3, kMacA);
  const char* list = LocalNICList();
  const char* active = ActiveNIC();
  const char* first = __FirstActiveMAC();
  EXPECT_STREQ(list, "0A:1B:2C:3D:4E:5F,10.0.0.1|02:00:00:00:00:BB,10.0.1.1");
  EXPECT_STREQ(active, "0A:1B:2C:3D:4E:5F,10.0.0.1");
  EXPECT_STREQ(first, "0A:1B:2C:3D:4E:5F");
}

}  // namespace
}  // namespace identification
