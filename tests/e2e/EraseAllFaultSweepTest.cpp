// The fault sweep of the erase station (FaultSweepFixture.h): the faulted drive comes in on
// boot code, on burner code and on the MP firmware from flash, among drives on boot code.
#include "e2e/FaultSweepFixture.h"

namespace {

using e2etest::FaultSweepTest;
using e2etest::SweepScenario;

std::string EraseSweepScenario(const std::string& faultedCode, const std::string& faultLine = "") {
  return SweepScenario("Code=Boot\r\n", "Code=" + faultedCode + "\r\n", faultLine);
}

class EraseAllFaultSweepThreads : public FaultSweepTest {
 protected:
  EraseAllFaultSweepThreads() : FaultSweepTest("EraseAll", EraseSweepScenario("Boot")) {}
};

TEST_F(EraseAllFaultSweepThreads, EveryFaultOfOneDriveEndsItsRunAndLeavesTheOthersPassing) {
  // The power reset after the erase shows its tag in the flow's phase over the reset's record.
  sweep.rewrittenPhase = 'I';
  sweep.SweepEachWay({"Boot", "Burner", "Flash"}, EraseSweepScenario);
  RecordProperty("FaultedRuns", static_cast<int>(sweep.faultedRuns));
}

}  // namespace
