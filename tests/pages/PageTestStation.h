#pragma once
// A station for the page tests and the whole-run tests: a scratch copy of the template station
// with the sample firmware images and a fixed MAC text, a simulated station from a scenario
// text installed as the transport, tester or bridge mode, and a user-interface thread of its
// own (the test's thread) whose timers run on a fast clock, with a scripted host that answers
// every dialog.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "device/DevicePaths.h"
#include "device/Transport.h"
#include "platform/Profile.h"
#include "run/RunGlobals.h"
#include "sim/ScenarioLoader.h"
#include "sim/SimTransport.h"
#include "support/SampleImageFiles.h"
#include "support/ScratchStation.h"
#include "support/SettingKeys.h"
#include "support/Waits.h"
#include "ui/Dispatcher.h"
#include "ui/ScriptedHost.h"

namespace pagestest {

inline constexpr char kHost[] = "HOST";

// Installs a simulated station from a scenario text for the life of the scope.
class SimStationScope {
 public:
  SimStationScope(const testsupport::ScratchStation& station, const std::string& scenarioText, bool bridgeMode = false)
      : m_bridgeMode(g_U2AMode.exchange(bridgeMode ? 1 : 0)) {
    Install(station, scenarioText);
  }
  ~SimStationScope() {
    device::SetTransport(nullptr);
    g_U2AMode.store(m_bridgeMode);
  }
  SimStationScope(const SimStationScope&) = delete;
  SimStationScope& operator=(const SimStationScope&) = delete;

  // Replaces the station (drives plugged in or pulled between scans).
  void Install(const testsupport::ScratchStation& station, const std::string& scenarioText) {
    station.WriteFile("Configuration/Sim/PageTest.ini", scenarioText);
    platform::FlushProfileCache();
    sim::ScenarioResult scenario = sim::LoadScenario("PageTest.ini");
    EXPECT_TRUE(scenario.station) << scenario.error;
    m_station = scenario.station;
    device::SetTransport(m_station ? std::make_shared<sim::SimTransport>(m_station) : nullptr);
  }
  sim::SimStation& Station() { return *m_station; }
  const std::shared_ptr<sim::SimStation>& Shared() const { return m_station; }

 private:
  std::uint8_t m_bridgeMode;
  std::shared_ptr<sim::SimStation> m_station;
};

// One board of 24 slots with healthy drives on boot code (the template's own scenario).
inline const std::string kTwentyFourDrives =
    "[Station]\r\nBoards=1\r\nSeed=3160\r\n[Board1]\r\nSlots=24\r\n[Drive]\r\nCode=Boot\r\n";

class PageTestStation {
 public:
  explicit PageTestStation(const std::string& scenarioText = kTwentyFourDrives, bool bridgeMode = false)
      : sim(station, scenarioText, bridgeMode) {
    station.WriteFile("PC_MAC_Address.txt", std::string("[PC Info]\r\nMAC_Address=") + kHost + "\r\n");
    // The template is the MP station; the page tests run the quicker erase station unless
    // they choose another.
    SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "TestStation", "EraseAll");
    platform::FlushProfileCache();
    g_StopAll = 0;
    g_WorkingNo.Set("");
    g_WorkOrderFilePath.Set("");
    ResetPortStates();
    // The timers see a clock that runs a tenth of a second further at every look, so the
    // one-second timers fire while the tests pump without waiting in real time.
    dispatcher.SetClock([clock = std::make_shared<std::atomic<std::uint64_t>>(0)] { return clock->fetch_add(100); });
    ui::SetHost(&host);
  }
  ~PageTestStation() {
    ui::SetHost(nullptr);
    g_StopAll = 0;
    g_WorkOrderFilePath.Set("");
    ResetPortStates();
  }
  PageTestStation(const PageTestStation&) = delete;
  PageTestStation& operator=(const PageTestStation&) = delete;

  void SetKey(const char* file, const char* section, const char* key, const std::string& value) {
    testsupport::SetKey(file, section, key, value);
  }
  // Pumps the user-interface thread until the condition holds and the messages posted before
  // it came have run (support/Waits.h).
  ::testing::AssertionResult PumpUntil(const std::function<bool()>& done, const testsupport::SeenState& seen = {}) {
    return testsupport::PumpUntil(dispatcher, done, seen);
  }
  // A file of a folder given as the station writes it (".\\WO1_PC\\EraseAll").
  std::string ReadStationFile(const std::string& folderText, const std::string& name) const {
    std::string folder = folderText.rfind(".\\", 0) == 0 ? folderText.substr(2) : folderText;
    for (char& c : folder) {
      if (c == '\\') c = '/';
    }
    return station.ReadFile(folder + "/" + name);
  }
  // The slot report of a port in a log folder.
  std::string Report(const std::string& logFolder, int port) const {
    return ReadStationFile(logFolder, std::string("D_Reports/") + kHost + "_" + std::to_string(port) + "_Report.txt");
  }

  testsupport::ScratchStation station{testsupport::ScratchStation::Template::Copy};
  // The sample images are there before the scenario loads (a drive's flash may hold one).
  bool imagesWritten = (testsupport::WriteSampleImages(station), true);
  SimStationScope sim;
  ui::Dispatcher dispatcher;
  ui::ScriptedHost host;
};

}  // namespace pagestest
