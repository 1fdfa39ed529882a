// The disk and platform logic over the scripted platform: the first-entry-with-a-parent rule, the
// 512-byte text block, and the ASCII rule of the platform serial.
#include <gtest/gtest.h>

#include "identification/fake_platform.h"
#include "identification/utils.h"

namespace identification {
namespace {

class DiskLogic : public ::testing::Test {
 protected:
  static constexpr const char* kPath =
      "/devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0/block/sda/sda2";

  // The usual shape: the root device's entry, whose parent is the disk carrying the serial.
  void Disk(const std::string& serial) {
    fake_.rootPath = kPath;
    fake_.registry->push_back({kPath, "sda2", "sda"});
    fake_.serials["sda"] = serial;
  }
  static std::string Text(const char* text) { return text ? text : "(null)"; }

  FakePlatform fake_;
  ScopedPlatform scope_{fake_};
};

TEST_F(DiskLogic, SerialComesBackExactlyBlanksIncluded) {
  Disk("  WD-WCC4N1234567 \t");
  EXPECT_EQ(Text(DiskNumber()), "  WD-WCC4N1234567 \t");
  EXPECT_EQ(__GetDiskNumForDevicPath(kPath), "  WD-WCC4N1234567 \t");
}

TEST_F(DiskLogic, SerialOf511BytesComesBackWhole) {
  const std::string serial = std::string(509, 'S') + "\xC3\xA9";  // 511 bytes of UTF-8
  Disk(serial);
  EXPECT_EQ(Text(DiskNumber()), serial);
}

TEST_F(DiskLogic, SerialLongerThan511BytesGivesNullNotACutText) {
  Disk(std::string(512, 'S'));
  EXPECT_EQ(DiskNumber(), nullptr);
  EXPECT_EQ(__GetDiskNumForDevicPath(kPath)->size(), 512u);
}

TEST_F(DiskLogic, SerialThatIsNotUTF8OrHoldsANulGivesNull) {
  Disk(
      "AB\xFF"
      "CD");
  EXPECT_EQ(DiskNumber(), nullptr);
  fake_.serials["sda"] = std::string("AB\0CD", 5);
  EXPECT_EQ(DiskNumber(), nullptr);
}

TEST_F(DiskLogic, FirstEntryWithAParentDecidesEvenWithoutASerial) {
  fake_.rootPath = kPath;
  fake_.registry->push_back({kPath, "first", "bare-parent"});
  fake_.registry->push_back({kPath, "second", "sda"});
  fake_.serials["sda"] = "LATER";
  EXPECT_EQ(DiskNumber(), nullptr);
  EXPECT_EQ(fake_.serialReads, std::vector<std::string>{"bare-parent"});
}

TEST_F(DiskLogic, EntryWithoutParentIsPassedOver) {
  fake_.rootPath = kPath;
  fake_.registry->push_back({kPath, "orphan", std::nullopt});
  fake_.registry->push_back({"/other", "elsewhere", "sdb"});
  fake_.registry->push_back({kPath, "sda2", "sda"});
  fake_.serials["sdb"] = "WRONG";
  fake_.serials["sda"] = "RIGHT";
  EXPECT_EQ(Text(DiskNumber()), "RIGHT");
}

TEST_F(DiskLogic, NoRootVolumeNoEntryOrFailedSearchGivesNull) {
  fake_.serials["sda"] = "S";
  EXPECT_EQ(DiskNumber(), nullptr);  // no volume at "/"
  fake_.rootPath = kPath;
  EXPECT_EQ(DiskNumber(), nullptr);  // no matching entry
  fake_.registry->push_back({kPath, "orphan", std::nullopt});
  EXPECT_EQ(DiskNumber(), nullptr);  // only an entry without parent
  fake_.registry.reset();
  EXPECT_EQ(DiskNumber(), nullptr);  // the search fails
  EXPECT_FALSE(__GetDiskNumForDevicPath(kPath).has_value());
}

TEST_F(DiskLogic, PlatformSerialOutsideAsciiIsReturnedButNotAsText) {
  fake_.platformSerial = "C02\xC3\x9CX123";
  EXPECT_EQ(GetHardwareSerialNumber(), "C02\xC3\x9CX123");
  EXPECT_EQ(GetSystemSerialNumber(), nullptr);
}

TEST_F(DiskLogic, PlatformSerialWithANulIsNoText) {
  fake_.platformSerial = std::string("C02\0XK", 6);
  EXPECT_EQ(GetSystemSerialNumber(), nullptr);
}

TEST_F(DiskLogic, MissingPlatformIdsGiveNoValue) {
  EXPECT_FALSE(GetHardwareSerialNumber().has_value());
  EXPECT_EQ(GetSystemSerialNumber(), nullptr);
  EXPECT_FALSE(GetHardwareUUID().has_value());
  fake_.platformUuid = "4c4c4544-0042-3510-8051-b4c04f333132";
  EXPECT_EQ(GetHardwareUUID(), "4c4c4544-0042-3510-8051-b4c04f333132");
}

}  // namespace
}  // namespace identification
