// The ISP rewrite on the simulated station: drives on the MP firmware and on boot code get the
// MP firmware in RAM, their info code updated under lock 2, their ISP area erased and the MP
// firmware written into flash again; the RDT firmware, the card check, the info-code update
// and the volume lock. Its opening, which the RMA debug read shares, is in FlowStepsTest.cpp.
#include "device/records/InfoCode.h"
#include "run/FlowFixture.h"

namespace runtest {
namespace {

class RewriteISPFlow : public FlowTest {
 protected:
  void SetUp() override {
    FlowTest::SetUp();
    SetStation("UpdateFW");
    Install(OnMpFirmwareAfterMp());
  }
  std::uint8_t Run(int port = 1) { return RunFlowOf(&CSlotTestTask::RunRewriteISPFlow, kTaskQC, port); }
  InfoCodeRecord DriveInfoCode() {
    std::array<std::uint8_t, 512> sector{};
    EXPECT_EQ(Slot(1).Drive()->ReadInfoCode(sector), sim::DriveStatus::Ok);
    InfoCodeRecord record;
    ReadRecord(sector, record);
    return record;
  }
};

TEST_F(RewriteISPFlow, ADriveOnItsFirmwareIsForcedToBootCodeAndGetsTheMpFirmwareWrittenAgain) {
  EXPECT_EQ(Run(), 1);
  ExpectPassed("Pass");
  EXPECT_EQ(task->positions, (std::vector<int>{5, 10, 20, 40, 70, 90, 100, 0}));
  ExpectReportInOrder({"Station    : UpdateFW\r\n", "   Drive Letter are Not Locked. \r\n", "   Load PRAM Code SBB2.0.1 OK",
                       "   Check Card info \r\n", "   Check Info Block \r\n", "   Update Info Code SBF20A01 OK \r\n",
                       "   Do Erase ISP Code \r\n", "   Do Write Run Code \r\n",
                       "   Short, skip check running code!! \r\n", "   Program Flash Code SBF20A01 OK \r\n",
                       "[ Success ] Upgrade  Firmware Total take(sec): ", " sec. \r\n", "END        :"});
  EXPECT_FALSE(ReportHas("Boot mode"));
  // The drive runs the new firmware from flash; its info code names it and counts the update.
  EXPECT_EQ(Slot(1).Drive()->Code(), sim::RunningCode::Flash);
  EXPECT_EQ(Slot(1).Drive()->FirmwareName(), "SBF20A01");
  const InfoCodeRecord infoCode = DriveInfoCode();
  EXPECT_EQ(infoCode.mark.Get(), "TVIC");
  EXPECT_EQ(infoCode.firmwareName.Get(), "SBF20A01");
  EXPECT_EQ(infoCode.updateCount.Get(), 1u);
  EXPECT_EQ(task->m_VolumesLocked, 0);
}

TEST_F(RewriteISPFlow, ADriveOnBootCodeIsNeitherLockedNorForcedAndGetsItsFirstFirmware) {
  Install(sim::DriveProfile{});
  // A force to boot code would fail: none is sent.
  Fault(1, "Force To Boot", sim::FaultAction::Timeout, 0, 0);
  EXPECT_EQ(Run(), 1) << Report(1);
  EXPECT_FALSE(ReportHas("Drive Letter"));
  EXPECT_EQ(Slot(1).Drive()->FlashHolds(), sim::FlashFirmware::Mp);
  EXPECT_EQ(DriveInfoCode().updateCount.Get(), 1u);
}

TEST_F(RewriteISPFlow, TheRdtFirmwareIsNotRewrittenAndFailsWithATagOfItsOwn) {
  Install(OnRdtFirmware());
  EXPECT_EQ(Run(), 0);
  ExpectFailedAt("I_B68", "[ChkRC]Running on RDT Firmware, ISP rewrite not allowed", 10);
  EXPECT_EQ(Cell(1).GetWindowText(), CMPDevice::ErrorTagToCode("I_B68") + "*[ChkRC]");
  EXPECT_NE(CMPDevice::ErrorTagToCode("I_B68"), "0xFFF");
  EXPECT_EQ(Slot(1).Drive()->FirmwareName(), "RDT10A01");
  EXPECT_FALSE(ReportHas("Drive Letter"));
}

TEST_F(RewriteISPFlow, AFlashCountOtherThanTheParameterFilesFailsTheCardCheck) {
  SetKey(".\\paramFDB.ini", "Flash Info", "Flh_Number", "8");
  EXPECT_EQ(Run(), 0);
  ExpectFailedAt("I_x13", "Flash number not match(4), ini(8)", 40);
  EXPECT_FALSE(ReportHas("Check Info Block"));
}

TEST_F(RewriteISPFlow, LockTwoIsLeftWhetherTheInfoCodeUpdatePassesOrFails) {
  EXPECT_EQ(Run(), 1);
  EXPECT_TRUE(LockIsFree(kLockSerialNumber));
  Install(OnMpFirmwareAfterMp());
  Fault(1, "Write Info Code", sim::FaultAction::Timeout);
  EXPECT_EQ(Run(), 0);
  ExpectFailedAt("I_x49", "Issue Write Info Code command Fail.", 40);
  EXPECT_TRUE(LockIsFree(kLockSerialNumber));
  // The ISP area was not touched.
  EXPECT_EQ(Slot(1).Drive()->FlashHolds(), sim::FlashFirmware::Mp);
}

TEST_F(RewriteISPFlow, ALockedVolumeIsUnlockedAfterAPassAndClosedAfterAFailure) {
  device::SetTransport(std::make_shared<VolumeTransport>(device::GetTransport(), kDriveBlockDevice));
  auto volumes = DriveVolume();
  beforeFlow = [volumes](CMPDevice& device) { device.m_VolumeLock = std::make_unique<CVolumeLock>(volumes); };
  EXPECT_EQ(Run(), 1) << Report(1);
  EXPECT_TRUE(ReportHas("   Drive Letter are Locked. \r\n"));
  EXPECT_EQ(volumes->opened.size(), 1u);
  EXPECT_EQ(volumes->closed.size(), 1u);
  EXPECT_EQ(task->m_VolumesLocked, 0);

  volumes->mounts = DriveVolume()->mounts;  // mounted again between the passes
  Fault(1, "Erase ISP Code", sim::FaultAction::Sense);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(ResultText(1), "F_x94");
  EXPECT_EQ(volumes->opened.size(), 2u);
  EXPECT_EQ(volumes->closed.size(), 2u);
  EXPECT_EQ(task->m_VolumesLocked, 0);
}

// A drive with nothing mounted has no volume to lock and is reported so, but its node is held
// all the same until the drive's test ends, passed or failed.
TEST_F(RewriteISPFlow, ADriveWithNothingMountedIsNotLockedButHeldUntilItsTestEnds) {
  device::SetTransport(std::make_shared<VolumeTransport>(device::GetTransport(), kDriveBlockDevice));
  auto volumes = FakeVolumes::Mounted({});
  beforeFlow = [volumes](CMPDevice& device) { device.m_VolumeLock = std::make_unique<CVolumeLock>(volumes); };
  EXPECT_EQ(Run(), 1) << Report(1);
  EXPECT_TRUE(ReportHas("   Drive Letter are Not Locked. \r\n"));
  EXPECT_EQ(volumes->opened, std::vector<std::string>{kDriveBlockDevice});
  task->m_pDevice.reset();  // the drive's test ends with its engine object
  EXPECT_EQ(volumes->closed.size(), 1u);

  Fault(1, "Erase ISP Code", sim::FaultAction::Sense);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(volumes->opened.size(), 2u);
  task->m_pDevice.reset();
  EXPECT_EQ(volumes->closed.size(), 2u);
  EXPECT_TRUE(volumes->unmounted.empty());
}

}  // namespace
}  // namespace runtest
