#pragma once
// The bad-block-table page on the simulated station, headless: drives behind bridge ports,
// ports mapped in drive order (mapping type 0), the page made on the test's own user-interface
// thread and its workers run to their end while the test pumps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/PageTestStation.h"
#include "pages/bbt/BbtPage.h"
#include "pages/common/PageGlobals.h"
#include "sim/SimDrive.h"

namespace bbttest {

// Four drives on boot code with a few named bad blocks: CE 0 block 5 and CE 2 block 700 bad
// from the factory, CE 1 block 9 failed a program.
inline const std::string kFourDrives =
    "[Station]\r\nBoards=1\r\nSeed=16\r\n[Board1]\r\nSlots=4\r\n"
    "[Drive]\r\nCode=Boot\r\nEarlyBadPerCe=0\r\nLaterBadPerCe=0\r\n"
    "BadBlock1=0,5,Factory\r\nBadBlock2=2,700,Factory\r\nBadBlock3=1,9,Program\r\n";

class BbtPageTest : public ::testing::Test {
 protected:
  explicit BbtPageTest(const std::string& scenario = kFourDrives) : test(scenario, true) {
    test.station.WriteFile("drives/c/MP_SSD_NODE/AutoMapping.ini", "");
    g_MappingType.store(0);
  }
  ~BbtPageTest() override { g_MappingType.store(0); }

  void Open() { ASSERT_TRUE(page.Create(nullptr)); }
  // The operator opens the "Disk :" list and chooses the port.
  void Choose(int port) {
    page.DiskCombo().UserDropDown();
    const int index = page.DiskCombo().FindStringExact(-1, std::to_string(port));
    ASSERT_GE(index, 0) << "port " << port << " is not listed";
    page.DiskCombo().UserSelect(index);
  }
  // Clicks a button and pumps until its worker has ended.
  void Press(ui::CButton& button) {
    button.Click();
    ASSERT_TRUE(test.PumpUntil([&] { return !page.IsWorking(); }));
  }
  std::string Status() { return page.StatusBox().GetWindowText(); }
  std::vector<std::string> ListedLines() { return page.FileLines().Lines(0, page.FileLines().GetCount()); }
  sim::SimDrive& Drive(int driveNumber) { return *test.sim.Station().SlotOfDrive(driveNumber)->Drive(); }
  // The operator plugs the drive in again: it boots as from power-on.
  void Replug(int driveNumber) {
    Drive(driveNumber).PowerOff();
    Drive(driveNumber).PowerOn();
  }
  std::string Report(int port) const { return test.Report(page.LogFolder(), port); }
  // The controller's table as the drive holds it, whole sectors.
  std::vector<std::uint8_t> DriveTable(int driveNumber) {
    const std::uint32_t sectors = Drive(driveNumber).BbtParameters().tableSectors.Get();
    std::vector<std::uint8_t> table(sectors * 512u);
    EXPECT_EQ(Drive(driveNumber).ReadBadBlockTable(0, sectors, table), sim::DriveStatus::Ok);
    return table;
  }

  pagestest::PageTestStation test;
  CPropertyPage_DBT page;
};

}  // namespace bbttest
