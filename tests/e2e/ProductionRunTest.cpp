// Whole production passes on the simulated station at time scale 0: the application's sheet
// with the production page first, Scan on opening, Start pressed through the model, the
// dispatcher pumped until the pass has ended, and the verdicts read back from the port cells,
// the port states, the slot reports and the summary log.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "e2e/SheetPassFixture.h"
#include "engine/MPDevice.h"
#include "platform/Profile.h"

namespace {

// The template's 24 drives, with slot 3 empty, slot 7 timing out on every erase command and
// slot 12's drive pulled during its erase.
const std::string kTroubledStation =
    "[Station]\r\nBoards=1\r\nSeed=3160\r\n"
    "[Board1]\r\nSlots=24\r\nEmpty=3\r\nSlot7=SlowErase\r\nSlot12=PulledDuringErase\r\n"
    "[Drive]\r\nCode=Boot\r\n"
    "[SlowErase]\r\nFault1=Erase By Type,0,Timeout,times=0\r\n"
    "[PulledDuringErase]\r\nFault1=Erase By Type,0,Pull\r\n";

class ProductionRunThreads : public e2etest::SheetPassTest {
 protected:
  explicit ProductionRunThreads(const std::string& scenario = pagestest::kTwentyFourDrives)
      : SheetPassTest(scenario) {}

  void PressStartAndWait() {
    SheetPassTest::PressStartAndWait();
    summary = test.ReadStationFile(page->LogFolder(), "_Summary.log");
  }
  void ExpectPassed(int port) {
    SCOPED_TRACE("port " + std::to_string(port));
    EXPECT_EQ(PortStateOf(port), kPortPass);
    EXPECT_EQ(page->ResultTextOfPort(port), "0_00");
    EXPECT_EQ(page->PortCell(port).GetWindowText(), "Pass");
    EXPECT_EQ(page->PortCell(port).GetBkColor(), ui::RGB(0, 255, 0));
    EXPECT_NE(test.Report(page->LogFolder(), port).find("Result     : PASS"), std::string::npos);
  }
  // A failed port: its tag in the result text, the tag's code in the red cell, the tag in the
  // slot report's fail record and counted under its name in the summary log.
  std::string ExpectFailed(int port) {
    SCOPED_TRACE("port " + std::to_string(port));
    const std::string tag = page->ResultTextOfPort(port);
    EXPECT_EQ(PortStateOf(port), kPortFail);
    EXPECT_EQ(tag.size(), 5u) << tag;
    const std::string code = CMPDevice::ErrorTagToCode(tag);
    EXPECT_EQ(page->PortCell(port).GetWindowText().substr(0, code.size()), code);
    EXPECT_EQ(page->PortCell(port).GetBkColor(), ui::RGB(255, 0, 0));
    EXPECT_EQ(std::string(page->PortCell(port).GetStateText()), "Error");
    EXPECT_NE(test.Report(page->LogFolder(), port).find(tag), std::string::npos);
    EXPECT_NE(summary.find("\r\n" + tag + "="), std::string::npos) << summary;
    return tag;
  }

  std::string summary;
};

TEST_F(ProductionRunThreads, TwentyFourDrivesAtTheEraseStationAllPass) {
  for (int port = 1; port <= 24; ++port) ASSERT_EQ(page->DriveOfPort(port), port);
  PressStartAndWait();
  for (int port = 1; port <= 24; ++port) ExpectPassed(port);
  EXPECT_NE(summary.find("[Results]\r\nPass=24\r\n"), std::string::npos) << summary;
  EXPECT_EQ(summary.find("TotalErrorCount"), std::string::npos) << summary;
  EXPECT_TRUE(page->StartButton().IsWindowEnabled());
  EXPECT_TRUE(page->ScanButton().IsWindowEnabled());
  EXPECT_TRUE(test.host.MessageBoxes().empty());
}

class TroubledProductionRunThreads : public ProductionRunThreads {
 protected:
  TroubledProductionRunThreads() : ProductionRunThreads(kTroubledStation) {}
};

TEST_F(TroubledProductionRunThreads, AnEmptySlotWaitsATimedOutAndAPulledDriveFailTheRestPass) {
  PressStartAndWait();
  // The empty slot: waiting, white and empty, and not a failure.
  EXPECT_EQ(PortStateOf(3), kPortWaiting);
  EXPECT_EQ(page->ResultTextOfPort(3), "P_A01");
  EXPECT_EQ(page->PortCell(3).GetWindowText(), "");
  EXPECT_EQ(page->PortCell(3).GetBkColor(), ui::RGB(255, 255, 255));
  EXPECT_EQ(summary.find("P_A01"), std::string::npos) << summary;

  // The erase step fails on both: the command that timed out and the drive that went away.
  EXPECT_EQ(ExpectFailed(7), "F_E03");
  EXPECT_EQ(ExpectFailed(12), "F_E03");
  for (int port = 1; port <= 24; ++port) {
    if (port != 3 && port != 7 && port != 12) ExpectPassed(port);
  }
  EXPECT_NE(summary.find("\r\nPass=21\r\n"), std::string::npos) << summary;
  EXPECT_NE(summary.find("\r\nTotalErrorCount=2\r\n"), std::string::npos) << summary;
  EXPECT_NE(summary.find("[ErrorList]\r\nF_E03=2\r\n"), std::string::npos) << summary;
}

}  // namespace
