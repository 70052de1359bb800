// The fault sweep of the QC station (FaultSweepFixture.h) among drives as the MP station
// leaves them.
#include "e2e/FaultSweepFixture.h"

namespace {

using e2etest::FaultSweepTest;
using e2etest::SweepScenario;

const std::string kProgrammedAtMp =
    "Code=Flash\r\nFlashImage=FW\\MP\\TV3160_MP_Sample.bin\r\nInfoBlock=Written\r\nGoodMark=01\r\n";

std::string QCSweepScenario(const std::string& faultLine = "") { return SweepScenario(kProgrammedAtMp, "", faultLine); }

class QCFaultSweepThreads : public FaultSweepTest {
 protected:
  QCFaultSweepThreads() : FaultSweepTest("QC", QCSweepScenario()) {}
};

TEST_F(QCFaultSweepThreads, EveryFaultOfOneDriveEndsItsRunAndLeavesTheOthersPassing) {
  const PassingRun passingRun = sweep.TracePassingRun(QCSweepScenario());
  if (HasFailure()) return;
  sweep.SweepFaults(passingRun, QCSweepScenario);
  RecordProperty("FaultedRuns", static_cast<int>(sweep.faultedRuns));
}

}  // namespace
