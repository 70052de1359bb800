// The copy of a failed drive's report in the station's log folder at the RDT result station,
// when the drive's reports cannot be written: the slot report of an earlier test that passed
// stays in place, and no copy made for this test tells that PASS; the records of the drive
// tell its failure.
#include <cerrno>
#include <filesystem>
#include <vector>

#include "engine/ErrorTags.h"
#include "platform/FileFaults.h"
#include "platform/Text.h"
#include "run/OperatorNotice.h"
#include "run/RunFixture.h"
#include "run/VerdictRecords.h"
#include "support/DriveProfiles.h"
#include "ui/Host.h"
#include "ui/ScriptedHost.h"

namespace runtest {
namespace {

constexpr char kPassLine[] = "Result     : PASS";
constexpr char kReportFile[] = "WO1_PC/D_Reports/HOST_1_Report.txt";

// How the drive's reports are refused.
struct RefusedReports {
  const char* name;
  std::vector<platform::FileFault> faults;
  bool readOnlyReport;   // the earlier report made read-only: its replacement is refused for real
  bool reportReplaced;   // this test's banner replaced the earlier report
  bool copyMade;         // a copy for this test is in the station's log folder
};
const RefusedReports kRefusedReports[] = {
    {"opening of the report refused", {{"*_Report.txt", platform::kWriteReplace, EROFS}}, false, false, true},
    {"opening refused by a read-only report", {}, true, false, true},
    {"later write refused", {{"*_Report.txt", platform::kWriteAppend, ENOSPC}}, false, true, true},
    {"copy refused",
     {{"*_Report.txt", platform::kWriteReplace, EROFS}, {"#1_RDTResult_*.txt", platform::kWriteAny, EIO}},
     false,
     false,
     false},
};

// The drive's own outcome: its RDT passed, or failed on its bad blocks (the flow's copy).
struct DriveOutcome {
  const char* name;
  std::uint8_t rdtResultCode;
};
const DriveOutcome kDriveOutcomes[] = {{"RDT passed", 0}, {"RDT failed", 0x12}};

class StationLogCopy : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    station.WriteFile("WO_1.txt", "[Base Info]\r\nWorkOrder=WO0001\r\n");
    g_WorkOrderFilePath.Set("S:\\WO_1.txt");
    g_WorkFolder.Set("S:\\");
    SetKey(".\\param.ini", "Options", "save_RDT_log", "0");
    SetStation("RDTResult");
    ui::SetHost(&host);
    ForgetRecordFailureNotice();
    ForgetOwedTakeBacks();
  }
  void TearDown() override {
    platform::DisarmFileFaults();
    SetReportWritable(true);
    ForgetOwedTakeBacks();
    ForgetRecordFailureNotice();
    ui::SetHost(nullptr);
    RunTest::TearDown();
  }
  // A test of the drive in slot 1 at its own minute, so that its copy has a name of its own.
  void RunAt(int minute, std::uint8_t rdtResultCode) {
    platform::LocalTime at = kFixedTime;
    at.minute = minute;
    platform::SetFixedLocalTime(at);
    sim::DriveProfile drive = testsupport::OnRdtFirmware();
    drive.rdt.resultCode = rdtResultCode;
    Install(drive);
    NewTask(1, kTaskRDTResult)->Run(0);  // the task ends itself
  }
  void SetReportWritable(bool writable) {
    std::error_code ignored;  // no report yet: nothing to change
    std::filesystem::permissions(station.Folder() / kReportFile, std::filesystem::perms::owner_write,
                                 writable ? std::filesystem::perm_options::add : std::filesystem::perm_options::remove,
                                 ignored);
  }
  // The copy of the report a test at the minute made in the station's log folder ("" none).
  std::string CopyAt(int minute) const {
    return station.ReadFile(platform::Format("Log/#1_RDTResult_20240506 07h%02dm09s123ms.txt", minute));
  }

  ui::ScriptedHost host;
};

TEST_F(StationLogCopy, NoCopyOfAFailedDrivesReportSaysPassWhenItsReportsCannotBeWritten) {
  int minute = 0;
  for (const RefusedReports& refused : kRefusedReports) {
    for (const DriveOutcome& outcome : kDriveOutcomes) {
      SCOPED_TRACE(std::string(refused.name) + ", " + outcome.name);
      ForgetRecordFailureNotice();
      SetReportWritable(true);
      RunAt(++minute, 0);
      const std::string earlier = Report(1);
      ASSERT_NE(earlier.find(kPassLine), std::string::npos) << earlier;

      if (refused.readOnlyReport) SetReportWritable(false);
      for (const platform::FileFault& fault : refused.faults) platform::ArmFileFault(fault);
      RunAt(++minute, outcome.rdtResultCode);
      platform::DisarmFileFaults();

      // The drive failed for its lost records, and its results-list line says so.
      EXPECT_EQ(PortStateOf(1), kPortFail);
      EXPECT_EQ(ResultText(1), engine::kRecordWriteFailedTag);
      const std::string failure(Cell(1).GetSubText());
      EXPECT_EQ(failure.rfind("Log write failed: " + (station.Folder() / kReportFile).string() + ": ", 0), 0u)
          << failure;
      const auto list = platform::ReadProfileSection("S:\\WO_1.txt", "Results List");
      ASSERT_FALSE(list.empty());
      EXPECT_TRUE(list.back().second.ends_with(",Fail,A_W01," + failure)) << list.back().second;
      const std::string report = Report(1);
      EXPECT_EQ(report == earlier, !refused.reportReplaced) << report;

      // No copy made for this test says PASS; the one made tells the failure its cell shows.
      const std::string copy = CopyAt(minute);
      EXPECT_EQ(!copy.empty(), refused.copyMade);
      EXPECT_EQ(copy.find(kPassLine), std::string::npos) << copy;
      if (!refused.copyMade) continue;
      if (refused.reportReplaced) {
        EXPECT_EQ(copy, report);
        continue;
      }
      // This test's banner, which the report could not take, and the failure.
      EXPECT_NE(copy.find(platform::Format("START\r\nDate Time  : 2024/05/06 07:%02d:09\r\n", minute)),
                std::string::npos)
          << copy;
      EXPECT_NE(copy.find("Station    : RDTResult\r\n"), std::string::npos) << copy;
      EXPECT_NE(copy.find("Error Tag  : A_W01\r\n"), std::string::npos) << copy;
      EXPECT_NE(copy.find("Message    : " + failure + "\r\n"), std::string::npos) << copy;
    }
  }
}

}  // namespace
}  // namespace runtest
