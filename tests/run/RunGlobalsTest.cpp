#include <gtest/gtest.h>

#include "run/RunGlobals.h"

TEST(RunGlobals, PortStatesStartIdleAndResetToIdle) {
  for (int port = 1; port <= kSlotCount; ++port) EXPECT_EQ(PortStateOf(port), kPortIdle);
  g_PortState[5] = kPortPass;
  g_PortState[23] = kPortTesting;
  g_PortState[47] = kPortFail;
  EXPECT_EQ(PortStateOf(6), kPortPass);
  EXPECT_EQ(PortStateOf(24), kPortTesting);
  EXPECT_EQ(PortStateOf(48), kPortFail);
  ResetPortStates();
  EXPECT_EQ(PortStateOf(6), kPortIdle);
  EXPECT_EQ(PortStateOf(24), kPortIdle);
  EXPECT_EQ(PortStateOf(48), kPortIdle);
}

TEST(RunGlobals, TheLegacySlotsAfterTheProductionPortsHaveStatesOfTheirOwn) {
  EXPECT_EQ(kSlotCount, 48);
  g_PortState[24] = kPortTesting;
  EXPECT_EQ(PortStateOf(24), kPortIdle);
  EXPECT_EQ(PortStateOf(25), kPortTesting);
  ResetPortStates();
}

TEST(RunGlobals, PortOutsideTheRangeReadsIdle) {
  g_PortState[0] = kPortPass;
  EXPECT_EQ(PortStateOf(0), kPortIdle);
  EXPECT_EQ(PortStateOf(49), kPortIdle);
  EXPECT_EQ(PortStateOf(-3), kPortIdle);
  ResetPortStates();
}

TEST(RunGlobals, ParameterFilesAreTheStationsWorkingCopies) {
  EXPECT_STREQ(g_ParamIniPath, ".\\param.ini");
  EXPECT_STREQ(g_ParamFdbIniPath, ".\\paramFDB.ini");
}
