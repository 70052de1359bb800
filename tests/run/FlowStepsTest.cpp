// The opening that the ISP rewrite and the RMA debug read share (IdentifyForBootCodeWork,
// BringFlashCodeToBootCode), run through each of the two flows: the IC version, the running
// code that cannot be named ("I_B67" over the check's record), the flash ID of a drive on boot
// code, the force to boot code with its fail record, a drive on burner code going straight to
// the RAM load, an empty slot and bridge mode.
#include "run/FlowFixture.h"

namespace runtest {
namespace {

struct BootCodeFlow {
  const char* name;
  const char* station;
  FlowTest::Flow flow;
};

class BootCodeFlowOpening : public FlowTest, public ::testing::WithParamInterface<BootCodeFlow> {
 protected:
  void SetUp() override {
    FlowTest::SetUp();
    SetStation(GetParam().station);
    Install(OnMpFirmwareAfterMp());
  }
  std::uint8_t Run() { return RunFlowOf(GetParam().flow, kTaskQC); }
};

TEST_P(BootCodeFlowOpening, ARunningCodeThatCannotBeNamedShowsIB67WhileItsRecordKeepsTheChecksTag) {
  Fault(1, "Read Firmware Name", sim::FaultAction::Sense);
  EXPECT_EQ(Run(), 0);
  ExpectFailedAt("I_B67", "[ChkRC]Not Running on Flash Code now", 10, "I_x64");
  EXPECT_TRUE(ReportHas("Message    : [ChkRC]Read Firmware Name Fail\r\n"));
  EXPECT_FALSE(ReportHas("Error Tag  : I_B67"));
  EXPECT_EQ(task->positions, (std::vector<int>{5, 10}));
}

TEST_P(BootCodeFlowOpening, TheControllerAndTheFlashOfADriveOnBootCodeAreChecked) {
  sim::DriveProfile other = OnMpFirmwareAfterMp();
  other.icVersion = 0x3150;
  Install(other);
  EXPECT_EQ(Run(), 0);
  ExpectFailedAt("I_V01", "IC ver error!!", 10);

  // The flash ID is read through the boot code only.
  SetKey(".\\paramFDB.ini", "Flash Info", "Flh_ID", "11 22 33 44 55 66 77");
  Install(sim::DriveProfile{});
  EXPECT_EQ(Run(), 0);
  ExpectFailedAt("I_V02", "Controller version is not correct!!", 10);
}

TEST_P(BootCodeFlowOpening, AForceToBootCodeThatFailsLeavesItsFailRecord) {
  Fault(1, "Force To Boot", sim::FaultAction::Sense);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(ResultText(1), "I_x33");
  EXPECT_TRUE(ReportHas("Error Tag  : I_x33\r\n")) << Report(1);
  EXPECT_EQ(page.bars[0].GetPos(), 20);
}

TEST_P(BootCodeFlowOpening, ADriveOnBurnerCodeIsNeitherForcedNorCheckedBeforeTheRamLoad) {
  Install(OnBurner());
  Fault(1, "Force To Boot", sim::FaultAction::Timeout, 0, 0);
  // The simulated controller takes a RAM load only on its boot code.
  EXPECT_EQ(Run(), 0);
  ExpectFailedAt("I_x40", "Issue Write PRAM command Fail.(Sector 0)", 20);
}

TEST_P(BootCodeFlowOpening, AnEmptySlotWaitsAndBridgeModeSendsNoTesterCommand) {
  Install(OnMpFirmwareAfterMp(), 4, {1});
  EXPECT_EQ(Run(), 0);
  ExpectNoDrive();

  Install(OnMpFirmwareAfterMp());
  UseBridgeMode();
  Fault(1, "Tester Power", sim::FaultAction::Timeout, 0, 0);
  Fault(1, "Card Detect", sim::FaultAction::Timeout, 0, 0);
  EXPECT_EQ(Run(), 1) << Report(1);
}

INSTANTIATE_TEST_SUITE_P(Flows, BootCodeFlowOpening,
                         ::testing::Values(BootCodeFlow{"ISPRewrite", "UpdateFW", &CSlotTestTask::RunRewriteISPFlow},
                                           BootCodeFlow{"RMADebugRead", "RMADBG", &CSlotTestTask::RunReadRMADebugFlow}),
                         [](const ::testing::TestParamInfo<BootCodeFlow>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace runtest
