// Whole passes of the MP station on the simulated station at time scale 0: 24 drives that come
// in on boot code, burner code, the MP firmware from flash and the RDT firmware (with a judged
// RDT log) all pass with their pass texts; each main failure of a drive shows its tag and
// message, leaves its fail record and no "END", and the drives beside it pass.
#include <algorithm>

#include "e2e/MPPassFixture.h"
#include "engine/MPDevice.h"
#include "engine/BlockInfoRecord.h"
#include "run/BlockInfoFile.h"

namespace {

using e2etest::MPPassTest;
using e2etest::TemplateScenario;

class MPRunThreads : public MPPassTest {
 protected:
  explicit MPRunThreads(const std::string& scenario = TemplateScenario("MixedCodes.ini"))
      : MPPassTest(scenario) {}

  // The serial number the pass handed out to the port's drive.
  std::string HandedOutSerial(int port) const {
    const std::string report = Report(port);
    const std::string marker = "   Serial Number : ";
    const std::size_t at = report.find(marker);
    if (at == std::string::npos) return {};
    const std::size_t end = report.find(" \r\n", at);
    return report.substr(at + marker.size(), end - at - marker.size());
  }
  // The serial text of the pass text: IDENTIFY's 20 characters, "*" after the tenth, trimmed.
  static std::string SerialField(const std::string& serial) {
    std::string padded = serial;
    padded.resize(20, ' ');
    std::string text = padded.substr(0, 10) + "*" + padded.substr(10);
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
  }
  void ExpectMPPass(int port) {
    SCOPED_TRACE("port " + std::to_string(port));
    const std::string serial = HandedOutSerial(port);
    ASSERT_EQ(serial.size(), 8u) << Report(port);
    // 24-slot layout: capacity in GB, the model's first 20 characters, no statistics text.
    ExpectPassed(port, "Pass*238(256) GB*TV3160 SAT*A SSD*" + SerialField(serial) + "*");
    EXPECT_NE(Report(port).find("[ Success ] MP PreTest Process Total take(sec): "), std::string::npos);
  }
  std::vector<BlockInfoRecord> BlockInfoRecords(int port) const {
    return ReadBlockInfoRecords(BlockInfoFilePath(port));
  }
};

TEST_F(MPRunThreads, DrivesOnEveryRunningCodePassWithTheirPassTexts) {
  PressStartAndWait();
  for (int port = 1; port <= 24; ++port) ExpectMPPass(port);
  EXPECT_NE(summary.find("[Results]\r\nPass=24\r\n"), std::string::npos) << summary;
  // Every drive got its own serial number.
  std::vector<std::string> serials;
  for (int port = 1; port <= 24; ++port) serials.push_back(HandedOutSerial(port));
  std::sort(serials.begin(), serials.end());
  EXPECT_EQ(std::unique(serials.begin(), serials.end()), serials.end());

  // How each came in.
  EXPECT_NE(Report(1).find("   Boot mode \r\n"), std::string::npos);
  EXPECT_EQ(Report(7).find(" mode "), std::string::npos);
  EXPECT_NE(Report(13).find("   ROM mode \r\n"), std::string::npos);
  EXPECT_NE(Report(19).find("   ROM mode - RDTFW, Should output RDT result \r\n"), std::string::npos);
  EXPECT_NE(Report(19).find("[end]Read RDT Log ok."), std::string::npos) << Report(19);

  // The block-information files: the RDT judgement, then the two scans.
  const auto tags = [&](int port) {
    std::string text;
    for (const BlockInfoRecord& record : BlockInfoRecords(port)) text += std::string(record.tag, 4) + ";";
    return text;
  };
  EXPECT_EQ(tags(19), std::string("RDT\0;SCA1;SCA2;", 15));
  EXPECT_EQ(tags(1), "SCA1;SCA2;");
  EXPECT_EQ(tags(7), "SCA1;SCA2;");
}

class MPMainFailureThreads : public MPRunThreads {
 protected:
  MPMainFailureThreads() : MPRunThreads(TemplateScenario("MainFailures.ini")) {}
};

TEST_F(MPMainFailureThreads, EachMainFailureShowsItsTagAndTheOtherDrivesPass) {
  PressStartAndWait();
  ExpectFailedWith(2, "I_V01", "IC ver error!!");
  ExpectFailedWith(4, "I_V02", "Controller version is not correct!!");
  ExpectFailedWith(6, "I_x17", "eFuse data error(EF A5 00)");
  ExpectFailedWith(8, "D_x07", "SDR Write/Read Compare Fail at 0x00000000.");
  ExpectFailedWith(10, "F_x42", "Bad Block over Spec!!! All Bad PrePlane Number(45) over Spec(25)");
  ExpectFailedWith(12, "M_T54", "Capacity is not match!!(size:131072, Cap:244198)");
  for (int port = 1; port <= 24; ++port) {
    if (port > 12 || port % 2 == 1) ExpectMPPass(port);
  }
  EXPECT_NE(summary.find("\r\nPass=18\r\n"), std::string::npos) << summary;
  EXPECT_NE(summary.find("\r\nTotalErrorCount=6\r\n"), std::string::npos) << summary;
}

// The parameter file's MP bin type is not the one the flash database gives for its flash:
// every drive fails before it gets a serial number.
class MPBinTypeThreads : public MPRunThreads {
 protected:
  MPBinTypeThreads() : MPRunThreads(pagestest::kTwentyFourDrives) {
    test.SetKey(".\\Configuration\\System\\FlashInfo.ini", "983C98B3767208", "MPBinType", "2");
  }
};

TEST_F(MPBinTypeThreads, ABinTypeTheFlashDatabaseDoesNotNameFailsEveryDrive) {
  PressStartAndWait();
  for (int port = 1; port <= 24; ++port) ExpectFailedWith(port, "S_x30", "INI class & Bintype Fail !!", 24);
  EXPECT_EQ(HandedOutSerial(1), "");
}

// A one-plane bin type: the one-CE drive in slot 3 fails, the drives with four CEs pass.
class MPOneCeThreads : public MPRunThreads {
 protected:
  MPOneCeThreads()
      : MPRunThreads(
            "[Station]\r\nBoards=1\r\nSeed=3160\r\n[Board1]\r\nSlots=24\r\nSlot3=OneCe\r\n"
            "[Drive]\r\nCode=Burner\r\n[OneCe]\r\nCeMap=1\r\n") {
    auto contents = engine::firmware::SampleImageContents(false);
    contents.binType = "315";
    const auto image = engine::firmware::BuildFirmwareImage(contents);
    test.station.WriteFile("FW/MP/TV3160_MP_Sample.bin", std::string(image.begin(), image.end()));
    test.SetKey(".\\Configuration\\System\\FlashInfo.ini", "983C98B3767208", "MPBinType", "315");
    test.SetKey(".\\Configuration\\Param\\TV3160_Sample.ini", "Flash Info", "Flh_MPBinType", "315");
    test.SetKey(".\\paramFDB.ini", "Flash Info", "Flh_MPBinType", "315");
    test.SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "Capacity", "64");
  }
};

TEST_F(MPOneCeThreads, AOneCeDriveCannotRunAOnePlaneBinType) {
  PressStartAndWait();
  ExpectFailedWith(3, "S_x31", "1CE do not support 1P mode!");
  for (int port = 1; port <= 24; ++port) {
    if (port == 3) continue;
    SCOPED_TRACE("port " + std::to_string(port));
    EXPECT_EQ(page->PortCell(port).GetWindowText(),
              "Pass*59(64) GB*TV3160 SAT*A SSD*" + SerialField(HandedOutSerial(port)) + "*");
  }
}

}  // namespace
