// Whole passes of the RDT pretest station on the simulated station at time scale 0: 24 drives
// on boot code, burner code, the MP firmware and the RDT firmware all pass and leave running
// the RDT firmware, whose results the RDT result station then reads; each main failure shows
// its tag and message beside drives that pass.
#include <algorithm>
#include <vector>

#include "e2e/StationPassFixture.h"
#include "run/BlockInfoFile.h"

namespace {

using e2etest::StationPassTest;
using e2etest::TemplateScenario;

class RDTRunThreads : public StationPassTest {
 protected:
  explicit RDTRunThreads(const std::string& scenario = TemplateScenario("MixedCodes.ini"))
      : StationPassTest("RDT", scenario) {}

  void ExpectPretestPassed(int port) {
    ExpectPassed(port, "Pass");
    EXPECT_NE(Report(port).find("   Program Flash Code RDT20A01 OK \r\n"), std::string::npos);
    EXPECT_NE(Report(port).find("[ Success ] RDT PreTest OK, Total take(sec): "), std::string::npos);
  }
};

TEST_F(RDTRunThreads, DrivesOnEveryRunningCodeGetTheRdtFirmwareAndTheirResultsAreReadLater) {
  PressStartAndWait();
  for (int port = 1; port <= 24; ++port) ExpectPretestPassed(port);
  EXPECT_NE(summary.find("[Results]\r\nPass=24\r\n"), std::string::npos) << summary;
  // How each came in: boot code, burner code, the MP and the RDT firmware from flash.
  EXPECT_NE(Report(1).find("   Boot mode \r\n"), std::string::npos);
  EXPECT_EQ(Report(7).find(" mode "), std::string::npos);
  EXPECT_NE(Report(13).find("   ROM mode \r\n"), std::string::npos);
  EXPECT_NE(Report(19).find("   ROM mode \r\n"), std::string::npos);
  // Each drive its own serial number and its early-bad scan record.
  std::vector<std::string> serials;
  for (int port = 1; port <= 24; ++port) {
    const std::string report = Report(port);
    const std::size_t at = report.find("   Serial Number : ");
    ASSERT_NE(at, std::string::npos) << report;
    serials.push_back(report.substr(at, report.find(" \r\n", at) - at));
    const auto records = ReadBlockInfoRecords(BlockInfoFilePath(port));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(std::string(records[0].tag, 4), "SCA1");
  }
  std::sort(serials.begin(), serials.end());
  EXPECT_EQ(std::unique(serials.begin(), serials.end()), serials.end());

  // The RDT firmware ran its test on every drive: the RDT result station reads and passes it.
  SetStation("RDTResult");
  PressStartAndWait();
  for (int port = 1; port <= 24; ++port) {
    ExpectPassed(port, "Pass");
    EXPECT_NE(Report(port).find("[end]Read RDT Log ok."), std::string::npos);
  }
}

class RDTMainFailureThreads : public RDTRunThreads {
 protected:
  RDTMainFailureThreads() : RDTRunThreads(TemplateScenario("RdtPretestFailures.ini")) {}
};

TEST_F(RDTMainFailureThreads, EachMainFailureShowsItsTagAndTheOtherDrivesPass) {
  PressStartAndWait();
  ExpectFailedWith(2, "I_V01", "IC ver error!!");
  ExpectFailedWith(4, "I_V02", "Controller version is not correct!!");
  ExpectFailedWith(6, "D_x07", "SDR Write/Read Compare Fail at 0x00000000.");
  ExpectFailedWith(8, "F_x42", "Bad Block over Spec!!! All Bad PrePlane Number(45) over Spec(25)");
  ExpectNoDrive(10);
  ExpectFailedWith(12, "F_x60", "Issue PreFormat command Fail.");
  for (int port = 1; port <= 24; ++port) {
    if (port > 12 || port % 2 == 1) ExpectPretestPassed(port);
  }
  EXPECT_NE(summary.find("\r\nPass=18\r\n"), std::string::npos) << summary;
  EXPECT_NE(summary.find("\r\nTotalErrorCount=5\r\n"), std::string::npos) << summary;
  // The failed scan stored its record all the same.
  EXPECT_EQ(ReadBlockInfoRecords(BlockInfoFilePath(8)).size(), 1u);
}

}  // namespace
