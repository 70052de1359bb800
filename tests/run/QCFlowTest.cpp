// The QC flow on the simulated station, one drive at a time: a drive that the MP station
// programmed passes and gets its QC mark; the info block is rewritten with the RDT
// information and never without a serial number; presence by IO state or bar code; the
// firmware on flash, the MP mark, the write-read settings, the security erase and lock 2.
#include <cstring>

#include "device/records/InfoBlock.h"
#include "platform/Text.h"
#include "run/FlowFixture.h"
#include "sim/FirmwareImageHeader.h"

namespace runtest {
namespace {

// A drive as the MP station leaves it: the MP firmware of the station's image on flash, an
// info block with its identity and the MP mark.
sim::DriveProfile ProgrammedAtMp() {
  sim::DriveProfile profile = OnMpFirmwareAfterMp();
  profile.flashImage =
      sim::FlashSectionOfImageFile(testsupport::SampleImage(false)).value_or(std::vector<std::uint8_t>{});
  return profile;
}

class QCFlow : public FlowTest {
 protected:
  void SetUp() override {
    FlowTest::SetUp();
    SetStation("QC");
    Install(ProgrammedAtMp());
  }
  std::uint8_t RunFlow(int port = 1) { return RunFlowOf(&CSlotTestTask::RunQCFlow, kTaskQC, port); }
  InfoBlockRecord DriveInfoBlock() {
    std::array<std::uint8_t, 512> bytes{};
    EXPECT_EQ(Slot(1).Drive()->ReadInfoBlock(0, bytes), sim::DriveStatus::Ok);
    InfoBlockRecord block;
    std::memcpy(&block, bytes.data(), sizeof(block));
    return block;
  }
  static std::string SerialOf(const InfoBlockRecord& block) {
    char serial[20];
    block.serialNumber.CopyTo(serial);
    return platform::Trim(std::string(serial, strnlen(serial, sizeof(serial))));
  }
  void WriteDriveInfoBlock(const InfoBlockRecord& block) {
    ASSERT_EQ(Slot(1).Drive()->WriteInfoBlock(0, BytesOf(block)), sim::DriveStatus::Ok);
  }
};

TEST_F(QCFlow, ADriveProgrammedAtMpPassesAndGetsTheQcMark) {
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  ExpectPassed("Pass");
  const std::string report = Report(1);
  std::size_t at = 0;
  for (const std::string line :
       {"Station    : QC\r\n", "   InfoBlock Reset Temperature log 64 bytes \r\n",
        "   Write InfoBlock OK, SN: SIMSERIAL1 \r\n", "[ Success ] Copy Compare Test PIO OK",
        "[ Success ] Scan Bad Block", "   StandBy. \r\n", "[ Success ] QC Process Total take(sec): ", "END        :"}) {
    at = report.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << "\n" << report;
  }
  // No settings snapshot at QC; the identity of the drive stays, the QC mark joins the MP mark.
  EXPECT_FALSE(ReportHas("[MPToolSetting]"));
  const InfoBlockRecord block = DriveInfoBlock();
  EXPECT_EQ(SerialOf(block), "SIMSERIAL1");
  EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(&block)[511], 0x01 | 0x02);
  EXPECT_TRUE(Slot(1).Drive()->InStandby());
  // The scan of QC keeps no block-information record.
  EXPECT_EQ(BlockInfoTags(), "");
}

TEST_F(QCFlow, TheRdtInformationOfTheDriveGoesIntoItsInfoBlock) {
  sim::DriveProfile profile = ProgrammedAtMp();
  profile.rdt.state = sim::RdtState::Done;
  Install(profile);
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_TRUE(ReportHas("   InfoBlock Get Temperature log 64 bytes \r\n"));
  EXPECT_EQ(DriveInfoBlock().mpInfo.signature.Get(), std::string_view(kRdtInfoSignature, 4));
}

TEST_F(QCFlow, ABlockWithoutASerialNumberTakesTheDrivesIdentifySerial) {
  // A drive whose info block was never written (the MP mark is not checked here).
  SetKey(kParam, "Options", "SkipGoodMarkCheck", "1");
  sim::DriveProfile blank = ProgrammedAtMp();
  blank.infoBlockWritten = false;
  Install(blank);
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_TRUE(
      ReportHas("   Serial Number write to infoblock: SIMSERIAL1 \r\n   InfoBlock Reset Temperature log 64 "
                "bytes \r\n   Write InfoBlock OK, SN: SIMSERIAL1 \r\n"));
  EXPECT_EQ(SerialOf(DriveInfoBlock()), "SIMSERIAL1");
}

TEST_F(QCFlow, NoInfoBlockIsWrittenWithoutASerialNumber) {
  // The block has its mark but no serial number, and the MP firmware reports that blank one.
  InfoBlockRecord block = DriveInfoBlock();
  std::memset(&block.serialNumber, ' ', sizeof(block.serialNumber));
  WriteDriveInfoBlock(block);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("S_x40", "No Serial Number for Info Block.");
  EXPECT_FALSE(ReportHas("Write InfoBlock OK"));
  EXPECT_EQ(SerialOf(DriveInfoBlock()), "");
  EXPECT_TRUE(LockIsFree(kLockSerialNumber));
}

TEST_F(QCFlow, LockTwoIsLeftWhenTheInfoBlockCannotBeWritten) {
  Fault(1, "Write Info Block", sim::FaultAction::Timeout);
  EXPECT_EQ(RunFlow(), 0);
  EXPECT_EQ(ResultText(1), "I_x47");
  EXPECT_EQ(PortStateOf(1), kPortFail);
  EXPECT_TRUE(LockIsFree(kLockSerialNumber));
}

// ---- presence, controller and firmware ------------------------------------------------------

TEST_F(QCFlow, AnEmptySlotWaitsWithItsTag) {
  Install(ProgrammedAtMp(), 4, {1});
  EXPECT_EQ(RunFlow(), 0);
  ExpectNoDrive();
}

TEST_F(QCFlow, BehindTheBridgeTheSerialNumberMustBeTheBarCode) {
  g_U2AMode = 1;
  g_RootDevice.request = kListRequest;
  ListTvDevice(&g_RootDevice);
  beforeFlow = [](CMPDevice& device) { device.m_BarCodeText = "OTHERSERIAL"; };
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("S_x16", "SN not match Bar Code(SIMSERIAL1, OTHERSERIAL)");
  beforeFlow = [](CMPDevice& device) { device.m_BarCodeText = "SIMSERIAL1"; };
  EXPECT_EQ(RunFlow(), 1) << Report(1);
}

TEST_F(QCFlow, AnotherControllerFailsWithTheFlowsTag) {
  sim::DriveProfile otherController = ProgrammedAtMp();
  otherController.icVersion = 0x3150;
  Install(otherController);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("I_V01", "IC ver error!!");
}

TEST_F(QCFlow, TheDriveMustRunTheStationsMpFirmwareFromFlash) {
  Install(sim::DriveProfile{});
  EXPECT_EQ(RunFlow(), 0);
  EXPECT_EQ(PortStateOf(1), kPortFail);
  EXPECT_EQ(ResultText(1).substr(0, 2), "I_");
  // Firmware on flash whose code is not the station's MP BIN.
  Install(OnMpFirmwareAfterMp());
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("F_x91", "Flash Code not match MP Bin at 0x0");
}

TEST_F(QCFlow, ADriveWithoutTheMpMarkFailsUnlessTheMarkIsNotChecked) {
  sim::DriveProfile unmarked = ProgrammedAtMp();
  unmarked.goodMark = 0;
  Install(unmarked);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("I_Q11", "Good Card Mark not found(00)");
  SetKey(kParam, "Options", "SkipGoodMarkCheck", "1");
  Install(unmarked);
  EXPECT_EQ(RunFlow(), 1) << Report(1);
}

TEST_F(QCFlow, ADriveWhoseSmartThresholdIsExceededFails) {
  sim::DriveProfile worn = ProgrammedAtMp();
  worn.smartThresholdExceeded = true;
  Install(worn);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("M_x71", "SMART threshold exceeded.");
  EXPECT_FALSE(Slot(1).Drive()->InStandby());
}

// ---- write-read test and security erase --------------------------------------------------------

TEST_F(QCFlow, TheBurnInRunsByItsSettingAndNeitherSettingMeansNoTest) {
  SetKey(kParam, "Write_Read BurnIn", "Enable", "1");
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_FALSE(ReportHas("Copy Compare"));
  EXPECT_EQ(Slot(1).Drive()->Media().WrittenSectors(), 0u);

  SetKey(kParam, "Write_Read BurnIn", "SetCapacity", "1");
  SetKey(kParam, "Write_Read BurnIn", "Capacity", "0.01");
  Install(ProgrammedAtMp());
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_GT(Slot(1).Drive()->Media().WrittenSectors(), 19000u);

  SetKey(kParam, "Write_Read BurnIn", "SetPercent", "1");
  SetKey(kParam, "Write_Read BurnIn", "Percent", "x5");
  Install(ProgrammedAtMp());
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("S_x42", "Write_Read BurnIn Percent setting is empty or not a number (x5) !!!");
}

TEST_F(QCFlow, TheSecurityEraseRunsOnlyForTheBgaFormWithSkipBuildFat) {
  SetKey(kParam, "Device Info", "SSD Size", " bga_nand_ussd-S ");
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_GT(Slot(1).Drive()->Media().WrittenSectors(), 0u);  // the copy-compare test's data stay

  SetKey(kParam, "Options", "SkipBuildFAT", "1");
  Install(ProgrammedAtMp());
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_EQ(Slot(1).Drive()->Media().WrittenSectors(), 0u);

  SetKey(kParam, "Options", "Skip_SecurityErase_QC", "1");
  Install(ProgrammedAtMp());
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_GT(Slot(1).Drive()->Media().WrittenSectors(), 0u);

  SetKey(kParam, "Options", "Skip_SecurityErase_QC", "0");
  SetKey(kParam, "Device Info", "SSD Size", "BGA_NAND_uSS");
  Install(ProgrammedAtMp());
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  EXPECT_GT(Slot(1).Drive()->Media().WrittenSectors(), 0u);
}

}  // namespace
}  // namespace runtest
