// Whole passes of the stations that work on the firmware of finished drives, on the simulated
// station at time scale 0: the firmware upgrade (the MP station with OnlyDoISP), the ISP
// rewrite (UpdateFW) and the RMA debug read (RMADBG). Drives on the MP firmware pass with
// their pass texts; each main failure shows its tag and message, leaves its fail record and
// no "END", is counted in the summary log, and the drives beside it pass.
#include <algorithm>

#include "e2e/StationPassFixture.h"
#include "engine/MPDevice.h"
#include "sim/SimDrive.h"
#include "sim/SimStation.h"

namespace {

using e2etest::TemplateScenario;

class StationRunThreads : public e2etest::StationPassTest {
 protected:
  StationRunThreads(const char* station, const std::string& scenarioFile)
      : StationPassTest(station, TemplateScenario(scenarioFile)) {}

  const sim::SimDrive& Drive(int port) { return *test.sim.Station().SlotOfDrive(port)->Drive(); }

  // A passed port with the total-time line of its flow.
  void ExpectPassedWith(int port, const std::string& passText, const std::string& timingLine) {
    ExpectPassed(port, passText);
    EXPECT_NE(Report(port).find("[ Success ] " + timingLine + " Total take(sec): "), std::string::npos) << port;
  }
  void ExpectTheOthersPassed(std::initializer_list<int> failed, const std::string& passText,
                             const std::string& timingLine) {
    for (int port = 1; port <= 24; ++port) {
      if (std::find(failed.begin(), failed.end(), port) == failed.end()) ExpectPassedWith(port, passText, timingLine);
    }
  }
};

// ---- the firmware upgrade -------------------------------------------------------------------

class UpgradeRunThreads : public StationRunThreads {
 protected:
  UpgradeRunThreads() : StationRunThreads("MP", "UpgradeFailures.ini") {
    test.SetKey(".\\param.ini", "Options", "OnlyDoISP", "1");
  }
};

TEST_F(UpgradeRunThreads, DrivesOnTheirFirmwareTakeTheMpImageAndEachMainFailureShowsItsTag) {
  PressStartAndWait();
  ExpectFailedWith(3, "I_x67", "[ChkRC]Not Running on Flash Code now", 2);
  ExpectFailedWith(6, "I_x67", "[ChkRC]Not Running on Flash Code now", 2);
  ExpectFailedWith(9, "F_x93", "Issue Download Microcode command Fail.(Sector 0)", 2);
  EXPECT_EQ(Drive(9).FirmwareName(), "RDT10A01");
  EXPECT_EQ(page->ResultTextOfPort(12), "F_x93");
  EXPECT_EQ(std::string(page->PortCell(12).GetSubText()).substr(0, 46), "Issue Download Microcode command Fail.(Sector ");
  ExpectNoDrive(15);
  ExpectTheOthersPassed({3, 6, 9, 12, 15}, "Pass", "Upgrade  Firmware");
  for (int port : {1, 2, 24}) EXPECT_EQ(Drive(port).FirmwareName(), "SBF20A01") << port;
  EXPECT_NE(summary.find("\r\nPass=19\r\n"), std::string::npos) << summary;
  EXPECT_NE(summary.find("\r\nTotalErrorCount=4\r\n"), std::string::npos) << summary;
  // The MP station's summary rows: the header and a row per drive.
  const std::string csv = test.station.ReadFile("MPTestSummary/Summary.csv");
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 25) << csv;
}

// ---- the ISP rewrite ----------------------------------------------------------------------

class ISPRewriteRunThreads : public StationRunThreads {
 protected:
  ISPRewriteRunThreads() : StationRunThreads("UpdateFW", "ISPRewriteFailures.ini") {}
};

TEST_F(ISPRewriteRunThreads, DrivesGetTheirFirmwareWrittenAgainAndEachMainFailureShowsItsTag) {
  PressStartAndWait();
  ExpectFailedWith(3, "I_B68", "[ChkRC]Running on RDT Firmware, ISP rewrite not allowed");
  EXPECT_EQ(page->PortCell(3).GetWindowText(), CMPDevice::ErrorTagToCode("I_B68") + "*[ChkRC]");
  ExpectFailedWith(6, "I_V01", "IC ver error!!");
  // The running code that cannot be named: the flow's tag over the check's record.
  EXPECT_EQ(page->ResultTextOfPort(9), "I_B67");
  EXPECT_EQ(std::string(page->PortCell(9).GetSubText()), "[ChkRC]Not Running on Flash Code now");
  EXPECT_NE(Report(9).find("Error Tag  : I_x64\r\n"), std::string::npos) << Report(9);
  EXPECT_EQ(Report(9).find("END        :"), std::string::npos);
  EXPECT_NE(summary.find("\r\nI_B67=1\r\n"), std::string::npos) << summary;
  ExpectFailedWith(12, "I_x49", "Issue Write Info Code command Fail.");
  ExpectFailedWith(15, "F_x94", "Issue Erase ISP Code command Fail.");
  ExpectTheOthersPassed({3, 6, 9, 12, 15}, "Pass", "Upgrade  Firmware");
  for (int port : {1, 2, 24}) {
    EXPECT_EQ(Drive(port).FirmwareName(), "SBF20A01") << port;
    EXPECT_NE(Report(port).find("   Do Erase ISP Code \r\n   Do Write Run Code \r\n"), std::string::npos);
  }
  EXPECT_NE(summary.find("\r\nPass=19\r\n"), std::string::npos) << summary;
  EXPECT_NE(summary.find("\r\nTotalErrorCount=5\r\n"), std::string::npos) << summary;
}

// ---- the RMA debug read -------------------------------------------------------------------

constexpr char kRmaPassText[] = "Pass*Smart ID*05 : (02)*09 : (2710)*0C : (19)*C2 : (29)*";

class RMADebugRunThreads : public StationRunThreads {
 protected:
  RMADebugRunThreads() : StationRunThreads("RMADBG", "RMADebugFailures.ini") {}
};

TEST_F(RMADebugRunThreads, DrivesShowTheirSmartSummaryAndEachMainFailureShowsItsTag) {
  PressStartAndWait();
  ExpectPassedWith(3, kRmaPassText, "Read RMA DBG Info");
  ExpectPassedWith(15, "Pass*Smart ID*", "Read RMA DBG Info");
  const std::string refused =
      "Issue Read Debug Data Command Failed !!! Read Debug Data: CHECK CONDITION: sense key 0xB, ASC 0x00, ASCQ 0x00";
  ExpectFailedWith(6, "F_x50", refused, 2);
  EXPECT_EQ(Report(6).find("Smart ID -"), std::string::npos);
  ExpectFailedWith(9, "F_x50", refused, 2);
  EXPECT_NE(Report(9).find("Smart ID - C2"), std::string::npos);
  EXPECT_EQ(Report(9).find("ubSerialNumber"), std::string::npos);
  ExpectFailedWith(12, "I_V01", "IC ver error!!");
  ExpectTheOthersPassed({3, 6, 9, 12, 15}, kRmaPassText, "Read RMA DBG Info");
  for (int port : {1, 3, 24}) {
    const std::string report = Report(port);
    EXPECT_NE(report.find("   SMART Information \r\n   Smart ID - 05 : 0000000000000002\r\n"
                          "   Smart ID - 09 : 0000000000002710\r\n   Smart ID - 0C : 0000000000000019\r\n"
                          "   Smart ID - C2 : 0000000000000029\r\n   Info Block Information \r\n"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("   ubSerialNumber : SIM01"), std::string::npos);
    // Nothing was written to the drive's flash.
    EXPECT_NE(Drive(port).FlashHolds(), sim::FlashFirmware::None);
  }
  EXPECT_NE(summary.find("\r\nPass=21\r\n"), std::string::npos) << summary;
  EXPECT_NE(summary.find("\r\nTotalErrorCount=3\r\n"), std::string::npos) << summary;
}

}  // namespace
