// What a Start reads: the task kind of every station, the number of passes and the text shown.
#include <gtest/gtest.h>

#include "device/DevicePaths.h"
#include "device/StationHelpers.h"
#include "pages/common/PageGlobals.h"
#include "pages/production/RunOptions.h"
#include "platform/Profile.h"
#include "support/ScratchStation.h"

namespace {

TEST(RunOptions, EveryStationGivesItsTaskKind) {
  const int expected[] = {1, 1, 10, 1, 1, 4, 4, 1, 1, 1, 4};
  for (int station = 0; station <= 10; ++station) {
    EXPECT_EQ(TaskKindOfStation(station), expected[station]) << GetTestStationName(station);
  }
  EXPECT_EQ(TaskKindOfStation(TestStationIndexOf("FQC")), 4);
  EXPECT_EQ(TaskKindOfStation(TestStationIndexOf("CSB")), 10);
  EXPECT_EQ(TaskKindOfStation(TestStationIndexOf("0MB")), 10);
}

TEST(RunOptions, StationPassesSerialSourceAndMappingAreReadAndShown) {
  testsupport::ScratchStation station;
  station.WriteFile("Configuration/System/MPToolSetting.ini", "[General Info]\r\nTestStation=QC\r\n");
  station.WriteFile("param.ini", "[Options]\r\nLoopCount=3\r\nAutoIncreseSerialNum=1\r\n");
  platform::FlushProfileCache();
  g_MappingType.store(2);
  const std::uint8_t bridge = g_U2AMode.exchange(0);
  const RunOptions options = ReadRunOptions();
  g_U2AMode.store(bridge);
  EXPECT_EQ(options.stationIndex, 5);
  EXPECT_EQ(options.taskKind, 4);
  EXPECT_EQ(options.passes, 3);
  EXPECT_TRUE(options.autoSerialNumber);
  EXPECT_EQ(DescribeRunOptions(options),
            "Station: QC   Kind: 4   Passes: 3   Serial: auto   Mapping: by drive number   Tester");
}

TEST(RunOptions, APassCountBelowOneRunsOnePass) {
  testsupport::ScratchStation station;
  station.WriteFile("param.ini", "[Options]\r\nLoopCount=-4\r\n");
  platform::FlushProfileCache();
  EXPECT_EQ(ReadRunOptions().passes, 1);
  station.WriteFile("param.ini", "[Options]\r\nLoopCount=junk\r\n");
  platform::FlushProfileCache();
  EXPECT_EQ(ReadRunOptions().passes, 1);
}

}  // namespace
