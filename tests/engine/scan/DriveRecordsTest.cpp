// Records read from the simulated drive as they are (the RDT information record, debug
// sectors) and the timing-window scan with the engine's window-scan text.
#include <array>
#include <cstring>

#include "ScanFixture.h"
#include "device/records/InfoBlock.h"

namespace {

using scantest::ScanTest;
using Record = std::array<std::uint8_t, 64>;

class DriveRecordsTest : public ScanTest {
 protected:
  void SetUp() override {
    ScanTest::SetUp();
    sim::DriveProfile profile = scantest::SmallDrive();
    profile.rdt.state = sim::RdtState::Done;
    profile.rdt.ceMap = 0x0003;
    Install(profile);
  }
};

TEST_F(DriveRecordsTest, TheRdtRecordComesWithItsTableChecksum) {
  Record info;
  info.fill(0xAA);
  std::uint16_t checksum = 0;
  ASSERT_EQ(device->ReadRDTInfo(info.data(), &checksum), 1) << device->m_ErrorMessage;
  EXPECT_EQ(std::memcmp(info.data(), "TVRT", 4), 0);
  EXPECT_EQ(info[0x13] | (info[0x14] << 8), 0x0003);   // the CE map word the callers take
  EXPECT_EQ(checksum, info[21] | (info[22] << 8));
  EXPECT_EQ(device->ReadRDTInfo(nullptr, nullptr), 1);
}

TEST_F(DriveRecordsTest, ADriveWithoutRdtRecordGivesAnEmptyRecord) {
  Install(scantest::SmallDrive());
  Record info;
  info.fill(0xAA);
  EXPECT_EQ(device->ReadRDTInfo(info.data(), nullptr), 0);
  ExpectFailure("F_x45", "RDT Info not found (no TVRT) !!!");
  EXPECT_EQ(info, Record{});
  EXPECT_FALSE(ReportHas("RDT Info not found"));
  Fault("ReadRDTInfo", sim::FaultAction::Sense);
  EXPECT_EQ(device->ReadRDTInfo(info.data(), nullptr), 0);
  ExpectFailure("F_x45", "Issue ReadRDTInfo Command Failed !!!");
  EXPECT_TRUE(ReportHas("   Issue ReadRDTInfo Command Failed !!! \r\n"));
  EXPECT_FALSE(HasFailRecord("F_x45"));   // the callers go on
}

TEST_F(DriveRecordsTest, DebugSectorsAreClearedThenReadInPieces) {
  std::vector<std::uint8_t> buffer(300 * 512, 0xAA);
  ASSERT_EQ(device->ReadDebugData(buffer, 300, 1), 1) << device->m_ErrorMessage;
  std::array<std::uint8_t, 512> infoBlock{};
  ASSERT_EQ(Drive().ReadInfoBlock(0, infoBlock), sim::DriveStatus::Ok);
  EXPECT_EQ(std::memcmp(buffer.data(), infoBlock.data(), 512), 0);
  EXPECT_EQ(buffer[512], 0);
  EXPECT_EQ(buffer.back(), 0);   // the third piece, sectors 256 to 299
  ASSERT_EQ(device->ReadDebugData(buffer, 1, 0), 1);
  EXPECT_EQ(buffer[512], 0);
}

TEST_F(DriveRecordsTest, DebugDataFailuresWriteTheirRecord) {
  std::vector<std::uint8_t> buffer(512);
  EXPECT_EQ(device->ReadDebugData(buffer, 2, 0), 0);
  ExpectFailure("F_x50", "Read Debug Data: 2 sectors do not fit a buffer of 512 bytes");
  Fault("Read Debug Data", sim::FaultAction::Sense);
  EXPECT_EQ(device->ReadDebugData(buffer, 1, 0), 0);
  EXPECT_EQ(device->m_ErrorTag, "F_x50");
  EXPECT_EQ(device->m_ErrorMessage.rfind("Issue Read Debug Data Command Failed !!!", 0), 0u);
  EXPECT_TRUE(HasFailRecord("F_x50"));
  EXPECT_EQ(device->ReadDebugData(buffer, 1, 7), 0);   // a selector the drive does not know
}

TEST_F(DriveRecordsTest, TheWindowScanKeepsEachChannelsWindow) {
  ASSERT_EQ(device->ScanWindow(), 1) << device->m_ErrorMessage;
  EXPECT_EQ(device->m_WindowScanText, "CH0:3-12(7),CH1:4-13(8)");
  EXPECT_TRUE(ReportHas("   Window Scan: CH0:3-12(7),CH1:4-13(8) \r\n"));
  EXPECT_TRUE(ReportHas("[ Success ] Window Scan, Total take 0.000 sec. \r\n"));
}

TEST_F(DriveRecordsTest, AWindowScanWithoutAnswerOrPassingSettingFails) {
  Fault("Window Scan", sim::FaultAction::Sense);
  EXPECT_EQ(device->ScanWindow(), 0);
  EXPECT_EQ(device->m_ErrorTag, "F_x46");
  EXPECT_TRUE(device->m_WindowScanText.empty());
  EXPECT_TRUE(HasFailRecord("F_x46"));
  Fault("Window Scan", sim::FaultAction::Garbage);
  EXPECT_EQ(device->ScanWindow(), 0);
  EXPECT_TRUE(device->m_ErrorTag == "F_x46" || device->m_ErrorTag == "F_x47") << device->m_ErrorTag;
  Install(scantest::SmallDrive());
  device->m_WindowScanText = "old";
  Slot().Drive()->PowerOff();
  EXPECT_EQ(device->ScanWindow(), 0);
  EXPECT_EQ(device->m_WindowScanText, "");
}

}  // namespace
