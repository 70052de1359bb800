// Whole passes of the QC station on the simulated station at time scale 0: 24 drives as the MP
// station leaves them pass and get their QC mark, drives that the MP station programmed in the
// same session pass too, and each main failure shows its tag and message beside drives that
// pass.
#include <array>

#include "e2e/StationPassFixture.h"

namespace {

using e2etest::StationPassTest;
using e2etest::TemplateScenario;

class QCRunThreads : public StationPassTest {
 protected:
  explicit QCRunThreads(const std::string& scenario = TemplateScenario("ProgrammedAtMp.ini"))
      : StationPassTest("QC", scenario) {}

  void ExpectQCPassed(int port) {
    ExpectPassed(port, "Pass");
    EXPECT_NE(Report(port).find("[ Success ] QC Process Total take(sec): "), std::string::npos);
  }
  std::uint8_t GoodMark(int port) {
    std::array<std::uint8_t, 512> block{};
    EXPECT_EQ(test.sim.Station().SlotOfDrive(port)->Drive()->ReadInfoBlock(0, block), sim::DriveStatus::Ok);
    return block[511];
  }
};

TEST_F(QCRunThreads, DrivesProgrammedAtMpPassAndGetTheQcMark) {
  PressStartAndWait();
  for (int port = 1; port <= 24; ++port) {
    ExpectQCPassed(port);
    EXPECT_EQ(GoodMark(port), 0x03);
  }
  EXPECT_NE(summary.find("[Results]\r\nPass=24\r\n"), std::string::npos) << summary;
}

class QCAfterMpThreads : public QCRunThreads {
 protected:
  QCAfterMpThreads() : QCRunThreads(pagestest::kTwentyFourDrives) {}
};

TEST_F(QCAfterMpThreads, DrivesTheMpStationProgrammedPassAtQc) {
  SetStation("MP");
  PressStartAndWait();
  SetStation("QC");
  PressStartAndWait();
  for (int port = 1; port <= 24; ++port) {
    ExpectQCPassed(port);
    // The serial number the MP station handed out stays in the rewritten info block.
    EXPECT_NE(Report(port).find("   Write InfoBlock OK, SN: 000000"), std::string::npos) << Report(port);
  }
}

class QCMainFailureThreads : public QCRunThreads {
 protected:
  QCMainFailureThreads() : QCRunThreads(TemplateScenario("QCFailures.ini")) {}
};

TEST_F(QCMainFailureThreads, EachMainFailureShowsItsTagAndTheOtherDrivesPass) {
  PressStartAndWait();
  ExpectFailedWith(2, "I_V01", "IC ver error!!");
  ExpectFailedWith(4, "F_x91", "Flash Code not match MP Bin at 0x20");
  ExpectFailedWith(6, "I_x17", "eFuse data error(EF A5 00)");
  ExpectFailedWith(8, "I_Q11", "Good Card Mark not found(00)");
  ExpectFailedWith(10, "M_x71", "SMART threshold exceeded.");
  ExpectFailedWith(12, "F_x42", "Bad Block over Spec!!! All Bad PrePlane Number(51) over Spec(25)");
  for (int port = 1; port <= 24; ++port) {
    if (port > 12 || port % 2 == 1) ExpectQCPassed(port);
  }
  EXPECT_NE(summary.find("\r\nPass=18\r\n"), std::string::npos) << summary;
  EXPECT_NE(summary.find("\r\nTotalErrorCount=6\r\n"), std::string::npos) << summary;
}

}  // namespace
