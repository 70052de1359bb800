#pragma once
// What the whole-pass benchmarks share: a copy of the template station as the process's
// station folder, one production pass on the page, and the measures of a pass.
//
// The simulator's share of a pass is measured by replaying: a second pass on fresh drives
// records every request the station sends (to a file per drive, so that the recording costs
// no memory), and the recorded requests are then sent again to a fresh simulated station,
// each drive's in its order on a thread of its own as in the pass; the CPU time the simulator
// takes for them is its own share. The measured pass itself runs on the plain simulated
// transport, so that no measuring sits between the station and the drives. Two ratios are
// reported, each under its own name:
//  - whole_cpu_per_simulator_cpu: the process CPU time of the measured pass (the whole
//    station, the simulator inside it included) over the simulator's share of the same
//    requests;
//  - own_cpu_per_simulator_cpu: the station's own CPU time (the process CPU time less the
//    simulator's share) over the simulator's share; one less than the first.
// Both depend on the file system the station folder is on (the station writes its reports and
// logs there): the benchmark's label names it.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "device/DevicePaths.h"
#include "device/Transport.h"
#include "engine/firmware/FirmwareImage.h"
#include "engine/firmware/SampleImages.h"
#include "pages/production/ProductionPage.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Sync.h"
#include "run/RunGlobals.h"
#include "sim/ScenarioLoader.h"
#include "sim/SimTransport.h"
#include "ui/Button.h"
#include "ui/Dispatcher.h"

namespace passbench {

namespace fs = std::filesystem;

// A copy of the template station in a temporary folder, with the sample firmware images, as the
// station folder of the process while it lives, set up as the named test station. The images
// are dated an hour back, as images installed before a shift are.
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
  const fs::path& Folder() const { return m_folder; }

 private:
  static void WriteImage(const char* path, bool rdt) {
    const auto image = engine::firmware::BuildFirmwareImage(engine::firmware::SampleImageContents(rdt));
    platform::WriteWholeFile(path, std::string(image.begin(), image.end()));
    const fs::path native = platform::ToNativePath(path);
    std::error_code ignored;
    fs::last_write_time(native, fs::file_time_type::clock::now() - std::chrono::hours(1), ignored);
  }
  fs::path m_folder;
};

inline double PeakResidentMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// The type of the file system a folder is on ("ext4", "tmpfs", ...) and its mount point, from
// the mount whose mount point is the longest leading part of the folder's path.
inline std::string FileSystemOf(const fs::path& folder) {
  std::error_code ignored;
  const std::string path = fs::weakly_canonical(folder, ignored).string();
  std::ifstream mounts("/proc/self/mountinfo");
  std::string line;
  std::string bestMount;
  std::string bestType = "unknown";
  while (std::getline(mounts, line)) {
    // id parent major:minor root mount-point options [optional fields] - type source options
    std::istringstream fields(line);
    std::string id, parent, device, root, mountPoint, field;
    fields >> id >> parent >> device >> root >> mountPoint;
    while (fields >> field && field != "-") {
    }
    std::string type;
    fields >> type;
    const bool contains = path == mountPoint || mountPoint == "/" ||
                          (path.rfind(mountPoint, 0) == 0 && path.size() > mountPoint.size() &&
                           path[mountPoint.size()] == '/');
    if (!type.empty() && contains && mountPoint.size() >= bestMount.size()) {
      bestMount = mountPoint;
      bestType = type;
    }
  }
  return bestType + " (" + (bestMount.empty() ? "?" : bestMount) + ")";
}

// Names the file system of the station folder in the benchmark's label.
inline void LabelWithFileSystem(benchmark::State& state, const fs::path& stationFolder) {
  state.SetLabel("station folder on " + FileSystemOf(stationFolder));
}

inline std::int64_t ClockNanoseconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}
inline std::int64_t ProcessCpuNanoseconds() { return ClockNanoseconds(CLOCK_PROCESS_CPUTIME_ID); }
inline std::int64_t ThreadCpuNanoseconds() { return ClockNanoseconds(CLOCK_THREAD_CPUTIME_ID); }
inline std::int64_t WallNanoseconds() { return ClockNanoseconds(CLOCK_MONOTONIC); }

// The simulated station, counting requests.
class CountingTransport : public device::Transport {
 public:
  explicit CountingTransport(std::shared_ptr<sim::SimStation> station) : m_inner(std::move(station)) {}
  std::vector<device::TransportDisk> ListDisks() override { return m_inner.ListDisks(); }
  std::string DevicePathOfDrive(int driveNumber) override { return m_inner.DevicePathOfDrive(driveNumber); }
  device::PassThroughResult Execute(const std::string& devicePath, device::PassThroughRequest& request) override {
    m_requests.fetch_add(1, std::memory_order_relaxed);
    return m_inner.Execute(devicePath, request);
  }
  std::int64_t Requests() const { return m_requests.load(); }

 private:
  sim::SimTransport m_inner;
  std::atomic<std::int64_t> m_requests{0};
};

// One request as the log keeps it, followed by its outgoing data.
struct LoggedRequest {
  std::array<std::uint8_t, 16> cdb{};
  std::uint8_t cdbLength = 0;
  std::uint8_t direction = 0;
  std::uint32_t dataLength = 0;
  std::uint32_t timeoutSeconds = 0;
};

// The simulated station, writing every request it is sent to a file of its device (one file
// per drive slot), in the order the device takes them.
class RecordingTransport : public device::Transport {
 public:
  RecordingTransport(std::shared_ptr<sim::SimStation> station, fs::path filePrefix)
      : m_inner(std::move(station)), m_prefix(std::move(filePrefix)) {}
  ~RecordingTransport() override { Finish(); }
  std::vector<device::TransportDisk> ListDisks() override { return m_inner.ListDisks(); }
  std::string DevicePathOfDrive(int driveNumber) override { return m_inner.DevicePathOfDrive(driveNumber); }
  device::PassThroughResult Execute(const std::string& devicePath, device::PassThroughRequest& request) override {
    {
      std::lock_guard lock(m_mutex);
      auto found = m_logs.find(devicePath);
      if (found == m_logs.end()) {
        const fs::path file = m_prefix.string() + "." + std::to_string(m_logs.size());
        found = m_logs.emplace(devicePath, Log{file, std::fopen(file.c_str(), "wb")}).first;
      }
      LoggedRequest logged;
      logged.cdb = request.cdb;
      logged.cdbLength = request.cdbLength;
      logged.direction = static_cast<std::uint8_t>(request.direction);
      logged.dataLength = request.data ? request.dataLength : 0;
      logged.timeoutSeconds = request.timeoutSeconds;
      if (std::FILE* file = found->second.file) {
        std::fwrite(&logged, sizeof logged, 1, file);
        if (request.direction == device::DataDirection::Out && logged.dataLength > 0) {
          std::fwrite(request.data, 1, logged.dataLength, file);
        }
      }
    }
    return m_inner.Execute(devicePath, request);
  }
  // Ends the logs: each device with the file of its requests.
  std::vector<std::pair<std::string, fs::path>> Finish() {
    std::vector<std::pair<std::string, fs::path>> logs;
    for (auto& [device, log] : m_logs) {
      if (log.file) std::fclose(log.file);
      log.file = nullptr;
      logs.emplace_back(device, log.path);
    }
    return logs;
  }

 private:
  struct Log {
    fs::path path;
    std::FILE* file = nullptr;
  };
  sim::SimTransport m_inner;
  fs::path m_prefix;
  std::mutex m_mutex;
  std::unordered_map<std::string, Log> m_logs;
};

// Sends one device's logged requests again, in their order, to the station; the thread CPU
// time of the sending alone (the log is read in small pieces between the timed stretches, so
// that the replay raises neither the time nor the memory it measures).
inline std::int64_t ReplayDevice(sim::SimTransport& transport, const std::string& devicePath, const fs::path& file,
                                 std::int64_t& replayed) {
  std::FILE* in = std::fopen(file.c_str(), "rb");
  if (!in) return 0;
  constexpr std::size_t kPieceBytes = 1u << 20;
  std::vector<std::uint8_t> outgoing;
  outgoing.reserve(kPieceBytes + (1u << 20));
  std::vector<std::uint8_t> incoming;
  std::vector<std::pair<LoggedRequest, std::size_t>> piece;  // request, offset of its data
  std::int64_t nanoseconds = 0;
  bool more = true;
  while (more) {
    piece.clear();
    outgoing.clear();
    std::uint32_t largestIn = 0;
    while (outgoing.size() < kPieceBytes) {
      LoggedRequest logged;
      if (std::fread(&logged, sizeof logged, 1, in) != 1) {
        more = false;
        break;
      }
      const std::size_t at = outgoing.size();
      if (logged.direction == static_cast<std::uint8_t>(device::DataDirection::Out) && logged.dataLength > 0) {
        outgoing.resize(at + logged.dataLength);
        if (std::fread(outgoing.data() + at, 1, logged.dataLength, in) != logged.dataLength) {
          more = false;
          break;
        }
      } else {
        largestIn = std::max(largestIn, logged.dataLength);
      }
      piece.emplace_back(logged, at);
    }
    incoming.assign(largestIn, 0);
    const std::int64_t start = ThreadCpuNanoseconds();
    for (const auto& [logged, at] : piece) {
      device::PassThroughRequest request;
      request.cdb = logged.cdb;
      request.cdbLength = logged.cdbLength;
      request.direction = static_cast<device::DataDirection>(logged.direction);
      request.dataLength = logged.dataLength;
      request.timeoutSeconds = logged.timeoutSeconds;
      if (logged.dataLength > 0) {
        request.data = request.direction == device::DataDirection::Out ? outgoing.data() + at : incoming.data();
      }
      transport.Execute(devicePath, request);
    }
    nanoseconds += ThreadCpuNanoseconds() - start;
    replayed += static_cast<std::int64_t>(piece.size());
  }
  std::fclose(in);
  return nanoseconds;
}

// Replays every device's requests to one fresh station of the scenario, each device on a
// thread of its own as the pass ran them; the simulator's CPU time summed over the devices.
inline std::int64_t ReplayNanoseconds(const std::vector<std::pair<std::string, fs::path>>& logs,
                                      const std::string& scenarioFile, std::int64_t& replayed) {
  sim::ScenarioResult fresh = sim::LoadScenario(scenarioFile);
  sim::SimTransport transport(fresh.station);
  std::vector<std::int64_t> nanoseconds(logs.size(), 0);
  std::vector<std::int64_t> counts(logs.size(), 0);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < logs.size(); ++i) {
    threads.emplace_back([&, i] { nanoseconds[i] = ReplayDevice(transport, logs[i].first, logs[i].second, counts[i]); });
  }
  for (auto& thread : threads) thread.join();
  replayed = 0;
  std::int64_t total = 0;
  for (std::size_t i = 0; i < logs.size(); ++i) {
    total += nanoseconds[i];
    replayed += counts[i];
  }
  return total;
}

// The page on its dispatcher, scanned and ready for passes of the first `drives` ports.
class PassHarness {
 public:
  PassHarness(const std::string& scenarioFile, int drives) : m_scenarioFile(scenarioFile) {
    sim::ScenarioResult scenario = sim::LoadScenario(scenarioFile);
    m_error = scenario.error;
    if (!scenario.station) return;
    m_page.Create(nullptr);
    device::SetTransport(std::make_shared<sim::SimTransport>(scenario.station));
    m_dispatcher.PumpUntil([&] { return m_page.HasScanned(); });
    SelectPorts(drives);
  }
  // The passes run the first `drives` ports.
  void SelectPorts(int drives) {
    for (int port = 1; port <= kPortCount; ++port) {
      m_page.PortCheck(port).SetCheck(port <= drives ? ui::BST_CHECKED : ui::BST_UNCHECKED);
    }
  }
  ~PassHarness() {
    m_page.DestroyWindow();
    device::SetTransport(nullptr);
  }
  const std::string& Error() const { return m_error; }
  const std::string& ScenarioFile() const { return m_scenarioFile; }
  CProductionPage& Page() { return m_page; }
  ui::Dispatcher& Dispatcher() { return m_dispatcher; }

  // One pass on fresh drives over the given transport; false when it could not start.
  bool RunPass(std::shared_ptr<device::Transport> transport) {
    device::SetTransport(std::move(transport));
    if (!m_page.StartRun()) return false;
    m_dispatcher.PumpUntil([&] { return !m_page.IsRunning(); });
    return true;
  }
  std::shared_ptr<sim::SimStation> FreshStation() const { return sim::LoadScenario(m_scenarioFile).station; }

 private:
  std::string m_scenarioFile;
  std::string m_error;
  ui::Dispatcher m_dispatcher;
  CProductionPage m_page;
};

// What one measured pass cost, with the simulator's share from the replay of its twin.
struct PassCost {
  double processMs = 0;    // the process CPU time of the measured pass
  double stationMs = 0;    // that less the simulator's share
  double simulatorMs = 0;
  double wallMs = 0;
  std::int64_t requests = 0;
  std::int64_t replayedRequests = 0;
  platform::WaitCounts waits;
  long voluntarySwitches = 0;
  double peakAfterPassMB = 0;  // the process's peak resident memory as the measured pass ended
};

inline long VoluntaryContextSwitches() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_nvcsw;
}

// The files the recorded passes of a run keep their requests in ("<prefix>.<n>", one per
// device): written over by every recorded pass and removed when the run ends. Files made
// and removed again for every pass would make the station's own files dearer to make in the
// measured pass that follows (ext4 without a journal passes over the inodes freed in the
// last minutes when it looks for a free one), so the recording would weigh on what it is
// there to measure.
class RequestFiles {
 public:
  explicit RequestFiles(std::string prefix) : m_prefix(std::move(prefix)) {}
  ~RequestFiles() {
    for (int device = 0; device < 4 * kPortCount; ++device) {
      std::error_code ignored;
      fs::remove(m_prefix + "." + std::to_string(device), ignored);
    }
  }
  RequestFiles(const RequestFiles&) = delete;
  RequestFiles& operator=(const RequestFiles&) = delete;
  const std::string& Prefix() const { return m_prefix; }

 private:
  std::string m_prefix;
};

// A measured pass, then a recorded twin pass and its replay. Every port of the pass must pass.
inline bool MeasurePass(PassHarness& harness, const std::string& logFile, int drives, PassCost& cost,
                        std::string& error) {
  auto counting = std::make_shared<CountingTransport>(harness.FreshStation());
  const platform::WaitCounts waitsBefore = platform::CurrentWaitCounts();
  const long switchesBefore = VoluntaryContextSwitches();
  const std::int64_t wallBefore = WallNanoseconds();
  const std::int64_t cpuBefore = ProcessCpuNanoseconds();
  if (!harness.RunPass(counting)) {
    error = "the pass did not start";
    return false;
  }
  const std::int64_t cpu = ProcessCpuNanoseconds() - cpuBefore;
  cost.wallMs = static_cast<double>(WallNanoseconds() - wallBefore) / 1e6;
  cost.peakAfterPassMB = PeakResidentMegabytes();
  const platform::WaitCounts waitsAfter = platform::CurrentWaitCounts();
  cost.voluntarySwitches = VoluntaryContextSwitches() - switchesBefore;
  cost.waits.lockWaits = waitsAfter.lockWaits - waitsBefore.lockWaits;
  cost.waits.sleeps = waitsAfter.sleeps - waitsBefore.sleeps;
  cost.waits.wakeUps = waitsAfter.wakeUps - waitsBefore.wakeUps;
  cost.requests = counting->Requests();
  for (int port = 1; port <= drives; ++port) {
    if (PortStateOf(port) != kPortPass) {
      error = "port " + std::to_string(port) + " did not pass: " + harness.Page().ResultTextOfPort(port) + " " +
              std::string(harness.Page().PortCell(port).GetSubText());
      return false;
    }
  }

  auto recording = std::make_shared<RecordingTransport>(harness.FreshStation(), logFile);
  if (!harness.RunPass(recording)) {
    error = "the recorded pass did not start";
    return false;
  }
  device::SetTransport(nullptr);
  const auto logs = recording->Finish();
  const std::int64_t simulator = ReplayNanoseconds(logs, harness.ScenarioFile(), cost.replayedRequests);
  // The request files stay for the next pass, which writes them over (RequestFiles removes
  // them at the end of the run).
  cost.processMs = static_cast<double>(cpu) / 1e6;
  cost.simulatorMs = static_cast<double>(simulator) / 1e6;
  cost.stationMs = static_cast<double>(cpu - simulator) / 1e6;
  return true;
}

// Passes of the first `drives` drives of a scenario at the named station, each drive expected
// to pass. Reported per pass: the process's, the station's own and the simulator's CPU
// milliseconds and the two ratios (see the top of this file), per drive as well; the requests
// of the measured pass and of the replay; the waits of the platform layer per drive; the wall
// time; the process's peak resident memory; and, as the label, the station folder's file system.
inline void RunPasses(benchmark::State& state, const std::string& benchName, const std::string& testStation,
                      const std::string& scenarioFile, int drives = kPortCount) {
  platform::SetTimeScale(0.0);
  BenchStation station(benchName, testStation);
  g_U2AMode = 0;
  PassCost total;
  std::int64_t passes = 0;
  double peakOfFirstPass = 0;
  {
    PassHarness harness(scenarioFile, drives);
    if (!harness.Error().empty()) {
      state.SkipWithError(harness.Error().c_str());
      return;
    }
    const RequestFiles requestFiles(
        (fs::temp_directory_path() / (benchName + "_" + std::to_string(::getpid()) + ".requests")).string());
    for (auto _ : state) {
      PassCost cost;
      std::string error;
      if (!MeasurePass(harness, requestFiles.Prefix(), drives, cost, error)) {
        state.SkipWithError(error.c_str());
        break;
      }
      state.SetIterationTime(cost.wallMs / 1000.0);
      if (passes == 0) peakOfFirstPass = cost.peakAfterPassMB;
      total.processMs += cost.processMs;
      total.stationMs += cost.stationMs;
      total.simulatorMs += cost.simulatorMs;
      total.wallMs += cost.wallMs;
      total.requests += cost.requests;
      total.replayedRequests += cost.replayedRequests;
      total.waits.lockWaits += cost.waits.lockWaits;
      total.waits.sleeps += cost.waits.sleeps;
      total.waits.wakeUps += cost.waits.wakeUps;
      total.voluntarySwitches += cost.voluntarySwitches;
      ++passes;
    }
  }
  const double n = static_cast<double>(passes == 0 ? 1 : passes);
  const double perDrive = n * drives;
  state.counters["drives"] = drives;
  state.counters["process_cpu_ms"] = total.processMs / n;
  state.counters["station_cpu_ms"] = total.stationMs / n;
  state.counters["simulator_cpu_ms"] = total.simulatorMs / n;
  state.counters["whole_cpu_per_simulator_cpu"] = total.simulatorMs > 0 ? total.processMs / total.simulatorMs : 0;
  state.counters["own_cpu_per_simulator_cpu"] = total.simulatorMs > 0 ? total.stationMs / total.simulatorMs : 0;
  state.counters["station_us_per_drive"] = total.stationMs * 1000.0 / perDrive;
  state.counters["simulator_us_per_drive"] = total.simulatorMs * 1000.0 / perDrive;
  state.counters["requests"] = static_cast<double>(total.requests) / n;
  state.counters["replayed_requests"] = static_cast<double>(total.replayedRequests) / n;
  state.counters["wait_lock_waits_per_drive"] = static_cast<double>(total.waits.lockWaits) / perDrive;
  state.counters["wait_sleeps_per_drive"] = static_cast<double>(total.waits.sleeps) / perDrive;
  state.counters["wait_wakeups_per_drive"] = static_cast<double>(total.waits.wakeUps) / perDrive;
  state.counters["voluntary_switches_per_drive"] = static_cast<double>(total.voluntarySwitches) / perDrive;
  // The peak as the first measured pass ended (before any recording or replay), and overall.
  state.counters["peak_rss_MB_first_pass"] = peakOfFirstPass;
  state.counters["peak_rss_MB"] = PeakResidentMegabytes();
  LabelWithFileSystem(state, station.Folder());
}

}  // namespace passbench
