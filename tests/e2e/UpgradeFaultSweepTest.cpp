// The fault sweep of the firmware upgrade (FaultSweep.h), the MP station with OnlyDoISP, among
// drives on the MP firmware. The flow has three steps (IO state, running code, download):
// each takes every fault.
#include "e2e/FaultSweepFixture.h"

namespace {

using e2etest::SweepScenario;

const std::string kOnMpFirmware = "Code=Flash\r\nInfoBlock=Written\r\nGoodMark=01\r\n";

std::string UpgradeSweepScenario(const std::string& faultLine = "") {
  return SweepScenario(kOnMpFirmware, "", faultLine);
}

class UpgradeFaultSweepThreads : public e2etest::FaultSweepTest {
 protected:
  UpgradeFaultSweepThreads() : FaultSweepTest("MP", UpgradeSweepScenario()) {
    test.SetKey(".\\param.ini", "Options", "OnlyDoISP", "1");
  }
};

TEST_F(UpgradeFaultSweepThreads, EveryFaultOfOneDriveEndsItsRunAndLeavesTheOthersPassing) {
  sweep.everyFaultAtEachIndex = true;
  const PassingRun passingRun = sweep.TracePassingRun(UpgradeSweepScenario());
  if (HasFailure()) return;
  sweep.SweepFaults(passingRun, UpgradeSweepScenario);
  RecordProperty("FaultedRuns", static_cast<int>(sweep.faultedRuns));
}

}  // namespace
