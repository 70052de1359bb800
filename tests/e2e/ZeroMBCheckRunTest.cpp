// Whole passes of the 0MB check on the simulated station at time scale 0. The production page
// gives the tasks of station 0MB the RDT result's kind; the 0MB check is the QC round of the
// legacy slot page at that station. Drives on boot code pass; each main failure shows its tag
// and message, leaves its fail record and no "END", is counted in the summary log, and the
// drives beside it pass.
#include "e2e/LegacyQcPassFixture.h"
#include "e2e/StationPassFixture.h"
#include "engine/MPDevice.h"
#include "sim/SimDrive.h"
#include "sim/SimStation.h"

namespace {

using e2etest::TemplateScenario;

class ZeroMBCheckRunThreads : public e2etest::LegacyQcPassTest {
 protected:
  ZeroMBCheckRunThreads() : LegacyQcPassTest("0MB", TemplateScenario("ZeroMBFailures.ini")) {}

  void ExpectPassed(int slot) {
    SCOPED_TRACE("slot " + std::to_string(slot));
    EXPECT_EQ(page.SlotBox(slot).GetWindowText(), "Pass") << Report(slot);
    EXPECT_EQ(PortStateOf(slot), kPortPass);
    EXPECT_EQ(page.ResultText(slot), "0_00");
    EXPECT_NE(Report(slot).find("   Load PRAM Code SBB2.0.1 OK"), std::string::npos);
    EXPECT_NE(Report(slot).find("[ Success ] 0MB Check Process Total take(sec): "), std::string::npos);
    EXPECT_NE(Report(slot).find("Result     : PASS"), std::string::npos);
    EXPECT_EQ(page.SlotProgress(slot).GetPos(), 0);
  }
  void ExpectFailed(int slot, const std::string& tag, const std::string& message) {
    SCOPED_TRACE("slot " + std::to_string(slot));
    const std::string report = Report(slot);
    EXPECT_EQ(PortStateOf(slot), kPortFail);
    EXPECT_EQ(page.ResultText(slot), tag);
    EXPECT_EQ(std::string(page.SlotBox(slot).GetSubText()), message);
    EXPECT_EQ(page.SlotBox(slot).GetWindowText().substr(0, 5), CMPDevice::ErrorTagToCode(tag));
    EXPECT_NE(report.find("Error Tag  : " + tag + "\r\n"), std::string::npos) << report;
    EXPECT_EQ(report.find("END        :"), std::string::npos);
    EXPECT_NE(summary.find("\r\n" + tag + "="), std::string::npos) << summary;
  }
};

TEST_F(ZeroMBCheckRunThreads, DrivesOnBootCodeHaveTheirDramTestedAndEachMainFailureShowsItsTag) {
  RunQcPass();
  ExpectFailed(3, "I_x65", "[ChkRC]Not Running on Boot Code now");
  ExpectFailed(6, "I_x65", "[ChkRC]Not Running on Boot Code now");
  ExpectFailed(9, "D_x07", "SDR Write/Read Compare Fail at 0x00000000.");
  // The empty slot waits, white and empty; it is no failure.
  EXPECT_EQ(page.ResultText(12), "P_A01");
  EXPECT_EQ(PortStateOf(12), kPortWaiting);
  EXPECT_EQ(page.SlotBox(12).GetWindowText(), "");
  ExpectFailed(15, "T_x02", "Power on Failed");
  for (int slot = 1; slot <= 24; ++slot) {
    if (slot % 3 == 0 && slot <= 15) continue;
    ExpectPassed(slot);
    // The MP firmware runs from the controller's RAM; nothing is on flash.
    const sim::SimDrive& drive = *test.sim.Station().SlotOfDrive(static_cast<int>(page.TesterDrive(slot)))->Drive();
    EXPECT_EQ(drive.FlashHolds(), sim::FlashFirmware::None);
  }
  EXPECT_EQ(Key("Total_QC.log", "Total Results", "Good"), "19");
  EXPECT_EQ(Key("_Summary.log", "Results", "Pass"), "19");
  EXPECT_EQ(Key("_Summary.log", "Results", "TotalErrorCount"), "4");
}

}  // namespace
