// Writing one line of the results list into a work-order file that already holds 1,000 or
// 10,000 lines, as every station but EraseAll does for every drive: the line and the file's
// checksum. Reported: the time per line, and per kilobyte of the file, so that a cost that
// grows faster than the file shows (the goal: one read, one parse and one replacement of the
// file, linear in its size).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "device/StationHelpers.h"
#include "engine/MPDevice.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "run/RunGlobals.h"
#include "run/SlotTestTask.h"

namespace {

namespace fs = std::filesystem;

class ListingTask : public CSlotTestTask {
 public:
  ListingTask() : CSlotTestTask(kTaskInit, nullptr, nullptr, nullptr, 1, 3, nullptr, nullptr, ".\\LOG", nullptr, nullptr, nullptr) {
    MakeDevice(nullptr);
    m_StationMode = kStationMP;
    m_pDevice->m_TesterVersionText = "3.05";
    m_pDevice->m_DriveSerial = "SIMSERIAL3";
    m_pDevice->m_StandbyCurrentText = "120mA";
    m_pDevice->m_WRCurrentText = "380mA";
  }
  void SetStart(int line) {
    m_StartTimeText = platform::Format("2024/05/06_%02d:%02d:%02d#%d", line / 3600 % 24, line / 60 % 60, line % 60, line);
  }
};

void BM_ResultsListLine(benchmark::State& state) {
  const auto lines = static_cast<int>(state.range(0));
  const fs::path folder = fs::temp_directory_path() / platform::Format("results_list_%d", static_cast<int>(::getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder);
  platform::SetStationFolder(folder);
  std::string file = "[Base Info]\r\nWorkOrder=WO0001\r\nChecksum=0000\r\n[Results List]\r\n";
  for (int line = 0; line < lines; ++line) {
    file += platform::Format("[2023/01/01_00:00:00~00:00:01,%05d]=0,Tester_01,3.05,V2.0a(Normal),TV3160_MP_Sample.bin,"
                             "SIM%07d,0,120mA,380mA,Pass\r\n",
                             line, line);
  }
  platform::WriteWholeFile(".\\WO_WO0001_HOST.txt", file);
  g_WorkOrderFilePath.Set(".\\WO_WO0001_HOST.txt");
  auto* task = new ListingTask;
  int line = 0;
  for (auto _ : state) {
    task->SetStart(line++);
    if (!task->WriteResultsList(1)) {
      state.SkipWithError("the line was not written");
      break;
    }
  }
  task->Release();
  g_WorkOrderFilePath.Set("");
  const double fileKb = static_cast<double>(platform::FileSize(".\\WO_WO0001_HOST.txt").value_or(0)) / 1024.0;
  state.counters["file_kB"] = fileKb;
  state.counters["us_per_line"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * 1e-6, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["us_per_file_kB"] = benchmark::Counter(static_cast<double>(state.iterations()) * fileKb * 1e-6,
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}
BENCHMARK(BM_ResultsListLine)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
