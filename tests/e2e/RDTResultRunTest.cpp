// Whole passes of the RDT result station on the simulated station at time scale 0: 24 drives
// whose RDT passed pass, with the slot reports copied into the station's log folder; each main
// failure shows its tag and message beside drives that pass; on a 16-slot tester a drive on its
// MP firmware (after an RDT that passed) shows the statistics of its bad-block table in state 7.
#include <filesystem>

#include "e2e/StationPassFixture.h"
#include "platform/Path.h"
#include "run/BlockInfoFile.h"

namespace {

using e2etest::StationPassTest;
using e2etest::TemplateScenario;

class RDTResultRunThreads : public StationPassTest {
 protected:
  explicit RDTResultRunThreads(const std::string& scenario = TemplateScenario("RdtResults.ini"))
      : StationPassTest("RDTResult", scenario) {}

  // The copies of the slot report of a drive in the station's log folder.
  std::vector<std::string> ReportCopies(int drive) const {
    std::vector<std::string> copies;
    const std::string prefix = "#" + std::to_string(drive) + "_RDTResult_";
    std::error_code ignored;
    for (const auto& entry :
         std::filesystem::directory_iterator(platform::ToNativePath(g_WorkFolder.Get() + "Log"), ignored)) {
      if (entry.path().filename().string().rfind(prefix, 0) == 0) copies.push_back(entry.path().string());
    }
    return copies;
  }
};

TEST_F(RDTResultRunThreads, DrivesWhoseRdtPassedPassAndTheirReportsAreCopied) {
  PressStartAndWait();
  for (int port = 1; port <= 24; ++port) {
    ExpectPassed(port, "Pass");
    EXPECT_NE(Report(port).find("[ Success ] Read RDT Log, Total take(sec): "), std::string::npos);
    EXPECT_FALSE(ReportCopies(port).empty()) << port;
    const auto records = ReadBlockInfoRecords(BlockInfoFilePath(port));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(std::string(records[0].tag, 3), "RDT");
  }
  EXPECT_NE(summary.find("[Results]\r\nPass=24\r\n"), std::string::npos) << summary;
}

class RDTResultMainFailureThreads : public RDTResultRunThreads {
 protected:
  RDTResultMainFailureThreads() : RDTResultRunThreads(TemplateScenario("RdtResultFailures.ini")) {}
};

TEST_F(RDTResultMainFailureThreads, EachMainFailureShowsItsTagAndTheOtherDrivesPass) {
  PressStartAndWait();
  ExpectFailedWith(2, "I_T52", "RDT_RESULT_FLH_TEST_TIME_OUT");
  ExpectFailedWith(4, "I_T53", "RDT_RESULT_FLH_TEST_BB_OVER");
  ExpectFailedWith(6, "I_T55", "RDT_RESULT_FLH_ID_ERROR", 2);
  ExpectFailedWith(8, "I_T55", "RDT_RESULT_FLH_ID_MISS_ERROR", 2);
  ExpectFailedWith(10, "I_T54", "RDT_RESULT_SYS_BlK_ERROR");
  ExpectFailedWith(12, "D_T07", "[end]SDR Testing Failed, replace it.");
  ExpectFailedWith(14, "F_T31", "[end]RDT Testing failed!!! Replace above abnormal Flash.[F0]");
  ExpectFailedWith(16, "I_B67", "[ChkRC]Not Running on Flash Code now", 2);
  ExpectFailedWith(18, "I_B67", "[ChkRC]Not Running on Flash Code now", 2);
  for (int port = 1; port <= 24; ++port) {
    if (port > 18 || port % 2 == 1) ExpectPassed(port, "Pass");
  }
  EXPECT_NE(summary.find("\r\nPass=15\r\n"), std::string::npos) << summary;
  EXPECT_NE(summary.find("\r\nTotalErrorCount=9\r\n"), std::string::npos) << summary;
}

class RDTResultSixteenSlotThreads : public RDTResultRunThreads {
 protected:
  RDTResultSixteenSlotThreads() : RDTResultRunThreads(TemplateScenario("RdtResultFailures.ini")) {
    test.SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "SlotNumber", "16");
  }
};

TEST_F(RDTResultSixteenSlotThreads, ADriveOnItsMpFirmwareShowsItsTablesStatisticsInOrange) {
  PressStartAndWait();
  const std::string text = page->PortCell(18).GetWindowText();
  ExpectPassed(18, text, ui::RGB(255, 165, 0));
  EXPECT_EQ(text.rfind("Pass*OB+OLB/RB:24+0/4*", 0), 0u) << text;
  EXPECT_NE(Report(18).find("[ Success ] Read BBT Info, Total take(sec): "), std::string::npos);
  // The drives whose RDT passed show their statistics; the one on boot code still fails.
  EXPECT_EQ(page->PortCell(1).GetWindowText().rfind("Pass*OB/RB:24/4*", 0), 0u) << page->PortCell(1).GetWindowText();
  ExpectFailedWith(16, "I_B67", "[ChkRC]Not Running on Flash Code now");
  // A failed bad-block judgement shows the statistics it judged after the tag.
  EXPECT_EQ(page->PortCell(14).GetWindowText().rfind(CMPDevice::ErrorTagToCode("F_T31") + "*[end]*OB/RB:24/240*", 0),
            0u)
      << page->PortCell(14).GetWindowText();
}

}  // namespace
