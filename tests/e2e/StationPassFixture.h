#pragma once
// Whole passes of one station through the application's sheet on the simulated station at time
// scale 0, with the pass's summary log read back and the verdicts of its ports checked.
#include <fstream>
#include <sstream>
#include <string>

#include "e2e/SheetPassFixture.h"
#include "engine/MPDevice.h"
#include "support/ScratchStation.h"

namespace e2etest {

// A scenario file of the station template.
inline std::string TemplateScenario(const std::string& name) {
  std::ifstream file(testsupport::StationTemplateFolder() / "Configuration" / "Sim" / name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

class StationPassTest : public SheetPassTest {
 protected:
  StationPassTest(const std::string& station, const std::string& scenario) : SheetPassTest(scenario) {
    SetStation(station);
  }

  void SetStation(const std::string& station) {
    test.SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "TestStation", station);
  }
  void PressStartAndWait() {
    SheetPassTest::PressStartAndWait();
    summary = test.ReadStationFile(page->LogFolder(), "_Summary.log");
  }
  std::string Report(int port) const { return test.Report(page->LogFolder(), port); }

  // A passed port: the pass text in the green cell (orange for the pass of the statistics of
  // a bad-block table), "0_00", the report's pass line.
  void ExpectPassed(int port, const std::string& passText, ui::COLORREF background = ui::RGB(0, 255, 0)) {
    SCOPED_TRACE("port " + std::to_string(port));
    EXPECT_EQ(page->PortCell(port).GetWindowText(), passText) << Report(port);
    EXPECT_EQ(PortStateOf(port), kPortPass);
    EXPECT_EQ(page->ResultTextOfPort(port), "0_00");
    EXPECT_EQ(page->PortCell(port).GetBkColor(), background);
    EXPECT_NE(Report(port).find("Result     : PASS"), std::string::npos);
  }
  // A port of a main failure: its tag and message, the fail record, no "END", counted in the
  // summary log.
  void ExpectFailedWith(int port, const std::string& tag, const std::string& message, int count = 1) {
    SCOPED_TRACE("port " + std::to_string(port));
    const std::string report = Report(port);
    EXPECT_EQ(PortStateOf(port), kPortFail);
    EXPECT_EQ(page->ResultTextOfPort(port), tag);
    EXPECT_EQ(std::string(page->PortCell(port).GetSubText()), message);
    EXPECT_EQ(page->PortCell(port).GetWindowText().substr(0, 5), CMPDevice::ErrorTagToCode(tag));
    EXPECT_NE(report.find("Error Tag  : " + tag + "\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Message    : " + message + "\r\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("END        :"), std::string::npos);
    EXPECT_NE(summary.find("\r\n" + tag + "=" + std::to_string(count) + "\r\n"), std::string::npos) << summary;
  }
  // An empty slot: waiting, white and empty, no failure.
  void ExpectNoDrive(int port) {
    SCOPED_TRACE("port " + std::to_string(port));
    EXPECT_EQ(PortStateOf(port), kPortWaiting);
    EXPECT_EQ(page->ResultTextOfPort(port), "P_A01");
    EXPECT_EQ(page->PortCell(port).GetWindowText(), "");
    EXPECT_EQ(summary.find("P_A01"), std::string::npos) << summary;
  }

  std::string summary;
};

}  // namespace e2etest
