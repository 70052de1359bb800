// The fault sweep of the RDT pretest station (FaultSweepFixture.h): the faulted drive comes in
// on boot code, on burner code and on the MP firmware from flash, among drives on burner code
// (the quickest healthy pretest). Every second injection point runs: a pretest of 24 drives,
// each with its whole DRAM tested, costs twice an MP pass of drives on burner code.
#include "e2e/FaultSweepFixture.h"

namespace {

using e2etest::FaultSweepTest;
using e2etest::SweepScenario;

std::string RDTSweepScenario(const std::string& faultedCode, const std::string& faultLine = "") {
  return SweepScenario("Code=Burner\r\n", "Code=" + faultedCode + "\r\n", faultLine);
}

class RDTFaultSweepThreads : public FaultSweepTest {
 protected:
  RDTFaultSweepThreads() : FaultSweepTest("RDT", RDTSweepScenario("Boot")) {}
};

TEST_F(RDTFaultSweepThreads, EveryFaultOfOneDriveEndsItsRunAndLeavesTheOthersPassing) {
  // Sanitizer builds trace the way from flash code alone, which sends every kind of command of
  // the other two but the few of their starts.
  const std::vector<const char*> codes = e2etest::kSanitizerRunStride == 1
                                             ? std::vector<const char*>{"Boot", "Burner", "Flash"}
                                             : std::vector<const char*>{"Flash"};
  for (const char* code : codes) {
    SCOPED_TRACE(code);
    const PassingRun passingRun = sweep.TracePassingRun(RDTSweepScenario(code));
    if (HasFailure()) return;
    sweep.SweepFaults(
        passingRun, [code](const std::string& faultLine) { return RDTSweepScenario(code, faultLine); },
        e2etest::SweepStride(2));
    if (HasFatalFailure()) return;
  }
  RecordProperty("FaultedRuns", static_cast<int>(sweep.faultedRuns));
}

}  // namespace
