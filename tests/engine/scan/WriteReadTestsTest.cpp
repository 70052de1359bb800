// The write-read tests of the user area on a drive that runs its MP firmware: copy-compare
// with DMA and PIO transfers and the burn-in by GB or percent; data that do not come back
// and commands that fail end the test with their tags.
#include <cmath>

#include "ScanFixture.h"
#include "ui/ProgressCtrl.h"

namespace {

using scantest::ScanTest;

class WriteReadTestsTest : public ScanTest {
 protected:
  void SetUp() override {
    ScanTest::SetUp();
    sim::DriveProfile profile = scantest::SmallDrive();
    profile.startOnBurner = false;
    profile.flashFirmware = sim::FlashFirmware::Mp;
    Install(profile);
  }
  // The LBA that the pattern of a written sector names (its first eight bytes).
  std::uint64_t PatternLba(std::uint64_t lba) {
    std::vector<std::uint8_t> sector(512);
    EXPECT_TRUE(Drive().Media().Read(lba, 1, sector));
    std::uint64_t named = 0;
    for (int i = 7; i >= 0; --i) named = (named << 8) | sector[static_cast<std::size_t>(i)];
    return named;
  }
};

TEST_F(WriteReadTestsTest, CopyCompareWritesSixteenRangesAndReadsThemBack) {
  ui::CProgressCtrl bar;
  bar.SetRange(0, 100);
  ASSERT_EQ(device->CopyCompareTestDMA(&bar, 5), 1) << device->m_ErrorMessage;
  EXPECT_EQ(bar.GetPos(), 5);
  EXPECT_TRUE(ReportHas("[ Success ] Copy Compare Test DMA OK, Total take 0.000 sec. \r\n"));
  EXPECT_EQ(Drive().Media().WrittenSectors(), 16u * 128);
  const std::uint64_t last = Drive().UserSectors() - 1;
  EXPECT_EQ(PatternLba(0), 0u);
  EXPECT_EQ(PatternLba(last), last);
  ASSERT_EQ(device->CopyCompareTestPIO(nullptr, 40), 1) << device->m_ErrorMessage;
  EXPECT_TRUE(ReportHas("[ Success ] Copy Compare Test PIO OK, Total take 0.000 sec. \r\n"));
}

TEST_F(WriteReadTestsTest, DataThatDoNotComeBackFailTheCompare) {
  Fault("Read DMA Ext", sim::FaultAction::Garbage);
  EXPECT_EQ(device->CopyCompareTestDMA(nullptr, 5), 0);
  ExpectFailure("F_x49", "DMA Write Read Compare Fail at LBA 0x0 !!!");
  EXPECT_TRUE(HasFailRecord("F_x49"));
  Fault("Write Sectors Ext", sim::FaultAction::Sense, 2);
  EXPECT_EQ(device->CopyCompareTestPIO(nullptr, 40), 0);
  EXPECT_EQ(device->m_ErrorTag, "F_x48");
  // The third range lies two fifteenths into the drive.
  char third[64];
  std::snprintf(third, sizeof(third), "PIO Write Fail at LBA 0x%llX !!!",
                static_cast<unsigned long long>((Drive().UserSectors() - 128) * 2 / 15));
  EXPECT_EQ(device->m_ErrorMessage.rfind(third, 0), 0u) << device->m_ErrorMessage;
}

TEST_F(WriteReadTestsTest, ADriveNotOnItsMpFirmwareRefusesTheWrites) {
  Install(scantest::SmallDrive());
  EXPECT_EQ(device->CopyCompareTestDMA(nullptr, 5), 0);
  EXPECT_EQ(device->m_ErrorTag, "F_x48");
  EXPECT_TRUE(HasFailRecord("F_x48"));
}

TEST_F(WriteReadTestsTest, BurnInWritesTheAmountThenReadsItAllBackEachLoop) {
  ui::CProgressCtrl bar;
  bar.SetRange(0, 100);
  ASSERT_EQ(device->WriteReadBurnIn(&bar, 40, 0.0001f, 1, 2), 1) << device->m_ErrorMessage;
  EXPECT_EQ(bar.GetPos(), 40);
  EXPECT_TRUE(ReportHas("[ Success ] Write Read BurnIn 2 loop(s) of 195 sectors OK, Total take 0.000 sec. \r\n"));
  EXPECT_EQ(Drive().Media().WrittenSectors(), 195u);
  EXPECT_EQ(PatternLba(194), 194u);
  // By percent of the drive's sectors; a loop count of 0 runs once.
  const std::uint64_t expected = static_cast<std::uint64_t>(static_cast<double>(Drive().UserSectors()) *
                                                            static_cast<double>(0.0001f) / 100.0);
  ASSERT_EQ(device->WriteReadBurnIn(nullptr, 40, 0.0001f, 0, 0), 1) << device->m_ErrorMessage;
  EXPECT_TRUE(ReportHas("Write Read BurnIn 1 loop(s) of " + std::to_string(expected) + " sectors OK"));
}

TEST_F(WriteReadTestsTest, BurnInAmountsThatSayNothingAreRefused) {
  EXPECT_EQ(device->WriteReadBurnIn(nullptr, 40, 0.0f, 0, 1), 0);
  ExpectFailure("F_x4A", "Write Read BurnIn amount error (Percent 0.000000) !!!");
  EXPECT_EQ(device->WriteReadBurnIn(nullptr, 40, std::nanf(""), 1, 1), 0);
  EXPECT_EQ(device->m_ErrorTag, "F_x4A");
  EXPECT_EQ(device->WriteReadBurnIn(nullptr, 40, 1e-12f, 1, 1), 0);
  ExpectFailure("F_x4A", "Write Read BurnIn amount error (GB 0.000000: no sector) !!!");
  EXPECT_EQ(Drive().Media().WrittenSectors(), 0u);
  Fault("Read DMA Ext", sim::FaultAction::Garbage, 1);
  EXPECT_EQ(device->WriteReadBurnIn(nullptr, 40, 0.0001f, 1, 1), 0);
  ExpectFailure("F_x49", "DMA Write Read Compare Fail at LBA 0x80 !!!");
}

TEST_F(WriteReadTestsTest, ThePassingTestRecordsTheCurrentWhenStatisticsAreKept) {
  device->m_WRCurrentStatistics = 1;
  ASSERT_EQ(device->CopyCompareTestDMA(nullptr, 5), 1) << device->m_ErrorMessage;
  EXPECT_EQ(device->m_WRCurrentPending, 0);
  EXPECT_FALSE(device->m_WRCurrentText.empty());
  // A failed test leaves the reading due for the flow.
  device->m_WRCurrentText.clear();
  Fault("Read DMA Ext", sim::FaultAction::Garbage);
  EXPECT_EQ(device->CopyCompareTestDMA(nullptr, 5), 0);
  EXPECT_EQ(device->m_WRCurrentPending, 1);
  EXPECT_TRUE(device->m_WRCurrentText.empty());
}

}  // namespace
