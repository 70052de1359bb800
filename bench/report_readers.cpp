// The result pages' report readers on a 16 MB slot report of 200,000 bad-block lines, against
// `grep -c` over the same file in the same run. Each reader streams the file from the page
// cache into a view that counts what it is given; the "of_grep" counter is the reader's byte
// rate as a share of grep's (the goal is at least 0.5). One more run reads the scan report
// into the later-bad page's own list controls, to show what the page adds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
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

// Runs `grep -c` and returns the count it printed (-1 when it did not run).
long GrepCount(const std::string& path, const char* pattern) {
  const std::string command = std::string("grep -c '") + pattern + "' '" + path + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  long count = -1;
  if (std::fscanf(pipe, "%ld", &count) != 1) count = -1;
  return pclose(pipe) == 0 ? count : -1;
}

double SecondsOf(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// grep's byte rate on a file: the best of five runs of `grep -c <pattern> <file>`.
double GrepRate(const std::string& path, const char* pattern) {
  static std::map<std::string, double> rates;
  const std::string key = path + pattern;
  auto found = rates.find(key);
  if (found != rates.end()) return found->second;
  double best = 1e9;
  for (int run = 0; run < 5; ++run) best = std::min(best, SecondsOf([&] { GrepCount(path, pattern); }));
  return rates.emplace(key, FileBytes(path) / best).first->second;
}

void Finish(benchmark::State& state, const std::string& path, const char* pattern) {
  const double bytes = FileBytes(path);
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes) * state.iterations());
  // (bytes read / grep's rate) per second of the reader: the reader's rate over grep's.
  state.counters["of_grep"] = benchmark::Counter(bytes * static_cast<double>(state.iterations()) / GrepRate(path, pattern),
                                                 benchmark::Counter::kIsRate);
}

void BM_GrepCountScan(benchmark::State& state) {
  const std::string& path = ReportFile("scan");
  long count = 0;
  for (auto _ : state) count = GrepCount(path, "Bad Block_");
  if (count < 0) state.SkipWithError("grep did not run");
  state.counters["lines"] = static_cast<double>(count);
  state.SetBytesProcessed(static_cast<std::int64_t>(FileBytes(path)) * state.iterations());
}
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

void BM_GrepCountRdt(benchmark::State& state) {
  const std::string& path = ReportFile("rdt");
  long count = 0;
  for (auto _ : state) count = GrepCount(path, "fail");
  if (count < 0) state.SkipWithError("grep did not run");
  state.counters["lines"] = static_cast<double>(count);
  state.SetBytesProcessed(static_cast<std::int64_t>(FileBytes(path)) * state.iterations());
}
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
