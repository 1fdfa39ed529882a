// The pure parsers under the Linux backend, over bytes built in the test: netlink link replies,
// sysfs attributes and link targets, VPD pages, udev databases, ifconfig output, mountinfo, the
// kernel command line's root= and UTF-8.
// Truncated and unaligned inputs sit in buffers of their exact size, so the sanitizers see any
// read beyond them.
#include <gtest/gtest.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>

#include <cstring>
#include <memory>

#include "identification/parse_cmdline.h"
#include "identification/parse_ifconfig.h"
#include "identification/parse_mountinfo.h"
#include "identification/parse_netlink.h"
#include "identification/parse_sysfs.h"
#include "identification/parse_udev.h"
#include "identification/parse_vpd.h"
#include "identification/utf8.h"

namespace identification {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Mac = std::array<std::uint8_t, 6>;

// --- Netlink link replies
// -------------------------------------------------------------------------

struct Attribute {
  std::uint16_t type;
  Bytes payload;
};

Bytes LinkMessage(int index, const std::vector<Attribute>& attributes,
                  std::uint16_t type = RTM_NEWLINK, std::uint32_t sequence = 1) {
  std::size_t length = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(ifinfomsg));
  for (const Attribute& attribute : attributes) length += RTA_SPACE(attribute.payload.size());
  Bytes message(length, 0);
  nlmsghdr header{};
  header.nlmsg_len = static_cast<std::uint32_t>(length);
  header.nlmsg_type = type;
  header.nlmsg_seq = sequence;
  std::memcpy(message.data(), &header, sizeof header);
  ifinfomsg info{};
  info.ifi_index = index;
  std::memcpy(message.data() + NLMSG_HDRLEN, &info, sizeof info);
  std::size_t at = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(ifinfomsg));
  for (const Attribute& attribute : attributes) {
    const rtattr head{static_cast<unsigned short>(RTA_LENGTH(attribute.payload.size())),
                      attribute.type};
    std::memcpy(message.data() + at, &head, sizeof head);
    if (!attribute.payload.empty())
      std::memcpy(message.data() + at + sizeof head, attribute.payload.data(),
                  attribute.payload.size());
    at += RTA_SPACE(attribute.payload.size());
  }
  return message;
}

Bytes Name(const char* name) { return Bytes(name, name + std::strlen(name) + 1); }

std::optional<Mac> Parse(const Bytes& reply, unsigned index) {
  // A heap block of exactly the reply's size.
  const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[reply.size() ? reply.size() : 1]);
  if (!reply.empty()) std::memcpy(exact.get(), reply.data(), reply.size());
  return HardwareAddressFromLinkReply({exact.get(), reply.size()}, index);
}

TEST(NetlinkReply, GivesTheSixAddressBytesOfTheAskedIndex) {
  const Bytes reply = LinkMessage(4, {{IFLA_IFNAME, Name("eth0")},
                                      {IFLA_MTU, {0xdc, 0x05, 0, 0}},
                                      {IFLA_ADDRESS, {0x02, 0xfc, 0, 0, 0, 0x01}},
                                      {IFLA_BROADCAST, {0xff, 0xff, 0xff, 0xff, 0xff, 0xff}}});
  EXPECT_EQ(Parse(reply, 4), (Mac{0x02, 0xfc, 0, 0, 0, 0x01}));
  EXPECT_FALSE(Parse(reply, 5).has_value());
}

TEST(NetlinkReply, LongerAddressGivesItsFirstSixBytes) {
  Bytes infiniband(20);
  for (std::size_t i = 0; i < infiniband.size(); ++i)
    infiniband[i] = static_cast<std::uint8_t>(i + 1);
  EXPECT_EQ(Parse(LinkMessage(3, {{IFLA_ADDRESS, infiniband}}), 3), (Mac{1, 2, 3, 4, 5, 6}));
}

TEST(NetlinkReply, ShortOrMissingAddressGivesNoValue) {
  EXPECT_FALSE(Parse(LinkMessage(7, {{IFLA_IFNAME, Name("tun0")}}), 7).has_value());
  EXPECT_FALSE(Parse(LinkMessage(8, {{IFLA_ADDRESS, {10, 0, 0, 1}}}), 8).has_value());  // ipip
  EXPECT_FALSE(Parse(LinkMessage(8, {{IFLA_ADDRESS, {}}}), 8).has_value());
  EXPECT_FALSE(Parse({}, 1).has_value());
}

TEST(NetlinkReply, EveryTruncationGivesNoValue) {
  const Bytes reply =
      LinkMessage(4, {{IFLA_IFNAME, Name("eth0")}, {IFLA_ADDRESS, {1, 2, 3, 4, 5, 6}}});
  for (std::size_t length = 0; length < reply.size(); ++length)
    EXPECT_FALSE(
        Parse(Bytes(reply.begin(), reply.begin() + static_cast<long>(length)), 4).has_value())
        << "length " << length;
}

TEST(NetlinkReply, AttributeLengthsThatLieGiveNoValue) {
  Bytes reply = LinkMessage(4, {{IFLA_IFNAME, Name("eth0")}, {IFLA_ADDRESS, {1, 2, 3, 4, 5, 6}}});
  const std::size_t first = NLMSG_HDRLEN + NLMSG_ALIGN(sizeof(ifinfomsg));
  Bytes beyond = reply;
  beyond[first] = 0xff;  // the name attribute claims to run past the message
  EXPECT_FALSE(Parse(beyond, 4).has_value());
  Bytes tooSmall = reply;
  tooSmall[first] = 2;  // shorter than its own header: must not loop or read
  tooSmall[first + 1] = 0;
  EXPECT_FALSE(Parse(tooSmall, 4).has_value());
  Bytes messageTooLong = reply;
  messageTooLong[0] = static_cast<std::uint8_t>(reply.size() + 4);
  EXPECT_FALSE(Parse(messageTooLong, 4).has_value());
}

TEST(NetlinkReply, NestedFlagOnTheTypeIsIgnoredAndAlignmentDoesNotMatter) {
  const Bytes reply = LinkMessage(
      2, {{static_cast<std::uint16_t>(IFLA_ADDRESS | NLA_F_NESTED), {9, 8, 7, 6, 5, 4}}});
  Bytes shifted(reply.size() + 1);
  std::memcpy(shifted.data() + 1, reply.data(), reply.size());
  EXPECT_EQ(HardwareAddressFromLinkReply({shifted.data() + 1, reply.size()}, 2),
            (Mac{9, 8, 7, 6, 5, 4}));
}

TEST(NetlinkReply, ErrorReplyGivesNoAddressAndItsCode) {
  Bytes error(NLMSG_HDRLEN + sizeof(nlmsgerr), 0);
  nlmsghdr header{};
  header.nlmsg_len = static_cast<std::uint32_t>(error.size());
  header.nlmsg_type = NLMSG_ERROR;
  header.nlmsg_seq = 77;
  nlmsgerr body{};
  body.error = -19;
  std::memcpy(error.data(), &header, sizeof header);
  std::memcpy(error.data() + NLMSG_HDRLEN, &body, sizeof body);
  EXPECT_FALSE(Parse(error, 4).has_value());
  EXPECT_EQ(NetlinkErrorOf(error), -19);
  EXPECT_EQ(NetlinkSequenceOf(error), 77u);
  EXPECT_FALSE(NetlinkErrorOf(LinkMessage(4, {})).has_value());
  EXPECT_FALSE(NetlinkErrorOf(Bytes(error.begin(), error.begin() + 20)).has_value());
  EXPECT_FALSE(NetlinkSequenceOf(Bytes(10, 0)).has_value());
}

// --- sysfs attributes
// -----------------------------------------------------------------------------

TEST(SysfsAttribute, OnlyTheOneLineEndIsRemoved) {
  EXPECT_EQ(AttributeValue(" S3R \n"), " S3R ");
  EXPECT_EQ(AttributeValue("S\n\n"), "S\n");
  EXPECT_EQ(AttributeValue("overlayblk"), "overlayblk");
}

TEST(SysfsAttribute, DecimalMustFillTheValue) {
  EXPECT_EQ(DecimalAttribute("1\n"), 1);
  EXPECT_EQ(DecimalAttribute("772"), 772);
  for (const char* bad : {"", "\n", " 1", "1 ", "1x", "-1", "+1", "0x1", "99999999999999999999"})
    EXPECT_FALSE(DecimalAttribute(bad).has_value()) << bad;
}

TEST(SysfsAttribute, MacTextParsesAnyLengthAndRejectsMalformedText) {
  EXPECT_EQ(MacAttribute("02:fc:00:00:00:01\n"), (Bytes{0x02, 0xfc, 0, 0, 0, 0x01}));
  EXPECT_EQ(MacAttribute("A:b:0c"), (Bytes{0x0a, 0x0b, 0x0c}));
  for (const char* bad : {"", "\n", "02:fc:", ":02", "02::fc", "0g", "02-fc", "123"})
    EXPECT_FALSE(MacAttribute(bad).has_value()) << bad;
}

TEST(SysfsAttribute, DeviceNumberIsMajorColonMinor) {
  const std::optional<DeviceNumber> number = DeviceNumberAttribute("259:12\n");
  ASSERT_TRUE(number.has_value());
  EXPECT_EQ(number->major, 259u);
  EXPECT_EQ(number->minor, 12u);
  for (const char* bad : {"", "8", "8:", ":0", "8:0:1", "a:b", "8 :0"})
    EXPECT_FALSE(DeviceNumberAttribute(bad).has_value()) << bad;
}

TEST(SysfsAttribute, BlockLinkTargetStaysInsideTheTree) {
  EXPECT_EQ(DevicePathFromBlockLink("../../devices/pci0000:00/0000:00:02.0/virtio1/block/vda"),
            "/devices/pci0000:00/0000:00:02.0/virtio1/block/vda");
  for (const char* bad :
       {"", "../../", "../../../etc", "../devices/x", "/sys/devices/x", "../../devices/../../x"})
    EXPECT_FALSE(DevicePathFromBlockLink(bad).has_value()) << bad;
  EXPECT_TRUE(IsPlainDevicePath("/devices/a..b/..c"));
  EXPECT_FALSE(IsPlainDevicePath("/devices/.."));
  EXPECT_FALSE(IsPlainDevicePath(std::string_view("/devices\0/x", 11)));
}

TEST(SysfsAttribute, RelativeLinkIsResolvedFromItsFolderAndNeverAboveTheTop) {
  constexpr std::string_view kSlaves = "/devices/virtual/block/dm-1/slaves";
  EXPECT_EQ(ResolveRelative(kSlaves, "../../dm-0"), "/devices/virtual/block/dm-0");
  EXPECT_EQ(ResolveRelative(kSlaves, "../../../../pci0000:00/0000:00:1f.2/block/sda/./sda2//"),
            "/devices/pci0000:00/0000:00:1f.2/block/sda/sda2");
  EXPECT_EQ(ResolveRelative("/dev/disk/by-partuuid", "../../mmcblk0p2"), "/dev/mmcblk0p2");
  for (const char* bad : {"", "/devices/virtual/block/dm-0", "../../../../../../x"})
    EXPECT_FALSE(ResolveRelative(kSlaves, bad).has_value()) << bad;
  EXPECT_FALSE(ResolveRelative("/devices/../x", "y").has_value());
}

// --- VPD page 0x80
// --------------------------------------------------------------------------------

Bytes Page80(const std::string& serial, int declared = -1) {
  const std::size_t length = declared < 0 ? serial.size() : static_cast<std::size_t>(declared);
  Bytes page(4 + serial.size(), 0);
  page[1] = 0x80;
  page[2] = static_cast<std::uint8_t>(length >> 8);
  page[3] = static_cast<std::uint8_t>(length & 0xff);
  std::memcpy(page.data() + 4, serial.data(), serial.size());
  return page;
}

std::optional<std::string> ParsePage(const Bytes& page) {
  const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[page.size() ? page.size() : 1]);
  if (!page.empty()) std::memcpy(exact.get(), page.data(), page.size());
  return SerialFromVpdPage80({exact.get(), page.size()});
}

TEST(VpdPage80, SerialKeepsItsBlanks) {
  EXPECT_EQ(ParsePage(Page80("     WD-WCC4N1234567")), "     WD-WCC4N1234567");
  EXPECT_EQ(ParsePage(Page80("Z1D2 ")), "Z1D2 ");
}

TEST(VpdPage80, LengthIsBoundedByBothTheFieldAndTheBytes) {
  EXPECT_EQ(ParsePage(Page80("SERIAL", 300)), "SERIAL");  // claims more than there is
  EXPECT_EQ(ParsePage(Page80("SERIALJUNK", 6)), "SERIAL");
}

TEST(VpdPage80, NulPaddingIsDroppedAndAnEmptySerialIsNone) {
  EXPECT_EQ(ParsePage(Page80(std::string("AB12\0\0\0", 7))), "AB12");
  EXPECT_FALSE(ParsePage(Page80(std::string(4, '\0'))).has_value());
  EXPECT_FALSE(ParsePage(Page80("")).has_value());
}

TEST(VpdPage80, WrongPageOrShortHeaderIsNone) {
  Bytes page83 = Page80("NAA");
  page83[1] = 0x83;
  EXPECT_FALSE(ParsePage(page83).has_value());
  EXPECT_FALSE(ParsePage({0x00, 0x80, 0x00}).has_value());
  EXPECT_FALSE(ParsePage({}).has_value());
}

// --- udev database
// --------------------------------------------------------------------------------

constexpr std::string_view kUdevDatabase =
    "S:disk/by-id/ata-WDC_WD10EZEX-08WN4A0_WD-WCC6Y1234567\n"
    "I:1823456\n"
    "E:ID_SERIAL_SHORTER=wrong\n"
    "E:ID_SERIAL_SHORT=WD-WCC6Y1234567\n"
    "E:ID_SERIAL=WDC_WD10EZEX-08WN4A0_WD-WCC6Y1234567\n"
    "G:systemd";

TEST(UdevDatabase, FindsTheExactKeyOnAPropertyLine) {
  EXPECT_EQ(UdevProperty(kUdevDatabase, "ID_SERIAL_SHORT"), "WD-WCC6Y1234567");
  EXPECT_EQ(UdevProperty(kUdevDatabase, "ID_SERIAL"), "WDC_WD10EZEX-08WN4A0_WD-WCC6Y1234567");
  EXPECT_FALSE(UdevProperty(kUdevDatabase, "ID_MODEL").has_value());
  EXPECT_FALSE(UdevProperty("S:ID_SERIAL_SHORT=link\n", "ID_SERIAL_SHORT").has_value());
}

TEST(UdevDatabase, LastLineWithoutLineEndAndValuesWithBlanks) {
  EXPECT_EQ(UdevProperty("E:ID_SERIAL_SHORT= 12 34 ", "ID_SERIAL_SHORT"), " 12 34 ");
  EXPECT_EQ(UdevProperty("E:ID_SERIAL_SHORT=", "ID_SERIAL_SHORT"), "");
  EXPECT_EQ(UdevProperty(std::string_view("\0E:K=v\nE:K=w", 12), "K"), "w");
}

// --- ifconfig output
// ------------------------------------------------------------------------------

TEST(IfconfigOutput, FirstEtherDecidesEvenInsideAWord) {
  EXPECT_EQ(MacFromIfconfigOutput("eth0: ...\n        ether 02:fc:00:00:00:01  txqueuelen 1000\n"
                                  "eth1: ...\n        ether 02:fc:00:00:00:02\n"),
            "02:fc:00:00:00:01");
  EXPECT_EQ(MacFromIfconfigOutput("media: ethernet autoselect\n\tether 0a:0b:0c:0d:0e:0f\n"),
            "et autoselect\n\tet");
}

TEST(IfconfigOutput, NeedsSeventeenCharactersAfterTheSkippedOne) {
  EXPECT_EQ(MacFromIfconfigOutput("ether 02:fc:00:00:00:01"), "02:fc:00:00:00:01");
  EXPECT_FALSE(MacFromIfconfigOutput("ether 02:fc:00:00:00:0").has_value());
  EXPECT_FALSE(MacFromIfconfigOutput("ether").has_value());
  EXPECT_FALSE(MacFromIfconfigOutput("Ether 02:fc:00:00:00:01").has_value());
  EXPECT_FALSE(MacFromIfconfigOutput("").has_value());
}

TEST(IfconfigOutput, NulBytesDoNotEndTheOutput) {
  const std::string output("lo\0flags\0\n\tether 0a:1b:2c:3d:4e:5f\n", 36);
  EXPECT_EQ(MacFromIfconfigOutput(output), "0a:1b:2c:3d:4e:5f");
}

// --- mountinfo
// ------------------------------------------------------------------------------------

std::optional<std::string> MountSource(std::string_view mountinfo, std::string_view point) {
  const std::optional<Mount> mount = MountAt(mountinfo, point);
  if (!mount) return std::nullopt;
  return mount->source;
}

TEST(Mountinfo, SourceOfTheTopmostMountAtThePoint) {
  constexpr std::string_view kInfo =
      "22 1 0:21 / / rw,relatime shared:1 - btrfs /dev/nvme0n1p3 rw,subvol=/root\n"
      "23 22 0:22 / /sys rw,relatime - sysfs sysfs rw\n"
      "garbage\n"
      "24 22 0:40 / / rw master:3 - overlay overlay rw,lowerdir=/a\n";
  EXPECT_EQ(MountSource(kInfo, "/"), "overlay");
  EXPECT_EQ(MountSource(kInfo.substr(0, kInfo.find("garbage")), "/"), "/dev/nvme0n1p3");
  EXPECT_EQ(MountSource(kInfo, "/sys"), "sysfs");
  EXPECT_FALSE(MountSource(kInfo, "/home").has_value());
  const std::optional<Mount> root = MountAt(kInfo, "/");
  ASSERT_TRUE(root && root->device);
  EXPECT_EQ(root->device->major, 0u);
  EXPECT_EQ(root->device->minor, 40u);
  // What a capture keeps answers the same.
  EXPECT_EQ(MountLinesAt(kInfo, "/"),
            "22 1 0:21 / / rw,relatime shared:1 - btrfs /dev/nvme0n1p3 rw,subvol=/root\n"
            "24 22 0:40 / / rw master:3 - overlay overlay rw,lowerdir=/a\n");
}

TEST(Mountinfo, EscapesAreDecodedAndLinesWithoutSeparatorSkipped) {
  EXPECT_EQ(
      MountSource("30 1 8:1 / /mnt/my\\040disk rw - ext4 /dev/sd\\134a1 rw\n", "/mnt/my disk"),
      "/dev/sd\\a1");
  EXPECT_FALSE(MountSource("30 1 8:1 / / rw ext4 /dev/sda1 rw\n", "/").has_value());
  EXPECT_FALSE(MountSource("30 1 8:1 / / rw - ext4\n", "/").has_value());
}

TEST(KernelCmdline, LastRootArgumentNamesAPathUnderDevOrANumber) {
  const auto root = KernelRootArgument("ro root=/dev/sda1 quiet root=PARTUUID=1A2B-02 x=root=y\n");
  ASSERT_TRUE(root && root->devPath);
  EXPECT_EQ(*root->devPath, "/dev/disk/by-partuuid/1a2b-02");
  EXPECT_EQ(KernelRootArgument("root=PARTLABEL=system")->devPath, "/dev/disk/by-partlabel/system");
  const auto number = KernelRootArgument("root=179:2");
  ASSERT_TRUE(number && number->device);
  EXPECT_EQ(number->device->minor, 2u);
  for (const char* unfollowed : {"quiet", "root=UUID=0a1b", "root=PARTUUID=1a/PARTNROFF=1",
                                 "root=/dev/../etc/x", "root=PARTLABEL=..", "root=0802"})
    EXPECT_FALSE(KernelRootArgument(unfollowed).has_value()) << unfollowed;
  EXPECT_EQ(KernelRootArguments("BOOT_IMAGE=/vmlinuz root=/dev/vda2 ro luks.key=secret\n"),
            "root=/dev/vda2\n");
}

// --- UTF-8 and MAC texts
// --------------------------------------------------------------------------

TEST(Utf8, WellFormedPassesAndOtherBytesAreReadAsLatin1) {
  EXPECT_TRUE(IsUtf8(""));
  EXPECT_TRUE(IsUtf8("S3R1AL \xC3\xA9\xE2\x82\xAC\xF0\x9F\x94\x91"));
  for (const char* bad : {"\x80", "\xC3", "\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80",
                          "\xF4\x90\x80\x80", "\xFF", "\xE2\x82"})
    EXPECT_FALSE(IsUtf8(bad)) << bad;
  EXPECT_EQ(ToUtf8("Caf\xE9"), "Caf\xC3\xA9");
  EXPECT_EQ(ToUtf8("Caf\xC3\xA9"), "Caf\xC3\xA9");
  EXPECT_EQ(ToUtf8(std::string_view("A\0B", 3)), std::string("A\0B", 3));
}

}  // namespace
}  // namespace identification
