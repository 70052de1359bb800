// What a Start reads: the task kind of every station, the number of passes and the text shown
// (with the serial source only where the station hands out serial numbers).
#include <gtest/gtest.h>

#include <string>

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
            "Station: QC   Kind: 4   Passes: 3   Mapping: by drive number   Tester");
}

// The MP flow (MP, EraseMP, SortMP, unless OnlyDoISP makes them upgrade firmware) and the RDT
// pretest flow (RDT, ReRDT, SortRDT) hand out serial numbers; no other station takes one.
TEST(RunOptions, TheSerialSourceIsShownOnlyAtStationsThatTakeSerialNumbers) {
  const struct {
    const char* station;
    int onlyDoIsp;
    bool serial;
  } cases[] = {
      {"EraseAll", 0, false}, {"RDT", 0, true},     {"RDTResult", 0, false}, {"CSB", 0, false},
      {"0MB", 0, false},      {"MP", 0, true},      {"MP", 1, false},        {"EraseMP", 0, true},
      {"EraseMP", 1, false},  {"QC", 0, false},     {"FQC", 0, false},       {"UpdateFW", 0, false},
      {"ReRDT", 0, true},     {"SortMP", 0, true},  {"SortRDT", 0, true},    {"RMADBG", 0, false},
      {"Garbage", 0, false},
  };
  testsupport::ScratchStation station;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.station) + (c.onlyDoIsp ? " with OnlyDoISP" : ""));
    station.WriteFile("Configuration/System/MPToolSetting.ini",
                      std::string("[General Info]\r\nTestStation=") + c.station + "\r\n");
    station.WriteFile("param.ini", "[Options]\r\nAutoIncreseSerialNum=1\r\nOnlyDoISP=" + std::to_string(c.onlyDoIsp));
    platform::FlushProfileCache();
    const std::string shown = DescribeRunOptions(ReadRunOptions());
    EXPECT_EQ(shown.find("   Serial: auto   ") != std::string::npos, c.serial) << shown;
  }
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
