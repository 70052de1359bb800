// The result pages' report readers on a 16 MB slot report of 200,000 bad-block lines, against
// `grep -c` over the same file in the same run. Each reader streams the file from the page
// cache into a view that counts what it is given; the "of_grep" counter is the reader's byte
// rate as a share of grep's (the goal is at least 0.5). grep is timed the way the readers are:
// its own benchmark, the mean wall time of its runs, each run started directly (no shell) and
// counted until grep has ended; its mean is what the readers that follow are held against. One
// more run reads the scan report into the later-bad page's own list controls, to show what the
// page adds.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "pages/results/BlockMapReaders.h"
#include "pages/results/RdtReportReader.h"
#include "pages/results/ResultControls.h"
#include "pages/results/ScanReportReader.h"
#include "platform/Text.h"

namespace {

constexpr int kBadBlockLines = 200000;

// Counts what a reader hands to the page.
class CountingView final : public CResultView {
 public:
  void ClearReportLines() override {}
  void AddReportLine(std::string_view) override { ++lines; }
  void SelectLastReportLine() override {}
  void DebugLine(std::string_view) override {}
  void ClearRows(ResultList) override {}
  int InsertRow(ResultList, int row, std::span<const std::string_view>) override {
    ++rows;
    return row;
  }
  void SetCell(ResultList, int, int, std::string_view) override {}
  void SetBox(ResultBox, std::string_view) override {}
  long lines = 0;
  long rows = 0;
};

class CountingGrid final : public CBlockGridView {
 public:
  void SetUpGrids() override {}
  void ShowLegend(BlockMapLegend) override {}
  int FillBlockGrid(int, long long blocks) override { return static_cast<int>(blocks / 16 + 1); }
  void ColourCell(int, int, int, ui::COLORREF) override {}
  void MarkCell(int, int, int, const BlockCellMark&) override { ++marks; }
  long marks = 0;
};

std::string Framed(const std::string& text) { return "   " + text + " \r\n"; }

// A scan report of a drive with 16 CEs on two channels, two dies and two planes.
std::string ScanReport() {
  static const char* const kKinds[] = {"Erase Bad-RDT", "Program Bad-RDT", "Read Bad-RDT", "", "Erase-OLB",
                                       "Erase Bad-Run", "Program Bad-Run", "Read Bad-Run", "Raid Read Bad-Run"};
  std::string text;
  for (const char* line : {"Die Per Flash= 2;", "Plane Number = 2;", "Max Block Per CE= 4096; ",
                           "Get Max Bad block number Percent= 4 "}) {
    text += Framed(line);
  }
  for (int i = 0; i < kBadBlockLines; ++i) {
    const int ce = i % 16;
    const int block = (i * 7) % 8192;
    const bool early = i % 3 != 0;
    const char* kind = kKinds[i % 9];
    text += Framed(platform::Format("     Channel:%d,CE:%d,Die:%d,Plane:%d;    %s Bad Block_%d (0x%04x)%s", ce / 8, ce,
                                    block / 4096, block % 2, early ? "Early" : "Later", block, block, kind));
  }
  return text;
}

// An RDT report whose bad-block log lists 200,000 blocks.
std::string RdtReport() {
  static const char* const kTypes[] = {"Factory bad block", "Erase fail", "Program fail(SLC Mode)",
                                       "Read uncorrectable fail", "Read correctable bit over threshold",
                                       "Read data compare fail", "Trigger command time out"};
  std::string text = Framed("Temperature_Time Log:");
  for (const char* line : {"Die Per Flash    = 2;", "Plane Number     = 2;", "Max Block Per CE = 4096; ",
                           "Bad Block Log:",
                           "Fail Type,CE,Channel,plane,Physical block address,page number,Total Loop,Run Loop,"
                           "Run Cycle,Step number,Stage number,Over threshold correctable bit,Time Stamp"}) {
    text += Framed(line);
  }
  for (int i = 0; i < kBadBlockLines; ++i) {
    const int type = i % 7;
    const int block = (i * 7) % 8192;
    text += Framed(platform::Format("%s,%d,%d,%d,0x%x,%d,%d,%d,%d,%d,%s,%d,%d", kTypes[type], i % 16, i / 16 % 2,
                                    block % 2, block, i % 384, 12, i % 8, i % 4, 1 + i % 6,
                                    type == 0 ? "NA" : "Post Read", 10 + i % 90, 1000000 + i));
  }
  text += Framed("[total] CE_0, CH_0: All Bad = 9, OB = 4, RB = 5(SLCEB:0/SLCPB:1/SLCRB:0/E:1/P:1/R:2/un:0)");
  return text;
}

// The report files, written once.
const std::string& ReportFile(const std::string& name) {
  static std::map<std::string, std::string> files;
  auto found = files.find(name);
  if (found != files.end()) return found->second;
  const std::filesystem::path path = std::filesystem::temp_directory_path() / ("report_readers_" + name + ".txt");
  std::ofstream(path, std::ios::binary) << (name == "scan" ? ScanReport() : RdtReport());
  return files.emplace(name, path.string()).first->second;
}

double FileBytes(const std::string& path) { return static_cast<double>(std::filesystem::file_size(path)); }

extern "C" char** environ;

// Runs `grep -c <pattern> <file>` as a program of its own (no shell in between) and returns the
// count it printed once it has ended; -1 when it did not run or failed.
long GrepCount(const std::string& path, const char* pattern) {
  int output[2];
  if (pipe(output) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, output[0]);
  posix_spawn_file_actions_addclose(&actions, output[1]);
  std::string arguments[] = {"grep", "-c", pattern, path};
  char* argv[] = {arguments[0].data(), arguments[1].data(), arguments[2].data(), arguments[3].data(), nullptr};
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, "grep", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(output[1]);
  std::string printed;
  char piece[64];
  for (ssize_t got; spawned == 0 && (got = read(output[0], piece, sizeof piece)) > 0;) {
    printed.append(piece, static_cast<std::size_t>(got));
  }
  close(output[0]);
  if (spawned != 0) return -1;
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return std::strtol(printed.c_str(), nullptr, 10);
}

// grep's mean wall seconds per run on a file and pattern, as its benchmark measured them.
std::map<std::string, double>& GrepSeconds() {
  static std::map<std::string, double> seconds;
  return seconds;
}

// grep's benchmark: runs timed as the readers' are, their mean kept for the readers.
void TimeGrep(benchmark::State& state, const std::string& path, const char* pattern) {
  long count = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) count = GrepCount(path, pattern);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (count < 0) {
    state.SkipWithError("grep did not run");
    return;
  }
  GrepSeconds()[path + pattern] = seconds / static_cast<double>(state.iterations());
  state.counters["lines"] = static_cast<double>(count);
  state.SetBytesProcessed(static_cast<std::int64_t>(FileBytes(path)) * state.iterations());
}

void Finish(benchmark::State& state, const std::string& path, const char* pattern) {
  state.SetBytesProcessed(static_cast<std::int64_t>(FileBytes(path)) * state.iterations());
  const auto grep = GrepSeconds().find(path + pattern);
  if (grep == GrepSeconds().end()) {
    state.SetLabel("of_grep needs grep's benchmark of the same file in the run");
    return;
  }
  // grep's mean seconds per run, per second of the reader: the reader's rate over grep's.
  state.counters["of_grep"] =
      benchmark::Counter(grep->second * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_GrepCountScan(benchmark::State& state) { TimeGrep(state, ReportFile("scan"), "Bad Block_"); }
BENCHMARK(BM_GrepCountScan)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ParseScanReport(benchmark::State& state) {
  const std::string& path = ReportFile("scan");
  for (auto _ : state) {
    CountingView view;
    ParseScanReport(path, view);
    benchmark::DoNotOptimize(view.rows);
  }
  Finish(state, path, "Bad Block_");
}
BENCHMARK(BM_ParseScanReport)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ParseScanBlockReport(benchmark::State& state) {
  const std::string& path = ReportFile("scan");
  for (auto _ : state) {
    CountingGrid grid;
    ParseScanBlockReport(path, grid);
    benchmark::DoNotOptimize(grid.marks);
  }
  Finish(state, path, "Bad Block_");
}
BENCHMARK(BM_ParseScanBlockReport)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GrepCountRdt(benchmark::State& state) { TimeGrep(state, ReportFile("rdt"), "fail"); }
BENCHMARK(BM_GrepCountRdt)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ParseRdtReport(benchmark::State& state) {
  const std::string& path = ReportFile("rdt");
  for (auto _ : state) {
    CountingView view;
    std::vector<std::string> summary;
    ParseRdtReport(path, view, 0, RdtReading::LaterBadPage, &summary);
    benchmark::DoNotOptimize(view.rows);
  }
  Finish(state, path, "fail");
}
BENCHMARK(BM_ParseRdtReport)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ParseRdtBlockReport(benchmark::State& state) {
  const std::string& path = ReportFile("rdt");
  for (auto _ : state) {
    CountingGrid grid;
    ParseRdtBlockReport(path, grid);
    benchmark::DoNotOptimize(grid.marks);
  }
  Finish(state, path, "fail");
}
BENCHMARK(BM_ParseRdtBlockReport)->Unit(benchmark::kMillisecond)->UseRealTime();

// The scan report into list controls and a list box like the page's.
void BM_ParseScanReportIntoPageControls(benchmark::State& state) {
  const std::string& path = ReportFile("scan");
  for (auto _ : state) {
    ui::CListBox lines;
    std::array<ui::CListCtrl, kResultListCount> lists;
    CResultControls view;
    view.BindReportLines(&lines);
    for (int role = 0; role < kResultListCount; ++role) {
      for (int column = 0; column < 9; ++column) lists[static_cast<std::size_t>(role)].InsertColumn(column, "c");
      view.BindList(static_cast<ResultList>(role), &lists[static_cast<std::size_t>(role)]);
    }
    ParseScanReport(path, view);
    benchmark::DoNotOptimize(lines.GetCount());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(FileBytes(path)) * state.iterations());
}
BENCHMARK(BM_ParseScanReportIntoPageControls)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
