#pragma once
// Whole passes of the MP station (StationPassFixture.h).
#include <string>

#include "e2e/StationPassFixture.h"

namespace e2etest {

class MPPassTest : public StationPassTest {
 protected:
  explicit MPPassTest(const std::string& scenario) : StationPassTest("MP", scenario) {}
};

}  // namespace e2etest
