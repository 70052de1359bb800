// The fault sweeps of the MP flow's stations (FaultSweepFixture.h): MP, EraseMP (erase type 9)
// and SortMP (the bad-block table sorted first, a failed sort failing the drive). The faulted
// drive comes in on boot code, on burner code, on the MP firmware from flash and on the RDT
// firmware, among drives on burner code (the quickest healthy MP run).
#include "e2e/FaultSweepFixture.h"

namespace {

using e2etest::FaultSweepTest;
using e2etest::SweepScenario;

std::string MPSweepScenario(const std::string& faultedCode, const std::string& faultLine = "") {
  const std::string faulted = faultedCode == "Rdt"     ? e2etest::kRdtPassed
                              : faultedCode == "Flash" ? e2etest::kOnMpFirmware
                                                       : "Code=" + faultedCode + "\r\n";
  return SweepScenario("Code=Burner\r\n", faulted, faultLine);
}

class MPFaultSweepThreads : public FaultSweepTest, public ::testing::WithParamInterface<const char*> {
 protected:
  MPFaultSweepThreads() : FaultSweepTest(GetParam(), MPSweepScenario("Boot")) {
    test.SetKey(".\\param.ini", "Options", "ShowSortBBTFail", "1");
  }
};

TEST_P(MPFaultSweepThreads, EveryFaultOfOneDriveEndsItsRunAndLeavesTheOthersPassing) {
  if (std::string_view(GetParam()) != "MP" && !e2etest::SweepsVariantStations()) {
    GTEST_SKIP() << "sanitizer builds sweep the flow at its MP station";
  }
  sweep.SweepEachWay({"Boot", "Burner", "Flash", "Rdt"}, MPSweepScenario);
  RecordProperty("FaultedRuns", static_cast<int>(sweep.faultedRuns));
}

INSTANTIATE_TEST_SUITE_P(Stations, MPFaultSweepThreads, ::testing::Values("MP", "EraseMP", "SortMP"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
