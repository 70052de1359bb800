// Whole production passes at the EraseAll station: the production page on the template
// station's simulated drives, Start pressed, the UI thread pumping until every slot has its
// verdict. Time scale 0, so what is measured is the station's own work.
//  - BM_EraseAllPassOf24Drives: the process's and the station's own CPU time per pass against
//    the simulator's share of the same requests (replayed, PassBench.h), both ratios, the
//    platform waits per drive, the peak resident memory and the station folder's file system;
//  - BM_EraseAllPassScaling: passes of the first 1, 8 and 24 ports in one run, per drive, so
//    that a cost that grows with the number of drives shows;
//  - BM_EndOfPass: how long after the last slot's verdict the page ends a pass, and the gap
//    between the passes of a loop of two, from the last verdict of the first pass to the first
//    slot testing in the second.
#include "PassBench.h"

namespace {

namespace fs = std::filesystem;

void BM_EraseAllPassOf24Drives(benchmark::State& state) {
  passbench::RunPasses(state, "erase_pass", "EraseAll", "Default.ini");
}
BENCHMARK(BM_EraseAllPassOf24Drives)->Unit(benchmark::kMillisecond)->UseManualTime();

// Passes of the first 1, 8 and 24 ports, in turn, in one run: the station's and the
// simulator's CPU time per drive for each, the station's time per drive added from 8 to 24
// drives (what a pass costs beyond its fixed part), and the platform waits per drive.
void BM_EraseAllPassScaling(benchmark::State& state) {
  platform::SetTimeScale(0.0);
  passbench::BenchStation station("erase_scaling", "EraseAll");
  g_U2AMode = 0;
  constexpr std::array<int, 3> kDrives = {1, 8, 24};
  std::array<passbench::PassCost, 3> totals{};
  std::int64_t rounds = 0;
  {
    passbench::PassHarness harness("Default.ini", kPortCount);
    const passbench::RequestFiles requestFiles(
        (fs::temp_directory_path() / ("erase_scaling_" + std::to_string(::getpid()) + ".requests")).string());
    for (auto _ : state) {
      double wallMs = 0;
      for (std::size_t i = 0; i < kDrives.size(); ++i) {
        harness.SelectPorts(kDrives[i]);
        passbench::PassCost cost;
        std::string error;
        if (!passbench::MeasurePass(harness, requestFiles.Prefix(), kDrives[i], cost, error)) {
          state.SkipWithError(error.c_str());
          return;
        }
        totals[i].stationMs += cost.stationMs;
        totals[i].simulatorMs += cost.simulatorMs;
        totals[i].waits.lockWaits += cost.waits.lockWaits;
        totals[i].waits.wakeUps += cost.waits.wakeUps;
        wallMs += cost.wallMs;
      }
      state.SetIterationTime(wallMs / 1000.0);
      ++rounds;
    }
  }
  const double n = static_cast<double>(rounds == 0 ? 1 : rounds);
  for (std::size_t i = 0; i < kDrives.size(); ++i) {
    const double drives = kDrives[i] * n;
    const std::string suffix = "_" + std::to_string(kDrives[i]);
    state.counters["station_us_per_drive" + suffix] = totals[i].stationMs * 1000.0 / drives;
    state.counters["simulator_us_per_drive" + suffix] = totals[i].simulatorMs * 1000.0 / drives;
    state.counters["wait_wakeups_per_drive" + suffix] = static_cast<double>(totals[i].waits.wakeUps) / drives;
    state.counters["wait_lock_waits_per_drive" + suffix] = static_cast<double>(totals[i].waits.lockWaits) / drives;
  }
  state.counters["station_us_per_added_drive_8_to_24"] =
      (totals[2].stationMs - totals[1].stationMs) * 1000.0 / (16.0 * n);
  passbench::LabelWithFileSystem(state, station.Folder());
}
BENCHMARK(BM_EraseAllPassScaling)->Unit(benchmark::kMillisecond)->UseManualTime();

// Watches the ports from its own thread, sampling their states as fast as it gets the
// processor. It notes the last moment it saw a port still testing (the last verdict of a pass
// came after it), and the gap between two passes: from the first moment it saw every port
// settled (holding a verdict, after it had seen a port without one) to the first moment after
// that it saw a port testing again. Both ends of the gap are seen one sampling round late at
// most, so the gap is as exact as the sampling.
class PortWatch {
 public:
  explicit PortWatch(int ports) : m_ports(ports), m_thread([this] { Watch(); }) {}
  ~PortWatch() {
    m_stop = true;
    m_thread.join();
  }
  // Returns once the watch is looking (so that it is before the pass starts).
  void WaitUntilWatching() const {
    while (!m_watching.load()) std::this_thread::yield();
  }
  // 0 when the watch never saw a slot testing (a short pass it got no processor during).
  std::int64_t LastSeenTesting() const { return m_lastTesting.load(); }
  // 0 when the watch did not see both ends of a gap (it got no processor in between).
  std::int64_t GapBetweenPasses() const { return m_gap.load(); }

 private:
  void Watch() {
    m_watching = true;
    bool seenUnsettled = false;
    std::int64_t settledSince = 0;
    while (!m_stop) {
      bool testing = false;
      bool settled = true;
      for (int port = 1; port <= m_ports; ++port) {
        const int portState = PortStateOf(port);
        testing = testing || portState == kPortTesting;
        settled = settled && portState != kPortTesting && portState != kPortIdle;
      }
      const std::int64_t now = passbench::WallNanoseconds();
      if (testing) m_lastTesting = now;
      seenUnsettled = seenUnsettled || !settled;
      if (settled && seenUnsettled && settledSince == 0) settledSince = now;
      if (testing && settledSince != 0 && m_gap.load() == 0) m_gap = now - settledSince;
      std::this_thread::yield();
    }
  }
  const int m_ports;
  std::atomic<std::int64_t> m_lastTesting{0};
  std::atomic<std::int64_t> m_gap{0};
  std::atomic<bool> m_watching{false};
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

// A pass, or the loop of passes that LoopCount asks for, on fresh drives under a port watch:
// the wall times of its start and end and what the watch saw.
struct WatchedRun {
  std::int64_t start = 0;
  std::int64_t end = 0;
  std::int64_t lastTesting = 0;
  std::int64_t gap = 0;
};

// false when the pass did not start.
bool RunWatched(passbench::PassHarness& harness, WatchedRun& run) {
  PortWatch watch(kPortCount);
  watch.WaitUntilWatching();
  run.start = passbench::WallNanoseconds();
  if (!harness.RunPass(std::make_shared<passbench::CountingTransport>(harness.FreshStation()))) return false;
  run.end = passbench::WallNanoseconds();
  run.lastTesting = watch.LastSeenTesting();
  run.gap = watch.GapBetweenPasses();
  return true;
}

// A pass, then a loop of two passes, on the same drives, each watched. Reported: how long
// after the last slot's verdict the page ended the pass (at most: counted from the last moment
// a slot was seen testing), and the gap between the two passes of the loop (from the last
// verdict of the first to the first slot testing in the second). A pass during which the
// watch got no processor to see a slot testing (24 slots on fewer processors finish a pass in a
// few milliseconds), or a loop whose gap it did not see, has nothing to count: such rounds are
// counted apart.
void BM_EndOfPass(benchmark::State& state) {
  platform::SetTimeScale(0.0);
  passbench::BenchStation station("end_of_pass", "EraseAll");
  g_U2AMode = 0;
  double endLatencyMs = 0;
  double gapMs = 0;
  double singleMs = 0;
  double loopMs = 0;
  int rounds = 0;
  int sampledRounds = 0;
  int gapRounds = 0;
  {
    passbench::PassHarness harness("Default.ini", kPortCount);
    for (auto _ : state) {
      platform::WriteProfileString(".\\param.ini", "Options", "LoopCount", "1");
      WatchedRun single;
      if (!RunWatched(harness, single)) {
        state.SkipWithError("the pass did not start");
        break;
      }
      platform::WriteProfileString(".\\param.ini", "Options", "LoopCount", "2");
      const int passesBefore = harness.Page().PassesStarted();
      // The loop starts from ports without a verdict, so that the watch tells the verdicts of
      // its first pass from those of the pass before.
      ResetPortStates();
      WatchedRun loop;
      if (!RunWatched(harness, loop)) {
        state.SkipWithError("the loop did not start");
        break;
      }
      if (harness.Page().PassesStarted() != passesBefore + 2) {
        state.SkipWithError("the loop did not run two passes");
        break;
      }
      if (single.lastTesting != 0) {
        endLatencyMs += static_cast<double>(single.end - single.lastTesting) / 1e6;
        ++sampledRounds;
      }
      if (loop.gap != 0) {
        gapMs += static_cast<double>(loop.gap) / 1e6;
        ++gapRounds;
      }
      singleMs += static_cast<double>(single.end - single.start) / 1e6;
      loopMs += static_cast<double>(loop.end - loop.start) / 1e6;
      state.SetIterationTime(static_cast<double>(loop.end - single.start) / 1e9);
      ++rounds;
    }
  }
  const double n = rounds == 0 ? 1 : rounds;
  state.counters["end_after_last_verdict_ms"] = endLatencyMs / (sampledRounds == 0 ? 1 : sampledRounds);
  state.counters["passes_without_a_slot_seen_testing"] = rounds - sampledRounds;
  state.counters["pass_ms"] = singleMs / n;
  state.counters["loop_of_two_passes_ms"] = loopMs / n;
  state.counters["between_passes_of_a_loop_ms"] = gapMs / (gapRounds == 0 ? 1 : gapRounds);
  state.counters["loops_whose_gap_was_not_seen"] = rounds - gapRounds;
}
BENCHMARK(BM_EndOfPass)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
