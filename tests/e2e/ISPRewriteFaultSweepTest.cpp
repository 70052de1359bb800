// The fault sweep of the ISP rewrite (FaultSweep.h), the UpdateFW station: the faulted drive
// comes in on the MP firmware, then on boot code, among drives on boot code (the quickest
// healthy rewrite).
#include "e2e/FaultSweepFixture.h"

namespace {

using e2etest::kOnBootCode;
using e2etest::kOnMpFirmware;
using e2etest::SweepScenario;

class ISPRewriteFaultSweepThreads : public e2etest::FaultSweepTest {
 protected:
  ISPRewriteFaultSweepThreads() : FaultSweepTest("UpdateFW", SweepScenario(kOnBootCode, kOnMpFirmware)) {}
};

TEST_F(ISPRewriteFaultSweepThreads, EveryFaultOfOneDriveEndsItsRunAndLeavesTheOthersPassing) {
  // A running code that cannot be named shows the flow's own tag over the check's record.
  sweep.rewrittenTags = {"I_B67"};
  sweep.SweepEachWay({kOnMpFirmware, kOnBootCode}, [](const std::string& faulted, const std::string& faultLine) {
    return SweepScenario(kOnBootCode, faulted, faultLine);
  });
  RecordProperty("FaultedRuns", static_cast<int>(sweep.faultedRuns));
}

}  // namespace
