// The fault sweep of the RDT result station (FaultSweepFixture.h) among drives whose RDT
// passed: the faulted drive on the RDT firmware (24-slot tester), then on its MP firmware on
// a 16-slot tester, which shows the statistics of its bad-block table.
#include "e2e/FaultSweepFixture.h"

namespace {

using e2etest::FaultSweepTest;
using e2etest::kOnMpFirmware;
using e2etest::kRdtPassed;
using e2etest::SweepScenario;

class RDTResultFaultSweepThreads : public FaultSweepTest {
 protected:
  RDTResultFaultSweepThreads() : FaultSweepTest("RDTResult", SweepScenario(kRdtPassed, "")) {
    // The sweep is about the drive's answers; the CSV logs of 24 drives per run only cost time.
    test.SetKey(".\\param.ini", "Options", "save_RDT_log", "0");
  }
};

TEST_F(RDTResultFaultSweepThreads, EveryFaultOfOneDriveEndsItsRunAndLeavesTheOthersPassing) {
  // A flow of a few steps: every fault at each point, garbage in each table read too.
  sweep.everyFaultAtEachIndex = true;
  for (const auto& [slots, faulted] : {std::pair{24, ""}, std::pair{16, kOnMpFirmware.c_str()}}) {
    SCOPED_TRACE(slots);
    test.SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "SlotNumber", std::to_string(slots));
    const std::string faultedProfile = faulted;
    const PassingRun passingRun = sweep.TracePassingRun(SweepScenario(kRdtPassed, faultedProfile));
    if (HasFailure()) return;
    sweep.SweepFaults(passingRun, [&faultedProfile](const std::string& faultLine) {
      return SweepScenario(kRdtPassed, faultedProfile, faultLine);
    });
    if (HasFatalFailure()) return;
  }
  RecordProperty("FaultedRuns", static_cast<int>(sweep.faultedRuns));
}

}  // namespace
