// The MP flow on the simulated station, one drive at a time: the drive's way by its running
// code, the pass texts of the slot layouts, the serial number kept or handed out, the failure
// endings of the flow's own checks, the capacity and write-read settings, lock 2, the endless
// test and the records of the run.
#include <algorithm>
#include <atomic>
#include <thread>

#include "device/VolumeLock.h"
#include "device/records/InfoBlock.h"
#include "run/FlowFixture.h"

namespace runtest {
namespace {

constexpr char kWindowScanText[] = "CH0:3-12(7),CH1:4-13(8)";

class MPFlow : public FlowTest {
 protected:
  void SetUp() override {
    FlowTest::SetUp();
    SetStation("MP");
  }
  std::uint8_t RunFlow(int port = 1) { return RunFlowOf(&CSlotTestTask::RunMPFlow, kTaskInit, port); }
  std::array<std::uint8_t, 512> DriveInfoBlock(unsigned slot = 1) {
    std::array<std::uint8_t, 512> block{};
    EXPECT_EQ(Slot(slot).Drive()->ReadInfoBlock(0, block), sim::DriveStatus::Ok);
    return block;
  }
  void WriteMpImageOfBinType(const std::string& binType) {
    auto contents = engine::firmware::SampleImageContents(false);
    contents.binType = binType;
    const auto image = engine::firmware::BuildFirmwareImage(contents);
    station.WriteFile("FW/MP/TV3160_MP_Sample.bin", std::string(image.begin(), image.end()));
  }
};

// ---- the drive's way by its running code ----------------------------------------------------

TEST_F(MPFlow, ADriveOnBootCodeGetsTheFirmwareInRamAWindowScanAndPassesWithThe8SlotText) {
  SetSlotLayout(8);
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  // 8 slots: the size in MB and GB, all 40 model characters, the window-scan result.
  ExpectPassed("Pass*244198 MB*238(256) GB*TV3160 SAT*A SSD     *          *00000000  ** *" +
               std::string(kWindowScanText));
  const std::string report = Report(1);
  const std::vector<std::string> inOrder = {"   Serial Number : 00000000 \r\n",
                                            "   UI CHCE Map : 0 \r\n",
                                            "   Boot mode \r\n",
                                            "   Load PRAM Code SBB2.0.1 OK",
                                            "   Window Scan: CH0:3-12(7),CH1:4-13(8) \r\n",
                                            "   Load PRAM Code SBB2.0.1 OK",
                                            "Write InfoBlock OK, SN: 00000000",
                                            "[ Success ] PreFormat OK",
                                            "   Program Flash Code SBF20A01 OK \r\n",
                                            "[ Success ] Copy Compare Test DMA OK",
                                            "[ Success ] Scan Bad Block",
                                            "   StandBy. \r\n",
                                            "[ Success ] MP PreTest Process Total take(sec): ",
                                            "END        :"};
  std::size_t at = 0;
  for (const std::string& line : inOrder) {
    at = report.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << "\n" << report;
  }
  EXPECT_EQ(BlockInfoTags(), "SCA1;SCA2;");
  EXPECT_EQ(DriveInfoBlock()[511], 0x01);  // the good-card mark of an MP without RDT judgement
  EXPECT_EQ(Slot(1).Drive()->Code(), sim::RunningCode::Flash);
  EXPECT_TRUE(Slot(1).Drive()->InStandby());
}

TEST_F(MPFlow, ADriveOnBurnerCodeIsPreparedAtOnceAndPassesWithThe24SlotText) {
  Install(OnBurner());
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  // 24 slots: GB only, the first 20 model characters, no window-scan result.
  ExpectPassed("Pass*238(256) GB*TV3160 SAT*A SSD*00000000  **");
  EXPECT_FALSE(ReportHas(" mode "));
  EXPECT_FALSE(ReportHas("Window Scan"));
  EXPECT_FALSE(ReportHas("Load PRAM Code"));
}

TEST_F(MPFlow, ADriveOnTheMpFirmwareIsReadForcedToBootCodeAndRebuilt) {
  SetSlotLayout(16);
  sim::DriveProfile profile = OnMpFirmwareAfterMp();
  profile.goodMark = 0x12;  // an earlier QC mark and a further one stay
  Install(profile);
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  // 16 slots: no RDT information on this drive, so no statistics text.
  ExpectPassed("Pass*244198 MB*238(256) GB*TV3160 SAT*A SSD*00000000  **");
  EXPECT_TRUE(ReportHas("   Drive Letter are Not Locked. \r\n   ROM mode \r\n   Run info CE map=0 \r\n"));
  EXPECT_FALSE(ReportHas("ROM mode - RDTFW"));
  EXPECT_EQ(task->m_VolumesLocked, 0);
  EXPECT_EQ(DriveInfoBlock()[511], 0x13);  // the MP mark ORed into the byte
}

TEST_F(MPFlow, ADriveOnTheRdtFirmwareHasItsResultsJudgedAndStoresThreeRecords) {
  SetSlotLayout(8);
  SetKey(kParam, "Options", "save_RDT_log", "0");
  sim::DriveProfile profile = OnRdtFirmware();
  profile.infoBlockWritten = true;  // the block of an earlier QC, whose mark stays
  profile.goodMark = 0x02;
  Install(profile);
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_TRUE(ReportHas("   ROM mode - RDTFW, Should output RDT result \r\n"));
  EXPECT_TRUE(ReportHas("[ Success ] [end]Read RDT Log ok. \r\n"));
  EXPECT_TRUE(ReportHas("   InfoBlock Get Temperature log 64 bytes \r\n"));
  // The judgement, then the two scans, in that order.
  EXPECT_EQ(BlockInfoTags(), std::string("RDT\0;SCA1;SCA2;", 15));
  // The mark of an MP after an RDT judgement, ORed into the byte.
  EXPECT_EQ(DriveInfoBlock()[511], 0x02 | 0x05);
  // 8 slots with the RDT information's statistics.
  EXPECT_EQ(Cell(1).GetWindowText(),
            "Pass*244198 MB*238(256) GB*TV3160 SAT*A SSD     *          *00000000  **OB+OLB/RB:0+0/0*P OLB/RB:0/0*E "
            "OLB/RB:0/0*R OLB/RB:0/0*T(\xA2XC):45*FW:0B1*ECC(T/S):40/30*Loop(T/S):3/5*Time:01:02:05 *" +
                std::string(kWindowScanText));
}

TEST_F(MPFlow, StatisticsOfATableThatWasNotReadFailTheDriveBeforeTheScan) {
  SetSlotLayout(8);
  SetKey(kParam, "Options", "save_RDT_log", "0");
  // The statistics read the table before the first scan; a table read that is refused fails it.
  Install(OnRdtFirmware());
  Fault(1, "Read BBT", sim::FaultAction::Sense);
  EXPECT_EQ(RunFlow(), 0);
  const std::string message = task->m_pDevice->m_ErrorMessage;
  EXPECT_EQ(message.rfind("Issue Read BBT Command Failed !!!", 0), 0u) << message;
  ExpectFailedAt("F_D01", message, page.bars[0].GetPos());
  EXPECT_EQ(BlockInfoTags(), std::string("RDT\0;", 5));
}

TEST_F(MPFlow, TheEraseMpStationShowsTheRdtFirmwareButNeitherProbesNorJudgesIt) {
  SetStation("EraseMP");
  Install(OnRdtFirmware());
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_TRUE(ReportHas("   ROM mode - RDTFW, Should output RDT result \r\n"));
  EXPECT_FALSE(ReportHas("Read RDT Log"));
  EXPECT_EQ(BlockInfoTags(), "SCA1;SCA2;");
  EXPECT_EQ(DriveInfoBlock()[511], 0x01);
}

TEST_F(MPFlow, AShortRunProgramsTheFirmwareAndSkipsTheChecksOfTheProgrammedDrive) {
  SetSlotLayout(8);
  SetKey(kToolSettings, "General Info", "Short", "1");
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  ExpectPassed("Pass*Short*Enabled *" + std::string(kWindowScanText));
  EXPECT_TRUE(ReportHas("   Short, skip check running code!! \r\n"));
  EXPECT_FALSE(ReportHas("Copy Compare"));
  EXPECT_EQ(BlockInfoTags(), "SCA1;");
}

TEST_F(MPFlow, WithoutScansNoRecordIsStoredAndTheTextHasNoStatistics) {
  SetSlotLayout(16);
  SetKey(kParam, "Options", "SkipMPScan", "1");
  Install(OnRdtFirmware());
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  ExpectPassed("Pass*244198 MB*238(256) GB*TV3160 SAT*A SSD*00000000  **");
  EXPECT_EQ(BlockInfoTags(), std::string("RDT\0;", 5));
}

TEST_F(MPFlow, AReducedCapacityShowsTheDownArrowAndTheCapacityChosen) {
  SetKey(kParamFdb, "Options", "AutoCapacity_Enable", "1");
  SetKey(kParamFdb, "Options", "AutoCapacity_SizeArray", "256,240");
  SetKey(kParamFdb, "Options", "AutoCapacity_MaxBadPercent_4CE", "1,5");
  sim::DriveProfile profile = OnBurner();
  profile.badBlocks.earlyBadPerCe = 20;  // 10 a plane: over 1 % (5 a plane), within 5 % (25)
  Install(profile);
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_EQ(task->m_pDevice->GetSelectedCapacity(), 240u);
  ExpectPassed("Pass\xA1\xF5*223(240) GB*TV3160 SAT*A SSD*00000000  **");
}

TEST_F(MPFlow, TheStartTimeComesFromTheSteadyClock) {
  std::atomic<int> calls{0};
  platform::SetTickSource([&calls] { return calls++ == 0 ? 1000u : 3500u; });
  EXPECT_EQ(RunFlow(), 1);
  platform::SetTickSource({});
  EXPECT_TRUE(ReportHas("[ Success ] MP PreTest Process Total take(sec): 2.500 sec. \r\n")) << Report(1);
}

// ---- the serial number ----------------------------------------------------------------------

TEST_F(MPFlow, KeepSnKeepsTheSerialOfADriveOnTheMpFirmware) {
  SetKey(kToolSettings, "General Info", "KeepSN", "1");
  Install(OnMpFirmwareAfterMp());
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_TRUE(ReportHas("   Keep SN is Enable \r\n   Serial Number write to infoblock: SIMSERIAL1 \r\n"));
  EXPECT_FALSE(ReportHas("Serial Number : "));
  EXPECT_EQ(Cell(1).GetWindowText(), "Pass*238(256) GB*TV3160 SAT*A SSD*SIMSERIAL1**");
  // The model that the text cuts to fit the cell is painted whole.
  const auto lines = Cell(1).PaintPlan().lines;
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const auto& line) { return line.text == "TV3160 SATA SSD"; }));
}

TEST_F(MPFlow, KeepSnHandsOutANewSerialWhenTheDriveHasNoneToKeep) {
  SetKey(kToolSettings, "General Info", "KeepSN", "1");
  // Boot code and the RDT firmware give no identify data.
  for (const sim::DriveProfile& profile : {sim::DriveProfile{}, OnRdtFirmware()}) {
    SCOPED_TRACE(profile.flashFirmware == sim::FlashFirmware::Rdt ? "RDT firmware" : "boot code");
    Install(profile);
    EXPECT_EQ(RunFlow(), 1) << Report(1);
    EXPECT_FALSE(ReportHas("Keep SN is Enable"));
    EXPECT_TRUE(ReportHas("   Serial Number : 0000000"));
  }
  // A blank serial and a NUL-filled one: no serial to keep.
  for (const std::string& serial : {std::string(20, ' '), std::string(20, '\0')}) {
    SCOPED_TRACE(serial[0] == ' ' ? "blank" : "NUL-filled");
    Install(OnMpFirmwareAfterMp());
    InfoBlockRecord block;
    std::memcpy(&block, DriveInfoBlock().data(), sizeof(block));
    std::memset(&block.serialNumber, 0, sizeof(block.serialNumber));
    std::memcpy(&block.serialNumber, serial.data(), serial.size());
    ASSERT_EQ(Slot(1).Drive()->WriteInfoBlock(0, BytesOf(block)), sim::DriveStatus::Ok);
    EXPECT_EQ(RunFlow(), 1) << Report(1);
    EXPECT_FALSE(ReportHas("Keep SN is Enable"));
    EXPECT_TRUE(ReportHas("   Serial Number : 0000000")) << Report(1);
  }
}

// ---- the flow's own checks ------------------------------------------------------------------

TEST_F(MPFlow, ABinTypeTheFlashDatabaseDoesNotNameFailsUnlessOnlyReported) {
  SetKey(kFlashInfo, "983C98B3767208", "MPBinType", "2");
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("S_x30", "INI class & Bintype Fail !!");
  EXPECT_FALSE(ReportHas("Serial Number : "));
  // Fail-out: the drive's serial (none read yet) goes to the extra status text.
  EXPECT_EQ(task->m_pDevice->m_HasExtraStatus, 1);

  SetKey(kParam, "Options", "SkipCheckINIBinClass", "1");
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_TRUE(ReportHas("   INI class & Bintype Fail !! \r\n   Serial Number : "));
}

TEST_F(MPFlow, AnotherControllerFailsWithIV01AndTheSerialInTheExtraText) {
  sim::DriveProfile profile;
  profile.icVersion = 0x3150;
  Install(profile);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("I_V01", "IC ver error!!");
  EXPECT_EQ(task->m_pDevice->m_HasExtraStatus, 1);
}

TEST_F(MPFlow, AnotherFlashOnBootCodeFailsWithIV02WithoutTheSerial) {
  sim::DriveProfile otherFlash;
  otherFlash.geometry.flashId = {0x2C, 0x84, 0x64, 0x3C, 0xA5, 0x00, 0x00};
  Install(otherFlash);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("I_V02", "Controller version is not correct!!");
  EXPECT_EQ(task->m_pDevice->m_HasExtraStatus, 0);
  EXPECT_TRUE(ReportHas("   Boot mode \r\n"));
}

TEST_F(MPFlow, KeepDeviceInfoNeedsTheDriveOnItsNormalCode) {
  SetKey(kParam, "Special", "Keep_Device_Info", "1");
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("S_T20", "Keep_Device_Info must running on Normal Code.");
}

TEST_F(MPFlow, AnEmptySlotWaitsWithItsTag) {
  Install(sim::DriveProfile{}, 4, {1});
  EXPECT_EQ(RunFlow(), 0);
  EXPECT_EQ(ResultText(1), "P_A01");
  EXPECT_EQ(PortStateOf(1), kPortWaiting);
  EXPECT_EQ(Cell(1).GetWindowText(), "");
  EXPECT_FALSE(ReportHas("END        :"));
}

TEST_F(MPFlow, TheFirmwareTypeOfTheDriveMustHoldTheBinTypeOfItsFlashCount) {
  // The UI CE map of two CEs chose the first bin type's firmware; the drive's four CEs ask for
  // the second one (no scan reads the system information in between).
  SetKey(kParamFdb, "Flash Info", "Flash2ndBinCELimit", "2");
  SetKey(kParamFdb, "Flash Info", "Flash2ndMPBinType", "7");
  SetKey(kParam, "Options", "CHCEMap", "3");
  SetKey(kParam, "Options", "SkipMPScan", "1");
  Install(OnBurner());
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("S_x30", "Bin file fail!! FW do not equal to ini(1)");
  EXPECT_TRUE(ReportHas("MP PreTest Process Total take(sec)"));
  EXPECT_EQ(task->m_pDevice->m_HasExtraStatus, 0);

  SetKey(kParam, "Options", "SkipCheckFWBinHeader", "1");
  Install(OnBurner());
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_TRUE(ReportHas("   Bin file fail!! FW do not equal to ini(1) \r\n"));
}

TEST_F(MPFlow, ADriveThatCannotAnswerItsSystemInformationAtTheEndFails) {
  // The system information is read by the device check, both scans and the firmware-type check;
  // from the last one on the drive no longer answers it.
  Fault(1, "GetSystemInfo", sim::FaultAction::Timeout, 3, 0);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("I_x08", "Issue GetSystemInfo Command Failed.");
  EXPECT_TRUE(ReportHas("MP PreTest Process Total take(sec)"));
}

TEST_F(MPFlow, AOneCeDriveCannotRunTheOnePlaneOrTheB0kbTwoPlaneBinTypes) {
  SetKey(kToolSettings, "General Info", "Capacity", "64");
  sim::DriveProfile oneCe;
  oneCe.geometry.ceMap = 0x1;
  for (const auto& [binType, message] : {std::pair<std::string, std::string>{"315", "1CE do not support 1P mode!"},
                                         {"7312", "B0KB 1CE do not support 2P mode!"}}) {
    SCOPED_TRACE(binType);
    WriteMpImageOfBinType(binType);
    SetKey(kParamFdb, "Flash Info", "Flh_MPBinType", binType);
    SetKey(kFlashInfo, "983C98B3767208", "MPBinType", binType);
    Install(oneCe);
    EXPECT_EQ(RunFlow(), 0);
    ExpectFailed("S_x31", message);
    EXPECT_TRUE(ReportHas("MP PreTest Process Total take(sec)"));
    EXPECT_EQ(task->m_pDevice->m_HasExtraStatus, 0);
  }
  // Four CEs run the same bin types.
  Install(sim::DriveProfile{});
  SetKey(kToolSettings, "General Info", "Capacity", "256");
  EXPECT_EQ(RunFlow(), 1) << Report(1);
}

// ---- capacity -------------------------------------------------------------------------------

TEST_F(MPFlow, TheSizeMustLieInTheCapacityRange) {
  // 256 GB: 244198 MB. A range up to 128 GB ends at 122104 MB; from 0 GB it starts at 10 MB.
  SetKey(kParam, "Options", "MaxCapacity", "128");
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("M_T54", "Capacity is not match!!(size:244198, max:122104, min10)");
  EXPECT_EQ(task->m_pDevice->m_HasExtraStatus, 1);
  // Exactly at the maximum.
  SetKey(kParam, "Options", "MaxCapacity", "256");
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  // A maximum below the minimum turns the check off.
  SetKey(kParam, "Options", "MaxCapacity", "100");
  SetKey(kParam, "Options", "MinCapacity", "200");
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  // The factor applies to both limits, as a 32-bit float.
  SetKey(kParam, "Options", "MaxCapacity", "256");
  SetKey(kParam, "Options", "MinCapacity", "0");
  SetKey(kToolSettings, "General Info", "SSDSizePercent", "0.9");
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("M_T54", "Capacity is not match!!(size:244198, max:219778, min9)");
  // A range that is no number is no range to drop: the drive fails for its settings.
  SetKey(kToolSettings, "General Info", "SSDSizePercent", "");
  SetKey(kParam, "Options", "MaxCapacity", "128GB");
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("S_x43", "MaxCapacity of [Options] in .\\param.ini is \"128GB\": expected a whole number from 0 to 1048576");
  SetKey(kParam, "Options", "MaxCapacity", "128");
  SetKey(kParam, "Options", "MinCapacity", "x");
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("S_x43", "MinCapacity of [Options] in .\\param.ini is \"x\": expected a whole number from 0 to 1048576");
}

TEST_F(MPFlow, TheSizeMustBeTheCapacityOfTheSettingsUnlessItIsChosenAutomatically) {
  // Flash of 4 x 32 GB: the firmware formats 128 GiB whatever the info block asks.
  sim::DriveProfile smallFlash;
  smallFlash.geometry.ceSizeExponent = 5;
  Install(smallFlash);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("M_T54", "Capacity is not match!!(size:131072, Cap:244198)");
  for (const char* noExactCapacity : {"default", "MaxSize"}) {
    SetKey(kToolSettings, "General Info", "Capacity", noExactCapacity);
    SetKey(kParamFdb, "Flash Info", "Flh_Capacity", "256");
    Install(smallFlash);
    EXPECT_EQ(RunFlow(), 1) << Report(1);
  }
}

// ---- the write-read test --------------------------------------------------------------------

TEST_F(MPFlow, ABurnInAmountThatIsNoNumberFailsWithASettingsTag) {
  SetKey(kParam, "Write_Read BurnIn", "Enable", "1");
  SetKey(kParam, "Write_Read BurnIn", "SetPercent", "1");
  for (const char* text : {"", "x5", "5%"}) {
    SCOPED_TRACE(text);
    SetKey(kParam, "Write_Read BurnIn", "Percent", text);
    Install(sim::DriveProfile{});
    EXPECT_EQ(RunFlow(), 0);
    ExpectFailed("S_x42", std::string("Write_Read BurnIn Percent setting is empty or not a number (") + text + ") !!!");
    EXPECT_FALSE(ReportHas("BurnIn OK"));
  }
  SetKey(kParam, "Write_Read BurnIn", "SetPercent", "0");
  SetKey(kParam, "Write_Read BurnIn", "SetCapacity", "1");
  SetKey(kParam, "Write_Read BurnIn", "Capacity", " ");
  Install(sim::DriveProfile{});
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("S_x42", "Write_Read BurnIn Capacity setting is empty or not a number () !!!");
  // A loop count below one burns nothing in.
  SetKey(kParam, "Write_Read BurnIn", "Capacity", "0.01");
  SetKey(kParam, "Write_Read BurnIn", "Loop", "-1");
  Install(sim::DriveProfile{});
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("S_x42", "Write_Read BurnIn Loop setting must be 1 or more (-1) !!!");
}

TEST_F(MPFlow, TheBurnInWritesTheAmountOfItsSettingAndNeitherSettingMeansNoTest) {
  SetKey(kParam, "Write_Read BurnIn", "Enable", "1");
  SetKey(kParam, "Write_Read BurnIn", "SetCapacity", "1");
  SetKey(kParam, "Write_Read BurnIn", "Capacity", "0.01");
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_FALSE(ReportHas("Copy Compare"));
  EXPECT_GT(Slot(1).Drive()->Media().WrittenSectors(), 19000u);

  SetKey(kParam, "Write_Read BurnIn", "SetCapacity", "0");
  Install(sim::DriveProfile{});
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_EQ(Slot(1).Drive()->Media().WrittenSectors(), 0u);
}

TEST_F(MPFlow, AFailedCopyCompareRecordsTheSlotsCurrentOnce) {
  beforeFlow = [](CMPDevice& device) { device.m_WRCurrentStatistics = 1; };
  Fault(1, "Read DMA Ext", sim::FaultAction::Garbage);
  EXPECT_EQ(RunFlow(), 0);
  EXPECT_EQ(ResultText(1), "F_x49");
  EXPECT_FALSE(task->m_pDevice->m_WRCurrentText.empty());
  EXPECT_EQ(task->m_pDevice->m_WRCurrentPending, 0);
}

// ---- lock 2 ---------------------------------------------------------------------------------

TEST_F(MPFlow, LockTwoIsLeftOnEveryWayOutOfTheSerialAndInfoBlockSteps) {
  struct Way {
    const char* name;
    std::function<void()> arrange;
    std::uint8_t result;
  };
  const std::vector<Way> ways = {
      {"pass", [] {}, 1},
      {"running code for KeepSN",
       [this] {
         SetKey(kToolSettings, "General Info", "KeepSN", "1");
         Fault(1, "Read Firmware Name", sim::FaultAction::Sense);
       },
       0},
      {"bin type", [this] { SetKey(kFlashInfo, "983C98B3767208", "MPBinType", "2"); }, 0},
      {"serial hand-out", [this] { SetKey(".\\SATA_Setting.ini", "Global_Setting", "Last SN", "NOT-A-SERIAL"); }, 0},
      {"info block", [this] { Fault(1, "Write Info Block", sim::FaultAction::Timeout); }, 0},
  };
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    station.WriteFile("SATA_Setting.ini", "[Global_Setting]\r\nSN_Log_Path=\r\nLast SN=\r\n");
    SetKey(kToolSettings, "General Info", "KeepSN", "0");
    SetKey(kFlashInfo, "983C98B3767208", "MPBinType", "1");
    Install(sim::DriveProfile{});
    way.arrange();
    EXPECT_EQ(RunFlow(), way.result) << Report(1);
    EXPECT_TRUE(LockIsFree(kLockSerialNumber));
  }
}

// ---- the drive's disk for the whole pass ----------------------------------------------------

// At the pass's first request a listing (another page's drop-down) finds a newcomer, the disk of
// slot 2, in drive 1's place; the volumes of each disk lie on a block device of its own. Every
// request is noted with the path it went to.
class NewcomerTransport : public testsupport::ForwardingTransport {
 public:
  NewcomerTransport(std::shared_ptr<device::Transport> inner, std::string newcomer)
      : ForwardingTransport(std::move(inner)), m_newcomer(std::move(newcomer)) {}
  std::vector<device::TransportDisk> ListDisks() override {
    auto disks = ForwardingTransport::ListDisks();
    if (m_arrived && !disks.empty()) disks[0].devicePath = m_newcomer;
    return disks;
  }
  std::string DevicePathOfDrive(int driveNumber) override {
    return m_arrived && driveNumber == 1 ? m_newcomer : ForwardingTransport::DevicePathOfDrive(driveNumber);
  }
  device::PassThroughResult Execute(const std::string& devicePath, device::PassThroughRequest& request) override {
    if (!m_arrived) {
      m_arrived = true;
      g_RootDevice.request = kListRequest;
      ListTvDevice(&g_RootDevice);
    }
    sent.emplace_back(devicePath, request.cdb[0]);
    return ForwardingTransport::Execute(devicePath, request);
  }
  device::BlockDeviceLookup BlockDeviceOf(const std::string& identity) override {
    return {identity == m_newcomer ? "/dev/newcomer" : kDriveBlockDevice};
  }
  std::vector<std::pair<std::string, std::uint8_t>> sent;  // path and operation code

 private:
  std::string m_newcomer;
  bool m_arrived = false;
};

TEST_F(MPFlow, ANewcomerInTheDrivesListingPlaceIsNeitherSizedNorLocked) {
  for (const std::uint8_t bridge : {0, 1}) {
    SCOPED_TRACE(bridge ? "bridge mode" : "tester mode");
    Install(OnMpFirmwareAfterMp());
    if (bridge != 0) UseBridgeMode();
    const std::string own = Slot(1).DevicePath();
    const std::string newcomer = Slot(2).DevicePath();
    auto transport = std::make_shared<NewcomerTransport>(device::GetTransport(), newcomer);
    device::SetTransport(transport);
    auto volumes = FakeVolumes::Mounted({{"/dev/newcomer1", "/media/newcomer"}, {"/dev/simdrive1", "/media/slot1"}});
    beforeFlow = [volumes](CMPDevice& device) { device.m_VolumeLock = std::make_unique<CVolumeLock>(volumes); };
    EXPECT_EQ(RunFlow(), 1) << Report(1);
    EXPECT_EQ(volumes->opened, std::vector<std::string>{kDriveBlockDevice});
    EXPECT_EQ(volumes->unmounted, std::vector<std::string>{"/media/slot1"}) << "the newcomer's volume stays mounted";
    std::size_t sized = 0;
    for (const auto& [path, operation] : transport->sent) {
      EXPECT_EQ(path, own);
      if (operation == device::cdb::kServiceActionIn16Opcode) ++sized;
    }
    EXPECT_GE(sized, 1u) << "the size is asked of the drive's own disk";
  }
}

// ---- the endless test -----------------------------------------------------------------------

TEST_F(MPFlow, TheEndlessTestRestartsOnTheNewFirmwareAndKeepsTheVolumeItLocked) {
  SetKey(kParam, "RD Debug", "TestInFinity", "1");
  device::SetTransport(std::make_shared<VolumeTransport>(device::GetTransport(), kDriveBlockDevice));
  auto volumes = DriveVolume();
  beforeFlow = [volumes](CMPDevice& device) { device.m_VolumeLock = std::make_unique<CVolumeLock>(volumes); };
  // Round 1 on boot code, rounds 2 and 3 on the firmware it programmed; round 3 fails.
  Fault(1, "Standby Immediate", sim::FaultAction::Sense, 2);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("M_x75", "Issue StandBy Immediate command Fail.");
  const std::string report = Report(1);
  std::size_t rounds = 0;
  for (std::size_t at = report.find("Program Flash Code"); at != std::string::npos;
       at = report.find("Program Flash Code", at + 1)) {
    ++rounds;
  }
  EXPECT_EQ(rounds, 3u);
  EXPECT_TRUE(ReportHas("   Boot mode \r\n"));
  EXPECT_TRUE(ReportHas("   Drive Letter are Locked. \r\n   ROM mode \r\n"));
  EXPECT_FALSE(ReportHas("MP PreTest Process Total"));
  // Locked once in round 2 and kept in round 3; the failure closes it.
  EXPECT_EQ(volumes->opened.size(), 1u);
  EXPECT_EQ(volumes->closed.size(), 1u);
  EXPECT_EQ(task->m_VolumesLocked, 0);
}

// ---- the sort stations ----------------------------------------------------------------------

TEST_F(MPFlow, TheSortStationsSortTheTableAndFailOnASortFailureOnlyWhenAsked) {
  SetStation("SortMP");
  Install(OnBurner());
  Fault(1, "Read 3rd BBT", sim::FaultAction::Sense);
  EXPECT_EQ(RunFlow(), 1) << Report(1);

  EXPECT_FALSE(ReportHas("------------------------- FAIL -------------------------"));

  // A sort failure that fails the drive is recorded under the engine's tag and message.
  SetKey(kParam, "Options", "ShowSortBBTFail", "1");
  Install(OnBurner());
  Fault(1, "Read 3rd BBT", sim::FaultAction::Sense);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailedAt("F_x50", "Read 3rd BBT Failed !!! (CE0)", page.bars[0].GetPos());

  // A sort that works rewrites the table.
  Install(OnBurner());
  Fault(1, "Write BBT", sim::FaultAction::Sense);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailedAt("F_T32", "Issue Write BBT Command Failed !!!", page.bars[0].GetPos());
  SetKey(kParam, "Options", "SkipSortBBT", "1");
  Install(OnBurner());
  Fault(1, "Write BBT", sim::FaultAction::Sense);
  EXPECT_EQ(RunFlow(), 1) << Report(1);
}

TEST_F(MPFlow, AUiCeMapIsReportedAndSet) {
  SetKey(kParam, "Options", "CHCEMap", "1F");
  Install(OnBurner());
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_TRUE(ReportHas("   UI CHCE Map : 1F \r\n"));
  EXPECT_TRUE(ReportHas("UI CE Map=1f, Compare=0"));
  SetKey(kParam, "Options", "CHCEMap", "");
  Install(OnBurner());
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_FALSE(ReportHas("UI CHCE Map"));
  EXPECT_FALSE(ReportHas("UI CE Map"));
}

}  // namespace
}  // namespace runtest
