// Down to boot code from every running code, the wait for started code, and the stand-by.
#include "FirmwareFixture.h"

namespace {

using firmwaretest::FirmwareTest;
using sim::FaultAction;
using testsupport::InfoBlockState;
using testsupport::OnBurner;
using testsupport::OnMpFirmware;

using BootControlTest = FirmwareTest;

TEST_F(BootControlTest, JumpToBootReachesBootCodeFromRamCodeAndRestartsTheFirmwareOnFlash) {
  for (const sim::DriveProfile& profile : {OnBurner(), sim::DriveProfile{}}) {
    Use(profile);
    ASSERT_EQ(device->JumpToBootAndWait(5000), 1) << device->m_ErrorMessage;
    EXPECT_EQ(Drive().Code(), sim::RunningCode::Boot);
    EXPECT_EQ(Drive().FirmwareName(), "SBR1.0.0");
  }
  // From code on flash the jump restarts the controller, whose boot code starts the firmware
  // on flash again (the MP flow's endless test restarts a programmed drive this way).
  sim::DriveProfile rdt;
  rdt.flashFirmware = sim::FlashFirmware::Rdt;
  for (const sim::DriveProfile& profile : {OnMpFirmware(InfoBlockState::Blank), rdt}) {
    Use(profile);
    const std::string name = Drive().FirmwareName();
    ASSERT_EQ(device->JumpToBootAndWait(5000), 1) << device->m_ErrorMessage;
    EXPECT_EQ(Drive().Code(), sim::RunningCode::Flash);
    EXPECT_EQ(Drive().FirmwareName(), name);
  }
}

TEST_F(BootControlTest, JumpToBootFailuresLeaveTheirTagWithoutFailRecord) {
  Use(OnBurner());
  Fault("Jump To Boot", FaultAction::Sense);
  EXPECT_EQ(device->JumpToBootAndWait(5000), 0);
  ExpectFailure("I_x05", "Issue Jump to Boot command Fail.");
  EXPECT_EQ(Drive().Code(), sim::RunningCode::Burner);

  Fault("Read Device Status", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->JumpToBootAndWait(5000), 0);
  ExpectFailure("I_x87", "Issue Read Device Status command Fail.");
  EXPECT_FALSE(HasFailRecord("I_x05"));
  EXPECT_FALSE(HasFailRecord("I_x87"));
}

TEST_F(BootControlTest, JumpToBootWaitsTwentySecondsForTheBootCodeToAnswerReady) {
  // Ten status polls a second: a boot code busy for 200 polls is still in time.
  Use(OnBurner());
  Drive().StartBackgroundWork(200);
  ASSERT_EQ(device->JumpToBootAndWait(5000), 1) << device->m_ErrorMessage;
  EXPECT_EQ(Drive().Code(), sim::RunningCode::Boot);

  Use(OnBurner());
  Drive().StartBackgroundWork(201);
  EXPECT_EQ(device->JumpToBootAndWait(5000), 0);
  ExpectFailure("I_x24", "Wait Device Ready Time Out(20 sec)");
  EXPECT_FALSE(HasFailRecord("I_x24"));
}

TEST_F(BootControlTest, ForceToBootLeavesTheFirmwareOnFlash) {
  Use(OnMpFirmware(InfoBlockState::Blank));
  ASSERT_EQ(device->ForceToBootCode(), 1) << device->m_ErrorMessage;
  EXPECT_EQ(Drive().Code(), sim::RunningCode::Boot);
  EXPECT_EQ(Drive().FlashHolds(), sim::FlashFirmware::Mp);

  Use(OnMpFirmware(InfoBlockState::Blank));
  Fault("Force To Boot", FaultAction::Sense);
  EXPECT_EQ(device->ForceToBootCode(), 0);
  ExpectFailure("I_x33", "Issue Force to Boot Code command Fail.");
  EXPECT_FALSE(HasFailRecord("I_x33"));
  EXPECT_EQ(Drive().Code(), sim::RunningCode::Flash);
}

TEST_F(BootControlTest, StandByImmediate) {
  Use(OnMpFirmware(InfoBlockState::Blank));
  ASSERT_EQ(device->StandByImmediate(), 1);
  EXPECT_TRUE(Drive().InStandby());
  EXPECT_TRUE(ReportHas("   StandBy. \r\n"));

  Use(OnMpFirmware(InfoBlockState::Blank));
  Fault("Standby Immediate", FaultAction::Sense);
  EXPECT_EQ(device->StandByImmediate(), 0);
  ExpectFailure("M_x75", "Issue StandBy Immediate command Fail.");
  EXPECT_TRUE(HasFailRecord("M_x75"));
  EXPECT_FALSE(ReportHas("StandBy."));
}

}  // namespace
