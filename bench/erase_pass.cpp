// A whole production pass at the EraseAll station: the production page on the template
// station's 24 simulated drives, Start pressed, the UI thread pumping until every slot has its
// verdict. Time scale 0, so what is measured is the station's own work: the page, the pool, the
// tasks, the engine and the simulator. Reported: wall and process CPU time per pass, and the
// process's peak resident memory, so that a change that slows a pass down or makes it grow
// shows against these numbers.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

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

namespace {

namespace fs = std::filesystem;

// A copy of the template station in a temporary folder, with the sample firmware images, as the
// station folder of the process while it lives.
class BenchStation {
 public:
  BenchStation() : m_folder(fs::temp_directory_path() / ("erase_pass_" + std::to_string(::getpid()))) {
    fs::remove_all(m_folder);
    fs::copy(fs::path(STATION_SOURCE_DIR) / "station", m_folder, fs::copy_options::recursive);
    platform::SetStationFolder(m_folder);
    platform::FlushProfileCache();
    WriteImage(engine::firmware::kSampleMpImagePath, false);
    WriteImage(engine::firmware::kSampleRdtImagePath, true);
    platform::WriteProfileString(".\\PC_MAC_Address.txt", "PC Info", "MAC_Address", "BENCH");
  }
  ~BenchStation() {
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
  }

 private:
  static void WriteImage(const char* path, bool rdt) {
    const auto image = engine::firmware::BuildFirmwareImage(engine::firmware::SampleImageContents(rdt));
    platform::WriteWholeFile(path, std::string(image.begin(), image.end()));
  }
  fs::path m_folder;
};

double PeakResidentMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void BM_EraseAllPassOf24Drives(benchmark::State& state) {
  platform::SetTimeScale(0.0);
  BenchStation station;
  g_U2AMode = 0;
  sim::ScenarioResult scenario = sim::LoadScenario("Default.ini");
  if (!scenario.station) {
    state.SkipWithError(scenario.error.c_str());
    return;
  }
  device::SetTransport(std::make_shared<sim::SimTransport>(scenario.station));
  {
    ui::Dispatcher dispatcher;
    // The page's one-second timers run on a clock that moves on at every look.
    dispatcher.SetClock([clock = std::make_shared<std::atomic<std::uint64_t>>(0)] { return clock->fetch_add(100); });
    CProductionPage page;
    page.Create(nullptr);
    dispatcher.PumpUntil([&] { return page.HasScanned(); });
    for (auto _ : state) {
      if (!page.StartRun()) {
        state.SkipWithError("the pass did not start");
        break;
      }
      dispatcher.PumpUntil([&] { return !page.IsRunning(); });
      for (int port = 1; port <= kPortCount; ++port) {
        if (PortStateOf(port) != kPortPass) state.SkipWithError("a drive did not pass");
      }
    }
    page.DestroyWindow();
  }
  device::SetTransport(nullptr);
  state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}
BENCHMARK(BM_EraseAllPassOf24Drives)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
