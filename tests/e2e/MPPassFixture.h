#pragma once
// Whole passes of the MP station through the application's sheet on the simulated station at
// time scale 0, with the pass's summary log read back.
#include <string>

#include "e2e/SheetPassFixture.h"

namespace e2etest {

class MPPassTest : public SheetPassTest {
 protected:
  explicit MPPassTest(const std::string& scenario) : SheetPassTest(scenario) {
    test.SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "TestStation", "MP");
  }

  void PressStartAndWait() {
    SheetPassTest::PressStartAndWait();
    summary = test.ReadStationFile(page->LogFolder(), "_Summary.log");
  }

  std::string summary;
};

}  // namespace e2etest
