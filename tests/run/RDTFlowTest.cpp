// The RDT pretest flow on the simulated station, one drive at a time: each running code's way
// to burner code, the BIN loaded, the ReRDT information, the sort, the scan or the check of
// the first blocks, the capacity setting, the bin types, the short run and the flow's own
// failures with their endings.
#include <cstring>

#include "device/records/InfoBlock.h"
#include "run/FlowFixture.h"

namespace runtest {
namespace {

class RDTFlow : public FlowTest {
 protected:
  void SetUp() override {
    FlowTest::SetUp();
    SetStation("RDT");
  }
  std::uint8_t RunFlow(int port = 1) { return RunFlowOf(&CSlotTestTask::RunRDTFlow, kTaskInit, port); }
  // How often a text stands in the port's report.
  std::size_t ReportCount(const std::string& text) {
    const std::string report = Report(1);
    std::size_t count = 0;
    for (std::size_t at = report.find(text); at != std::string::npos; at = report.find(text, at + 1)) ++count;
    return count;
  }
  void ExpectInOrder(const std::vector<std::string>& lines) {
    const std::string report = Report(1);
    std::size_t at = 0;
    for (const std::string& line : lines) {
      at = report.find(line, at);
      ASSERT_NE(at, std::string::npos) << line << "\n" << report;
    }
  }
  void SetRdtInfo(unsigned slot, std::uint16_t ceMap, std::uint16_t runFlags, std::uint8_t loopRules) {
    MpInfo info;
    std::memset(&info, 0, sizeof(info));
    info.signature.Set(kRdtInfoSignature);
    info.ceBitMap.Set(ceMap);
    info.runFlags.Set(runFlags);
    info.loopRules = loopRules;
    ASSERT_EQ(Slot(slot).Drive()->WriteRdtInfo(BytesOf(info)), sim::DriveStatus::Ok);
  }
};

// ---- the drive's way by its running code ----------------------------------------------------

TEST_F(RDTFlow, ADriveOnBootCodeGetsTheRdtBinIsScannedPreformattedAndGetsTheRdtFirmware) {
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  ExpectPassed("Pass");
  ExpectInOrder({"   UI CHCE Map : 0 \r\n", "   Serial Number : 00000000 \r\n", "   Boot mode \r\n",
                 "   Load PRAM Code SBB2.0.2 OK (FW\\RDT\\TV3160_RDT_Sample.bin) \r\n",
                 "[ Success ] Erase All Block(Type 9) OK", "[ Success ] Scan Bad Block", "[ Success ] PreFormat OK",
                 "   Program Flash Code RDT20A01 OK \r\n",
                 "[ Success ] RDT PreTest OK, Total take(sec): ", "END        :"});
  // The settings snapshot follows the banner.
  EXPECT_TRUE(ReportHas("[MPToolSetting]"));
  EXPECT_EQ(BlockInfoTags(), "SCA1;");
  // The drive now runs the RDT firmware, whose test has run; the preformat wrote the info block
  // with the serial number handed out.
  sim::SimDrive& drive = *Slot(1).Drive();
  EXPECT_EQ(drive.Code(), sim::RunningCode::Flash);
  EXPECT_EQ(drive.FlashHolds(), sim::FlashFirmware::Rdt);
  EXPECT_EQ(drive.FirmwareName(), "RDT20A01");
  ASSERT_TRUE(drive.RdtInfo().has_value());
  std::array<std::uint8_t, 512> block{};
  ASSERT_EQ(drive.ReadInfoBlock(0, block), sim::DriveStatus::Ok);
  InfoBlockRecord record;
  std::memcpy(&record, block.data(), sizeof(record));
  char serial[20];
  record.serialNumber.CopyTo(serial);
  EXPECT_EQ(std::string(serial, 8), "00000000");
}

TEST_F(RDTFlow, ADriveOnBurnerCodeIsPreparedWithoutAProgramRamLoad) {
  Install(OnBurner());
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  ExpectPassed("Pass");
  EXPECT_FALSE(ReportHas("Load PRAM Code"));
  EXPECT_FALSE(ReportHas(" mode "));
}

TEST_F(RDTFlow, ADriveOnFlashCodeIsForcedToBootCodeLoadedErasedAndRestarted) {
  Install(OnMpFirmwareAfterMp());
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  ExpectPassed("Pass");
  ExpectInOrder({"   Drive Letter are Not Locked. \r\n   ROM mode \r\n", "   Load PRAM Code SBB2.0.2 OK",
                 "[ Success ] Erase All Block(Type 9) OK", "   Load PRAM Code SBB2.0.2 OK",
                 "   Program Flash Code RDT20A01 OK"});
  EXPECT_EQ(ReportCount("Load PRAM Code"), 2u);
  EXPECT_EQ(task->m_VolumesLocked, 0);
}

TEST_F(RDTFlow, RdtUseMpBinLoadsTheMpBinIntoProgramRam) {
  SetKey(kToolSettings, "General Info", "RDTUseMPBin", "1");
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_TRUE(ReportHas("   Load PRAM Code SBB2.0.1 OK (FW\\MP\\TV3160_MP_Sample.bin) \r\n"));
  // The firmware programmed into flash is the RDT firmware all the same.
  EXPECT_TRUE(ReportHas("   Program Flash Code RDT20A01 OK \r\n"));
}

TEST_F(RDTFlow, AShortRunSkipsTheRunningCodeCheckAndSaysSo) {
  SetKey(kToolSettings, "General Info", "Short", "1");
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  ExpectPassed("Pass*Short*Enabled");
  EXPECT_TRUE(ReportHas("   Short, skip check running code!! \r\n"));
}

// ---- scan, first blocks and the CE map ------------------------------------------------------

TEST_F(RDTFlow, WithoutTheSkipRdtScanKeyThePretestNeitherScansNorStoresARecord) {
  ASSERT_TRUE(platform::DeleteProfileKey(kParam, "Options", "SkipRDTScan"));
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_FALSE(ReportHas("Scan Bad Block"));
  EXPECT_EQ(BlockInfoTags(), "");
}

TEST_F(RDTFlow, AFailedScanStillStoresItsRecord) {
  sim::DriveProfile manyBad;
  manyBad.badBlocks.earlyBadPerCe = 80;
  Install(manyBad);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("F_x42", "Bad Block over Spec!!! All Bad PrePlane Number(47) over Spec(25)");
  EXPECT_EQ(BlockInfoTags(), "SCA1;");
}

TEST_F(RDTFlow, WithTheScanSkippedTheFirstBlocksAreCheckedWhenAsked) {
  SetKey(kParam, "Options", "SkipRDTScan", "1");
  SetKey(kParam, "Options", "ChkFirst4Blk", "1");
  sim::DriveProfile badFirstBlock;
  badFirstBlock.badBlocks.named.push_back({1, 2, kBlockFactoryBad});
  Install(badFirstBlock);
  // The drive's table marks the block only once a scan found it: the factory mark is there.
  EXPECT_EQ(RunFlow(), 0) << Report(1);
  EXPECT_EQ(ResultText(1), "F_x44");
  EXPECT_EQ(BlockInfoTags(), "");
  SetKey(kParam, "Options", "ChkFirst4Blk", "2");
  Install(badFirstBlock);
  EXPECT_EQ(RunFlow(), 1) << Report(1);
}

TEST_F(RDTFlow, TheUiCeMapIsSetForTheEraseAndTheScanAndHandedToThePreformat) {
  SetKey(kParam, "Options", "CHCEMap", "0x3");
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_TRUE(ReportHas("   UI CHCE Map : 3 \r\n"));
  EXPECT_EQ(ReportCount("UI CE Map=3, Compare=0"), 2u);
  EXPECT_EQ(Slot(1).Drive()->CeMapInUse(), 0x3);
}

// ---- ReRDT and the sort stations --------------------------------------------------------------

TEST_F(RDTFlow, ReRdtTakesTheCeMapAndFlagsOfTheEarlierRunIntoThePreformat) {
  SetStation("ReRDT");
  Install(OnBurner());
  SetRdtInfo(1, 0x5, kRunFlagTwoPassProgram, 4);
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_TRUE(ReportHas("   Run Info CHCE Map : 5 \r\n"));
  CMPDevice& device = *task->m_pDevice;
  EXPECT_EQ(device.m_RDTInfoValid, 1u);
  EXPECT_EQ(device.m_RDTTwoPass, 1u);
  EXPECT_EQ(device.m_SLCCycleRDT, 1);
  EXPECT_EQ(device.m_RunInfoCEMap, 0x5);
  // The run information's CE map goes to the drive ahead of the UI's.
  EXPECT_EQ(Slot(1).Drive()->CeMapInUse(), 0x5);
  // An RDT that cycles SLC blocks keeps the flash: erase type 0.
  EXPECT_TRUE(ReportHas("Erase All Block(Type 0)")) << Report(1);
}

TEST_F(RDTFlow, ReRdtWithoutRdtInformationRunsOnWithTheFlagsCleared) {
  SetStation("ReRDT");
  Install(OnBurner());
  beforeFlow = [](CMPDevice& device) {
    device.m_RDTInfoValid = 1;
    device.m_RDTTwoPass = 1;
    device.m_RunInfoCEMap = 0x7;
  };
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  CMPDevice& device = *task->m_pDevice;
  EXPECT_EQ(device.m_RDTInfoValid, 0u);
  EXPECT_EQ(device.m_RDTTwoPass, 0u);
  EXPECT_EQ(device.m_RunInfoCEMap, 0);
  EXPECT_FALSE(ReportHas("Run Info CHCE Map"));
}

TEST_F(RDTFlow, ReRdtOfADriveOnFlashCodeRestartsIntoBootCodeOnlyAfterAnErase) {
  SetStation("ReRDT");
  // The station's own erase type (1) runs no erase: the flash code starts again after the
  // power reset and the boot-code check fails.
  Install(OnRdtFirmware());
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("I_x65", "[ChkRC]Not Running on Boot Code now");
  // A ReRDT station sets erase type 9: the drive is erased, restarts on boot code and gets the
  // RDT firmware again, the earlier run's information kept.
  SetKey(".\\Configuration\\System\\Debug.ini", "DEBUG", "EraseType", "9");
  for (const sim::DriveProfile& profile : {OnRdtFirmware(), OnMpFirmwareAfterMp()}) {
    Install(profile);
    EXPECT_EQ(RunFlow(), 1) << Report(1);
    EXPECT_TRUE(ReportHas("Erase All Block(Type 9)")) << Report(1);
    EXPECT_EQ(Slot(1).Drive()->FlashHolds(), sim::FlashFirmware::Rdt);
  }
}

TEST_F(RDTFlow, EraseTypeNineForgetsTheRunInformationsCeMap) {
  SetStation("ReRDT");
  SetKey(".\\Configuration\\System\\Debug.ini", "DEBUG", "EraseType", "9");
  SetKey(kParam, "Options", "CHCEMap", "3");
  Install(OnBurner());
  SetRdtInfo(1, 0x5, 0, 0);
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_TRUE(ReportHas("   Run Info CHCE Map : 5 \r\n"));
  EXPECT_EQ(Slot(1).Drive()->CeMapInUse(), 0x3);
}

TEST_F(RDTFlow, TheSortRdtStationEndsAFailedSortThatShouldShowBeforeTheErase) {
  // The sort itself is the MP flow's (tested there); the pretest ends on its failure at once.
  SetStation("SortRDT");
  SetKey(kParam, "Options", "ShowSortBBTFail", "1");
  Install(OnBurner());
  Fault(1, "Read 3rd BBT", sim::FaultAction::Sense);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailedAt("F_x50", "Read 3rd BBT Failed !!! (CE0)", page.bars[0].GetPos());
  // The sort failure carries the serial number into the extra status text.
  EXPECT_EQ(task->m_pDevice->m_HasExtraStatus, 1);
  EXPECT_FALSE(ReportHas("Erase All Block"));
}

// ---- the flow's own checks --------------------------------------------------------------------

TEST_F(RDTFlow, ABinClassTheFlashDatabaseDoesNotNameFailsUnlessOnlyReported) {
  SetKey(kFlashInfo, "983C98B3767208", "RDTBinType", "2");
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("S_x30", "INI class & Bintype Fail !!");
  EXPECT_FALSE(ReportHas("Serial Number : "));

  SetKey(kParam, "Options", "SkipCheckINIBinClass", "1");
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_TRUE(ReportHas("   INI class & Bintype Fail !! \r\n"));
  // Only reported: the tag stays with the task of a drive that passed.
  EXPECT_EQ(task->ErrorTag(), "S_x30");
  EXPECT_EQ(ResultText(1), "0_00");
}

TEST_F(RDTFlow, AnotherControllerOrAnotherFlashFailWithTheFlowsTags) {
  sim::DriveProfile otherController;
  otherController.icVersion = 0x3150;
  Install(otherController);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("I_V01", "IC ver error!!");
  EXPECT_EQ(task->m_pDevice->m_HasExtraStatus, 0);

  sim::DriveProfile otherFlash;
  otherFlash.geometry.flashId = {0x2C, 0x84, 0x64, 0x3C, 0xA5, 0x00, 0x00};
  Install(otherFlash);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("I_V02", "Controller version is not correct!!");
  EXPECT_TRUE(ReportHas("   Boot mode \r\n"));
}

TEST_F(RDTFlow, AnEmptySlotWaitsWithItsTag) {
  Install(sim::DriveProfile{}, 4, {1});
  EXPECT_EQ(RunFlow(), 0);
  ExpectNoDrive();
}

TEST_F(RDTFlow, TheCapacitySettingMustFitTheFlash) {
  // Four CEs of 65536 MB: at most 256 GB.
  SetKey(kToolSettings, "General Info", "Capacity", "257");
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("M_T54", "Capacity is not match!!(size:257, max:256)");
  EXPECT_TRUE(ReportHas("Program Flash Code RDT20A01 OK"));
  // A negative size never fits.
  SetKey(kToolSettings, "General Info", "Capacity", "-1");
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("M_T54", "Capacity is not match!!(size:-1, max:256)");
  // No number counts as 0; the words and the automatic choice turn the check off.
  for (const char* capacity : {"256", "abc", "default", "MaxSize", ""}) {
    SCOPED_TRACE(capacity);
    SetKey(kToolSettings, "General Info", "Capacity", capacity);
    EXPECT_EQ(RunFlow(), 1) << Report(1);
  }
  // The automatic capacity choice (here without a scan, which would choose) has no check.
  SetKey(kToolSettings, "General Info", "Capacity", "257");
  SetKey(kParamFdb, "Options", "AutoCapacity_Enable", "1");
  SetKey(kParam, "Options", "SkipRDTScan", "1");
  EXPECT_EQ(RunFlow(), 1) << Report(1);
}

TEST_F(RDTFlow, AnRdtBinType8311IsLookedForAs311AndOneCeCannotRunIt) {
  auto contents = engine::firmware::SampleImageContents(true);
  contents.binType = "8311";
  const auto image = engine::firmware::BuildFirmwareImage(contents);
  station.WriteFile("FW/RDT/TV3160_RDT_Sample.bin", std::string(image.begin(), image.end()));
  SetKey(kParamFdb, "Flash Info", "Flh_RDTBinType", "8311");
  SetKey(kFlashInfo, "983C98B3767208", "RDTBinType", "8311");
  sim::DriveProfile oneCe;
  oneCe.geometry.ceMap = 0x1;
  SetKey(kToolSettings, "General Info", "Capacity", "64");
  Install(oneCe);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("S_x31", "1CE do not support 1P mode!");
  EXPECT_TRUE(ReportHas("[ Success ] RDT PreTest OK, Total take(sec): "));
  // Four CEs run it.
  SetKey(kToolSettings, "General Info", "Capacity", "256");
  Install(sim::DriveProfile{});
  EXPECT_EQ(RunFlow(), 1) << Report(1);
}

TEST_F(RDTFlow, TheRunningFirmwaresBinTypeIsCheckedAgainstTheRdtBinType) {
  // A drive whose running firmware reports the bin type "311".
  sim::DriveProfile onFlash = OnMpFirmwareAfterMp();
  onFlash.binType = "311";
  Install(onFlash);
  task.reset(NewTask(1));
  ASSERT_TRUE(task->MakeDevice(nullptr));
  CMPDevice& device = *task->m_pDevice;
  // "8311" is looked for as "311" in the RDT firmware's type, not in the MP firmware's.
  SetKey(kParamFdb, "Flash Info", "Flh_RDTBinType", "8311");
  SetKey(kParamFdb, "Flash Info", "Flh_MPBinType", "8311");
  EXPECT_TRUE(task->CheckFirmwareBinType(true)) << Report(1);
  EXPECT_FALSE(task->CheckFirmwareBinType(false));
  EXPECT_EQ(device.m_ErrorTag, "S_x30");
  EXPECT_EQ(device.m_ErrorMessage, "Bin file fail!! FW do not equal to ini(311)");
  // A mismatch only reported: its own line, the tag kept by the engine and the task.
  SetKey(kParamFdb, "Flash Info", "Flh_RDTBinType", "7");
  SetKey(kParam, "Options", "SkipCheckFWBinHeader", "1");
  device.m_ErrorTag.clear();
  EXPECT_TRUE(task->CheckFirmwareBinType(true));
  EXPECT_TRUE(ReportHas("   Bin file fail, FW do not equal to ini(311) \r\n"));
  EXPECT_EQ(device.m_ErrorTag, "S_x30");
  EXPECT_EQ(task->ErrorTag(), "S_x30");
}

TEST_F(RDTFlow, AFailedPowerResetShowsItsTagInTheFlowsPhaseOverTheResetsOnlyRecord) {
  Install(OnMpFirmwareAfterMp());
  // The IO-state check powers the slot on; the restart after the erase switches it off first.
  Fault(1, "Tester Power", sim::FaultAction::Sense, 1);
  EXPECT_EQ(RunFlow(), 0);
  EXPECT_EQ(ResultText(1), "T_I06");
  EXPECT_EQ(std::string(Cell(1).GetSubText()), "Power off Failed");
  // The reset's record is the drive's one fail record, as the erase flow leaves it.
  EXPECT_EQ(ReportCount("------------------------- FAIL -------------------------"), 1u) << Report(1);
  EXPECT_TRUE(ReportHas("Error Tag  : T_x06\r\n"));
  EXPECT_FALSE(ReportHas("Error Tag  : T_I06\r\n"));
}

TEST_F(RDTFlow, LockTwoIsLeftWhetherTheSerialNumberIsHandedOutOrNot) {
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_TRUE(LockIsFree(kLockSerialNumber));
  SetKey(".\\SATA_Setting.ini", "Global_Setting", "Last SN", "NOT-A-SERIAL");
  EXPECT_EQ(RunFlow(), 0);
  EXPECT_EQ(ResultText(1), "S_x40");
  EXPECT_TRUE(LockIsFree(kLockSerialNumber));
}

}  // namespace
}  // namespace runtest
