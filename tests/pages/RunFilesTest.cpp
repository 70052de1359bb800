// The files of a pass: the emptied temporary folder, the log folder, the work-order file and
// the summary log the page writes when a pass ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "pages/production/RunFiles.h"
#include "platform/Clock.h"
#include "platform/FileFaults.h"
#include "platform/Files.h"
#include "platform/Host.h"
#include "platform/Profile.h"
#include "run/RunGlobals.h"
#include "run/SummaryLog.h"
#include "support/ScratchStation.h"

namespace {

class RunFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetFixedLocalTime(platform::LocalTime{2024, 3, 9, 7, 5, 4, 0, 6});
    g_WorkingNo.Set("");
    g_WorkOrderFilePath.Set("");
  }
  void TearDown() override {
    platform::SetFixedLocalTime(std::nullopt);
    g_WorkingNo.Set("");
    g_WorkOrderFilePath.Set("");
  }
  testsupport::ScratchStation station;
};

TEST_F(RunFiles, TheTemporaryFolderIsEmptiedAndMadeWhenMissing) {
  EXPECT_TRUE(ClearRunTempFolder());
  EXPECT_TRUE(std::filesystem::is_directory(station.Folder() / "Configuration/Temp"));
  station.WriteFile("Configuration/Temp/#1.bin", "old");
  station.WriteFile("Configuration/Temp/sub/x.txt", "old");
  EXPECT_TRUE(ClearRunTempFolder());
  EXPECT_TRUE(std::filesystem::is_empty(station.Folder() / "Configuration/Temp"));
}

TEST_F(RunFiles, TheWorkNumberIsTheCachedOneElseTheParameterFiles) {
  station.WriteFile("param.ini", "[General Info]\r\nWorkingNo= WO77 \r\n");
  platform::FlushProfileCache();
  EXPECT_EQ(CurrentWorkingNo(), "WO77");
  g_WorkingNo.Set("WO88");
  EXPECT_EQ(CurrentWorkingNo(), "WO88");
}

TEST_F(RunFiles, TheLogFolderIsNamedByWorkNumberComputerAndStation) {
  station.WriteFile("param.ini", "[General Info]\r\nWorkingNo=WO/1\r\n");
  platform::FlushProfileCache();
  const std::string folder = PrepareLogFolder(0);
  EXPECT_EQ(folder, ".\\WO_1_" + platform::ComputerName() + "\\EraseAll");
  EXPECT_TRUE(std::filesystem::is_directory(station.Folder() / ("WO_1_" + platform::ComputerName()) / "EraseAll"));
  EXPECT_EQ(g_WorkFolder.Get(), "S:\\");
}

TEST_F(RunFiles, TheWorkOrderFileKeepsEarlierResultsAndIsPublished) {
  station.WriteFile("param.ini", "[General Info]\r\nWorkingNo=WO5\r\n");
  station.WriteFile("Logs/WO_WO5_20240309.txt", "[Results List]\r\n[a~b,01]=0,Tester_01\r\n");
  platform::FlushProfileCache();
  const std::string path = PrepareWorkOrderFile(".\\Logs");
  EXPECT_EQ(path, ".\\Logs\\WO_WO5_20240309.txt");
  EXPECT_EQ(g_WorkOrderFilePath.Get(), path);
  EXPECT_EQ(station.ReadFile("Logs/WO_WO5_20240309.txt"),
            "[Results List]\r\n[a~b,01]=0,Tester_01\r\n[Base Info]\r\nWorkOrder=WO5\r\n");
}

TEST_F(RunFiles, AWorkOrderFileThatCannotBeWrittenLeavesThePathEmpty) {
  g_WorkOrderFilePath.Set("old");
  EXPECT_EQ(PrepareWorkOrderFile(".\\No\\Such\\Folder"), "");
  EXPECT_EQ(g_WorkOrderFilePath.Get(), "");
}

TEST_F(RunFiles, TheSummaryLogCountsPassesAndFailuresPerTagAndSkipsTheRest) {
  station.WriteFile("Log/_Summary.log", "[Results]\r\nPass=2\r\n[ErrorList]\r\nF_E03=1\r\n");
  platform::FlushProfileCache();
  EXPECT_TRUE(AddToSummaryLog(".\\Log",
                              {{1, kPortPass, "0_00"},
                               {2, kPortFail, "F_E03"},
                               {3, kPortWaiting, "P_A01"},
                               {4, kPortFail, "I_x=2\r\n"},
                               {5, kPortIdle, ""},
                               {6, kPortPass, "0_00"}},
                              platform::LocalTime{2024, 3, 9, 7, 5, 4}));
  EXPECT_EQ(station.ReadFile("Log/_Summary.log"),
            "[Results]\r\nPass=4\r\nTotalErrorCount=2\r\n[ErrorList]\r\nF_E03=2\r\nI_x_2__=1\r\n"
            "[Time]\r\nEnd Time=2024-03-09 07:05:04\r\n");
}

TEST_F(RunFiles, ASummaryLogThatCannotBeWrittenStaysAsItWasAndSaysSo) {
  const std::string before = "[Results]\r\nPass=2\r\n[Time]\r\nEnd Time=2024-03-08 01:02:03\r\n";
  station.WriteFile("Log/_Summary.log", before);
  platform::FlushProfileCache();
  platform::ScopedFileFault full({"_Summary.log", platform::kWriteReplace, ENOSPC});
  EXPECT_FALSE(AddToSummaryLog(".\\Log", {{1, kPortPass, "0_00"}, {2, kPortFail, "F_E03"}},
                               platform::LocalTime{2024, 3, 9, 7, 5, 4}));
  EXPECT_EQ(platform::LastFileErrno(), ENOSPC);
  EXPECT_EQ(station.ReadFile("Log/_Summary.log"), before);
}

}  // namespace

namespace {

// A pass is one read and one replacement of the summary log, whatever its ports: a fault that
// lets the first replacement through and strikes any later one never strikes.
TEST_F(RunFiles, ThePassOfTwentyFourPortsIsOneReplacementOfTheSummaryLog) {
  station.WriteFile("Log/_Summary.log", "[Results]\r\nPass=5\r\n");
  std::vector<PortOutcome> outcomes;
  for (int port = 1; port <= 24; ++port) {
    outcomes.push_back({port, port % 6 == 0 ? kPortFail : kPortPass, port % 6 == 0 ? "F_E0" + std::to_string(port % 4) : "0_00"});
  }
  platform::ScopedFileFault second({"_Summary.log", platform::kWriteReplace, EIO, 1});
  ASSERT_TRUE(AddToSummaryLog(".\\Log", outcomes, platform::LocalTime{2024, 3, 9, 7, 5, 4}));
  EXPECT_EQ(platform::FileFaultStrikes(), 0u);
  EXPECT_EQ(station.ReadFile("Log/_Summary.log"),
            "[Results]\r\nPass=25\r\nTotalErrorCount=4\r\n[Time]\r\nEnd Time=2024-03-09 07:05:04\r\n"
            "[ErrorList]\r\nF_E02=2\r\nF_E00=2\r\n");
}

}  // namespace
