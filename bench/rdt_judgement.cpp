// Judging the largest RDT logs a drive can send (65,536 sectors, 32 MB each): the bad-block
// log with its statistics and the per-plane judgement, and the four sections of the
// special-test log with their later-bad tables. Every entry is a counted bad block, so every
// entry formats its rows (an output that takes every row and counts its bytes). Reported:
// the log bytes judged per second against what a SATA drive hands over (550 MB/s).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "device/records/RdtLogs.h"
#include "engine/BlockInfoRecord.h"
#include "engine/rdtlog/BadBlockJudgement.h"
#include "engine/rdtlog/BadBlockLog.h"
#include "engine/rdtlog/BadBlockStatistics.h"
#include "engine/rdtlog/SpecialTestLog.h"

namespace {

constexpr std::size_t kLargestLogBytes = 65536u * 512u;
constexpr double kSataBytesPerSecond = 550e6;

// Takes every row and line and counts their bytes.
class CountingOutput final : public RdtOutput {
 public:
  void ReportLine(const std::string& text) override { bytes += text.size(); }
  void TempReportLine(const std::string& text) override { bytes += text.size(); }
  void CsvLine(RdtCsv, const std::string& line) override { bytes += line.size(); }
  std::size_t bytes = 0;
};

// Log bytes per second and their share of what a SATA drive hands over.
void ReportRate(benchmark::State& state, std::size_t logBytes, std::int64_t nanoseconds) {
  const double seconds = static_cast<double>(nanoseconds) / 1e9;
  const double rate = seconds > 0 ? static_cast<double>(logBytes) * static_cast<double>(state.iterations()) / seconds : 0;
  state.counters["log_MB_per_s"] = rate / 1e6;
  state.counters["of_sata_rate"] = rate / kSataBytesPerSecond;
}

std::int64_t Nanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A bad-block log filled with entries of every kind over 16 CEs, 4 channels and 2 planes.
std::vector<std::uint8_t> LargestBadBlockLog() {
  std::vector<std::uint8_t> log(kLargestLogBytes, 0);
  const std::size_t entries = log.size() / sizeof(RdtBadBlockLogEntry) - 1;
  for (std::size_t i = 0; i < entries; ++i) {
    RdtBadBlockLogEntry entry;
    std::memset(&entry, 0, sizeof(entry));
    entry.failType = static_cast<std::uint8_t>(1 + i % 8);
    entry.ce = static_cast<std::uint8_t>(i % 16);
    entry.channel = static_cast<std::uint8_t>(i / 16 % 4);
    entry.totalLoop = 8;
    entry.block.Set(i % 2048);
    entry.page.Set(i % 256);
    entry.runLoop = 1;
    entry.stepAndStage = 0x12;
    entry.overThresholdBits.Set(i % 120);
    entry.timeStamp.Set(i);
    entry.slcMode = i % 5 == 0 ? 1 : 0;
    entry.plane = static_cast<std::uint8_t>(i % 2);
    std::memcpy(log.data() + i * sizeof(entry), &entry, sizeof(entry));
  }
  std::memcpy(log.data() + entries * sizeof(RdtBadBlockLogEntry), kLogEndMark, sizeof(kLogEndMark));
  return log;
}

// A special-test log of TLC and SLC special-test and baking-test entries.
std::vector<std::uint8_t> LargestSpecialLog() {
  static constexpr std::uint8_t kKinds[] = {kSpecialKindTlc, kSpecialKindSlc, kSpecialKindBaking};
  std::vector<std::uint8_t> log(kLargestLogBytes, 0);
  const std::size_t entries = log.size() / sizeof(RdtSpecialLogEntry) - 1;
  for (std::size_t i = 0; i < entries; ++i) {
    RdtSpecialLogEntry entry;
    std::memset(&entry, 0, sizeof(entry));
    entry.failureType = static_cast<std::uint8_t>(i % 10);
    entry.ce = static_cast<std::uint8_t>(i % 32);
    entry.channel = static_cast<std::uint8_t>(i / 32 % 4);
    entry.plane = static_cast<std::uint8_t>(i % 4);
    entry.block.Set(i % 4096);
    entry.page.Set(i % 512);
    entry.temperature = static_cast<std::int8_t>(i % 90);
    entry.cellMode = static_cast<std::uint8_t>(i / 3 % 2);
    entry.rawBitErrors.Set(i % 64);
    entry.logKind = kKinds[i % 3];
    entry.maxProgramTimeUs.Set(1000 + i % 3000);
    entry.cycle.Set(i % 1200);
    std::memcpy(log.data() + i * sizeof(entry), &entry, sizeof(entry));
  }
  std::memcpy(log.data() + entries * sizeof(RdtSpecialLogEntry), kSpecialEndMarker, sizeof(kSpecialEndMarker));
  return log;
}

void JudgeLargestBadBlockLog(benchmark::State& state) {
  const std::vector<std::uint8_t> log = LargestBadBlockLog();
  CountingOutput out;
  auto record = std::make_unique<BlockInfoRecord>();
  const std::int64_t start = Nanoseconds();
  for (auto _ : state) {
    auto tallies = std::make_unique<RdtBadBlockTallies>();
    BadBlockWalkSettings settings;
    settings.programToRead = true;
    settings.pageBytes = 16384;
    settings.planes = 2;
    BadBlockWalkResult result;
    WalkBadBlockLog(log, settings, *tallies, result, out);
    WriteEccStatistics(std::move(result.eccValues), 5, out);
    WriteLateBadDistribution(result.lateBadAddresses, 2048, 100, out);
    record->Clear();
    BadBlockJudgementInputs inputs;
    inputs.tallies = tallies.get();
    inputs.maxAllBad = 100;
    inputs.maxBadPerPlane = 50;
    inputs.geometry.blocksPerCe = 2048;
    inputs.geometry.diesPerCe = 1;
    inputs.geometry.planes = 2;
    inputs.ceMap = 0xFFFF;
    inputs.blockInfo = record.get();
    benchmark::DoNotOptimize(JudgeRdtBadBlocks(inputs, out));
  }
  ReportRate(state, log.size(), Nanoseconds() - start);
  state.counters["row_bytes_per_log"] = static_cast<double>(out.bytes) / static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(log.size()));
}
BENCHMARK(JudgeLargestBadBlockLog)->Unit(benchmark::kMillisecond);

void JudgeLargestSpecialTestLog(benchmark::State& state) {
  const std::vector<std::uint8_t> log = LargestSpecialLog();
  CountingOutput out;
  const std::int64_t start = Nanoseconds();
  for (auto _ : state) {
    SpecialTestTallies tallies;
    tallies.hits.reserve(kMaxEccCriteriaHits);
    std::size_t rowBytes = 0;
    for (const SpecialSection section : {SpecialSection::TlcSpecial, SpecialSection::SlcSpecial,
                                         SpecialSection::TlcBaking, SpecialSection::SlcBaking}) {
      WalkSpecialSection(log, section, tallies, [&rowBytes](const std::string& row) { rowBytes += row.size(); });
    }
    // No flash map is configured where the benchmark runs: the labels stay empty.
    CFailingFlashList special;
    CFailingFlashList baking;
    benchmark::DoNotOptimize(CheckLaterBadTable(tallies.specialLaterBad, 1000000, "STL", special, out));
    benchmark::DoNotOptimize(CheckLaterBadTable(tallies.bakingLaterBad, 1000000, "BTL", baking, out));
    benchmark::DoNotOptimize(SpecialLogHasBlankEntry(log));
    benchmark::DoNotOptimize(rowBytes);
  }
  ReportRate(state, log.size(), Nanoseconds() - start);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(log.size()));
}
BENCHMARK(JudgeLargestSpecialTestLog)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
