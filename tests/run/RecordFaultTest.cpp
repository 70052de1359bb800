// Records before verdicts through the slot task: for each kind of record a drive's run writes
// (slot report banner and lines, fail-log copy, results list, Summary.csv, block-information
// file, slot logs and summary log) and each way a write fails (an I/O error, a full disk, a
// read-only file system), injected at the file layer, the slot ends failed with A_W01 and the
// message naming the file and the reason, nothing shows "Pass", no record of the run is torn
// or mixed with an older one, the files of the earlier run stay as they were, and the
// operator is told once per pass.
#include <sys/mount.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "engine/ErrorTags.h"
#include "platform/FileFaults.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "run/BlockInfoFile.h"
#include "run/OperatorNotice.h"
#include "run/RunFixture.h"
#include "run/SummaryLog.h"
#include "run/VerdictRecords.h"
#include "ui/Host.h"
#include "ui/ScriptedHost.h"

namespace runtest {
namespace {

// A flow as every flow of the station is built: "START", its lines, a block-information
// record, the pass painted and the pass ending (the records of the pass, "END" and the result
// "0_00"; the RDT result station's ending copies the report into the station's log folder) -
// or, when told to, a failing step with its fail record.
class RecordingFlowTask : public TaskProbe {
 public:
  using TaskProbe::TaskProbe;
  static inline bool failTheDrive = false;
  // Slots that showed "Pass" right after the flow painted it, before its records were written.
  static inline int passPaintsSeen = 0;

  std::uint8_t RunMPFlow() override { return Flow(); }
  std::uint8_t RunEraseAllFlow() override { return Flow(); }
  std::uint8_t RunRDTFlow() override { return Flow(); }
  std::uint8_t RunQCFlow() override { return Flow(); }
  std::uint8_t RunRewriteISPFlow() override { return Flow(); }
  std::uint8_t RunRDTResultFlow() override { return Flow(); }

 private:
  std::uint8_t Flow() {
    CMPDevice& device = *m_pDevice;
    device.m_DriveSerial = "SN" + std::to_string(PortNumber());
    device.WriteReportLine("START", 1);
    device.WriteReportLine("Boot mode", 1);
    BlockInfoRecord record;
    record.Clear();
    record.SetTag("SCA1");
    WriteBlockInfoToFile(record);
    if (failTheDrive) {
      device.m_ErrorTag = "F_E03";
      device.m_ErrorMessage = "Erase command failed";
      device.WriteFailReport();
      return FailOut();
    }
    SetSlotStatus(kSlotPass, "Pass", "");
    if (m_pStatusBox->GetWindowText() == "Pass" || PortStateOf(PortNumber()) == kPortPass) ++passPaintsSeen;
    return EndPass(m_StationMode == kStationRDTResult);
  }
};

struct RecordKind {
  const char* name;
  platform::FileFault fault;      // error filled in by the test
  const char* file;               // the file struck, relative to the station folder
  const char* station;            // the station whose flow writes it
  bool driveFails;                // the record is written only for a failed drive
};

const RecordKind kRecordKinds[] = {
    {"slot report banner", {"*_Report.txt", platform::kWriteReplace}, "WO1_PC/D_Reports/HOST_1_Report.txt", "MP",
     false},
    {"slot report lines", {"*_Report.txt", platform::kWriteAppend}, "WO1_PC/D_Reports/HOST_1_Report.txt", "MP",
     false},
    {"fail-log copy", {"*_Report.txt", platform::kWriteCopy}, "WO1_PC/Fail_Log/HOST_1_Report.txt", "MP", true},
    {"results list", {"WO_1.txt", platform::kWriteReplace}, "WO_1.txt", "MP", false},
    {"Summary.csv", {"Summary.csv", platform::kWriteAppend}, "MPTestSummary/Summary.csv", "MP", false},
    {"block information", {"#1.bin", platform::kWriteAppend}, "Configuration/Temp/#1.bin", "EraseAll", false},
};

class RecordFault : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    RecordingFlowTask::failTheDrive = false;
    RecordingFlowTask::passPaintsSeen = 0;
    station.WriteFile("WO_1.txt", "[Base Info]\r\nWorkOrder=WO0001\r\n");
    g_WorkOrderFilePath.Set("S:\\WO_1.txt");
    g_WorkFolder.Set("S:\\");
    ui::SetHost(&host);
    ForgetRecordFailureNotice();
    ForgetOwedTakeBacks();
  }
  void TearDown() override {
    platform::DisarmFileFaults();
    ForgetOwedTakeBacks();
    ui::SetHost(nullptr);
    ForgetRecordFailureNotice();
    RunTest::TearDown();
  }
  void RunPort(int port, const char* stationName) {
    SetStation(stationName);
    NewTask<RecordingFlowTask>(port)->Run(0);
  }
  // Every file of the station folder's records with its bytes.
  std::map<std::string, std::string> Records() const {
    std::map<std::string, std::string> files;
    for (const char* folder : {"WO1_PC", "MPTestSummary", "Configuration/Temp"}) {
      const auto root = station.Folder() / folder;
      if (!std::filesystem::exists(root)) continue;
      for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
        if (!item.is_regular_file()) continue;
        const std::string relative = std::filesystem::relative(item.path(), station.Folder()).string();
        files[relative] = station.ReadFile(relative);
      }
    }
    files["WO_1.txt"] = station.ReadFile("WO_1.txt");
    return files;
  }
  std::string LostRecordMessage(const char* file, int error) const {
    return "Log write failed: " + (station.Folder() / file).string() + ": " + platform::ErrnoText(error);
  }
  void ExpectFailedForLostRecords(int port, const std::string& message) {
    EXPECT_EQ(PortStateOf(port), kPortFail);
    EXPECT_EQ(ResultText(port), engine::kRecordWriteFailedTag);
    EXPECT_EQ(Cell(port).GetWindowText(), CMPDevice::ErrorTagToCode(engine::kRecordWriteFailedTag));
    EXPECT_EQ(std::string(Cell(port).GetStateText()), "Error");
    EXPECT_EQ(Cell(port).GetBkColor(), ui::RGB(255, 0, 0));
    EXPECT_EQ(std::string(Cell(port).GetSubText()).substr(0, message.size()), message);
  }

  ui::ScriptedHost host;
};

TEST_F(RecordFault, EveryKindOfRecordAndEveryFailureFailsTheSlotAndKeepsTheEarlierRun) {
  for (const RecordKind& kind : kRecordKinds) {
    for (const int error : {EIO, ENOSPC, EROFS}) {
      SCOPED_TRACE(std::string(kind.name) + ": " + platform::ErrnoText(error));
      // The earlier run of the slot, with every record written.
      std::filesystem::remove_all(station.Folder() / "Configuration" / "Temp");
      RecordingFlowTask::failTheDrive = kind.driveFails;
      RunPort(1, kind.station);
      ASSERT_EQ(ResultText(1), kind.driveFails ? "F_E03" : "0_00");
      const auto earlier = Records();
      ASSERT_TRUE(earlier.count(kind.file)) << kind.file;

      platform::FileFault fault = kind.fault;
      fault.error = error;
      {
        platform::ScopedFileFault armed(fault);
        RecordingFlowTask::passPaintsSeen = 0;
        RunPort(1, kind.station);
        EXPECT_GE(platform::FileFaultStrikes(), 1u);
      }
      ExpectFailedForLostRecords(1, LostRecordMessage(kind.file, error));
      const auto after = Records();
      const std::string report = after.at("WO1_PC/D_Reports/HOST_1_Report.txt");
      if (kind.fault.kinds == platform::kWriteAppend && std::string(kind.file).ends_with("_Report.txt")) {
        // The run's banner replaced the earlier report; no line of the run is there in part.
        EXPECT_EQ(earlier.at(kind.file).rfind(report, 0), 0u) << report;
        EXPECT_EQ(report.find("Boot mode"), std::string::npos) << report;
        EXPECT_TRUE(report.ends_with("====\r\n")) << report;
      } else {
        // The file struck holds the earlier run as it was.
        EXPECT_EQ(after.at(kind.file), earlier.at(kind.file));
      }
      // A report is never a mix of two runs: one banner.
      EXPECT_EQ(report.find("START\r\n", report.find("START\r\n") + 1), std::string::npos) << report;
      // ... and the results list, when it could be written, says the drive failed.
      if (std::string(kind.file) != "WO_1.txt" && std::string(kind.station) == "MP") {
        EXPECT_NE(after.at("WO_1.txt").find(",Fail,A_W01,Log write failed: "), std::string::npos)
            << after.at("WO_1.txt");
      }
      if (std::string(kind.station) == "MP" && std::string(kind.file) != "MPTestSummary/Summary.csv") {
        EXPECT_NE(after.at("MPTestSummary/Summary.csv").rfind("," + CMPDevice::ErrorTagToCode("A_W01") + "\n"),
                  std::string::npos);
      }
      // Nothing was shown passed, not even for a moment.
      EXPECT_EQ(RecordingFlowTask::passPaintsSeen, 0);
      ForgetRecordFailureNotice();
    }
  }
}

TEST_F(RecordFault, AReportThatLostItsBannerTakesNothingOfTheRun) {
  RunPort(1, "EraseAll");
  const std::string earlier = Report(1);
  RecordingFlowTask::passPaintsSeen = 0;
  {
    platform::ScopedFileFault armed({"*_Report.txt", platform::kWriteReplace, EROFS});
    RunPort(1, "EraseAll");
  }
  EXPECT_EQ(Report(1), earlier);
  EXPECT_EQ(RecordingFlowTask::passPaintsSeen, 0);
  ExpectFailedForLostRecords(1, LostRecordMessage("WO1_PC/D_Reports/HOST_1_Report.txt", EROFS));
}

TEST_F(RecordFault, AReportOfARunThatLostARecordNeverSaysPass) {
  {
    platform::ScopedFileFault armed({"#1.bin", platform::kWriteAppend, EIO});
    RunPort(1, "EraseAll");
  }
  ExpectFailedForLostRecords(1, LostRecordMessage("Configuration/Temp/#1.bin", EIO));
  const std::string report = Report(1);
  EXPECT_EQ(report.find("Result     : PASS"), std::string::npos) << report;
  EXPECT_NE(report.find("   WriteBlockInfoToFile write fail!! \r\n"), std::string::npos) << report;
  EXPECT_NE(report.find("Error Tag  : A_W01\r\n"), std::string::npos) << report;
}

TEST_F(RecordFault, ADriveThatFailedKeepsItsOwnTagInTheMessage) {
  RecordingFlowTask::failTheDrive = true;
  {
    platform::ScopedFileFault armed({"*_Report.txt", platform::kWriteCopy, ENOSPC});
    RunPort(1, "MP");
  }
  ExpectFailedForLostRecords(1, LostRecordMessage("WO1_PC/Fail_Log/HOST_1_Report.txt", ENOSPC));
  EXPECT_EQ(std::string(Cell(1).GetSubText()),
            LostRecordMessage("WO1_PC/Fail_Log/HOST_1_Report.txt", ENOSPC) + "; the drive failed with F_E03");
  // Both fail records are in the report.
  EXPECT_NE(Report(1).find("Error Tag  : F_E03\r\n"), std::string::npos);
  EXPECT_NE(Report(1).find("Error Tag  : A_W01\r\n"), std::string::npos);
}

TEST_F(RecordFault, ALostSummaryRowTurnsTheListLineOfThePassIntoAFailure) {
  RunPort(1, "MP");
  const std::string csv = station.ReadFile("MPTestSummary/Summary.csv");
  {
    platform::ScopedFileFault armed({"Summary.csv", platform::kWriteAppend, ENOSPC});
    RunPort(2, "MP");
  }
  EXPECT_EQ(station.ReadFile("MPTestSummary/Summary.csv"), csv);
  ExpectFailedForLostRecords(2, LostRecordMessage("MPTestSummary/Summary.csv", ENOSPC));
  const auto list = platform::ReadProfileSection("S:\\WO_1.txt", "Results List");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_NE(list[1].second.find(",Fail,A_W01,Log write failed: "), std::string::npos) << list[1].second;
  EXPECT_EQ(list[1].second.find(",Pass"), std::string::npos);
}

// One verdict everywhere: at every kind of station, a record of a passing drive that cannot
// be written fails the drive, and the cell, the report, the results-list line, the Summary.csv
// row, the summary log (once the disk takes what it refused) and the report's copy in the
// station's log folder all say so; none says Pass. The same runs without a fault say Pass
// everywhere.
struct StationRecords {
  const char* station;
  int kind;
  bool listed;     // a results-list line
  bool csvRow;     // a Summary.csv row
  bool logCopy;    // the report's copy in the station's log folder
};
const StationRecords kStationRecords[] = {
    {"EraseAll", kTaskInit, false, false, false}, {"MP", kTaskInit, true, true, false},
    {"RDT", kTaskInit, true, false, false},       {"QC", kTaskQC, true, false, false},
    {"UpdateFW", kTaskQC, true, false, false},    {"RDTResult", kTaskRDTResult, true, false, true},
};

struct LostRecord {
  const char* name;
  platform::FileFault fault;  // error filled in by the test
  bool (*kept)(const StationRecords&);
};
const LostRecord kLostRecords[] = {
    {"summary log", {"_Summary.log", platform::kWriteReplace}, [](const StationRecords&) { return true; }},
    {"results list", {"WO_1.txt", platform::kWriteReplace}, [](const StationRecords& s) { return s.listed; }},
    {"Summary.csv row", {"Summary.csv", platform::kWriteAppend}, [](const StationRecords& s) { return s.csvRow; }},
    {"station log copy", {"#1_*.txt", platform::kWriteReplace | platform::kWriteCopy},
     [](const StationRecords& s) { return s.logCopy; }},
    // The report's END: the second append of the run (the first is its "Boot mode" line).
    {"report END", {"*_Report.txt", platform::kWriteAppend, EIO, 1, 1}, [](const StationRecords&) { return true; }},
};

class OneVerdict : public RecordFault {
 protected:
  // What the records of the station held before a run.
  struct Before {
    int passes = 0;
    int errors = 0;
    int lostTags = 0;
    std::string csv;
    std::set<std::string> logCopies;
  };
  Before Take() const {
    Before before;
    before.passes = platform::ReadProfileInt(kSummary, "Results", "Pass", 0);
    before.errors = platform::ReadProfileInt(kSummary, "Results", "TotalErrorCount", 0);
    before.lostTags = platform::ReadProfileInt(kSummary, "ErrorList", engine::kRecordWriteFailedTag, 0);
    before.csv = station.ReadFile("MPTestSummary/Summary.csv");
    before.logCopies = LogCopies();
    return before;
  }
  std::set<std::string> LogCopies() const {
    std::set<std::string> names;
    if (!std::filesystem::exists(station.Folder() / "Log")) return names;
    for (const auto& item : std::filesystem::directory_iterator(station.Folder() / "Log")) {
      names.insert(item.path().filename().string());
    }
    return names;
  }
  // A run of port 1 at its own minute, so that its results-list key and log copy are its own.
  void RunAt(const StationRecords& records, int minute) {
    platform::LocalTime at = kFixedTime;
    at.minute = minute;
    platform::SetFixedLocalTime(at);
    SetStation(records.station);
    RecordingFlowTask* task = NewTask<RecordingFlowTask>(1, records.kind);
    task->CountDriveInSummaryLog();
    RecordingFlowTask::passPaintsSeen = 0;
    task->Run(0);
    runKey = platform::Format("[2024/05/06_07:%02d:09~07:%02d:09,01]", minute, minute);
  }
  // Every record of the run that exists tells the verdict; a record that could not be written
  // (`lost`) may be missing, but never tells another verdict.
  void ExpectOneVerdict(const StationRecords& records, const Before& before, bool pass, const char* lost = "") {
    const std::string lostName(lost);
    // The cell shows the verdict once, after the records: never "Pass" before them.
    EXPECT_EQ(RecordingFlowTask::passPaintsSeen, 0);
    EXPECT_EQ(PortStateOf(1), pass ? kPortPass : kPortFail);
    EXPECT_EQ(ResultText(1), pass ? "0_00" : engine::kRecordWriteFailedTag);
    EXPECT_EQ(Cell(1).GetBkColor(), pass ? ui::RGB(0, 255, 0) : ui::RGB(255, 0, 0));
    const std::string report = Report(1);
    EXPECT_EQ(report.find("Result     : PASS") != std::string::npos, pass) << report;
    EXPECT_EQ(report.find("Error Tag  : A_W01\r\n") != std::string::npos, !pass) << report;

    const int passes = platform::ReadProfileInt(kSummary, "Results", "Pass", 0) - before.passes;
    const int errors = platform::ReadProfileInt(kSummary, "Results", "TotalErrorCount", 0) - before.errors;
    const int lostTags =
        platform::ReadProfileInt(kSummary, "ErrorList", engine::kRecordWriteFailedTag, 0) - before.lostTags;
    EXPECT_EQ(passes, pass ? 1 : 0);
    EXPECT_EQ(errors, pass ? 0 : 1);
    EXPECT_EQ(lostTags, pass ? 0 : 1);

    const std::string line = platform::ReadProfileString("S:\\WO_1.txt", "Results List", runKey, "");
    if (!records.listed) {
      EXPECT_EQ(line, "");
    } else if (lostName != "results list" || !line.empty()) {
      EXPECT_EQ(line.ends_with(",Pass"), pass) << line;
      EXPECT_EQ(line.find(",Fail,A_W01,Log write failed: ") != std::string::npos, !pass) << line;
    }

    const std::string csv = station.ReadFile("MPTestSummary/Summary.csv");
    ASSERT_EQ(csv.rfind(before.csv, 0), 0u) << csv;
    std::string rows = csv.substr(before.csv.size());
    if (rows.starts_with("Date,Cap,SN,TestResult\n")) rows.erase(0, std::string("Date,Cap,SN,TestResult\n").size());
    if (!records.csvRow) {
      EXPECT_EQ(rows, "");
    } else if (lostName != "Summary.csv row" || !rows.empty()) {
      EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 1) << rows;
      EXPECT_TRUE(rows.ends_with(pass ? std::string(",Pass\n")
                                      : "," + CMPDevice::ErrorTagToCode(engine::kRecordWriteFailedTag) + "\n"))
          << rows;
    }

    std::vector<std::string> copies;
    for (const std::string& name : LogCopies()) {
      if (!before.logCopies.count(name)) copies.push_back(station.ReadFile("Log/" + name));
    }
    if (!records.logCopy) {
      EXPECT_TRUE(copies.empty());
    } else if (pass || lostName != "station log copy") {
      ASSERT_EQ(copies.size(), 1u);
      EXPECT_EQ(copies[0], report);
    }
    for (const std::string& copy : copies) EXPECT_EQ(copy.find("Result     : PASS") != std::string::npos, pass) << copy;
  }

  static constexpr const char* kSummary = ".\\WO1_PC\\_Summary.log";
  std::string runKey;
};

TEST_F(OneVerdict, ARecordThatCannotBeWrittenFailsTheDriveInEveryRecordAtEveryStation) {
  int minute = 0;
  for (const StationRecords& records : kStationRecords) {
    for (const LostRecord& lost : kLostRecords) {
      if (!lost.kept(records)) continue;
      for (const int error : {EIO, ENOSPC}) {
        SCOPED_TRACE(std::string(records.station) + ", " + lost.name + ": " + platform::ErrnoText(error));
        Before before = Take();
        RunAt(records, ++minute);
        {
          SCOPED_TRACE("without a fault");
          ExpectOneVerdict(records, before, true);
        }
        ForgetRecordFailureNotice();
        platform::FileFault fault = lost.fault;
        fault.error = error;
        before = Take();
        {
          platform::ScopedFileFault armed(fault);
          RunAt(records, ++minute);
          EXPECT_GE(platform::FileFaultStrikes(), 1u);
        }
        // Space is back: what the disk refused is made up (a summary-log count among it).
        EXPECT_TRUE(WriteOwedTakeBacks());
        EXPECT_NE(std::string(Cell(1).GetSubText()).find(platform::ErrnoText(error)), std::string::npos)
            << std::string(Cell(1).GetSubText());
        ExpectOneVerdict(records, before, false, lost.name);
      }
    }
  }
}

// A take-back the disk refuses: the report's END of a passing drive cannot be written, and the
// take-back of a record that already said Pass is refused too - or the summary log refuses the
// drive's count itself. It is owed, named with its file and port, and written before the next
// record of its file; then every record of both runs tells the verdict its cell showed, and
// the summary log counts each run once.
struct RefusedTakeBack {
  const char* name;
  platform::FileFault refused;
  const char* file;  // the owed record's file, relative to the station folder
  bool (*kept)(const StationRecords&);
};
const RefusedTakeBack kRefusedTakeBacks[] = {
    {"summary log", {"_Summary.log", platform::kWriteReplace, ENOSPC, 1, 1}, "WO1_PC/_Summary.log",
     [](const StationRecords&) { return true; }},
    {"summary-log count", {"_Summary.log", platform::kWriteReplace, ENOSPC}, "WO1_PC/_Summary.log",
     [](const StationRecords&) { return true; }},
    {"results list", {"WO_1.txt", platform::kWriteReplace, ENOSPC, 1, 1}, "WO_1.txt",
     [](const StationRecords& s) { return s.listed; }},
    {"Summary.csv row", {"Summary.csv", platform::kWriteReplace, ENOSPC}, "MPTestSummary/Summary.csv",
     [](const StationRecords& s) { return s.csvRow; }},
};

TEST_F(OneVerdict, ATakeBackTheDiskRefusesIsWrittenBeforeTheNextRecordOfItsFile) {
  int minute = 0;
  for (const StationRecords& records : kStationRecords) {
    for (const RefusedTakeBack& refused : kRefusedTakeBacks) {
      if (!refused.kept(records)) continue;
      SCOPED_TRACE(std::string(records.station) + ", " + refused.name);
      ForgetRecordFailureNotice();
      const Before before = Take();
      {
        platform::ScopedFileFault lostEnd({"*_Report.txt", platform::kWriteAppend, EIO, 1, 1});
        platform::ArmFileFault(refused.refused);
        RunAt(records, ++minute);
      }
      const std::string failedKey = runKey;
      EXPECT_EQ(ResultText(1), engine::kRecordWriteFailedTag);
      const std::vector<std::string> owed = OwedTakeBackLines();
      EXPECT_EQ(owed.size(), 1u);
      for (const std::string& line : owed) {
        EXPECT_EQ(line.rfind("Port 1 (SN1): " + (station.Folder() / refused.file).string() + " still ", 0), 0u)
            << line;
        EXPECT_TRUE(line.ends_with(" (No space left on device)")) << line;
      }

      RunAt(records, ++minute);
      EXPECT_TRUE(OwedTakeBackLines().empty());
      EXPECT_EQ(PortStateOf(1), kPortPass);
      EXPECT_EQ(platform::ReadProfileInt(kSummary, "Results", "Pass", 0) - before.passes, 1);
      EXPECT_EQ(platform::ReadProfileInt(kSummary, "Results", "TotalErrorCount", 0) - before.errors, 1);
      if (records.listed) {
        const std::string failed = platform::ReadProfileString("S:\\WO_1.txt", "Results List", failedKey, "");
        EXPECT_NE(failed.find(",Fail,A_W01,Log write failed: "), std::string::npos) << failed;
        EXPECT_TRUE(platform::ReadProfileString("S:\\WO_1.txt", "Results List", runKey, "").ends_with(",Pass"));
      }
      if (records.csvRow) {
        std::string rows = station.ReadFile("MPTestSummary/Summary.csv").substr(before.csv.size());
        if (rows.starts_with("Date,")) rows.erase(0, rows.find('\n') + 1);
        const std::size_t firstEnd = rows.find('\n');
        ASSERT_NE(firstEnd, std::string::npos) << rows;
        EXPECT_TRUE(rows.substr(0, firstEnd).ends_with(",SN1," + CMPDevice::ErrorTagToCode("A_W01"))) << rows;
        EXPECT_TRUE(rows.substr(firstEnd + 1).ends_with(",SN1,Pass\n")) << rows;
        EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 2) << rows;
      }
    }
  }
}

TEST_F(RecordFault, TheOperatorIsToldOncePerPassWithoutWaiting) {
  platform::ScopedFileFault armed({"*_Report.txt", platform::kWriteReplace, ENOSPC});
  RunPort(1, "EraseAll");
  RunPort(2, "EraseAll");
  ASSERT_EQ(host.MessageBoxes().size(), 1u);
  EXPECT_EQ(host.MessageBoxes()[0].text,
            RecordFailureNoticeText(LostRecordMessage("WO1_PC/D_Reports/HOST_1_Report.txt", ENOSPC)));
  EXPECT_EQ(ResultText(2), engine::kRecordWriteFailedTag);
  // The next pass tells again.
  ForgetRecordFailureNotice();
  RunPort(3, "EraseAll");
  EXPECT_EQ(host.MessageBoxes().size(), 2u);
}

TEST_F(RecordFault, AnEmptySlotStaysWaitingThoughItsReportIsLost) {
  Install(sim::DriveProfile{}, 4, {2});
  platform::ScopedFileFault armed({"*_Report.txt", platform::kWriteReplace, EIO});
  SetStation("EraseAll");
  NewTask(2)->Run(0);  // the erase flow itself finds the slot empty
  EXPECT_EQ(PortStateOf(2), kPortWaiting);
  EXPECT_EQ(host.MessageBoxes().size(), 1u);
}

TEST_F(RecordFault, SlotLogsThatCannotBeWrittenStayAsTheyWereAndAreNoted) {
  for (const char* file : {"Total_Init.log", "_Summary.log", "Error_Init.log"}) {
    SCOPED_TRACE(file);
    const std::string path = std::string("WO1_PC/") + file;
    std::unique_ptr<TaskProbe> task(NewTask(1));
    ASSERT_TRUE(task->MakeDevice(nullptr));
    task->m_ErrorTag = "F_E03";
    task->m_pDevice->m_ErrorTag = "F_E03";
    task->m_pDevice->m_SerialNumber = std::string("EARLIER_") + file;
    ASSERT_TRUE(task->WriteSlotLogs(0));  // the earlier run
    const std::string earlier = station.ReadFile(path);
    task->m_pDevice->m_SerialNumber = std::string("NOW_") + file;  // an error-list entry of its own
    platform::ScopedFileFault armed({file, platform::kWriteReplace, ENOSPC});
    EXPECT_FALSE(task->WriteSlotLogs(0));
    EXPECT_EQ(station.ReadFile(path), earlier);
    EXPECT_EQ(task->m_pDevice->RecordFailureText(), LostRecordMessage(path.c_str(), ENOSPC));
  }
}

TEST_F(RecordFault, TheSummaryLogsEndTimeIsTheTotalLogs) {
  std::unique_ptr<TaskProbe> task(NewTask(1));
  ASSERT_TRUE(task->MakeDevice(nullptr));
  task->m_pDevice->m_SerialNumber = "SN1";
  ASSERT_TRUE(task->WriteSlotLogs(1));
  const std::string total = platform::ReadProfileString(".\\WO1_PC\\Total_Init.log", "Time", "End Time", "");
  EXPECT_EQ(total, "2024-05-06 07:08:09");
  EXPECT_EQ(platform::ReadProfileString(".\\WO1_PC\\_Summary.log", "Time", "End Time", ""), total);
  EXPECT_EQ(station.ReadFile("WO1_PC/Total_Init.log"),
            "[Total Results]\r\nTotal=1\r\nGood=1\r\n[Time]\r\nEnd Time=2024-05-06 07:08:09\r\n"
            "[Serial Number]\r\nLast Serial Number=SN1\r\n");
}

// The CSV logs of an RDT reading: a log that cannot be begun or whose rows cannot all be
// written fails the drive whose results passed, with its fail record in the report and its
// results-list line a failure; the other logs of the reading are written whole.
TEST_F(RecordFault, AnRdtCsvLogThatCannotBeWrittenFailsTheDrive) {
  SetKey(".\\param.ini", "Options", "save_RDT_log", "1");
  sim::DriveProfile rdtDrive;
  rdtDrive.flashFirmware = sim::FlashFirmware::Rdt;
  rdtDrive.rdt.state = sim::RdtState::Done;
  const auto csvPath = [](const std::string& kind) { return "WO1_PC/RDT/" + kind + "/" + kind + "_SIMSERIAL1_1.csv"; };
  const std::vector<std::string> kinds{"Temperature", "BadBlock", "ECCBit", "DDR"};
  SetStation("RDTResult");
  const auto runRdtResult = [this] { NewTask(1, kTaskRDTResult)->Run(0); };
  Install(rdtDrive);
  runRdtResult();
  ASSERT_EQ(ResultText(1), "0_00") << Report(1);
  std::map<std::string, std::string> earlier;
  for (const std::string& kind : kinds) {
    earlier[kind] = station.ReadFile(csvPath(kind));
    ASSERT_NE(earlier[kind].find("\r\n"), std::string::npos) << kind;
  }
  const struct {
    platform::FileWriteKind write;
    int error;
    const char* ownFailure;  // the step's own failure when the log cannot be begun
  } faults[] = {{platform::kWriteAppend, ENOSPC, nullptr}, {platform::kWriteAppend, EIO, nullptr},
                {platform::kWriteReplace, EROFS, "A_T08"}};
  for (const std::string& kind : kinds) {
    for (const auto& fault : faults) {
      SCOPED_TRACE(kind + ": " + platform::ErrnoText(fault.error));
      ForgetRecordFailureNotice();
      Install(rdtDrive);
      {
        platform::ScopedFileFault armed({kind + "_*.csv", fault.write, fault.error});
        runRdtResult();
        EXPECT_EQ(platform::FileFaultStrikes(), 1u);
      }
      std::string message = LostRecordMessage(csvPath(kind).c_str(), fault.error);
      if (fault.ownFailure) message += std::string("; the drive failed with ") + fault.ownFailure;
      ExpectFailedForLostRecords(1, message);
      const std::string report = Report(1);
      EXPECT_EQ(report.find("Result     : PASS"), std::string::npos) << report;
      EXPECT_NE(report.find("Error Tag  : A_W01\r\nError Code : " + CMPDevice::ErrorTagToCode("A_W01") +
                            "\r\nMessage    : " + message + "\r\nSerial     : "),
                std::string::npos)
          << report;
      const auto list = platform::ReadProfileSection("S:\\WO_1.txt", "Results List");
      ASSERT_FALSE(list.empty());
      EXPECT_NE(list.back().second.find(",Fail,A_W01," + message), std::string::npos) << list.back().second;
      if (fault.ownFailure) continue;  // the reading ended at the log it could not begin
      // The struck log keeps no part of a piece it could not take; every other log is whole.
      EXPECT_EQ(station.ReadFile(csvPath(kind)), "");
      for (const std::string& other : kinds) {
        if (other == kind) continue;
        EXPECT_EQ(station.ReadFile(csvPath(other)), earlier[other]) << other;
      }
    }
  }
}

// The same on a real full file system: a small tmpfs over the log folder, filled up. Needs
// the right to mount (root); skipped where the machine does not allow it.
class FullDiskRecords : public RecordFault {
 protected:
  void SetUp() override {
    RecordFault::SetUp();
    folder = station.Folder() / "WO1_PC";
    std::filesystem::create_directories(folder);
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k") != 0) {
      GTEST_SKIP() << "no tmpfs can be mounted here: " << platform::ErrnoText(errno);
    }
    mounted = true;
  }
  void TearDown() override {
    if (mounted) ::umount2(folder.c_str(), MNT_DETACH);
    RecordFault::TearDown();
  }
  // Fills the file system to its last byte.
  void Fill() {
    std::ofstream filler(folder / "filler", std::ios::binary);
    const std::string block(4096, 'x');
    while (filler.write(block.data(), static_cast<std::streamsize>(block.size()))) {
    }
    filler.close();
    std::ofstream bytes(folder / "filler2", std::ios::binary);
    while (bytes.put('x')) bytes.flush();
  }
  std::filesystem::path folder;
  bool mounted = false;
};

TEST_F(FullDiskRecords, EverySlotOfAPassOnAFullDiskFailsAndTheEarlierReportsStay) {
  for (int port = 1; port <= 4; ++port) RunPort(port, "MP");
  std::map<int, std::string> earlier;
  for (int port = 1; port <= 4; ++port) earlier[port] = Report(port);
  Fill();
  ForgetRecordFailureNotice();
  for (int port = 1; port <= 4; ++port) RunPort(port, "MP");
  for (int port = 1; port <= 4; ++port) {
    SCOPED_TRACE("port " + std::to_string(port));
    EXPECT_EQ(Report(port), earlier[port]);
    EXPECT_EQ(PortStateOf(port), kPortFail);
    EXPECT_EQ(ResultText(port), engine::kRecordWriteFailedTag);
    EXPECT_NE(std::string(Cell(port).GetSubText()).find(": No space left on device"), std::string::npos)
        << std::string(Cell(port).GetSubText());
  }
  EXPECT_EQ(host.MessageBoxes().size(), 1u);
}

// A disk that fills up in the middle of a pass: the station's records (log folder, work-order
// file, Summary.csv, station log) on one small file system with a few pages left. The slots
// that find room pass, the others fail wherever the disk ran out; whatever each slot could
// still write tells the verdict its cell shows.
TEST_F(FullDiskRecords, ASlotOfADiskThatFillsUpTellsOneVerdictInEveryRecordItCouldWrite) {
  g_WorkFolder.Set("S:\\WO1_PC\\");
  g_WorkOrderFilePath.Set("S:\\WO1_PC\\WO_1.txt");
  station.WriteFile("WO1_PC/WO_1.txt", "[Base Info]\r\nWorkOrder=WO0001\r\n");
  Fill();
  // Room for the records of about two drives.
  std::filesystem::remove(folder / "filler2");
  std::filesystem::resize_file(folder / "filler", std::filesystem::file_size(folder / "filler") - 8 * 4096);
  constexpr int kPorts = 8;
  std::map<int, std::string> keys;
  for (int port = 1; port <= kPorts; ++port) {
    platform::LocalTime at = kFixedTime;
    at.minute = port;
    platform::SetFixedLocalTime(at);
    SetStation("MP");
    RecordingFlowTask* task = NewTask<RecordingFlowTask>(port);
    task->CountDriveInSummaryLog();
    task->Run(0);
    keys[port] = platform::Format("[2024/05/06_07:%02d:09~07:%02d:09,%02d]", port, port, port);
  }
  int passed = 0;
  const std::string csv = station.ReadFile("WO1_PC/MPTestSummary/Summary.csv");
  for (int port = 1; port <= kPorts; ++port) {
    SCOPED_TRACE("port " + std::to_string(port));
    const bool pass = PortStateOf(port) == kPortPass;
    passed += pass ? 1 : 0;
    if (!pass) {
      EXPECT_EQ(PortStateOf(port), kPortFail);
      EXPECT_EQ(ResultText(port), engine::kRecordWriteFailedTag);
    }
    const std::string report = Report(port);
    EXPECT_EQ(report.find("Result     : PASS") != std::string::npos, pass) << report;
    const std::string line = platform::ReadProfileString("S:\\WO1_PC\\WO_1.txt", "Results List", keys[port], "");
    if (pass || !line.empty()) {
      EXPECT_EQ(line.ends_with(",Pass"), pass) << line;
    }
    const std::string serial = ",SN" + std::to_string(port) + ",";
    const std::size_t row = csv.find(serial);
    if (pass || row != std::string::npos) {
      ASSERT_NE(row, std::string::npos) << csv;
      EXPECT_EQ(csv.compare(csv.find('\n', row) - 5, 5, ",Pass") == 0, pass) << csv;
    }
  }
  // The summary log counts the passes, and no more.
  EXPECT_EQ(platform::ReadProfileInt(".\\WO1_PC\\_Summary.log", "Results", "Pass", 0), passed);
  // The disk ran out in the middle of the pass.
  EXPECT_GT(passed, 0);
  EXPECT_LT(passed, kPorts);
}

}  // namespace
}  // namespace runtest
