// The fault sweeps of the RDT pretest flow's stations (FaultSweepFixture.h): RDT, ReRDT (with
// the erase type 9 such a station sets, so that drives back from the RDT on flash code restart
// on boot code) and SortRDT (the bad-block table sorted first, a failed sort failing the
// drive). The faulted drive comes in on boot code, on burner code, on the MP firmware and on the
// RDT firmware from flash, among drives on burner code (the quickest healthy pretest).
#include "e2e/FaultSweepFixture.h"

namespace {

using e2etest::FaultSweepTest;
using e2etest::SweepScenario;

std::string RDTSweepScenario(const std::string& faultedCode, const std::string& faultLine = "") {
  const std::string faulted = faultedCode == "Rdt" ? e2etest::kRdtPassed : "Code=" + faultedCode + "\r\n";
  return SweepScenario("Code=Burner\r\n", faulted, faultLine);
}

class RDTFaultSweepThreads : public FaultSweepTest, public ::testing::WithParamInterface<const char*> {
 protected:
  RDTFaultSweepThreads() : FaultSweepTest(GetParam(), RDTSweepScenario("Boot")) {
    test.SetKey(".\\param.ini", "Options", "ShowSortBBTFail", "1");
    if (std::string_view(GetParam()) == "ReRDT") {
      test.SetKey(".\\Configuration\\System\\Debug.ini", "DEBUG", "EraseType", "9");
    }
  }
};

TEST_P(RDTFaultSweepThreads, EveryFaultOfOneDriveEndsItsRunAndLeavesTheOthersPassing) {
  if (std::string_view(GetParam()) != "RDT" && !e2etest::SweepsVariantStations()) {
    GTEST_SKIP() << "sanitizer builds sweep the flow at its RDT station";
  }
  // The restart's power reset shows its tag in the flow's phase over the reset's own record.
  sweep.rewrittenPhase = 'I';
  // Sanitizer builds trace the way from flash code alone, which sends every kind of command of
  // the others but the few of their starts.
  const bool everyWay = e2etest::kSanitizerRunStride == 1 || e2etest::FullSweepAsked();
  sweep.SweepEachWay(everyWay ? std::vector<std::string>{"Boot", "Burner", "Flash", "Rdt"}
                              : std::vector<std::string>{"Flash"},
                     RDTSweepScenario);
  RecordProperty("FaultedRuns", static_cast<int>(sweep.faultedRuns));
}

INSTANTIATE_TEST_SUITE_P(Stations, RDTFaultSweepThreads, ::testing::Values("RDT", "ReRDT", "SortRDT"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
