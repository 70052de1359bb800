// eFuses, SMART status and temperature, SMART reset, security erase and the DRAM test.
#include "EngineFixture.h"
#include "ui/ProgressCtrl.h"

namespace {

using enginetest::EngineTest;
using sim::FaultAction;

std::array<std::uint8_t, 16> EFuses(sim::SimDrive& drive) {
  std::array<std::uint8_t, 16> fuses{};
  EXPECT_EQ(drive.ReadEFuses(fuses), sim::DriveStatus::Ok);
  return fuses;
}

TEST_F(EngineTest, CheckEFuseBeforeAndAfterACut) {
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckEFuse(0, 0, 0, 0), 1);
  EXPECT_EQ(device->CheckEFuse(1, 0, 1, 0), 0);
  ExpectFailure("I_x19", "UART eFuse is not cut.");
  EXPECT_TRUE(HasFailRecord("I_x19"));

  EXPECT_EQ(device->CutEFuse(1, 0, 0), 1);
  EXPECT_EQ(EFuses(Drive())[1], 0x01);
  EXPECT_EQ(device->CheckEFuse(1, 0, 1, 0), 1);
  EXPECT_EQ(device->CheckEFuse(1, 0, 1, 1), 0);
  ExpectFailure("I_x19", "JTAG eFuse is not cut.");
  EXPECT_EQ(device->CutEFuse(0, 1, 0), 1);
  EXPECT_EQ(device->CheckEFuse(1, 0, 1, 1), 1);
}

TEST_F(EngineTest, CheckEFuseAtQcFollowsTheCutSettings) {
  station.WriteFile("param.ini", "[Options]\r\nCut_eFuse=1\r\nCut_UART=1\r\nCut_JTAG=0\r\n");
  platform::FlushProfileCache();
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckEFuse(0, 1, 0, 0), 0);
  ExpectFailure("I_x19", "UART eFuse is not cut.");
  EXPECT_EQ(device->CutEFuse(1, 0, 0), 1);
  EXPECT_EQ(device->CheckEFuse(0, 1, 0, 0), 1);

  station.WriteFile("param.ini", "[Options]\r\nCut_eFuse=0\r\nCut_UART=1\r\nCut_JTAG=1\r\n");
  platform::FlushProfileCache();
  EXPECT_EQ(device->CheckEFuse(0, 1, 0, 0), 1);  // nothing was to be cut
}

TEST_F(EngineTest, CheckEFuseOfABadBankOrAFailedRead) {
  sim::DriveProfile bad;
  bad.eFuseBad = true;
  Install(bad);
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckEFuse(0, 0, 0, 0), 0);
  ExpectFailure("I_x17", "eFuse data error(EF A5 00)");
  EXPECT_TRUE(HasFailRecord("I_x17"));

  Fault("Read eFuse", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->CheckEFuse(0, 0, 0, 0), 0);
  ExpectFailure("I_x16", "Issue Read eFuse command Fail.");
}

TEST_F(EngineTest, CutEFuseRetriesBeforeItFails) {
  device->WriteReportLine("START", 0);
  Fault("Cut eFuse", FaultAction::Sense, 0, 2);
  EXPECT_EQ(device->CutEFuse(0, 1, 0), 1);
  EXPECT_EQ(EFuses(Drive())[1], 0x02);

  sim::DriveProfile bad;
  bad.eFuseBad = true;
  Install(bad);
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CutEFuse(1, 1, 0), 0);
  ExpectFailure("T_x18", "Issue Cut eFuse command Fail.");
  EXPECT_TRUE(HasFailRecord("T_x18"));
  EXPECT_EQ(device->CutEFuse(0, 0, 0), 1);  // nothing to cut
}

TEST_F(EngineTest, SmartReturnStatusAndThreshold) {
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckSmartReturnStatus(), 1);

  sim::DriveProfile exceeded;
  exceeded.smartThresholdExceeded = true;
  Install(exceeded);
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckSmartReturnStatus(), 0);
  ExpectFailure("M_x71", "SMART threshold exceeded.");
  EXPECT_TRUE(HasFailRecord("M_x71"));

  Fault("SMART Return Status", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->CheckSmartReturnStatus(), 0);
  ExpectFailure("M_x70", "Issue SMART Return Status command Fail.");
}

TEST_F(EngineTest, ThermalSensorFromTheSmartTemperature) {
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckThermalSensor(), 1);  // the simulator's drive reads 45 degrees

  sim::DriveProfile hot;
  hot.smart = {{0x01, 0}, {0xC2, 0}};
  Install(hot);
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckThermalSensor(), 0);
  ExpectFailure("M_x73", "Thermal Sensor error(0 C)");
  hot.smart = {{0x01, 0}, {0xC2, 101}};
  Install(hot);
  EXPECT_EQ(device->CheckThermalSensor(), 0);
  ExpectFailure("M_x73", "Thermal Sensor error(101 C)");
  hot.smart = {{0x01, 0}, {0x09, 20}};
  Install(hot);
  EXPECT_EQ(device->CheckThermalSensor(), 0);
  ExpectFailure("M_x73", "Thermal Sensor not found.");

  Fault("SMART Read Data", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->CheckThermalSensor(), 0);
  ExpectFailure("M_x72", "Issue SMART Read Data command Fail.");
}

TEST_F(EngineTest, ResetSmartClearsTheCountersAndWaits) {
  std::array<std::uint8_t, 512> page{};
  ASSERT_EQ(Drive().ReadDebugData(0, 0, 1, page), sim::DriveStatus::Ok);
  ASSERT_EQ(page[2 * 9], 0x09);       // power-on hours, third entry
  ASSERT_NE(page[2 * 9 + 1], 0x00);
  EXPECT_EQ(device->ResetSmart(), 1);
  ASSERT_EQ(Drive().ReadDebugData(0, 0, 1, page), sim::DriveStatus::Ok);
  EXPECT_EQ(page[2 * 9 + 1], 0x00);

  device->WriteReportLine("START", 0);
  Fault("Reset SMART", FaultAction::Sense);
  EXPECT_EQ(device->ResetSmart(), 0);
  ExpectFailure("M_x74", "Issue Reset SMART command Fail.");
  EXPECT_TRUE(HasFailRecord("M_x74"));
}

TEST_F(EngineTest, SecurityEraseOfADriveOnItsFirmware) {
  sim::DriveProfile programmed;
  programmed.flashFirmware = sim::FlashFirmware::Mp;
  Install(programmed);
  std::array<std::uint8_t, 512> data{};
  data.fill(0x5A);
  ASSERT_EQ(Drive().WriteSectors(100, 1, data), sim::DriveStatus::Ok);
  EXPECT_EQ(device->DoSecurityErase(), 1);
  ASSERT_EQ(Drive().ReadSectors(100, 1, data), sim::DriveStatus::Ok);
  EXPECT_EQ(data[0], 0x00);

  Install(sim::DriveProfile{});  // boot code refuses the erase
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->DoSecurityErase(), 0);
  ExpectFailure("F_x80", "Security Erase Fail(Erase Unit).");
  EXPECT_TRUE(HasFailRecord("F_x80"));
  Fault("Security Set Password", FaultAction::Sense);
  EXPECT_EQ(device->DoSecurityErase(), 0);
  ExpectFailure("F_x80", "Security Erase Fail(Set Password).");
}

TEST_F(EngineTest, DramTestPassesAndMovesTheProgressBar) {
  ui::CProgressCtrl progress;
  progress.SetRange(0, 100);
  progress.SetPos(35);
  EXPECT_EQ(device->DoSDRWriteReadTest(&progress, 15, 0), 1);
  EXPECT_EQ(progress.GetPos(), 50);
  EXPECT_EQ(device->DoSDRWriteReadTest(nullptr, 15, 0), 1);
}

TEST_F(EngineTest, DramTestFindsAFlippedBit) {
  sim::DriveProfile broken;
  broken.dramFail = true;
  Install(broken);
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->DoSDRWriteReadTest(nullptr, 10, 0), 0);
  ExpectFailure("D_x07", "SDR Write/Read Compare Fail at 0x00000000.");
  EXPECT_TRUE(HasFailRecord("D_x07"));

  Install(sim::DriveProfile{});
  device->WriteReportLine("START", 0);
  Fault("Write DRAM", FaultAction::Sense, 3);
  EXPECT_EQ(device->DoSDRWriteReadTest(nullptr, 10, 0), 0);
  ExpectFailure("D_x08", "Issue DRAM Write command Fail(0x00030000).");
  Fault("Read DRAM", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->DoSDRWriteReadTest(nullptr, 10, 0), 0);
  ExpectFailure("D_x08", "Issue DRAM Read command Fail(0x00000000).");
}

}  // namespace
