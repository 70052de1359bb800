#pragma once
// What the whole-pass benchmarks share: a copy of the template station as the process's
// station folder, a transport that measures the simulator's own share of every request, one
// production pass on the page, and the process's peak resident memory.
//
// The share: the simulator answers on the calling worker's thread, so the thread CPU time
// spent inside the simulated transport is the simulator's part of the pass; the rest of the
// process CPU time is the station's own (page, pool, tasks, engine, records).
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "device/DevicePaths.h"
#include "device/Transport.h"
#include "engine/firmware/FirmwareImage.h"
#include "engine/firmware/SampleImages.h"
#include "pages/production/ProductionPage.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "run/RunGlobals.h"
#include "sim/ScenarioLoader.h"
#include "sim/SimTransport.h"
#include "ui/Dispatcher.h"

namespace passbench {

namespace fs = std::filesystem;

// A copy of the template station in a temporary folder, with the sample firmware images, as the
// station folder of the process while it lives, set up as the named test station.
class BenchStation {
 public:
  BenchStation(const std::string& name, const std::string& testStation)
      : m_folder(fs::temp_directory_path() / (name + "_" + std::to_string(::getpid()))) {
    fs::remove_all(m_folder);
    fs::copy(fs::path(STATION_SOURCE_DIR) / "station", m_folder, fs::copy_options::recursive);
    platform::SetStationFolder(m_folder);
    platform::FlushProfileCache();
    WriteImage(engine::firmware::kSampleMpImagePath, false);
    WriteImage(engine::firmware::kSampleRdtImagePath, true);
    platform::WriteProfileString(".\\PC_MAC_Address.txt", "PC Info", "MAC_Address", "BENCH");
    platform::WriteProfileString(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "TestStation",
                                 testStation);
  }
  ~BenchStation() {
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
  }
  BenchStation(const BenchStation&) = delete;
  BenchStation& operator=(const BenchStation&) = delete;

 private:
  static void WriteImage(const char* path, bool rdt) {
    const auto image = engine::firmware::BuildFirmwareImage(engine::firmware::SampleImageContents(rdt));
    platform::WriteWholeFile(path, std::string(image.begin(), image.end()));
  }
  fs::path m_folder;
};

inline double PeakResidentMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

inline std::int64_t ThreadCpuNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The simulated station, with the thread CPU time its requests take added up.
class TimedSimTransport : public device::Transport {
 public:
  explicit TimedSimTransport(std::shared_ptr<sim::SimStation> station) : m_inner(std::move(station)) {}
  std::vector<device::TransportDisk> ListDisks() override { return m_inner.ListDisks(); }
  std::string DevicePathOfDrive(int driveNumber) override { return m_inner.DevicePathOfDrive(driveNumber); }
  device::PassThroughResult Execute(const std::string& devicePath, device::PassThroughRequest& request) override {
    const std::int64_t start = ThreadCpuNanoseconds();
    device::PassThroughResult result = m_inner.Execute(devicePath, request);
    m_nanoseconds += ThreadCpuNanoseconds() - start;
    ++m_requests;
    return result;
  }
  std::int64_t TakeNanoseconds() { return m_nanoseconds.exchange(0); }
  std::int64_t TakeRequests() { return m_requests.exchange(0); }

 private:
  sim::SimTransport m_inner;
  std::atomic<std::int64_t> m_nanoseconds{0};
  std::atomic<std::int64_t> m_requests{0};
};

inline std::int64_t ProcessCpuNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Production passes of the 24 drives of a scenario on the page, each drive expected to pass.
// Reported per pass: the station's and the simulator's CPU milliseconds and the simulator's
// requests; and the process's peak resident memory.
inline void RunPasses(benchmark::State& state, const std::string& benchName, const std::string& testStation,
                      const std::string& scenarioFile) {
  platform::SetTimeScale(0.0);
  BenchStation station(benchName, testStation);
  g_U2AMode = 0;
  sim::ScenarioResult scenario = sim::LoadScenario(scenarioFile);
  if (!scenario.station) {
    state.SkipWithError(scenario.error.c_str());
    return;
  }
  std::int64_t stationNs = 0;
  std::int64_t simulatorNs = 0;
  std::int64_t requests = 0;
  {
    ui::Dispatcher dispatcher;
    // The page's one-second timers run on a clock that moves on at every look.
    dispatcher.SetClock([clock = std::make_shared<std::atomic<std::uint64_t>>(0)] { return clock->fetch_add(100); });
    CProductionPage page;
    page.Create(nullptr);
    device::SetTransport(std::make_shared<sim::SimTransport>(scenario.station));
    dispatcher.PumpUntil([&] { return page.HasScanned(); });
    for (auto _ : state) {
      // Fresh drives for every pass: a pass programs them.
      state.PauseTiming();
      sim::ScenarioResult fresh = sim::LoadScenario(scenarioFile);
      auto timed = std::make_shared<TimedSimTransport>(fresh.station);
      device::SetTransport(timed);
      state.ResumeTiming();
      const std::int64_t cpuBefore = ProcessCpuNanoseconds();
      if (!page.StartRun()) {
        state.SkipWithError("the pass did not start");
        break;
      }
      dispatcher.PumpUntil([&] { return !page.IsRunning(); });
      const std::int64_t cpu = ProcessCpuNanoseconds() - cpuBefore;
      const std::int64_t simulator = timed->TakeNanoseconds();
      simulatorNs += simulator;
      stationNs += cpu - simulator;
      requests += timed->TakeRequests();
      for (int port = 1; port <= kPortCount; ++port) {
        if (PortStateOf(port) != kPortPass) state.SkipWithError("a drive did not pass");
      }
    }
    page.DestroyWindow();
  }
  device::SetTransport(nullptr);
  const double passes = static_cast<double>(state.iterations() == 0 ? 1 : state.iterations());
  state.counters["station_cpu_ms"] = static_cast<double>(stationNs) / 1e6 / passes;
  state.counters["simulator_cpu_ms"] = static_cast<double>(simulatorNs) / 1e6 / passes;
  state.counters["simulator_requests"] = static_cast<double>(requests) / passes;
  state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}

}  // namespace passbench
