// Records before verdicts on the legacy slot page: a total log or summary log that cannot be
// written after a pass takes the passes of that pass back. The slots show the lost-records
// failure, their reports end with its fail record, their results-list lines are failures,
// the logs that could be written count them as failures, the count boxes show the pass as the
// page counted it, and the operator is told.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "LegacyPageFixture.h"
#include "engine/ErrorTags.h"
#include "engine/MPDevice.h"
#include "engine/core/SlotReportText.h"
#include "platform/FileFaults.h"
#include "run/OperatorNotice.h"
#include "run/RunGlobals.h"
#include "run/VerdictRecords.h"

namespace legacytest {
namespace {

constexpr int kDrives = 4;
constexpr char kWorkOrder[] = ".\\WO_Legacy.txt";

// Initial rounds of four drives at the MP station, one pass each (TestLoop 1: no exchange
// phase), with a results list to write to.
class LegacyLogFaultThreads : public LegacyPageTest {
 protected:
  LegacyLogFaultThreads() : LegacyPageTest("[Station]\r\nBoards=1\r\n[Board1]\r\nSlots=4\r\n[Drive]\r\nCode=Boot\r\n") {
    test.SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "TestStation", "MP");
    test.SetKey(kParam, "RD Debug", "TestLoop", "1");
    test.station.WriteFile("WO_Legacy.txt", "[Base Info]\r\nWorkOrder=W123\r\n");
  }
  void SetUp() override {
    Open();
    g_WorkOrderFilePath.Set(kWorkOrder);
    ForgetRecordFailureNotice();
  }
  void TearDown() override {
    platform::DisarmFileFaults();
    g_WorkOrderFilePath.Set("");
    ForgetRecordFailureNotice();
    ForgetOwedTakeBacks();
  }
  void RunInitialPass() {
    KeyUp(kF4);
    ASSERT_FALSE(page.FlowRunning());
  }
  // The slot report, named by the host's MAC address as the legacy page records it.
  std::string Report(int slot) const {
    const std::string suffix = "_" + std::to_string(slot) + "_Report.txt";
    const std::string folder = page.LogFolder().substr(2) + "/D_Reports";
    for (const auto& entry : std::filesystem::directory_iterator(test.station.Folder() / folder)) {
      const std::string name = entry.path().filename().string();
      if (name.size() > suffix.size() && name.ends_with(suffix)) return test.station.ReadFile(folder + "/" + name);
    }
    return {};
  }
  std::string Counts() const {
    return page.CountText(ids::kTotalCount) + "/" + page.CountText(ids::kGoodCount) + "/" +
           page.CountText(ids::kBadCount);
  }
  std::string LogTotals() {
    return Key("Total_Init.log", "Total Results", "Total") + "/" + Key("Total_Init.log", "Total Results", "Good") +
           "/" + Key("Total_Init.log", "Total Results", "Bad");
  }
  std::string LostMessage(const char* file, int error) const {
    return engine::report::LostRecordText(page.LogFolder() + "\\" + file, error);
  }
  // One failure line per drive of the pass, named by the failure.
  void ExpectFailureLines(const std::string& failure) {
    std::map<int, int> failed;
    for (const auto& [key, value] : platform::ReadProfileSection(kWorkOrder, "Results List")) {
      if (value.find(",Fail,A_W01," + failure) != std::string::npos) ++failed[std::stoi(key.substr(key.rfind(',') + 1))];
    }
    EXPECT_EQ(failed, (std::map<int, int>{{1, 1}, {2, 1}, {3, 1}, {4, 1}}));
  }
  // Every drive of the pass shows the failure and its records say so.
  void ExpectPassesTakenBack(const std::string& failure) {
    for (int slot = 1; slot <= kDrives; ++slot) {
      SCOPED_TRACE("slot " + std::to_string(slot));
      EXPECT_EQ(page.ResultText(slot), engine::kRecordWriteFailedTag);
      EXPECT_EQ(PortStateOf(slot), kPortFail);
      EXPECT_EQ(page.SlotBox(slot).GetWindowText(), CMPDevice::ErrorTagToCode(engine::kRecordWriteFailedTag));
      EXPECT_EQ(page.SlotBox(slot).GetBkColor(), ui::RGB(255, 0, 0));
      EXPECT_EQ(std::string(page.SlotBox(slot).GetSubText()), failure);
      const std::string report = Report(slot);
      const std::size_t record = report.rfind("------------------------- FAIL -------------------------\r\n");
      ASSERT_NE(record, std::string::npos) << report;
      EXPECT_EQ(report.substr(record + 58, std::string::npos).rfind("Error Tag  : A_W01\r\nError Code : " +
                                                                        CMPDevice::ErrorTagToCode("A_W01") +
                                                                        "\r\nMessage    : " + failure + "\r\n",
                                                                    0),
                0u)
          << report;
      EXPECT_LT(report.find("Result     : PASS\r\n"), record);
    }
    ExpectFailureLines(failure);
    const auto boxes = MessageTexts();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), RecordFailureNoticeText(failure));
  }
};

TEST_F(LegacyLogFaultThreads, ATotalLogThatCannotBeWrittenTakesThePassesBackAndTheSummaryCountsThemFailed) {
  RunInitialPass();
  ASSERT_EQ(LogTotals(), "4/4/0");
  for (int slot = 1; slot <= kDrives; ++slot) ASSERT_EQ(page.ResultText(slot), "0_00") << Report(slot);
  const std::string totalLog = LogFile("Total_Init.log");
  {
    platform::ScopedFileFault full({"Total_Init.log", platform::kWriteReplace, ENOSPC});
    RunInitialPass();
  }
  EXPECT_EQ(LogFile("Total_Init.log"), totalLog);
  ExpectPassesTakenBack(LostMessage("Total_Init.log", ENOSPC));
  // The summary log counts the drives as the slots show them.
  EXPECT_EQ(Key("_Summary.log", "Results", "Pass"), "4");
  EXPECT_EQ(Key("_Summary.log", "Results", "TotalErrorCount"), "4");
  EXPECT_EQ(Key("_Summary.log", "ErrorList", "A_W01"), "4");
  EXPECT_EQ(Counts(), "8/4/4");
}

TEST_F(LegacyLogFaultThreads, ASummaryLogThatCannotBeWrittenTakesThePassesBackAndTheTotalLogCountsThemFailed) {
  RunInitialPass();
  const std::string summary = LogFile("_Summary.log");
  {
    platform::ScopedFileFault lost({"_Summary.log", platform::kWriteReplace, EIO});
    RunInitialPass();
  }
  EXPECT_EQ(LogFile("_Summary.log"), summary);
  ExpectPassesTakenBack(LostMessage("_Summary.log", EIO));
  EXPECT_EQ(LogTotals(), "8/4/4");
  EXPECT_EQ(Counts(), "8/4/4");
}

// The take-backs of the results-list lines refused as well: they are owed, and written once the
// disk takes them.
TEST_F(LegacyLogFaultThreads, ResultsListTakeBacksTheDiskRefusedAreOwedUntilItTakesThem) {
  RunInitialPass();
  {
    platform::ScopedFileFault full({"Total_Init.log", platform::kWriteReplace, ENOSPC});
    platform::ArmFileFault({"WO_Legacy.txt", platform::kWriteReplace, ENOSPC, kDrives});
    RunInitialPass();
  }
  EXPECT_EQ(OwedTakeBackLines().size(), static_cast<std::size_t>(kDrives));
  EXPECT_TRUE(WriteOwedTakeBacks());
  ExpectFailureLines(LostMessage("Total_Init.log", ENOSPC));
}

TEST_F(LegacyLogFaultThreads, ATotalLogWhoseHeadCannotBeWrittenIsNotBegunAndCountsNothing) {
  {
    platform::ScopedFileFault readOnly({"Total_Init.log", platform::kWriteReplace, EROFS});
    RunInitialPass();
  }
  EXPECT_FALSE(platform::FileExists(page.LogFolder() + "\\Total_Init.log"));
  ExpectPassesTakenBack(LostMessage("Total_Init.log", EROFS));
  EXPECT_EQ(Key("_Summary.log", "Results", "Pass"), "0");
  EXPECT_EQ(Key("_Summary.log", "ErrorList", "A_W01"), "4");
  EXPECT_EQ(Counts(), "4/0/4");
  // The next pass that can write begins the log with its head and counts from there.
  RunInitialPass();
  EXPECT_EQ(LogTotals(), "4/4/0");
  EXPECT_EQ(Key("Total_Init.log", "General Info", "MPVersion"), "2.0a");
}

}  // namespace
}  // namespace legacytest
