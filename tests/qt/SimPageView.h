#pragma once
// A page of the station in the Qt front end (offscreen): a scratch copy of the template
// station, a simulated station of a scenario text installed as the transport, port mapping by
// drive order and the Qt host. Include it before any Qt header: the simulator's headers come
// before Qt's, whose "slots" keyword would clash with them.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "device/DevicePaths.h"
#include "device/Transport.h"
#include "pages/common/PageGlobals.h"
#include "platform/Profile.h"
#include "sim/ScenarioLoader.h"
#include "sim/SimTransport.h"
#include "support/ScratchStation.h"
#include "ui/Dispatcher.h"
#include "ui/PropertySheet.h"

#include "ui/qt/QtHost.h"
#include "ui/qt/SheetWindow.h"
#include "ui/qt/WindowView.h"

namespace qttest {

class SimPageView : public ::testing::Test {
 protected:
  SimPageView(std::string scenarioText, bool bridgeMode) : m_scenarioText(std::move(scenarioText)), m_bridgeMode(bridgeMode) {}
  void SetUp() override {
    station.WriteFile("Configuration/Sim/PageView.ini", m_scenarioText);
    station.WriteFile("drives/c/MP_SSD_NODE/AutoMapping.ini", "");
    platform::FlushProfileCache();
    sim::ScenarioResult scenario = sim::LoadScenario("PageView.ini");
    ASSERT_TRUE(scenario.station) << scenario.error;
    device::SetTransport(std::make_shared<sim::SimTransport>(scenario.station));
    m_savedBridgeMode = g_U2AMode.exchange(m_bridgeMode ? 1 : 0);
    g_MappingType.store(0);
    host = std::make_unique<uiqt::QtHost>(dispatcher);
    ui::SetHost(host.get());
  }
  void TearDown() override {
    ui::SetHost(nullptr);
    host.reset();
    device::SetTransport(nullptr);
    g_U2AMode.store(m_savedBridgeMode);
  }

  // Shows the page alone in a sheet, runs the check on its view (never null) once the window is
  // up, and closes the sheet; the check must have run.
  void CheckShownPage(ui::CPropertyPage& page, const std::function<void(uiqt::WindowView* view)>& check) {
    ui::CPropertySheet sheet("sheet");
    sheet.AddPage(&page);
    bool checked = false;
    host->SetWindowShownHook([&](QWidget*) {
      uiqt::WindowView* view = host->Sheet()->PageView(0);
      if (view != nullptr) {
        check(view);
        checked = true;
      }
      sheet.RequestClose();
    });
    sheet.DoModal();
    EXPECT_TRUE(checked) << "the page's view never showed";
  }

  testsupport::ScratchStation station{testsupport::ScratchStation::Template::Copy};
  ui::Dispatcher dispatcher;
  std::unique_ptr<uiqt::QtHost> host;

 private:
  std::string m_scenarioText;
  bool m_bridgeMode;
  std::uint8_t m_savedBridgeMode = 0;
};

}  // namespace qttest
