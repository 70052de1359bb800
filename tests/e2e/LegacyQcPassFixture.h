#pragma once
// Whole QC rounds of the legacy slot page on a simulated station of 24 slots at time scale 0:
// one pass (TestLoop 1, so no drive exchange follows), the slot reports (named by the host's
// MAC address as the legacy page records it) and the pass's summary log read back.
#include <filesystem>
#include <string>

#include "pages/legacy/LegacyPageFixture.h"

namespace e2etest {

class LegacyQcPassTest : public legacytest::LegacyPageTest {
 protected:
  LegacyQcPassTest(const char* station, const std::string& scenario) : LegacyPageTest(scenario) {
    test.SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "TestStation", station);
    test.SetKey(legacytest::kParam, "General Info", "SlotNumber", "24");
    test.SetKey(legacytest::kParam, "RD Debug", "TestLoop", "1");
  }

  // One QC round of every slot (the page opened at the first).
  void RunQcPass() {
    if (!opened) {
      Open();
      opened = true;
    }
    KeyUp(legacytest::kF8);
    EXPECT_FALSE(page.FlowRunning());
    summary = LogFile("_Summary.log");
  }
  std::string Report(int slot) const {
    const std::string suffix = "_" + std::to_string(slot) + "_Report.txt";
    const std::string folder = page.LogFolder().substr(2) + "/D_Reports";
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(test.station.Folder() / folder, ignored)) {
      const std::string name = entry.path().filename().string();
      if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return test.station.ReadFile(folder + "/" + name);
      }
    }
    return {};
  }
  // Fresh drives for the next round, the counts of the last one removed.
  void Install(const std::string& scenario) {
    test.sim.Install(test.station, scenario);
    if (!opened) return;  // no log folder yet
    std::error_code ignored;
    const std::filesystem::path folder = test.station.Folder() / page.LogFolder().substr(2);
    for (const char* name : {"_Summary.log", "Total_QC.log", "Error_QC.log"}) std::filesystem::remove(folder / name, ignored);
  }

  std::string summary;
  bool opened = false;
};

}  // namespace e2etest
