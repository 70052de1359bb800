// The fault sweep of the RMA debug read (FaultSweep.h), the RMADBG station: the faulted drive
// on the MP firmware among drives on boot code (the quickest healthy read).
#include "e2e/FaultSweepFixture.h"

namespace {

using e2etest::kOnBootCode;
using e2etest::kOnMpFirmware;
using e2etest::SweepScenario;

std::string RMASweepScenario(const std::string& faultLine = "") {
  return SweepScenario(kOnBootCode, kOnMpFirmware, faultLine);
}

class RMADebugFaultSweepThreads : public e2etest::FaultSweepTest {
 protected:
  RMADebugFaultSweepThreads() : FaultSweepTest("RMADBG", RMASweepScenario()) {}
};

TEST_F(RMADebugFaultSweepThreads, EveryFaultOfOneDriveEndsItsRunAndLeavesTheOthersPassing) {
  // The SMART page and the info block are reported as the drive sends them, and the device
  // status that follows the start of the RAM code is checked only for a ready byte that any
  // non-zero value passes: garbage from there on is a drive that answers.
  sweep.uncheckedData = {"Read Debug Data", "Read Device Status"};
  sweep.rewrittenTags = {"I_B67"};
  const PassingRun passingRun = sweep.TracePassingRun(RMASweepScenario());
  if (HasFailure()) return;
  sweep.SweepFaults(passingRun, RMASweepScenario);
  RecordProperty("FaultedRuns", static_cast<int>(sweep.faultedRuns));
}

}  // namespace
