// The 0MB check on the simulated station: a drive on boot code gets the MP firmware in RAM and
// its DRAM tested; every other running code, an empty slot, a failing power-on and an image
// that is no image end the flow with their tags, directly in the slot's cell.
#include "run/FlowFixture.h"

namespace runtest {
namespace {

class ZeroMBCheckFlow : public FlowTest {
 protected:
  void SetUp() override {
    FlowTest::SetUp();
    SetStation("RDTResult");
  }
  std::uint8_t Run(int port = 1) { return RunFlowOf(&CSlotTestTask::RunZeroMBCheckFlow, kTaskQC, port); }
};

TEST_F(ZeroMBCheckFlow, ADriveOnBootCodeGetsTheMpFirmwareInRamItsDramTestedAndPasses) {
  EXPECT_EQ(Run(), 1);
  ExpectPassed("Pass");
  EXPECT_EQ(task->positions, (std::vector<int>{5, 10, 50, 60, 95, 100, 0}));
  ExpectReportInOrder({"Station    : RDTResult\r\n", "   Load PRAM Code SBB2.0.1 OK", "[ Success ] 0MB Check Process Total take(sec): ",
                       " sec. \r\n", "END        :"});
  // Nothing else is done to the drive: no serial number, no erase, no scan, no firmware on flash.
  EXPECT_FALSE(ReportHas("Serial Number"));
  EXPECT_FALSE(ReportHas("Erase"));
  EXPECT_FALSE(ReportHas("Scan"));
  EXPECT_EQ(Slot(1).Drive()->Code(), sim::RunningCode::Burner);
  EXPECT_EQ(Slot(1).Drive()->FlashHolds(), sim::FlashFirmware::None);
}

TEST_F(ZeroMBCheckFlow, EveryOtherRunningCodeFailsTheBootCodeCheck) {
  for (const sim::DriveProfile& profile : {OnBurner(), OnMpFirmwareAfterMp(), OnRdtFirmware()}) {
    Install(profile);
    EXPECT_EQ(Run(), 0);
    ExpectFailedAt("I_x65", "[ChkRC]Not Running on Boot Code now", 10);
    EXPECT_FALSE(ReportHas("Load PRAM Code"));
  }
}

TEST_F(ZeroMBCheckFlow, AnEmptySlotWaitsAndAFailingPowerOnFails) {
  Install(sim::DriveProfile{}, 4, {1});
  EXPECT_EQ(Run(), 0);
  ExpectNoDrive();

  Install(sim::DriveProfile{});
  Fault(1, "Tester Power", sim::FaultAction::Timeout);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(ResultText(1), "T_x02");
  EXPECT_EQ(PortStateOf(1), kPortFail);
  EXPECT_EQ(page.bars[0].GetPos(), 5);
}

TEST_F(ZeroMBCheckFlow, BehindABridgeTheDriveIsStillAskedWhetherItAnswers) {
  UseBridgeMode();
  Fault(1, "Tester Power", sim::FaultAction::Timeout, 0, 0);
  EXPECT_EQ(Run(), 1) << Report(1);
  // A drive that does not answer its status is no drive, behind a bridge too.
  Fault(1, "Read Device Status", sim::FaultAction::Timeout, 0, 0);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(ResultText(1), "P_x01");
  EXPECT_EQ(PortStateOf(1), kPortWaiting);
  EXPECT_EQ(Cell(1).GetWindowText(), "");
}

TEST_F(ZeroMBCheckFlow, AnMpImageThatIsNoImageFailsTheRamLoad) {
  station.WriteFile("FW/MP/TV3160_MP_Sample.bin", "not a firmware image");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(ResultText(1), "A_x09");
  EXPECT_EQ(page.bars[0].GetPos(), 50);
  EXPECT_TRUE(ReportHas("Error Tag  : A_x09\r\n"));
}

}  // namespace
}  // namespace runtest
