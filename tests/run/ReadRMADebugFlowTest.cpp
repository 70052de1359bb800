// The RMA debug read on the simulated station: the SMART page and the info block of a drive,
// brought to boot code with the MP firmware in RAM, go into the slot report, the SMART summary
// into the pass text. Its opening, which the ISP rewrite shares, is in FlowStepsTest.cpp; its
// failed reads are among the whole passes of the station.
#include "run/FlowFixture.h"

namespace runtest {
namespace {

class ReadRMADebugFlow : public FlowTest {
 protected:
  void SetUp() override {
    FlowTest::SetUp();
    SetStation("RMADBG");
    Install(ReturnedDrive());
  }
  // A drive on its firmware with two SMART attributes and the info block of its MP run.
  static sim::DriveProfile ReturnedDrive() {
    sim::DriveProfile profile = OnMpFirmwareAfterMp();
    profile.smart = {{0x09, 10000}, {0xC2, 0x100000005ull}};
    return profile;
  }
  std::uint8_t Run(int port = 1) { return RunFlowOf(&CSlotTestTask::RunReadRMADebugFlow, kTaskQC, port); }
};

TEST_F(ReadRMADebugFlow, TheSmartPageAndTheInfoBlockGoIntoTheReportAndTheSummaryIntoThePassText) {
  EXPECT_EQ(Run(), 1);
  ExpectPassed("Pass*Smart ID*09 : (2710)*C2 : (05)*");
  EXPECT_EQ(task->positions, (std::vector<int>{5, 10, 20, 40, 70, 90, 100, 0}));
  ExpectReportInOrder({"Station    : RMADBG\r\n", "   Load PRAM Code SBB2.0.1 OK", "   SMART Information \r\n",
                       "   Smart ID - 09 : 0000000000002710\r\n   Smart ID - C2 : 0000000100000005\r\n",
                       "   Info Block Information \r\n", "   ubSerialNumber : SIMSERIAL1",
                       "[ Success ] Read RMA DBG Info Total take(sec): ", " sec. \r\n", "END        :"});
  // No volume is locked and nothing is written to flash; the drive is left on the RAM code.
  EXPECT_FALSE(ReportHas("Drive Letter"));
  EXPECT_EQ(Slot(1).Drive()->Code(), sim::RunningCode::Burner);
  EXPECT_EQ(Slot(1).Drive()->FlashHolds(), sim::FlashFirmware::Mp);
}

TEST_F(ReadRMADebugFlow, ASmartPageThatBeginsWithIdZeroGivesTheBareSummary) {
  sim::DriveProfile profile = ReturnedDrive();
  profile.smart = {{0x00, 7}, {0x09, 1}};
  Install(profile);
  EXPECT_EQ(Run(), 1);
  ExpectPassed("Pass*Smart ID*");
  EXPECT_TRUE(ReportHas("   SMART Information \r\n   Info Block Information \r\n")) << Report(1);
}

TEST_F(ReadRMADebugFlow, DrivesOnTheRdtFirmwareAndOnBootCodePassToo) {
  sim::DriveProfile rdt = OnRdtFirmware();
  rdt.smart = {{0x0C, 3}};
  Install(rdt);
  EXPECT_EQ(Run(), 1) << Report(1);
  EXPECT_EQ(Cell(1).GetWindowText(), "Pass*Smart ID*0C : (03)*");

  // A drive on boot code is not forced: a force would fail.
  Install(sim::DriveProfile{});
  Fault(1, "Force To Boot", sim::FaultAction::Timeout, 0, 0);
  EXPECT_EQ(Run(), 1) << Report(1);
}

}  // namespace
}  // namespace runtest
