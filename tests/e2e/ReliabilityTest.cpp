// Whole passes and start-up when things go wrong: the records of a pass cannot be written
// (a read-only log folder, a summary log that cannot be replaced), start-up with settings it
// must refuse, and a station whose boards have more testers than the page has ports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "e2e/SheetPassFixture.h"
#include "engine/ErrorTags.h"
#include "engine/MPDevice.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "run/RunGlobals.h"
#include "run/VerdictRecords.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "sim/StationTransport.h"

namespace {

// Every file below a folder with its bytes.
std::map<std::string, std::string> FilesBelow(const testsupport::ScratchStation& station, const std::string& folder) {
  std::map<std::string, std::string> files;
  const auto root = station.Folder() / folder;
  if (!std::filesystem::exists(root)) return files;
  for (const auto& item : std::filesystem::recursive_directory_iterator(root)) {
    if (!item.is_regular_file()) continue;
    const std::string relative = std::filesystem::relative(item.path(), station.Folder()).string();
    files[relative] = station.ReadFile(relative);
  }
  return files;
}

class Reliability : public e2etest::SheetPassTest {
 protected:
  explicit Reliability(const std::string& scenario = pagestest::kTwentyFourDrives) : SheetPassTest(scenario) {}

  // The port shows the lost-records failure: red, the tag's code, the message naming a file.
  void ExpectLostRecords(int port, const std::string& reason) {
    SCOPED_TRACE("port " + std::to_string(port));
    EXPECT_EQ(PortStateOf(port), kPortFail);
    EXPECT_EQ(page->ResultTextOfPort(port), engine::kRecordWriteFailedTag);
    EXPECT_EQ(page->PortCell(port).GetWindowText(), CMPDevice::ErrorTagToCode(engine::kRecordWriteFailedTag));
    EXPECT_EQ(page->PortCell(port).GetBkColor(), ui::RGB(255, 0, 0));
    const std::string message(page->PortCell(port).GetSubText());
    EXPECT_EQ(message.rfind("Log write failed: " + test.station.Folder().string() + "/", 0), 0u) << message;
    EXPECT_NE(message.find(": " + reason), std::string::npos) << message;
  }
};

TEST_F(Reliability, APassIntoAReadOnlyLogFolderShowsNoPassAndChangesNoRecord) {
  PressStartAndWait();
  for (int port = 1; port <= 24; ++port) ASSERT_EQ(PortStateOf(port), kPortPass) << port;
  const std::string logFolder = page->LogFolder().substr(2, page->LogFolder().find('\\', 2) - 2);
  const auto earlier = FilesBelow(test.station, logFolder);
  ASSERT_FALSE(earlier.empty());
  const std::size_t boxesBefore = test.host.MessageBoxes().size();
  const int passesBefore = page->PassesStarted();
  {
    // The pass knows before it starts that it cannot record: it does not start.
    platform::ScopedFileFault readOnly({"*", platform::kWriteAny, EROFS});
    page->StartButton().Click();
  }
  EXPECT_FALSE(page->IsRunning());
  EXPECT_EQ(page->PassesStarted(), passesBefore);
  for (int port = 1; port <= 24; ++port) EXPECT_EQ(PortStateOf(port), kPortPass) << port;
  // Every record of the earlier pass is as it was: reports, summary log, work-order file.
  EXPECT_EQ(FilesBelow(test.station, logFolder), earlier);
  // The operator was told which folder, and could go on.
  ASSERT_EQ(test.host.MessageBoxes().size(), boxesBefore + 1);
  const std::string told = test.host.MessageBoxes().back().text;
  EXPECT_EQ(told.rfind(test.station.Folder().string() + "/", 0), 0u) << told;
  EXPECT_NE(told.find(" cannot be written (Read-only file system): the pass does not start"), std::string::npos)
      << told;
  EXPECT_TRUE(page->StartButton().IsWindowEnabled());
}

// The work order's results list turns read-only once the pass has begun: every drive of the
// MP pass fails for its lost list line, and every record it could write says so: no report
// says PASS, no Summary.csv row says Pass, and the summary log counts failures.
TEST_F(Reliability, AResultsListThatTurnsReadOnlyInThePassFailsEveryDriveInEveryRecord) {
  test.SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "TestStation", "MP");
  PressStartAndWait();
  const std::string summaryCsv = test.station.ReadFile("MPTestSummary/Summary.csv");
  const int passes = platform::ReadProfileInt(page->LogFolder() + "\\_Summary.log", "Results", "Pass", 0);
  ASSERT_EQ(passes, 24);
  {
    // The work-order file is there from the earlier pass with its work order: the pass
    // starts, and every write of a results-list line fails.
    platform::ScopedFileFault readOnly({"WO_*.txt", platform::kWriteReplace, EROFS});
    PressStartAndWait();
  }
  for (int port = 1; port <= 24; ++port) {
    ExpectLostRecords(port, "Read-only file system");
    const std::string report = test.Report(page->LogFolder(), port);
    EXPECT_EQ(report.find("Result     : PASS"), std::string::npos) << report;
    EXPECT_NE(report.find("Error Tag  : A_W01\r\n"), std::string::npos) << report;
  }
  const std::string rows = test.station.ReadFile("MPTestSummary/Summary.csv").substr(summaryCsv.size());
  EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 24) << rows;
  EXPECT_EQ(rows.find(",Pass\n"), std::string::npos) << rows;
  const std::string summaryLog = page->LogFolder() + "\\_Summary.log";
  EXPECT_EQ(platform::ReadProfileInt(summaryLog, "Results", "Pass", 0), passes);
  EXPECT_EQ(platform::ReadProfileInt(summaryLog, "ErrorList", "A_W01", 0), 24);
}

TEST_F(Reliability, ASummaryLogThatCannotBeWrittenFailsEveryDriveOfThePassInEveryRecord) {
  // The MP station: its drives have results-list lines.
  test.SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "TestStation", "MP");
  PressStartAndWait();
  const std::string summary = test.ReadStationFile(page->LogFolder(), "_Summary.log");
  const std::string summaryCsv = test.station.ReadFile("MPTestSummary/Summary.csv");
  {
    platform::ScopedFileFault full({"_Summary.log", platform::kWriteReplace, ENOSPC});
    PressStartAndWait();
  }
  // Summary.csv: the rows of the earlier pass stay as they were; each drive of this pass has
  // one row, which gives the lost-records code instead of Pass.
  const std::string rows = test.station.ReadFile("MPTestSummary/Summary.csv");
  ASSERT_TRUE(rows.starts_with(summaryCsv));
  const std::string added = rows.substr(summaryCsv.size());
  EXPECT_EQ(std::count(added.begin(), added.end(), '\n'), 24);
  EXPECT_EQ(added.find(",Pass\n"), std::string::npos) << added;
  std::size_t takenBackRows = 0;
  for (std::size_t at = 0; (at = added.find("," + CMPDevice::ErrorTagToCode("A_W01") + "\n", at)) != std::string::npos;
       ++at) {
    ++takenBackRows;
  }
  EXPECT_EQ(takenBackRows, 24u) << added;
  EXPECT_EQ(test.ReadStationFile(page->LogFolder(), "_Summary.log"), summary);
  for (int port = 1; port <= 24; ++port) ExpectLostRecords(port, "No space left on device");
  EXPECT_NE(std::string(page->PortCell(1).GetSubText()).find("_Summary.log: No space left on device"),
            std::string::npos);
  EXPECT_EQ(test.host.MessageBoxes().size(), 1u);
  // The summary log is written before a report's END: no report of the pass says PASS; each
  // ends with the fail record of its lost summary, and its Fail_Log copy is the report as it
  // stands.
  const std::string failure = std::string(page->PortCell(1).GetSubText());
  for (int port = 1; port <= 24; ++port) {
    SCOPED_TRACE("port " + std::to_string(port));
    const std::string report = test.Report(page->LogFolder(), port);
    EXPECT_EQ(report.find("Result     : PASS"), std::string::npos) << report;
    EXPECT_EQ(report.find("END        :"), std::string::npos) << report;
    const std::size_t record = report.find("------------------------- FAIL -------------------------\r\n"
                                           "Error Tag  : A_W01\r\nError Code : " +
                                           CMPDevice::ErrorTagToCode("A_W01") + "\r\nMessage    : " + failure +
                                           "\r\nSerial     : ");
    ASSERT_NE(record, std::string::npos) << report;
    EXPECT_NE(report.find(platform::Format("\r\nSlot       : %d\r\n", port), record), std::string::npos);
    EXPECT_TRUE(report.ends_with("--------------------------------------------------------\r\n")) << report;
    EXPECT_EQ(test.ReadStationFile(page->LogFolder(), "Fail_Log/" + std::string(pagestest::kHost) + "_" +
                                                          std::to_string(port) + "_Report.txt"),
              report);
  }
  // The results-list line of every drive of the pass is a failure with the tag and the message;
  // the lines of the earlier pass, when they are lines of their own, still say Pass.
  const auto list = platform::ReadProfileSection(g_WorkOrderFilePath.Get(), "Results List");
  std::map<int, int> takenBack;
  std::size_t passes = 0;
  for (const auto& [key, value] : list) {
    if (value.ends_with(",Pass")) ++passes;
    if (value.find(",Fail,A_W01," + failure) == std::string::npos) continue;
    EXPECT_EQ(value.find(",Pass"), std::string::npos) << value;
    ++takenBack[std::stoi(key.substr(key.rfind(',') + 1))];
  }
  EXPECT_EQ(takenBack.size(), 24u);
  for (const auto& [port, lines] : takenBack) EXPECT_EQ(lines, 1) << port;
  EXPECT_EQ(passes + 24, list.size());
}

// The pool's workers count their drives in the summary log one after another: a take-back
// that one worker's write left owed is written by a later worker's, so this suite runs under
// ThreadSanitizer as well (the others of the file check what is recorded, the same way in
// every build).
class OwedTakeBackThreads : public Reliability {};

// A take-back the full disk refuses: every results-list write and the second
// summary-log write of the pass are refused. Each drive fails for its lost list line; the
// summary log's take-back of the one pass it counted is refused, owed, and written before
// the next drive's count. Once space is back, the counts are the cells'.
TEST_F(OwedTakeBackThreads, ATakeBackTheDiskRefusedIsWrittenAndTheSummaryCountsTheCells) {
  test.SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "TestStation", "MP");
  PressStartAndWait();
  const std::string summaryLog = page->LogFolder() + "\\_Summary.log";
  ASSERT_EQ(platform::ReadProfileInt(summaryLog, "Results", "Pass", 0), 24);
  platform::ArmFileFault({"WO_*", platform::kWriteAny, ENOSPC});
  platform::ArmFileFault({"_Summary.log", platform::kWriteReplace, ENOSPC, 1, 1});
  PressStartAndWait();
  platform::DisarmFileFaults();
  for (int port = 1; port <= 24; ++port) ExpectLostRecords(port, "No space left on device");
  EXPECT_EQ(platform::ReadProfileInt(summaryLog, "Results", "Pass", 0), 24);
  EXPECT_EQ(platform::ReadProfileInt(summaryLog, "Results", "TotalErrorCount", 0), 24);
  PressStartAndWait();
  for (int port = 1; port <= 24; ++port) ASSERT_EQ(PortStateOf(port), kPortPass) << port;
  EXPECT_EQ(platform::ReadProfileInt(summaryLog, "Results", "Pass", 0), 48);
  EXPECT_EQ(platform::ReadProfileInt(summaryLog, "ErrorList", "A_W01", 0), 24);
}

// A take-back still owed after the pass, and the counts the summary log refused: Start does not
// start a pass and names the file and the drives; closing names them too; once space is back,
// Start writes them and starts, and the summary log counts every cell once.
TEST_F(Reliability, StartWaitsForATakeBackTheDiskStillRefuses) {
  test.SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "TestStation", "MP");
  PressStartAndWait();
  const std::string summaryLog = page->LogFolder() + "\\_Summary.log";
  // Only the first count of the pass reaches the summary log; its take-back and the other
  // drives' counts are refused.
  platform::ArmFileFault({"WO_*", platform::kWriteAny, ENOSPC});
  platform::ArmFileFault({"_Summary.log", platform::kWriteReplace, ENOSPC, 1});
  PressStartAndWait();
  EXPECT_EQ(platform::ReadProfileInt(summaryLog, "Results", "Pass", 0), 25);
  const std::size_t boxes = test.host.MessageBoxes().size();
  page->StartButton().Click();
  EXPECT_FALSE(page->IsRunning());
  ASSERT_EQ(test.host.MessageBoxes().size(), boxes + 1);
  const std::string told = test.host.MessageBoxes().back().text;
  const std::string owed = ": " + platform::ToNativePath(summaryLog).string() + " still counts the drive as a pass";
  const std::string count = ": " + platform::ToNativePath(summaryLog).string() + " still lacks the drive's count";
  EXPECT_EQ(told.rfind("The pass does not start: ", 0), 0u) << told;
  EXPECT_NE(told.find("\r\nPort "), std::string::npos) << told;
  EXPECT_NE(told.find(owed), std::string::npos) << told;
  EXPECT_NE(told.find(count), std::string::npos) << told;
  // Closing names the record as well.
  EXPECT_TRUE(page->OnQueryCancel());
  ASSERT_EQ(test.host.MessageBoxes().size(), boxes + 2);
  EXPECT_NE(test.host.MessageBoxes().back().text.find(owed), std::string::npos);
  platform::DisarmFileFaults();
  PressStartAndWait();
  EXPECT_EQ(platform::ReadProfileInt(summaryLog, "Results", "Pass", 0), 48);
  EXPECT_EQ(platform::ReadProfileInt(summaryLog, "Results", "TotalErrorCount", 0), 24);
  EXPECT_EQ(platform::ReadProfileInt(summaryLog, "ErrorList", "A_W01", 0), 24);
  EXPECT_TRUE(page->OnQueryCancel());
  EXPECT_EQ(test.host.MessageBoxes().size(), boxes + 2);
}

TEST_F(Reliability, TheCaptionSaysWhenTheSimulatorServesTheDrives) {
  EXPECT_EQ(sheet->GetWindowText(),
            MakeSheetCaption(settings::ReadText(settings::keys::BuildVersion)) + " - Simulated station");
}

// The template's TwoBoards station: testers 25-32 have drives that no port shows.
class UnshownTestersThreads : public Reliability {
 protected:
  UnshownTestersThreads()
      : Reliability("[Station]\r\nBoards=2\r\n[Board1]\r\nSlots=24\r\n[Board2]\r\nProduct=SATA3-TESTER\r\n"
                           "Slots=8\r\n[Drive]\r\nCode=Boot\r\n") {}
};

TEST_F(UnshownTestersThreads, TheDrivesBeyondThePortsAreNamedOnce) {
  EXPECT_EQ(page->ScanStatusText(),
            "24 port(s) mapped to drives (tester boards); not shown: the drives of testers 25-32 beyond the 24 ports");
  ASSERT_EQ(test.host.MessageBoxes().size(), 1u);
  EXPECT_EQ(test.host.MessageBoxes()[0].text,
            "The drives of testers 25-32 are not shown: the production page has 24 ports (testers 1-24).");
  // A second scan of the same station names them in the line only.
  page->ScanButton().Click();
  ASSERT_TRUE(test.PumpUntil([&] { return page->ScanButton().IsWindowEnabled(); }));
  EXPECT_EQ(test.host.MessageBoxes().size(), 1u);
}

// Start-up refuses what it cannot run honestly: nothing is installed, so no pass can run.
class StartUp : public ::testing::Test {
 protected:
  void TearDown() override { device::SetTransport(nullptr); }
  testsupport::ScratchStation station{testsupport::ScratchStation::Template::Copy};
};

TEST_F(StartUp, EachBadSettingStopsItWithTheFileTheLineAndTheKey) {
  const struct {
    const char* platformIni;
    const char* where;
  } cases[] = {
      {"[Device]\r\nTransport=usb\r\n", ".\\Platform.ini line 2, [Device] Transport: "},
      {"[Time]\r\nScale=1e300\r\n", ".\\Platform.ini line 2, [Time] Scale: "},
      {"[Time]\r\nScale=-1\r\n", ".\\Platform.ini line 2, [Time] Scale: "},
      {"[Device]\r\nScenario=Nowhere.ini\r\n", ".\\Platform.ini line 2, [Device] Scenario: "},
      {"[Device]\r\nScenario=Garbage.ini\r\n", ".\\Configuration\\Sim\\Garbage.ini line 1: "},
  };
  station.WriteFile("Configuration/Sim/Garbage.ini", "\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR");
  for (const auto& bad : cases) {
    SCOPED_TRACE(bad.platformIni);
    station.WriteFile("Platform.ini", bad.platformIni);
    platform::FlushProfileCache();
    std::string error;
    EXPECT_FALSE(sim::InstallStationTransport(&error));
    EXPECT_EQ(error.rfind(bad.where, 0), 0u) << error;
    EXPECT_FALSE(device::GetTransport());
  }
}

}  // namespace
