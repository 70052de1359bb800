#pragma once
// The fault sweep (FaultSweep.h) of a production-page station: whole passes through the
// application's sheet; the faulted drive's failure is recorded in the work order's results
// list and, for a failed drive (not an empty slot), counted under its tag in the summary log.
#include <filesystem>
#include <string>

#include "e2e/FaultSweep.h"
#include "e2e/StationPassFixture.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace e2etest {

class FaultSweepTest : public StationPassTest {
 protected:
  FaultSweepTest(const std::string& station, const std::string& scenario)
      : StationPassTest(station, scenario), sweep(SweepPageOfSheet()) {}

  using PassingRun = FaultSweep::PassingRun;

  // Fresh drives for a pass, the records of the last pass removed.
  void Install(const std::string& scenario) {
    test.sim.Install(test.station, scenario);
    const std::filesystem::path logFolder = platform::ToNativePath(page->LogFolder());
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(logFolder, ignored)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("WO_", 0) == 0 || name == "_Summary.log") std::filesystem::remove(entry.path(), ignored);
    }
  }
  std::string ResultsListLine(int port) const {
    const std::string path = g_WorkOrderFilePath.Get();
    const std::string suffix = platform::Format(",%02d]", port);
    for (const std::string& key : platform::ReadProfileKeys(path, "Results List")) {
      if (key.size() >= suffix.size() && key.compare(key.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return platform::ReadProfileString(path, "Results List", key, "");
      }
    }
    return {};
  }

  FaultSweep sweep;

 private:
  SweepPage SweepPageOfSheet() {
    SweepPage sweepPage;
    sweepPage.install = [this](const std::string& scenario) { Install(scenario); };
    sweepPage.runPass = [this] { PressStartAndWait(); };
    sweepPage.report = [this](int port) { return Report(port); };
    sweepPage.resultText = [this](int port) { return page->ResultTextOfPort(port); };
    sweepPage.cellText = [this](int port) { return page->PortCell(port).GetWindowText(); };
    sweepPage.expectFailureRecorded = [this](int port, const std::string& tag, int state) {
      EXPECT_NE(ResultsListLine(port).find(",Fail,"), std::string::npos) << ResultsListLine(port);
      if (state == kPortFail) {
        EXPECT_NE(summary.find("\r\n" + tag + "=1\r\n"), std::string::npos) << summary;
      }
    };
    return sweepPage;
  }
};

}  // namespace e2etest
