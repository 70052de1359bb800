// Whole production passes at the EraseAll station: the production page on the template
// station's simulated drives, Start pressed, the UI thread pumping until every slot has its
// verdict. Time scale 0, so what is measured is the station's own work.
//  - BM_EraseAllPassOf24Drives: the station's CPU time per pass against the simulator's own
//    share of the same requests (replayed, PassBench.h), their ratio, the platform waits per
//    drive and the peak resident memory;
//  - BM_EraseAllPassScaling: passes of the first 1, 8 and 24 ports in one run, per drive, so
//    that a cost that grows with the number of drives shows;
//  - BM_EndOfPass: how long after the last slot's verdict the page ends a pass, and the time
//    between the passes of a loop of two.
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
}
BENCHMARK(BM_EraseAllPassScaling)->Unit(benchmark::kMillisecond)->UseManualTime();

// Watches the ports of a pass from its own thread and notes the last moment it saw a port
// still testing: the last verdict came after it.
class VerdictWatch {
 public:
  explicit VerdictWatch(int drives) : m_drives(drives), m_thread([this] { Watch(); }) {}
  ~VerdictWatch() {
    m_stop = true;
    m_thread.join();
  }
  // Returns once the watch is looking (so that it is before the pass starts).
  void WaitUntilWatching() const {
    while (!m_watching.load()) std::this_thread::yield();
  }
  // 0 when the watch never saw a slot testing (a short pass it got no processor during).
  std::int64_t LastSeenTesting() const { return m_lastTesting.load(); }

 private:
  void Watch() {
    m_watching = true;
    while (!m_stop) {
      for (int port = 1; port <= m_drives; ++port) {
        if (PortStateOf(port) == kPortTesting) {
          m_lastTesting = passbench::WallNanoseconds();
          break;
        }
      }
      std::this_thread::yield();
    }
  }
  const int m_drives;
  std::atomic<std::int64_t> m_lastTesting{0};
  std::atomic<bool> m_watching{false};
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

// A pass, then a loop of two passes, on the same drives. Reported: how long after the last
// slot's verdict the page ended the pass (at most: counted from the last moment a slot was
// seen testing), and how much longer the loop of two took than two single passes (the time
// between its passes). A pass during which the watch got no processor to see a slot testing
// (24 slots on fewer processors finish a pass in a few milliseconds) has no latency to count:
// such passes are counted apart.
void BM_EndOfPass(benchmark::State& state) {
  platform::SetTimeScale(0.0);
  passbench::BenchStation station("end_of_pass", "EraseAll");
  g_U2AMode = 0;
  double endLatencyMs = 0;
  double singleMs = 0;
  double loopMs = 0;
  int rounds = 0;
  int sampledRounds = 0;
  {
    passbench::PassHarness harness("Default.ini", kPortCount);
    for (auto _ : state) {
      platform::WriteProfileString(".\\param.ini", "Options", "LoopCount", "1");
      std::int64_t start = 0;
      std::int64_t end = 0;
      std::int64_t lastTesting = 0;
      {
        VerdictWatch watch(kPortCount);
        watch.WaitUntilWatching();
        start = passbench::WallNanoseconds();
        if (!harness.RunPass(std::make_shared<passbench::CountingTransport>(harness.FreshStation()))) {
          state.SkipWithError("the pass did not start");
          break;
        }
        end = passbench::WallNanoseconds();
        lastTesting = watch.LastSeenTesting();
      }
      platform::WriteProfileString(".\\param.ini", "Options", "LoopCount", "2");
      const int passesBefore = harness.Page().PassesStarted();
      const std::int64_t loopStart = passbench::WallNanoseconds();
      if (!harness.RunPass(std::make_shared<passbench::CountingTransport>(harness.FreshStation()))) {
        state.SkipWithError("the loop did not start");
        break;
      }
      const std::int64_t loopEnd = passbench::WallNanoseconds();
      if (harness.Page().PassesStarted() != passesBefore + 2) {
        state.SkipWithError("the loop did not run two passes");
        break;
      }
      if (lastTesting != 0) {
        endLatencyMs += static_cast<double>(end - lastTesting) / 1e6;
        ++sampledRounds;
      }
      singleMs += static_cast<double>(end - start) / 1e6;
      loopMs += static_cast<double>(loopEnd - loopStart) / 1e6;
      state.SetIterationTime(static_cast<double>(loopEnd - start) / 1e9);
      ++rounds;
    }
  }
  const double n = rounds == 0 ? 1 : rounds;
  state.counters["end_after_last_verdict_ms"] = endLatencyMs / (sampledRounds == 0 ? 1 : sampledRounds);
  state.counters["passes_without_a_slot_seen_testing"] = rounds - sampledRounds;
  state.counters["pass_ms"] = singleMs / n;
  state.counters["loop_of_two_passes_ms"] = loopMs / n;
  state.counters["between_passes_of_a_loop_ms"] = (loopMs - 2 * singleMs) / n;
}
BENCHMARK(BM_EndOfPass)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
