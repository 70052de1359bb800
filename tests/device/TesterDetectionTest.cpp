// Tester-board detection over a station of a system disk and two boards of 24 and 8 slots,
// and what it does with testers that report odd numbers or odd INQUIRY data.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "FakeTransport.h"
#include "device/ReplyLayouts.h"
#include "device/ScsiPassThrough.h"

namespace {

using devicetest::InstalledFakeTransport;

// INQUIRY data of one device: its vendor and product texts, tester number and reply length.
struct InquiryAnswer {
  std::string vendor;
  std::string product;
  int testerNumber = 0;
  std::uint32_t length = 96;
  std::uint8_t additionalLength = 91;
};

device::InquiryData Encode(const InquiryAnswer& answer) {
  device::InquiryData data{};
  std::memset(data.vendor, ' ', sizeof(data.vendor));
  std::memset(data.product, ' ', sizeof(data.product));
  std::memcpy(data.vendor, answer.vendor.data(), std::min(answer.vendor.size(), sizeof(data.vendor)));
  std::memcpy(data.product, answer.product.data(), std::min(answer.product.size(), sizeof(data.product)));
  data.additionalLength = answer.additionalLength;
  data.testerNumber = static_cast<std::uint8_t>(answer.testerNumber);
  return data;
}

// A station: device path -> INQUIRY answer; devices without an answer fail their INQUIRY.
void Answer(devicetest::FakeTransport& transport, std::map<std::string, InquiryAnswer> answers) {
  transport.SetAnswer([answers](const std::string& path, device::PassThroughRequest& request) {
    device::PassThroughResult result;
    const auto found = answers.find(path);
    if (found == answers.end() || request.cdb[0] != 0x12) {
      result.scsiStatus = device::kScsiCheckCondition;
      result.sense = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0x00};
      result.senseLength = 18;
      return result;
    }
    const device::InquiryData data = Encode(found->second);
    const std::uint32_t length = std::min(found->second.length, request.dataLength);
    std::memcpy(request.data, &data, length);
    result.transferred = length;
    return result;
  });
}

// Drive 1 is the system disk; boards follow with testers 1..24 and 25..32.
struct Station {
  std::vector<device::TransportDisk> disks;
  std::map<std::string, InquiryAnswer> answers;
};

Station TwoBoards() {
  Station station;
  station.disks.push_back({"/dev/system", "sata0"});
  station.answers["/dev/system"] = {"ATA", "Bramble SSD 100", 0};
  for (int slot = 1; slot <= 32; ++slot) {
    const std::string path = "/dev/slot" + std::to_string(slot);
    station.disks.push_back({path, "board" + std::to_string(slot <= 24 ? 1 : 2) + "/port" + std::to_string(slot)});
    station.answers[path] = {"TERVID", slot <= 24 ? "SATA TESTER-S" : "SATA3-TESTER", slot};
  }
  return station;
}

TEST(TesterDetection, TwoBoardsOf24And8Slots) {
  const Station station = TwoBoards();
  InstalledFakeTransport transport(station.disks);
  Answer(*transport, station.answers);
  CScsiPassThrough access;
  access.m_TesterDrive[40] = 99;  // left from an earlier search
  ASSERT_EQ(access.DetectTesterBoards(0, ""), 1) << access.LastErrorMessage();
  EXPECT_EQ(access.TesterCount(), 32);
  for (int tester = 1; tester <= 32; ++tester) {
    EXPECT_EQ(access.m_TesterDrive[tester], static_cast<std::uint32_t>(tester + 1)) << "tester " << tester;
  }
  for (int tester = 33; tester <= 48; ++tester) EXPECT_EQ(access.m_TesterDrive[tester], 0u);
  EXPECT_EQ(access.m_TesterDrive[0], 0u);
  EXPECT_TRUE(access.LastErrorMessage().empty());
}

TEST(TesterDetection, NoTesterOrNoTransport) {
  InstalledFakeTransport transport(std::vector<device::TransportDisk>{{"/dev/system", "sata0"}});
  Answer(*transport, {{"/dev/system", {"ATA", "Some Disk", 0}}});
  CScsiPassThrough access;
  EXPECT_EQ(access.DetectTesterBoards(0, ""), 0);
  EXPECT_EQ(access.TesterCount(), 0);
  EXPECT_FALSE(access.LastErrorMessage().empty());

  device::SetTransport(nullptr);
  EXPECT_EQ(access.DetectTesterBoards(0, ""), 0);
}

TEST(TesterDetection, ANumberOutsideTheRangeFailsTheSearch) {
  for (int bad : {0, 49, 255}) {
    Station station = TwoBoards();
    station.answers["/dev/slot5"].testerNumber = bad;
    InstalledFakeTransport transport(station.disks);
    Answer(*transport, station.answers);
    CScsiPassThrough access;
    EXPECT_EQ(access.DetectTesterBoards(0, ""), 0) << bad;
    EXPECT_EQ(access.m_TesterDrive[5], 0u);
    EXPECT_EQ(access.m_TesterDrive[6], 7u) << "the other testers are still found";
    EXPECT_NE(access.LastErrorMessage().find("outside 1..48"), std::string::npos);
  }
}

TEST(TesterDetection, TwoTestersWithOneNumberKeepTheFirst) {
  Station station = TwoBoards();
  station.answers["/dev/slot9"].testerNumber = 3;
  InstalledFakeTransport transport(station.disks);
  Answer(*transport, station.answers);
  CScsiPassThrough access;
  EXPECT_EQ(access.DetectTesterBoards(0, ""), 0);
  EXPECT_EQ(access.m_TesterDrive[3], 4u);
  EXPECT_EQ(access.m_TesterDrive[9], 0u);
}

TEST(TesterDetection, OddInquiryDataIsNoTester) {
  Station station = TwoBoards();
  station.answers["/dev/slot1"].length = 36;            // stops before the tester number
  station.answers["/dev/slot2"].additionalLength = 31;  // its own length stops there too
  station.answers["/dev/slot3"].vendor = "TERVIDX";
  station.answers["/dev/slot4"].product = "SATA TESTER";
  station.answers.erase("/dev/slot6");                  // does not answer INQUIRY
  station.disks[7].devicePath.clear();                  // an empty place in the listing (slot 7)
  InstalledFakeTransport transport(station.disks);
  Answer(*transport, station.answers);
  CScsiPassThrough access;
  EXPECT_EQ(access.DetectTesterBoards(0, ""), 1);
  for (int tester : {1, 2, 3, 4, 6, 7}) EXPECT_EQ(access.m_TesterDrive[tester], 0u) << tester;
  EXPECT_EQ(access.m_TesterDrive[5], 6u);
  EXPECT_EQ(access.TesterCount(), 26);
}

TEST(TesterDetection, InquiryOfOneDriveNumber) {
  const Station station = TwoBoards();
  InstalledFakeTransport transport(station.disks);
  Answer(*transport, station.answers);
  CScsiPassThrough access;
  std::array<std::uint8_t, 96> data{};
  std::uint32_t length = 0;
  ASSERT_EQ(access.Inquiry(26, data, length), 1);
  int number = 0;
  EXPECT_TRUE(CScsiPassThrough::IsTesterInquiry(data, length, number));
  EXPECT_EQ(number, 25);
  EXPECT_EQ(access.Inquiry(40, data, length), 0);
  EXPECT_FALSE(access.LastErrorMessage().empty());
}

}  // namespace
