#pragma once
// The fault sweep (FaultSweep.h) of a production-page station: whole passes through the
// application's sheet. The records a pass writes are read from their files: the work order's
// results list (every drive's line), the summary log (the failed drive counted under its tag),
// Summary.csv at the MP station (every drive's row), the block-information files and the
// Fail_Log copies of the slot reports.
#include <filesystem>
#include <optional>
#include <string>

#include "e2e/FaultSweep.h"
#include "e2e/StationPassFixture.h"
#include "engine/MPDevice.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "run/BlockInfoFile.h"

namespace e2etest {

class FaultSweepTest : public StationPassTest {
 protected:
  FaultSweepTest(const std::string& station, const std::string& scenario)
      : StationPassTest(station, scenario), sweep(SweepPageOfSheet()) {}

  using PassingRun = FaultSweep::PassingRun;

  // Fresh drives for a pass, the records of the last pass removed.
  void Install(const std::string& scenario) {
    test.sim.Install(test.station, scenario);
    const std::filesystem::path logFolder = platform::ToNativePath(page->LogFolder());
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(logFolder, ignored)) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with("WO_") || name == "_Summary.log") std::filesystem::remove(entry.path(), ignored);
    }
    std::filesystem::remove_all(logFolder / "Fail_Log", ignored);
    std::filesystem::remove(platform::ToNativePath(SummaryCsvPath()), ignored);
  }
  std::string ResultsListLine(int port) const {
    const std::string path = g_WorkOrderFilePath.Get();
    const std::string suffix = platform::Format(",%02d]", port);
    for (const std::string& key : platform::ReadProfileKeys(path, "Results List")) {
      if (key.ends_with(suffix)) {
        return platform::ReadProfileString(path, "Results List", key, "");
      }
    }
    return {};
  }

  FaultSweep sweep;

 private:
  static std::string SummaryCsvPath() { return g_WorkFolder.Get() + "MPTestSummary\\Summary.csv"; }
  // The Summary.csv rows of the pass (the MP station writes one per drive).
  std::vector<std::string> SummaryCsvRows() const {
    const std::optional<std::string> text = platform::ReadWholeFile(SummaryCsvPath());
    std::vector<std::string> rows;
    if (!text) return rows;
    for (const std::string& line : platform::Split(*text, '\n')) {
      if (!line.empty() && !line.starts_with("Date,")) rows.push_back(line);
    }
    return rows;
  }
  std::string Station() const {
    return platform::ReadProfileString(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "TestStation",
                                       "");
  }
  // The erase station lists no results; only the MP station writes Summary.csv.
  bool WritesResultsList() const { return Station() != "EraseAll"; }
  bool WritesSummaryCsv() const { return Station() == "MP"; }
  // The pass's Summary.csv: one row per drive, all passes but the faulted drive's, which
  // carries the code of its tag.
  void ExpectSummaryCsvRows(const std::string& faultedTag) const {
    if (!WritesSummaryCsv()) return;
    const std::vector<std::string> rows = SummaryCsvRows();
    EXPECT_EQ(rows.size(), 24u);
    std::size_t passes = 0;
    std::size_t faulted = 0;
    const std::string faultedEnd = "," + CMPDevice::ErrorTagToCode(faultedTag);
    for (const std::string& row : rows) {
      passes += row.ends_with(",Pass") ? 1 : 0;
      faulted += row.ends_with(faultedEnd) ? 1 : 0;
    }
    EXPECT_EQ(passes, 23u);
    EXPECT_EQ(faulted, 1u) << faultedEnd;
  }
  std::string BlockInfoTags(int port) const {
    const std::string path = BlockInfoFilePath(port);
    const std::optional<std::string> bytes = platform::ReadWholeFile(path);
    if (!bytes) return {};
    if (bytes->size() % sizeof(BlockInfoRecord) != 0) return "a record cut short;";
    std::string tags;
    for (const BlockInfoRecord& record : ReadBlockInfoRecords(path)) tags += std::string(record.tag, 4) + ";";
    return tags;
  }
  std::optional<std::string> FailLogCopy(int port) const {
    const std::string name = std::string("Fail_Log/") + pagestest::kHost + "_" + std::to_string(port) + "_Report.txt";
    if (!std::filesystem::exists(platform::ToNativePath(page->LogFolder() + "\\" + name))) return std::nullopt;
    return test.ReadStationFile(page->LogFolder(), name);
  }

  SweepPage SweepPageOfSheet() {
    SweepPage sweepPage;
    sweepPage.install = [this](const std::string& scenario) { Install(scenario); };
    sweepPage.runPass = [this] { PressStartAndWait(); };
    sweepPage.report = [this](int port) { return Report(port); };
    sweepPage.resultText = [this](int port) { return page->ResultTextOfPort(port); };
    sweepPage.cellText = [this](int port) { return page->PortCell(port).GetWindowText(); };
    sweepPage.expectFailureRecorded = [this](int port, const std::string& tag, int state) {
      if (WritesResultsList()) {
        EXPECT_NE(ResultsListLine(port).find(",Fail," + tag + ","), std::string::npos) << ResultsListLine(port);
      }
      if (state == kPortFail) {
        EXPECT_NE(summary.find("\r\n" + tag + "=1\r\n"), std::string::npos) << summary;
      }
      ExpectSummaryCsvRows(tag);
    };
    sweepPage.expectPassRecorded = [this](int port) {
      if (!WritesResultsList()) return;
      const std::string line = ResultsListLine(port);
      EXPECT_TRUE(line.ends_with(",Pass")) << line;
    };
    sweepPage.blockInfoTags = [this](int port) { return BlockInfoTags(port); };
    sweepPage.failLogCopy = [this](int port) { return FailLogCopy(port); };
    return sweepPage;
  }
};

}  // namespace e2etest
