// The main of every test binary: sleeps only yield (time scale 0) and the station folder
// starts as a fresh temporary folder, so no test touches the source tree.
#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "support/ScratchStation.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  platform::SetTimeScale(0.0);
  testsupport::ScratchStation station;
  return RUN_ALL_TESTS();
}
