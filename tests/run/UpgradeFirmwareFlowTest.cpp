// The firmware upgrade on the simulated station: a drive on the MP firmware from flash takes
// the MP image through the download microcode command; a drive on boot or burner code and an
// empty slot end the flow, directly in the slot's cell; bridge mode; Run chooses the flow at
// the MP station with OnlyDoISP. The download's failures are among the station's whole passes.
#include "run/FlowFixture.h"

namespace runtest {
namespace {

class UpgradeFirmwareFlow : public FlowTest {
 protected:
  void SetUp() override {
    FlowTest::SetUp();
    SetStation("MP");
    SetKey(".\\param.ini", "Options", "OnlyDoISP", "1");
    Install(OnMpFirmwareAfterMp());
  }
  std::uint8_t Run(int port = 1) { return RunFlowOf(&CSlotTestTask::RunUpgradeFirmwareFlow, kTaskInit, port); }
};

TEST_F(UpgradeFirmwareFlow, ADriveOnItsFirmwareFromFlashTakesTheMpImageAndPasses) {
  EXPECT_EQ(Slot(1).Drive()->FirmwareName(), "SBF10A01");
  EXPECT_EQ(Run(), 1);
  ExpectPassed("Pass");
  EXPECT_EQ(task->positions, (std::vector<int>{5, 50, 60, 90, 100, 0}));
  // The timing line keeps the two blanks of "Upgrade  Firmware".
  ExpectReportInOrder({"Station    : MP\r\n", "   Download Microcode SBF20A01 OK \r\n",
                       "[ Success ] Upgrade  Firmware Total take(sec): ", " sec. \r\n", "END        :"});
  EXPECT_EQ(Slot(1).Drive()->FirmwareName(), "SBF20A01");
  EXPECT_FALSE(ReportHas("Serial Number"));
}

TEST_F(UpgradeFirmwareFlow, ADriveOnBootOrBurnerCodeFailsTheRunningCodeCheckAndTakesNothing) {
  for (const sim::DriveProfile& profile : {sim::DriveProfile{}, OnBurner()}) {
    Install(profile);
    EXPECT_EQ(Run(), 0);
    ExpectFailedAt("I_x67", "[ChkRC]Not Running on Flash Code now", 50);
    EXPECT_FALSE(ReportHas("Download Microcode"));
    EXPECT_EQ(Slot(1).Drive()->FlashHolds(), sim::FlashFirmware::None);
  }
}

TEST_F(UpgradeFirmwareFlow, AnEmptySlotWaits) {
  Install(OnMpFirmwareAfterMp(), 4, {1});
  EXPECT_EQ(Run(), 0);
  ExpectNoDrive();
  // The waiting slot's bar goes back to 0.
  EXPECT_EQ(task->positions, (std::vector<int>{5, 0}));
}

TEST_F(UpgradeFirmwareFlow, BehindABridgeTheRunningCodeCheckComesFirstAndFailsInStateZero) {
  Install(sim::DriveProfile{});
  UseBridgeMode();
  // No tester command is sent: every one would time out.
  Fault(1, "Tester Power", sim::FaultAction::Timeout, 0, 0);
  Fault(1, "Card Detect", sim::FaultAction::Timeout, 0, 0);
  EXPECT_EQ(Run(), 0);
  ExpectFailedAt("I_x67", "[ChkRC]Not Running on Flash Code now", 50);

  Install(OnMpFirmwareAfterMp());
  UseBridgeMode();
  Fault(1, "Tester Power", sim::FaultAction::Timeout, 0, 0);
  EXPECT_EQ(Run(), 1) << Report(1);
}

TEST_F(UpgradeFirmwareFlow, RunChoosesItAtTheMpStationWithOnlyDoIspAndRecordsItsVerdict) {
  station.WriteFile("WO_1.txt", "[Base Info]\r\nWorkOrder=WO0001\r\n");
  g_WorkOrderFilePath.Set("S:\\WO_1.txt");
  g_WorkFolder.Set("S:\\");
  NewTask<CSlotTestTask>(1, kTaskInit)->Run(0);
  EXPECT_EQ(ResultText(1), "0_00");
  EXPECT_EQ(Slot(1).Drive()->FirmwareName(), "SBF20A01");
  const std::string workOrder = station.ReadFile("WO_1.txt");
  EXPECT_NE(workOrder.find(",Pass\r\n"), std::string::npos) << workOrder;
  EXPECT_EQ(station.ReadFile("MPTestSummary/Summary.csv").substr(0, 23), "Date,Cap,SN,TestResult\n");
  EXPECT_FALSE(Slot(1).SlotPowered());
}

}  // namespace
}  // namespace runtest
