// The serial-number hand-out: where a series starts, how it counts, what it records, what it
// refuses, and 24 slots asking at once.
#include <gtest/gtest.h>

#include <filesystem>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/firmware/SerialNumbers.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "support/ScratchStation.h"

namespace {

namespace fw = engine::firmware;

constexpr char kLogFolder[] = ".\\WO1_PC";
constexpr char kSetting[] = ".\\SATA_Setting.ini";
constexpr char kRecord[] = ".\\WO1_PC\\SATA_RecordSN.ini";

class SerialNumbers : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::FlushProfileCache();
    platform::SetFixedLocalTime(platform::LocalTime{2024, 5, 6, 7, 8, 9, 0, 1});
  }
  void TearDown() override { platform::SetFixedLocalTime(std::nullopt); }
  void Setting(const std::string& lastSn, const std::string& serialNum = "") {
    station.WriteFile("SATA_Setting.ini", "[Global_Setting]\r\nSN_Log_Path=\r\nLast SN=" + lastSn + "\r\n");
    if (!serialNum.empty()) station.WriteFile("param.ini", "[General Info]\r\nSerialNum=" + serialNum + "\r\n");
    platform::FlushProfileCache();
  }
  std::string LastSn() const { return platform::ReadProfileString(kSetting, "Global_Setting", "Last SN", "?"); }
  std::string Record(const char* section, const std::string& key) const {
    return platform::ReadProfileString(kRecord, section, key, "");
  }

  testsupport::ScratchStation station;
};

TEST_F(SerialNumbers, SeriesStartsAtSerialNumWithoutPrefix) {
  Setting("", "5");
  const fw::SerialHandOut first = fw::HandOutSerialNumber(3, kLogFolder);
  ASSERT_TRUE(first.ok) << first.message;
  EXPECT_EQ(first.serial, "00000005");
  EXPECT_EQ(LastSn(), "00000006");
  EXPECT_EQ(Record("Serial Number", "Start Serial Number"), "00000005");
  EXPECT_EQ(Record("Serial Number", "Last Serial Number"), "00000006");
  EXPECT_EQ(Record("Handed Out", "00000005"), "Tester-3 [2024-05-06-07-08-09]");
  EXPECT_EQ(fw::HandOutSerialNumber(4, kLogFolder).serial, "00000006");
  EXPECT_EQ(Record("Serial Number", "Start Serial Number"), "00000005");
}

TEST_F(SerialNumbers, NoSettingsStartAtZero) {
  const fw::SerialHandOut first = fw::HandOutSerialNumber(1, kLogFolder);
  ASSERT_TRUE(first.ok) << first.message;
  EXPECT_EQ(first.serial, "00000000");
  EXPECT_EQ(LastSn(), "00000001");
}

TEST_F(SerialNumbers, LastSnKeepsItsPrefixAndCounts) {
  Setting("TV3160ABCDEF00000042");
  EXPECT_EQ(fw::HandOutSerialNumber(1, kLogFolder).serial, "TV3160ABCDEF00000042");
  EXPECT_EQ(fw::HandOutSerialNumber(1, kLogFolder).serial, "TV3160ABCDEF00000043");
  EXPECT_EQ(LastSn(), "TV3160ABCDEF00000044");
}

TEST_F(SerialNumbers, RecordFollowsSnLogPath) {
  station.WriteFile("SATA_Setting.ini", "[Global_Setting]\r\nSN_Log_Path=.\\SN\\Logs\\\r\nLast SN=A00000001\r\n");
  platform::FlushProfileCache();
  ASSERT_TRUE(fw::HandOutSerialNumber(1, kLogFolder).ok);
  EXPECT_EQ(fw::SerialRecordPath(kLogFolder), ".\\SN\\Logs\\SATA_RecordSN.ini");
  EXPECT_EQ(platform::ReadProfileString(".\\SN\\Logs\\SATA_RecordSN.ini", "Handed Out", "A00000001", "").substr(0, 9),
            "Tester-1 ");
}

TEST_F(SerialNumbers, MalformedSeriesIsRefusedAndNothingMoves) {
  for (const char* last : {"ABC", "TV3160ABCDEFGHIJ0000004X", "TOOLONGPREFIX1200000001"}) {
    Setting(last);
    const fw::SerialHandOut out = fw::HandOutSerialNumber(1, kLogFolder);
    EXPECT_FALSE(out.ok) << last;
    EXPECT_EQ(out.message, std::string("Last SN of SATA_Setting.ini is not a serial number (") + last + ")");
    EXPECT_EQ(LastSn(), last);
  }
  Setting("", "-3");
  EXPECT_EQ(fw::HandOutSerialNumber(1, kLogFolder).message, "SerialNum of param.ini is not a serial counter (-3)");
  Setting("", "123456789");
  EXPECT_FALSE(fw::HandOutSerialNumber(1, kLogFolder).ok);
}

TEST_F(SerialNumbers, NumbersAlreadyHandedOutAreSkipped) {
  Setting("P00000007");
  station.WriteFile("WO1_PC/SATA_RecordSN.ini",
                    "[Handed Out]\r\nP00000007=Tester-2 [x]\r\nP00000008=Tester-5 [x]\r\n");
  platform::FlushProfileCache();
  const fw::SerialHandOut out = fw::HandOutSerialNumber(1, kLogFolder);
  ASSERT_TRUE(out.ok) << out.message;
  EXPECT_EQ(out.serial, "P00000009");
  EXPECT_EQ(LastSn(), "P00000010");
  EXPECT_EQ(Record("Handed Out", "P00000007"), "Tester-2 [x]");
}

TEST_F(SerialNumbers, LastCounterIsNeverHandedOut) {
  Setting("Z99999999");
  const fw::SerialHandOut out = fw::HandOutSerialNumber(1, kLogFolder);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.message, "Serial number series is used up (Z99999999)");
  EXPECT_EQ(LastSn(), "Z99999999");
}

TEST_F(SerialNumbers, UnwritableCounterHandsOutNothing) {
  // A folder where the settings file should be: the counter cannot move on.
  std::filesystem::create_directory(station.Folder() / "SATA_Setting.ini");
  platform::FlushProfileCache();
  const fw::SerialHandOut out = fw::HandOutSerialNumber(1, kLogFolder);
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.message, "Cannot write Last SN of SATA_Setting.ini");
  EXPECT_TRUE(platform::ReadProfileSection(kRecord, "Handed Out").empty());
}

TEST(SerialNumbersThreads, TwentyFourSlotsGetDistinctNumbersAndOneConsistentRecord) {
  testsupport::ScratchStation station;
  station.WriteFile("SATA_Setting.ini", "[Global_Setting]\r\nLast SN=TVSERIES00000100\r\n");
  platform::FlushProfileCache();
  std::vector<std::string> serials(24);
  std::vector<std::thread> slots;
  for (int port = 1; port <= 24; ++port) {
    slots.emplace_back([&serials, port] {
      const fw::SerialHandOut out = fw::HandOutSerialNumber(port, kLogFolder);
      serials[static_cast<std::size_t>(port - 1)] = out.ok ? out.serial : "failed: " + out.message;
    });
  }
  for (auto& slot : slots) slot.join();
  const std::set<std::string> distinct(serials.begin(), serials.end());
  EXPECT_EQ(distinct.size(), 24u);
  for (int n = 100; n < 124; ++n) {
    const std::string serial = "TVSERIES" + platform::Format("%08d", n);
    EXPECT_EQ(distinct.count(serial), 1u) << serial;
  }
  EXPECT_EQ(platform::ReadProfileString(kSetting, "Global_Setting", "Last SN", ""), "TVSERIES00000124");
  const auto handedOut = platform::ReadProfileSection(kRecord, "Handed Out");
  ASSERT_EQ(handedOut.size(), 24u);
  std::set<std::string> recordedPorts;
  for (const auto& [serial, value] : handedOut) {
    EXPECT_EQ(distinct.count(serial), 1u);
    recordedPorts.insert(value.substr(0, value.find(' ')));
  }
  EXPECT_EQ(recordedPorts.size(), 24u);
  EXPECT_EQ(platform::ReadProfileString(kRecord, "Serial Number", "Last Serial Number", ""), "TVSERIES00000124");
}

}  // namespace
