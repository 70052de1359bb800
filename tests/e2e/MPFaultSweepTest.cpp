// The fault sweep of the MP station (FaultSweepFixture.h): the faulted drive comes in on boot
// code, then on burner code and on the RDT firmware, among drives on burner code (the quickest
// healthy MP run).
#include "e2e/FaultSweepFixture.h"

namespace {

using e2etest::FaultSweepTest;
using e2etest::SweepScenario;

std::string MPSweepScenario(const std::string& faultedCode, const std::string& faultLine = "") {
  std::string faulted = "Code=" + faultedCode + "\r\n";
  if (faultedCode == "Rdt") faulted += "RdtState=Done\r\nRdtResultCode=0\r\n";
  return SweepScenario("Code=Burner\r\n", faulted, faultLine);
}

class MPFaultSweepThreads : public FaultSweepTest {
 protected:
  MPFaultSweepThreads() : FaultSweepTest("MP", MPSweepScenario("Boot")) {}
};

TEST_F(MPFaultSweepThreads, EveryFaultOfOneDriveEndsItsRunAndLeavesTheOthersPassing) {
  for (const char* code : {"Boot", "Burner", "Rdt"}) {
    SCOPED_TRACE(code);
    const PassingRun passingRun = sweep.TracePassingRun(MPSweepScenario(code));
    if (HasFailure()) return;
    sweep.SweepFaults(
        passingRun, [code](const std::string& faultLine) { return MPSweepScenario(code, faultLine); },
        e2etest::kSanitizerRunStride);
    if (HasFatalFailure()) return;
  }
  RecordProperty("FaultedRuns", static_cast<int>(sweep.faultedRuns));
}

}  // namespace
