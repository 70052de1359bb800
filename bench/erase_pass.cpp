// Whole production passes at the EraseAll station: the production page on the template
// station's simulated drives, Start pressed, the UI thread pumping until every slot has its
// verdict. Time scale 0, so what is measured is the station's own work.
//  - BM_EraseAllPassOf24Drives: the station's CPU time per pass against the simulator's own
//    share of the same requests (replayed, PassBench.h), their ratio, the platform waits per
//    drive and the peak resident memory;
//  - BM_EraseAllPassScaling: passes of the first 1, 8 and 24 ports in one run, per drive, so
//    that a cost that grows with the number of drives shows;
//  - BM_EndOfPass: how long after the last slot's verdict the page ends a pass, and how long
//    after it the next pass of a loop of two sends its first request.
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
    const std::string logFile =
        (fs::temp_directory_path() / ("erase_scaling_" + std::to_string(::getpid()) + ".requests")).string();
    for (auto _ : state) {
      double wallMs = 0;
      for (std::size_t i = 0; i < kDrives.size(); ++i) {
        harness.SelectPorts(kDrives[i]);
        passbench::PassCost cost;
        std::string error;
        if (!passbench::MeasurePass(harness, logFile, kDrives[i], cost, error)) {
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

// Watches the ports of a pass from its own thread (every half millisecond) and notes when the
// last of them got its verdict; the transport notes the first request after a verdict.
class VerdictWatch {
 public:
  explicit VerdictWatch(int drives) : m_drives(drives), m_thread([this] { Watch(); }) {}
  ~VerdictWatch() {
    m_stop = true;
    m_thread.join();
  }
  std::int64_t VerdictAt(int pass) const { return m_verdicts[static_cast<std::size_t>(pass)].load(); }
  int Verdicts() const { return m_count.load(); }

 private:
  void Watch() {
    bool inPass = false;
    while (!m_stop) {
      bool testing = false;
      bool allJudged = true;
      for (int port = 1; port <= m_drives; ++port) {
        const int portState = PortStateOf(port);
        testing = testing || portState == kPortTesting;
        allJudged = allJudged && (portState == kPortPass || portState == kPortFail);
      }
      if (testing) inPass = true;
      if (inPass && !testing && allJudged && m_count < 2) {
        m_verdicts[static_cast<std::size_t>(m_count.load())] = passbench::WallNanoseconds();
        ++m_count;
        inPass = false;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  }
  const int m_drives;
  std::array<std::atomic<std::int64_t>, 2> m_verdicts{};
  std::atomic<int> m_count{0};
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

class FirstRequestAfterVerdict : public passbench::CountingTransport {
 public:
  FirstRequestAfterVerdict(std::shared_ptr<sim::SimStation> station, const VerdictWatch& watch)
      : CountingTransport(std::move(station)), m_watch(watch) {}
  device::PassThroughResult Execute(const std::string& devicePath, device::PassThroughRequest& request) override {
    if (m_watch.Verdicts() == 1 && m_firstAfter.load() == 0) {
      std::int64_t none = 0;
      m_firstAfter.compare_exchange_strong(none, passbench::WallNanoseconds());
    }
    return CountingTransport::Execute(devicePath, request);
  }
  std::int64_t FirstAfter() const { return m_firstAfter.load(); }

 private:
  const VerdictWatch& m_watch;
  std::atomic<std::int64_t> m_firstAfter{0};
};

void BM_EndOfPass(benchmark::State& state) {
  platform::SetTimeScale(0.0);
  passbench::BenchStation station("end_of_pass", "EraseAll");
  platform::WriteProfileString(".\\param.ini", "Options", "LoopCount", "2");
  g_U2AMode = 0;
  double endLatencyMs = 0;
  double nextPassMs = 0;
  double loopMs = 0;
  int loops = 0;
  {
    passbench::PassHarness harness("Default.ini", kPortCount);
    for (auto _ : state) {
      // The drives must stay in their slots for the second pass: one station for both.
      VerdictWatch watch(kPortCount);
      auto transport = std::make_shared<FirstRequestAfterVerdict>(harness.FreshStation(), watch);
      const std::int64_t start = passbench::WallNanoseconds();
      if (!harness.RunPass(transport)) {
        state.SkipWithError("the loop did not start");
        break;
      }
      const std::int64_t end = passbench::WallNanoseconds();
      if (watch.Verdicts() != 2 || transport->FirstAfter() == 0) {
        state.SkipWithError("the loop did not run two passes");
        break;
      }
      endLatencyMs += static_cast<double>(end - watch.VerdictAt(1)) / 1e6;
      nextPassMs += static_cast<double>(transport->FirstAfter() - watch.VerdictAt(0)) / 1e6;
      loopMs += static_cast<double>(end - start) / 1e6;
      state.SetIterationTime(static_cast<double>(end - start) / 1e9);
      ++loops;
    }
  }
  const double n = loops == 0 ? 1 : loops;
  state.counters["end_after_last_verdict_ms"] = endLatencyMs / n;
  state.counters["next_pass_after_last_verdict_ms"] = nextPassMs / n;
  state.counters["loop_of_two_passes_ms"] = loopMs / n;
}
BENCHMARK(BM_EndOfPass)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
