// The bad-block scan on the simulated station: its report lines byte for byte, the same
// lines as the later-bad page's reader and the block-map dialog take them apart, the
// block-information record against the simulator's bad-block map, the judgement, the
// later-bad page's request, the automatic capacity and the failures.
#include <cstdio>
#include <cstring>
#include <map>

#include "ScanFixture.h"
#include "ScanReportReaders.h"
#include "engine/core/SettingLists.h"
#include "engine/scan/LaterBadRequest.h"
#include "ui/ProgressCtrl.h"

namespace {

using scantest::ScanTest;
using scantest::SmallDrive;

using scantest::kErase;
using scantest::kFactory;
using scantest::kProgram;

class ScanBadBlockTest : public ScanTest {
 protected:
  void SetUp() override {
    ScanTest::SetUp();
    Install(SmallDrive({{0, 5, kFactory}, {0, 10, kErase}, {1, 7, kProgram}}));
    Set(settings::keys::ScanMaxBadPercent, "10");
  }
  std::uint8_t FullScan(BlockInfoRecord* record = nullptr, std::uint8_t scanMode = 0) {
    return device->ScanBadBlock(0, scanMode, nullptr, 10, 0, record, 0);
  }
};

// The full scan of a drive with one factory bad block and two blocks that fail when tested.
const char* const kFullScanSection[] = {
    "   Die Per Flash= 1; ",
    "   Plane Number = 2; ",
    "   Max Block Per CE= 64;  ",
    "   Get Max Bad block number Percent= 10  ",
    "   Get Max Bad block number per Plane = 3 ",
    "        CENo_0/Die_0-> Channel:0,EarlyBad:Plane0=0,Plane1=1 ",
    "        CENo_0/Die_0-> Channel:0,LaterBad:Plane0=1,Plane1=0 ",
    "        Channel:0,CE:0,Die:0,Plane:1;    Early Bad Block_5 (0x0005) ",
    "        Channel:0,CE:0,Die:0,Plane:0;    Later Bad Block_10 (0x000a)Erase Bad-Run ",
    "        CENo_0/Die_0-> All Bad Block Count= 2(3.12%) ",
    "        CENo_1/Die_0-> Channel:0,EarlyBad:Plane0=0,Plane1=0 ",
    "        CENo_1/Die_0-> Channel:0,LaterBad:Plane0=0,Plane1=1 ",
    "        Channel:0,CE:1,Die:0,Plane:1;    Later Bad Block_7 (0x0007)Program Bad-Run ",
    "        CENo_1/Die_0-> All Bad Block Count= 1(1.56%) ",
    "   OB + OLB     Count = 1 ",
    "   RDT      Bad Count = 0 ",
    "   Later    Bad Count = 2 ",
    "   All Good Blk Count = 125 ",
    "   Identify_FW Version = SBB1.0.3 ",
    "   Info Block_Max Bad Percent = 10 ",
    "[ Success ] Scan Bad Block, Total take 0.000 sec. ",
};

TEST_F(ScanBadBlockTest, FullScanWritesItsSectionByteForByte) {
  ASSERT_EQ(device->ChkRC(1, 0, 1, "", nullptr), 1) << device->m_ErrorMessage;
  ASSERT_EQ(FullScan(), 1) << device->m_ErrorMessage;
  const std::vector<std::string> lines = LinesFrom("Die Per Flash");
  ASSERT_EQ(lines.size(), std::size(kFullScanSection));
  for (std::size_t i = 0; i < std::size(kFullScanSection); ++i) EXPECT_EQ(lines[i], kFullScanSection[i]) << i;
  EXPECT_EQ(device->m_ScanStage, 2u);
}

TEST_F(ScanBadBlockTest, TheResultPagesReadersTakeTheLines) {
  ASSERT_EQ(device->ChkRC(1, 0, 1, "", nullptr), 1);
  ASSERT_EQ(FullScan(), 1) << device->m_ErrorMessage;
  const std::vector<std::string> lines = ReportLines();

  const scantest::ScanReportView page = scantest::ReadScanReport(lines);
  EXPECT_TRUE(page.scanMarker);
  ASSERT_EQ(page.earlyRows.size(), 2u);
  EXPECT_EQ(page.earlyRows[0].channel, "0");
  EXPECT_EQ(page.earlyRows[0].ce, "0");
  EXPECT_EQ(page.earlyRows[0].die, "0");
  EXPECT_EQ(page.earlyRows[0].planes, (std::vector<std::string>{"0", "1", "", ""}));
  EXPECT_EQ(page.earlyRows[1].ce, "1");
  EXPECT_EQ(page.laterRows, (std::vector<std::vector<std::string>>{{"1", "0", "", ""}, {"0", "1", "", ""}}));
  EXPECT_EQ((page.allBad.at({"0", "0"})), 2u);
  EXPECT_EQ((page.allBad.at({"0", "1"})), 1u);
  ASSERT_EQ(page.earlyList.size(), 1u);
  EXPECT_EQ(page.earlyList[0].block, "5");
  EXPECT_EQ(page.earlyList[0].address, "0x0005");
  EXPECT_EQ(page.earlyList[0].plane, "1");
  EXPECT_EQ(page.earlyList[0].kind, "");
  EXPECT_EQ((page.ob.at({"0", "0"})), 1u);
  ASSERT_EQ(page.laterList.size(), 2u);
  EXPECT_EQ(page.laterList[0].kind, "EraseBad-Run");
  EXPECT_EQ(page.laterList[1].kind, "ProgramBad-Run");
  EXPECT_EQ(page.laterList[1].ce, "1");
  EXPECT_EQ(page.boxes.at("OB + OLB     Count"), "1");
  EXPECT_EQ(page.boxes.at("RDT      Bad Count"), "0");
  EXPECT_EQ(page.boxes.at("Later    Bad Count"), "2");
  EXPECT_EQ(page.boxes.at("All Good Blk Count"), "125");
  EXPECT_EQ(page.boxes.at("Identify_FW Version"), "SBB1.0.3");
  EXPECT_EQ(page.boxes.at("Info Block_Max Bad Percent"), "10");

  const scantest::BlockMapView map = scantest::ReadBlockMap(lines);
  EXPECT_EQ(map.planes, 2);
  EXPECT_EQ(map.dies, 1);
  EXPECT_EQ(map.blockCount, 64);
  EXPECT_EQ(map.cesPresent, (std::vector<int>{0, 0, 0, 1, 1, 1}));
  const std::map<std::tuple<std::string, int, int>, std::string> cells{
      {{"0", 0, 5}, "0_Early Bad"}, {{"0", 0, 10}, "1_Erase-Run"}, {{"0", 1, 7}, "2_Program-Run"}};
  EXPECT_EQ(map.cells, cells);
}

TEST_F(ScanBadBlockTest, ScanModeTwoCountsWithoutListingBlocks) {
  ASSERT_EQ(FullScan(nullptr, 2), 1) << device->m_ErrorMessage;
  EXPECT_FALSE(ReportHas("Bad Block_"));
  EXPECT_TRUE(ReportHas("   CENo_1/Die_0-> All Bad Block Count= 1(1.56%) \r\n"));
  EXPECT_TRUE(ReportHas("   Later    Bad Count = 2 \r\n"));
}

TEST_F(ScanBadBlockTest, APlaneOverTheLimitFailsTheDrive) {
  Install(SmallDrive({{0, 2, kFactory}, {0, 4, kFactory}, {0, 6, kFactory}, {0, 8, kFactory}, {0, 10, kErase}}));
  ASSERT_EQ(FullScan(), 0);
  ExpectFailure("F_x42", "Bad Block over Spec!!! All Bad PrePlane Number(5) over Spec(3)");
  EXPECT_TRUE(ReportHas("   [Error] CE: 0, CH: 0, Die: 0, P0, All Bad PrePlane Number(5) over Spec(3) \r\n"));
  EXPECT_FALSE(ReportHas("P1, All Bad"));
  EXPECT_TRUE(HasFailRecord("F_x42"));
  EXPECT_FALSE(ReportHas("Scan Bad Block, Total take"));
}

// A percentage of 0 with no capacity row would judge nothing: the drive fails for its
// settings before it is scanned, rather than pass without a limit.
TEST_F(ScanBadBlockTest, APercentOfZeroIsNoLimitAndFailsTheDriveBeforeItsScan) {
  Install(SmallDrive({{0, 2, kFactory}, {0, 4, kFactory}, {0, 6, kFactory}, {0, 8, kFactory}, {0, 10, kErase}}));
  Set(settings::keys::ScanMaxBadPercent, "0");
  Set(settings::keys::FlhCapacity, "");
  Set(settings::keys::FlhSingleCECapacity, "");
  EXPECT_EQ(FullScan(), 0);
  EXPECT_TRUE(ReportHas("   Get Max Bad block number per Plane = 0 \r\n"));
  ExpectFailure("S_x43", engine::NoBadBlockLimitText(0, device->m_BlocksPerCE));
  EXPECT_TRUE(HasFailRecord("S_x43"));
  EXPECT_FALSE(ReportHas("[Error]"));
}

// The limit a drive is judged against is read strictly: a drive that fails its limit with a
// usable setting is never passed because the setting turned to garbage. A value that is not
// a whole number in its range fails the drive for its settings, naming the file and the key,
// before the drive is scanned.
TEST_F(ScanBadBlockTest, ALimitSettingThatIsNoNumberInItsRangeFailsTheDriveInsteadOfDroppingTheLimit) {
  const std::string param = "Scan_MaxBadPercent of [Options] in .\\param.ini is ";
  const struct {
    const settings::Key* key;
    const char* value;
    std::string problem;
  } cases[] = {
      {&settings::keys::ScanMaxBadPercent, "abc", param + "\"abc\": expected a whole number from 0 to 100"},
      {&settings::keys::ScanMaxBadPercent, "5x", param + "\"5x\": expected a whole number from 0 to 100"},
      {&settings::keys::ScanMaxBadPercent, "101", param + "\"101\": expected a whole number from 0 to 100"},
      {&settings::keys::ScanMaxBadPercent, "-5", param + "\"-5\": expected a whole number from 0 to 100"},
      {&settings::keys::SetSSDSize, "big",
       "SetSSDSize of [Options] in .\\param.ini is \"big\": expected a whole number from 0 to 1048576"},
      {&settings::keys::AutoCapacitySizeArray, "32, 64GB",
       "AutoCapacity_SizeArray of [Options] in .\\paramFDB.ini is \"32, 64GB\": item \"64GB\" is not a whole number "
       "from 1 to 1048576"},
      {&settings::keys::AutoCapacityMaxBadPercent2CE, "20 x",
       "AutoCapacity_MaxBadPercent_2CE of [Options] in .\\paramFDB.ini is \"20 x\": item \"x\" is not a whole number "
       "from 0 to 100"},
  };
  // 45 bad blocks in a plane of a drive of 1000 blocks per CE: over the limit of 5% (25).
  Install(scantest::ThousandBlockDrive(1, 100));
  Set(settings::keys::ScanMaxBadPercent, "5");
  ASSERT_EQ(FullScan(), 0);
  ExpectFailure("F_x42", "Bad Block over Spec!!! All Bad PrePlane Number(45) over Spec(25)");
  for (const auto& bad : cases) {
    SCOPED_TRACE(std::string(bad.key->name) + "=" + bad.value);
    Install(scantest::ThousandBlockDrive(1, 100));
    device->WriteReportLine("START", 1);
    // The capacity table is looked at when the percentage is 0.
    Set(settings::keys::ScanMaxBadPercent, bad.key == &settings::keys::ScanMaxBadPercent ? bad.value : "0");
    Set(settings::keys::SetSSDSize, bad.key == &settings::keys::SetSSDSize ? bad.value : "32");
    Set(settings::keys::AutoCapacitySizeArray, bad.key == &settings::keys::AutoCapacitySizeArray ? bad.value : "32");
    Set(settings::keys::AutoCapacityMaxBadPercent2CE,
        bad.key == &settings::keys::AutoCapacityMaxBadPercent2CE ? bad.value : "5");
    EXPECT_EQ(FullScan(), 0);
    ExpectFailure("S_x43", bad.problem);
    EXPECT_TRUE(HasFailRecord("S_x43"));
    EXPECT_FALSE(ReportHas("CENo_")) << "the drive was scanned";
  }
}

TEST_F(ScanBadBlockTest, ThePercentComesFromTheCapacityTableWhenNotSet) {
  Set(settings::keys::ScanMaxBadPercent, "0");
  Set(settings::keys::SetSSDSize, "64");
  Set(settings::keys::AutoCapacitySizeArray, "32,64");
  Set(settings::keys::AutoCapacityMaxBadPercent2CE, "20,25");
  ASSERT_EQ(FullScan(), 1) << device->m_ErrorMessage;
  EXPECT_TRUE(ReportHas("   Get XCE 64 GB, Max Bad block number Percent= 25  \r\n"));
  EXPECT_TRUE(ReportHas("   Get Max Bad block number per Plane = 8 \r\n"));
}

// A drive of 4 CEs with seeded factory and later bad blocks; the record's counts per CE are
// the simulator's.
TEST_F(ScanBadBlockTest, TheRecordsCountsAreTheSimulatorsBadBlockMap) {
  sim::DriveProfile profile;
  profile.startOnBurner = true;
  profile.geometry.ceMap = 0x0F0F;
  profile.geometry.diesPerCe = 2;
  profile.geometry.planes = 4;
  profile.geometry.blocksPerCe = 1024;
  profile.badBlocks.seed = 7;
  profile.badBlocks.earlyBadPerCe = 9;
  profile.badBlocks.laterBadPerCe = 13;
  Install(profile);
  Set(settings::keys::ScanMaxBadPercent, "50");
  BlockInfoRecord first{};
  ASSERT_EQ(device->ScanBadBlock(1, 0, nullptr, 10, 0, &first, 0), 1) << device->m_ErrorMessage;
  BlockInfoRecord full{};
  ASSERT_EQ(FullScan(&full), 1) << device->m_ErrorMessage;
  EXPECT_EQ(first.Tag(), "SCA1");
  EXPECT_EQ(full.Tag(), "SCA2");
  EXPECT_EQ(full.perPlaneLimit, 1024u * 50 / 100 / 2 / 4);
  const sim::BadBlockMap& map = Drive().BadBlocks();
  for (unsigned slot = 0; slot < map.CeSlots(); ++slot) {
    const unsigned ce = slot < 4 ? slot : slot + 4;   // CEs 0-3 and 8-11
    std::uint32_t early = 0, later = 0, firstEarly = 0, firstLater = 0;
    for (unsigned plane = 0; plane < 4; ++plane) {
      early += full.early[ce][ce / 8][plane];
      later += full.later[ce][ce / 8][plane][kLaterTotal];
      firstEarly += first.early[ce][ce / 8][plane];
      firstLater += first.later[ce][ce / 8][plane][kLaterTotal];
    }
    EXPECT_EQ(early, map.CountEarly(slot)) << "CE " << ce;
    EXPECT_EQ(later, map.CountLater(slot)) << "CE " << ce;
    EXPECT_EQ(firstEarly, map.CountEarly(slot)) << "CE " << ce;
    EXPECT_EQ(firstLater, 0u) << "CE " << ce;
  }
  // Nothing lands outside the CEs and channels of the drive.
  std::uint64_t total = 0;
  for (const auto& ce : full.early) {
    for (const auto& channel : ce) {
      for (const std::uint32_t count : channel) total += count;
    }
  }
  EXPECT_EQ(total, 8u * 9);
  EXPECT_TRUE(ReportHas("   CENo_9/Die_1-> Channel:1,EarlyBad:Plane0="));
}

TEST_F(ScanBadBlockTest, BlocksTheRdtFoundAreEarlyBlocksOfTheirKind) {
  sim::DriveProfile profile = SmallDrive({{0, 9, kErase}, {1, 12, scantest::kRead}});
  profile.rdt.state = sim::RdtState::Done;
  Install(profile);
  BlockInfoRecord record{};
  ASSERT_EQ(device->ScanBadBlock(0, 0, nullptr, 10, 0, &record, 0), 1) << device->m_ErrorMessage;
  EXPECT_TRUE(ReportHas("        Channel:0,CE:0,Die:0,Plane:1;    Early Bad Block_9 (0x0009)Erase Bad-RDT \r\n"));
  EXPECT_TRUE(ReportHas("        Channel:0,CE:1,Die:0,Plane:0;    Early Bad Block_12 (0x000c)Read Bad-RDT \r\n"));
  EXPECT_TRUE(ReportHas("   RDT      Bad Count = 2 \r\n"));
  EXPECT_TRUE(ReportHas("   RDT Info_RDT Loop = 3/5 \r\n"));
  EXPECT_EQ(record.later[0][0][1][kLaterTotal], 1u);
  EXPECT_EQ(record.later[1][0][0][kLaterTotal], 1u);
  const scantest::ScanReportView page = scantest::ReadScanReport(ReportLines());
  EXPECT_EQ((page.rbb.at({"0", "0"})), 1u);
  EXPECT_EQ((page.rbb.at({"0", "1"})), 1u);
  EXPECT_EQ(page.boxes.at("RDT Info_RDT Loop"), "3/5");
  const scantest::BlockMapView map = scantest::ReadBlockMap(ReportLines());
  EXPECT_EQ((map.cells.at({"0", 0, 9})), "1_Erase-RDT");
  EXPECT_EQ((map.cells.at({"0", 1, 12})), "3_Read-RDT");
}

TEST_F(ScanBadBlockTest, TheLaterBadPagesLimitServesOnlyTheEngineThatTookIt) {
  g_LaterBadRequest = 1;
  g_LaterBadLimitText = "10%";
  device->TakeLaterBadRequest();
  EXPECT_EQ(g_LaterBadRequest, 0);
  EXPECT_EQ(g_LaterBadLimitText, "");
  Set(settings::keys::ScanMaxBadPercent, "50");
  Set(settings::keys::AutoCapacityEnable, "1");
  // Another slot's engine scans without the page's limit.
  CMPDevice other(2, 1, 2, enginetest::kLogFolder, nullptr, nullptr);
  ASSERT_EQ(other.ScanBadBlock(0, 0, nullptr, 10, 0, nullptr, 0), 0);
  EXPECT_EQ(other.m_ErrorTag, "F_x43");   // automatic capacity with no table: nothing fits
  ASSERT_EQ(FullScan(), 1) << device->m_ErrorMessage;
  EXPECT_TRUE(ReportHas("   Later Bad Result Bad Block limit = 10% \r\n"));
  EXPECT_TRUE(ReportHas("   Later Bad Result max bad pre plane = 3 \r\n"));
  EXPECT_TRUE(ReportHas("   Get Max Bad block number per Plane = 3 \r\n"));
  EXPECT_FALSE(ReportHas("Auto Capacity"));
  // The request is used once.
  EXPECT_EQ(device->m_LaterBadRequest, 0);
  ASSERT_EQ(FullScan(), 0);
  EXPECT_EQ(device->m_ErrorTag, "F_x43");
}

TEST_F(ScanBadBlockTest, ALimitOfZeroLeavesTheScansOwnLimit) {
  g_LaterBadRequest = 1;
  g_LaterBadLimitText = "0";
  device->TakeLaterBadRequest();
  ASSERT_EQ(FullScan(), 1) << device->m_ErrorMessage;
  EXPECT_FALSE(ReportHas("Later Bad Result"));
  EXPECT_TRUE(ReportHas("   Get Max Bad block number per Plane = 3 \r\n"));
}

TEST_F(ScanBadBlockTest, AutomaticCapacityTakesTheLargestCapacityThatFits) {
  Install(scantest::ThousandBlockDrive(0, 22));
  Set(settings::keys::AutoCapacityEnable, "1");
  Set(settings::keys::AutoCapacitySizeArray, "32,128,64");
  Set(settings::keys::AutoCapacityMaxBadPercent2CE, "5,1,3");
  BlockInfoRecord record{};
  ASSERT_EQ(device->ScanBadBlock(1, 0, nullptr, 10, 0, &record, 0), 1) << device->m_ErrorMessage;
  EXPECT_EQ(device->GetSelectedCapacity(), 64u);
  EXPECT_EQ(record.perPlaneLimit, 15u);
  EXPECT_TRUE(ReportHas("   Auto Capacity Select 64 GB, Max Bad block number Percent= 3, per Plane = 15 \r\n"));
  EXPECT_TRUE(ReportHas("   Info Block_Max Bad Percent = 3 \r\n"));
  // A drive without bad blocks fits a capacity whose limit rounds down to no block at all:
  // that is no limit, and the drive fails for its settings.
  Install(SmallDrive());
  Set(settings::keys::AutoCapacitySizeArray, "16");
  Set(settings::keys::AutoCapacityMaxBadPercent2CE, "1");
  ASSERT_EQ(device->ScanBadBlock(1, 0, nullptr, 10, 0, nullptr, 0), 0);
  EXPECT_EQ(device->GetSelectedCapacity(), 16u);
  EXPECT_TRUE(ReportHas("   Auto Capacity Select 16 GB, Max Bad block number Percent= 1, per Plane = 0 \r\n"));
  ExpectFailure("S_x43", engine::NoBadBlockLimitText(1, device->m_BlocksPerCE));
}

// The capacity chosen after the scan comes from the capacity table as it was checked, also
// while the percentage is set: an item that is no whole number in its range fails the drive
// for its settings before it is scanned, never is it read as the number it begins with.
TEST_F(ScanBadBlockTest, TheCapacityChosenAfterTheScanComesFromTheCheckedTable) {
  const struct {
    const settings::Key* key;
    const char* value;
    std::string problem;
  } cases[] = {
      {&settings::keys::AutoCapacitySizeArray, "32,128GB,64",
       "AutoCapacity_SizeArray of [Options] in .\\paramFDB.ini is \"32,128GB,64\": item \"128GB\" is not a whole "
       "number from 1 to 1048576"},
      {&settings::keys::AutoCapacityMaxBadPercent2CE, "5,1%,3",
       "AutoCapacity_MaxBadPercent_2CE of [Options] in .\\paramFDB.ini is \"5,1%,3\": item \"1%\" is not a whole "
       "number from 0 to 100"},
  };
  Set(settings::keys::AutoCapacityEnable, "1");
  for (const auto& bad : cases) {
    SCOPED_TRACE(bad.key->name);
    Install(scantest::ThousandBlockDrive(0, 22));
    device->WriteReportLine("START", 1);
    Set(settings::keys::AutoCapacitySizeArray, "32,128,64");
    Set(settings::keys::AutoCapacityMaxBadPercent2CE, "5,1,3");
    Set(*bad.key, bad.value);
    EXPECT_EQ(device->ScanBadBlock(1, 0, nullptr, 10, 0, nullptr, 0), 0);
    ExpectFailure("S_x43", bad.problem);
    EXPECT_EQ(device->GetSelectedCapacity(), 0u);
    EXPECT_FALSE(ReportHas("CENo_")) << "the drive was scanned";
  }
}

TEST_F(ScanBadBlockTest, AutomaticCapacityFailsWhenNoCapacityFits) {
  Install(scantest::ThousandBlockDrive(1, 100));
  Set(settings::keys::AutoCapacityEnable, "1");
  Set(settings::keys::AutoCapacitySizeArray, "32,64");
  Set(settings::keys::AutoCapacityMaxBadPercent2CE, "5,3");
  BlockInfoRecord record{};
  ASSERT_EQ(device->ScanBadBlock(1, 0, nullptr, 10, 0, &record, 0), 0);
  ExpectFailure("F_x43", "Auto Capacity: no capacity fits the bad blocks (worst plane 45) !!!");
  EXPECT_TRUE(HasFailRecord("F_x43"));
  EXPECT_EQ(device->GetSelectedCapacity(), 0u);
  // The counts are in the record all the same.
  EXPECT_EQ(record.early[1][0][0], 45u);
}

TEST_F(ScanBadBlockTest, ADriveOnItsRomCodeIsReadWithoutATest) {
  sim::DriveProfile profile = SmallDrive({{0, 5, kFactory}});
  profile.startOnBurner = false;
  profile.flashFirmware = sim::FlashFirmware::Mp;
  Install(profile);
  // The drive refuses every test command: a scan that sends one fails.
  Fault("Scan Flash", sim::FaultAction::Sense, 0, 0);
  EXPECT_EQ(FullScan(), 0);
  EXPECT_EQ(device->m_ErrorTag, "F_x41");
  EXPECT_TRUE(HasFailRecord("F_x41"));
  ASSERT_EQ(device->ScanBadBlock(0, 0, nullptr, 10, 1, nullptr, 1), 1) << device->m_ErrorMessage;
  EXPECT_TRUE(ReportHas("        Channel:0,CE:0,Die:0,Plane:1;    Early Bad Block_5 (0x0005) \r\n"));
}

TEST_F(ScanBadBlockTest, PollingMovesTheProgressBarByTheStepsPoints) {
  ui::CProgressCtrl bar;
  bar.SetRange(0, 100);
  bar.SetPos(20);
  ASSERT_EQ(device->ScanBadBlock(0, 0, &bar, 50, 1, nullptr, 0), 1) << device->m_ErrorMessage;
  EXPECT_EQ(bar.GetPos(), 70);
  ASSERT_EQ(device->ScanBadBlock(0, 0, nullptr, 50, 1, nullptr, 0), 1);   // no bar at all
}

TEST_F(ScanBadBlockTest, FailedCommandsEndTheScanWithTheirTags) {
  Fault("Scan Flash", sim::FaultAction::Sense);
  EXPECT_EQ(FullScan(), 0);
  EXPECT_EQ(device->m_ErrorTag, "F_x41");
  EXPECT_EQ(device->m_ErrorMessage.rfind("Issue Scan Bad Block Command Failed !!!", 0), 0u);
  Fault("Read BBT", sim::FaultAction::Sense);
  BlockInfoRecord record{};
  EXPECT_EQ(FullScan(&record), 0);
  EXPECT_EQ(device->m_ErrorTag, "F_D01");
  EXPECT_TRUE(HasFailRecord("F_D01"));
  // What the scan knew before the failure is in the record.
  EXPECT_EQ(record.Tag(), "SCA2");
  EXPECT_EQ(record.perPlaneLimit, 3u);
  EXPECT_EQ(record.early[0][0][1], 0u);
  Fault("Read Device Status", sim::FaultAction::Sense);
  EXPECT_EQ(device->ScanBadBlock(0, 0, nullptr, 10, 1, nullptr, 0), 0);
  ExpectFailure("F_x41", "Scan Bad Block: Issue Read Device Status Command Failed !!!");
}

}  // namespace
