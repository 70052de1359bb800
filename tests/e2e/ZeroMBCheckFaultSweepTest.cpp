// The fault sweep of the 0MB check (FaultSweep.h) through the legacy page's QC round at station
// 0MB, among drives on boot code. The page finds its testers before every round: those
// commands are no step of the flow. The round's record of a failed drive is its count in the
// summary and total logs.
#include "e2e/FaultSweep.h"
#include "e2e/LegacyQcPassFixture.h"

namespace {

using e2etest::FaultSweep;
using e2etest::SweepScenario;

const std::string kOnBootCode = "Code=Boot\r\n";

std::string ZeroMBSweepScenario(const std::string& faultLine = "") {
  return SweepScenario(kOnBootCode, "", faultLine);
}

class ZeroMBCheckFaultSweepThreads : public e2etest::LegacyQcPassTest {
 protected:
  ZeroMBCheckFaultSweepThreads() : LegacyQcPassTest("0MB", ZeroMBSweepScenario()) {}

  e2etest::SweepPage SweepPageOfLegacyPage() {
    e2etest::SweepPage sweepPage;
    sweepPage.install = [this](const std::string& scenario) { Install(scenario); };
    sweepPage.runPass = [this] { RunQcPass(); };
    sweepPage.report = [this](int slot) { return Report(slot); };
    sweepPage.resultText = [this](int slot) { return page.ResultText(slot); };
    sweepPage.cellText = [this](int slot) { return page.SlotBox(slot).GetWindowText(); };
    sweepPage.expectFailureRecorded = [this](int, const std::string& tag, int state) {
      if (state == kPortFail) {
        EXPECT_NE(summary.find("\r\n" + tag + "=1\r\n"), std::string::npos) << summary;
        EXPECT_EQ(Key("Total_QC.log", "Total Results", "Bad"), "1");
      } else {
        EXPECT_EQ(Key("Total_QC.log", "Total Results", "Bad"), "0");
      }
    };
    sweepPage.pageCommands = {"Inquiry", "Read Tester USB Page"};
    return sweepPage;
  }
};

TEST_F(ZeroMBCheckFaultSweepThreads, EveryFaultOfOneDriveEndsItsRunAndLeavesTheOthersPassing) {
  FaultSweep sweep(SweepPageOfLegacyPage());
  const FaultSweep::PassingRun passingRun = sweep.TracePassingRun(ZeroMBSweepScenario());
  if (HasFailure()) return;
  sweep.SweepFaults(passingRun, ZeroMBSweepScenario);
  RecordProperty("FaultedRuns", static_cast<int>(sweep.faultedRuns));
}

}  // namespace
