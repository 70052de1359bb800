// CMPDevice::ReadRDTLog on the simulated station: the probe, the running-state checks, every
// phase's failures, the verdicts, the CSV logs, the block-information record and the report
// lines that the result pages read back.
#include <cstring>
#include <filesystem>

#include "engine/core/EngineFixture.h"
#include "engine/rdtlog/RdtLimitRequest.h"
#include "engine/rdtlog/RdtLogTestSupport.h"
#include "platform/Text.h"
#include "sim/ScenarioLoader.h"
#include "ui/ProgressCtrl.h"

namespace {

using enginetest::EngineTest;
using rdtlogtest::BadBlock;
using rdtlogtest::Special;
using sim::FaultAction;
using Strings = std::vector<std::string>;

class ReadRdtLog : public EngineTest {
 protected:
  // A drive on the RDT firmware whose test ended; its bad-block log lists only the given
  // entries.
  static sim::DriveProfile RdtDrive(const std::vector<BadBlock>& badBlocks = {}) {
    sim::DriveProfile profile;
    profile.flashFirmware = sim::FlashFirmware::Rdt;
    profile.rdt.state = sim::RdtState::Done;
    profile.rdt.badBlockEntriesGiven = true;
    for (const auto& entry : badBlocks) profile.rdt.badBlockEntries.push_back(entry.Entry());
    return profile;
  }
  // Installs the drive, starts the slot report and finds the running code, as the RDT
  // result flow does before its reading.
  void Start(const sim::DriveProfile& profile) {
    Install(profile);
    device->WriteReportLine("START", 1);
    ASSERT_EQ(device->ChkRC(3, 0, 1, "", nullptr), 1);
  }
  std::uint8_t Read(bool saveCsv = false, BlockInfoRecord* blockInfo = nullptr, std::uint8_t* info = nullptr,
                    bool ignoreVerdict = false, ui::CProgressCtrl* progress = nullptr, bool dramOnly = false) {
    return device->ReadRDTLog(saveCsv, 0, progress, 70, dramOnly, 0, info, blockInfo, ignoreVerdict);
  }
  std::uint8_t Probe() { return device->ReadRDTLog(0, 0, nullptr, 0, 0, 1, nullptr, nullptr, 0); }
  void Settings(const std::string& file, const std::string& text) {
    station.WriteFile(file, text);
    platform::FlushProfileCache();
  }
  // The report's lines after the banner, without their framing "   " and " ".
  Strings Lines() const { return LinesOf(Report()); }
  static Strings LinesOf(const std::string& report) {
    Strings lines;
    const auto end = report.find("=\r\n", report.find("Host"));
    std::size_t at = end == std::string::npos ? 0 : end + 3;
    while (at < report.size()) {
      const auto next = report.find("\r\n", at);
      if (next == std::string::npos) break;
      std::string line = report.substr(at, next - at);
      if (line.size() >= 4 && line.rfind("   ", 0) == 0 && line.back() == ' ') line = line.substr(3, line.size() - 4);
      lines.push_back(line);
      at = next + 2;
    }
    return lines;
  }
  bool HasLine(const std::string& line) const {
    const Strings lines = Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  std::size_t FailRecords() const {
    const std::string report = Report();
    std::size_t count = 0;
    for (auto at = report.find("Error Tag  :"); at != std::string::npos; at = report.find("Error Tag  :", at + 1)) ++count;
    return count;
  }
  std::string TempReport() const { return station.ReadFile("WO1_PC/D_Reports/HOST_1_Report_Temp.txt"); }
  std::string Csv(const std::string& kind, const std::string& serial = "SIMSERIAL1") const {
    return station.ReadFile("WO1_PC/RDT/" + kind + "/" + kind + "_" + serial + "_1.csv");
  }
};

// ---- a passing reading, line by line ---------------------------------------------------------------

TEST_F(ReadRdtLog, APassingReadingWritesEveryLineCsvAndRecord) {
  auto profile = RdtDrive({
      {.type = 0x01, .plane = 1, .block = 101, .runLoop = 0, .runCycle = 0, .timeStamp = 1000},
      {.type = 0x02, .ce = 1, .block = 200, .overBits = 25, .runCycle = 1, .stepAndStage = 0x11, .timeStamp = 2000},
      {.type = 0x03, .ce = 2, .channel = 1, .plane = 1, .block = 301, .slc = 1, .page = 4, .runLoop = 2,
       .runCycle = 3, .stepAndStage = 0x12, .timeStamp = 3000},
  });
  profile.rdt.eccRecords.push_back({1, 33, {}});
  profile.rdt.eccRecords.back().block.Set(200);
  Start(profile);
  auto record = std::make_unique<BlockInfoRecord>();
  record->Clear();
  std::uint8_t info[64] = {};
  ui::CProgressCtrl progress;
  progress.SetPos(10);
  ASSERT_EQ(Read(true, record.get(), info, false, &progress), 1) << device->m_ErrorTag << device->m_ErrorMessage;

  const Strings expected = {
      "   RDT Flash start mark ok.",
      "   RDT Flash end mark ok.",
      "m_RDT_Loops= 3, m_RDTFastPageLoops= 5",
      "Temperature_Time Log:",
      "Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)",
      "1,1,50,50,50,50,50,50,600000",
      "2,1,50,50,50,50,50,50,1200000",
      "3,1,50,50,50,50,50,50,1800000",
      "Get CE Map=f, bIsDynamicCE=0",
      "RDT total time= 1:2:5 (h/m/s)",
      "RDT Info_RDT ECC (XLC/SLC) = 40/30",
      "RDT Info_RDT Loop = 3/5",
      "RDT Info_RDT Test Unit Num = 1",
      "Two Pass Program Type = 0",
      "RDT Info_Erase Mode   = Enable",
      "RDT Info_Program Mode = Enable",
      "RDT Info_Read Mode    = Enable",
      "RDT Info_Read Retry   = Disable",
      "RDT Info_ReTest       = Disable",
      "RDT Info_CacheTest    = Disable",
      "RDT Info_CE Map    = 000F",
      "RDT_MaxTemperature = 70",
      "RDT_MinTemperature = 25",
      "RDT_Temperature    = 45",
      "RDT_TotalTime      = 1:02:05",
      "RDT_FWVersion      =0B1",
      "RDT_FWDate         =20160512",
      "Die Size = 64 GB",
      "Die Per Flash    = 1;",
      "Plane Number     = 2;",
      "Max Block Per CE = 1024; ",
      "Get Max Bad block number Percent   = 5 ",
      "Get Max Bad block number per Plane = 25",
      "Max All Bad Block = 51, EarlyBad_Spec = 0",
      "Read RDT Log:",
      "[start]Total CE Number = 4, Die per CE = 1",
      "Bad Block Log:",
      "Fail Type,CE,Channel,plane,Physical block address,page number,Total Loop,Run Loop,Run Cycle,Step number,"
      "Stage number,Over threshold correctable bit,Time Stamp",
      "Factory bad block,0,0,1,0x65,0,8,0,0,NA,NA,NA,1000",
      "Erase fail,1,0,0,0xc8,0,8,1,1,1,Erase,25,2000",
      "Program fail(SLC Mode),2,1,1,0x12d,4,8,2,3,1,Program,0,3000",
      "ECC  Mode       = 30",
      "ECC  Mean       = 30",
      "ECC  Median     = 30",
      "CE:01 LBB Addr.:",
      "      200 ~ 299= 1  ",
      "[All Bad Spec] 51",
      "[Plane Bad Spec] 25",
      "[OB]   CE: 0, CH: 0, Plane0=0, Plane1=1",
      "[RB]   CE: 0, CH: 0, Plane0=0, Plane1=0",
      "[RB_SLC] CE: 0, CH: 0, Plane0=0, Plane1=0",
      "[total] CE_0, CH_0: All Bad = 1, OB = 1, RB = 0(SLCEB:0/SLCPB:0/SLCRB:0/E:0/P:0/R:0/un:0)",
      "[OB]   CE: 1, CH: 0, Plane0=0, Plane1=0",
      "[RB]   CE: 1, CH: 0, Plane0=1, Plane1=0",
      "[RB_SLC] CE: 1, CH: 0, Plane0=0, Plane1=0",
      "[total] CE_1, CH_0: All Bad = 1, OB = 0, RB = 1(SLCEB:0/SLCPB:0/SLCRB:0/E:1/P:0/R:0/un:0)",
      "[OB]   CE: 2, CH: 1, Plane0=0, Plane1=0",
      "[RB]   CE: 2, CH: 1, Plane0=0, Plane1=0",
      "[RB_SLC] CE: 2, CH: 1, Plane0=0, Plane1=1",
      "[total] CE_2, CH_1: All Bad = 1, OB = 0, RB = 1(SLCEB:0/SLCPB:1/SLCRB:0/E:0/P:0/R:0/un:1)",
      "",
      "DDR Log:",
      "Cycle,Step,Temp,Results,Time(ms)",
      "1,1,50,SDR Test PASS,5000",
      "1,2,50,SDR Test PASS,5000",
      "1,3,50,SDR Test PASS,5000",
      "     SDR testing time= 15 seconds",
      "     Flash testing time= 1800 seconds",
      "",
      "RDT Total testing time= 0:30:15.",
      "[ Success ] [end]Read RDT Log ok. ",
  };
  EXPECT_EQ(Lines(), expected);
  EXPECT_EQ(TempReport().substr(TempReport().find("=\r\n", TempReport().find("Host")) + 3),
            "   [total]CE0,CH0:AllB=1,OB=1,RB=0(SLCEB:0/SLCPB:0/SLCRB:0/E:0/P:0/R:0/un:0) \r\n"
            "   [total]CE1,CH0:AllB=1,OB=0,RB=1(SLCEB:0/SLCPB:0/SLCRB:0/E:1/P:0/R:0/un:0) \r\n"
            "   [total]CE2,CH1:AllB=1,OB=0,RB=1(SLCEB:0/SLCPB:1/SLCRB:0/E:0/P:0/R:0/un:1) \r\n");

  const std::string header =
      "Serial Number: SIMSERIAL1   F/W Version: RDT10A01   SSD Capacity: 256 GB   AP Version: 2.0a    "
      "Flash Number: 4   FlashID: 98h 3ch 98h b3h 76h 72h 08h\r\n";
  const std::string temperatureHeader =
      "Serial Number: SIMSERIAL1   F/W Version: RDT10A01   SSD Capacity: 256 GB   AP Version:    Flash Number: 4"
      "   FlashID: \r\n";
  EXPECT_EQ(Csv("Temperature"), temperatureHeader +
                                    "Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)\r\n"
                                    "1,1,50,50,50,50,50,50,600000\r\n2,1,50,50,50,50,50,50,1200000\r\n"
                                    "3,1,50,50,50,50,50,50,1800000\r\n");
  EXPECT_EQ(Csv("BadBlock"), header +
                                 "Fail Type,CE,Channel,Plane,Physical block address,page number,Total Loop,Run Loop,"
                                 "Run Cycle,Step number,Stage number,Over threshold correctable bit,Time Stamp\r\n"
                                 "Factory bad block,0,0,1,0x65,0,8,0,0,NA,NA,NA,1000\r\n"
                                 "Erase fail,1,0,0,0xc8,0,8,1,1,1,Erase,25,2000\r\n"
                                 "Program fail(SLC Mode),2,1,1,0x12d,4,8,2,3,1,Program,0,3000\r\n");
  EXPECT_EQ(Csv("ECCBit"), header + "CE,Physical block address,Max Error bit per block\r\n1,0xc8,33\r\n");
  EXPECT_EQ(Csv("DDR"), header + "Cycle,Step,Temp,Results,Time(ms)\r\n1,1,50,SDR Test PASS,5000\r\n"
                                 "1,2,50,SDR Test PASS,5000\r\n1,3,50,SDR Test PASS,5000\r\n");

  EXPECT_EQ(record->Tag(), "RDT");
  EXPECT_EQ(record->perPlaneLimit, 25u);
  EXPECT_EQ(record->allBadLimit, 51u);
  EXPECT_EQ(record->rdtCeMap, 0x000F);
  EXPECT_EQ(record->early[0][0][1], 1u);
  EXPECT_EQ(record->later[1][0][0][kLaterTotal], 1u);
  EXPECT_EQ(record->later[1][0][0][kLaterErase], 1u);
  EXPECT_EQ(record->later[2][1][1][kLaterTotal], 1u);
  EXPECT_EQ(record->later[2][1][1][kLaterProgram], 0u);  // the SLC counters are not stored
  EXPECT_EQ(std::memcmp(info, "TVRT", 4), 0);
  EXPECT_EQ(info[0x3B], 40);
  EXPECT_EQ(device->m_RDTResultCode, 0u);
  EXPECT_EQ(device->m_RDTTotalTime, 1815u);
  EXPECT_EQ(device->m_FirmwareRevision, "RDT10A01");
  EXPECT_EQ(progress.GetPos(), 80);
  EXPECT_EQ(FailRecords(), 0u);
}

TEST_F(ReadRdtLog, WithoutSavingNoFolderOrCsvIsMadeAndTheLinesAreTheSame) {
  Start(RdtDrive({{.type = 0x02, .ce = 1}}));
  ASSERT_EQ(Read(true), 1);
  const Strings saved = Lines();
  Start(RdtDrive({{.type = 0x02, .ce = 1}}));
  std::filesystem::remove_all(station.Folder() / "WO1_PC");
  device->WriteReportLine("START", 1);
  ASSERT_EQ(Read(false), 1);
  EXPECT_EQ(Lines(), saved);
  EXPECT_FALSE(std::filesystem::exists(station.Folder() / "WO1_PC" / "RDT"));
}

TEST_F(ReadRdtLog, CsvNamesFromADriveSerialKeepToSafeCharacters) {
  auto profile = RdtDrive();
  profile.serialNumber = "SN/01:*?";
  Start(profile);
  ASSERT_EQ(Read(true), 1);
  EXPECT_NE(Csv("DDR", "SN_01___"), "");
}

// ---- the probe ---------------------------------------------------------------------------------

TEST_F(ReadRdtLog, TheProbeOnTheRdtFirmwareAnswersOneAndWritesNothing) {
  Start(RdtDrive());
  const std::string before = Report();
  EXPECT_EQ(Probe(), 1);
  EXPECT_EQ(Report(), before);
  EXPECT_NE(TempReport().find("START"), std::string::npos);
}

TEST_F(ReadRdtLog, TheProbeOnBootCode) {
  Install(sim::DriveProfile{});
  ASSERT_EQ(device->ChkRC(3, 0, 1, "", nullptr), 1);
  EXPECT_EQ(Probe(), 0);
  ExpectFailure("M_T50", "Device NOT run on RDT FW and run on Boot Mode !!!");
  EXPECT_TRUE(HasFailRecord("M_T50"));
}

TEST_F(ReadRdtLog, TheProbeOnNormalCodeReadsTheGoodCardMarks) {
  const struct {
    std::uint8_t mark;
    const char* tag;
    const char* message;
  } cases[] = {
      {0x05, "M_T49", "Device run on Normal Code(MP OK), And have RDT Good Card Mark!!!"},
      {0x01, "M_T23", "Device run on Normal Code(MP OK), Can't get RDT Table.!!!"},
      {0x04, "M_T29", "Device run on Normal Code(MP Fail), Can't get RDT Table.!!!"},
      {0x00, "M_T29", "Device run on Normal Code(MP Fail), Can't get RDT Table.!!!"},
  };
  for (const auto& c : cases) {
    sim::DriveProfile profile;
    profile.flashFirmware = sim::FlashFirmware::Mp;
    profile.infoBlockWritten = true;
    profile.goodMark = c.mark;
    Start(profile);
    EXPECT_EQ(Probe(), 0) << c.tag;
    ExpectFailure(c.tag, c.message);
    EXPECT_TRUE(HasFailRecord(c.tag));
  }
}

TEST_F(ReadRdtLog, TheProbeFailsWhenTheInfoPageOrTheKeyFails) {
  sim::DriveProfile profile;
  profile.flashFirmware = sim::FlashFirmware::Mp;
  Start(profile);
  Fault("Read Info Block", FaultAction::Sense, 0, 0);
  EXPECT_EQ(Probe(), 0);
  ExpectFailure("I_T45", "Issue ReadInfoPage Command Failed!!!");

  Start(profile);
  Fault("Set AP Key", FaultAction::Sense, 0, 0);
  EXPECT_EQ(Probe(), 0);
  ExpectFailure("I_T01", "Issue Set AP key command Fail.");
  EXPECT_TRUE(HasFailRecord("I_T01"));

  profile.apKeyRefused = true;
  Start(profile);
  EXPECT_EQ(Probe(), 0);
  ExpectFailure("I_T02", "AP-key NOT Enable by Device.");
}

// ---- running state ------------------------------------------------------------------------------

TEST_F(ReadRdtLog, ADriveThatIsNotOnTheRdtFirmware) {
  sim::DriveProfile profile;
  profile.flashFirmware = sim::FlashFirmware::Mp;
  Start(profile);
  EXPECT_EQ(Read(), 0);
  ExpectFailure("M_T35", "Device NOT run on RDT FW !!!");
}

TEST_F(ReadRdtLog, SystemInformationAndIdentifyFailures) {
  Start(RdtDrive());
  Fault("GetSystemInfo", FaultAction::Sense, 0, 0);
  EXPECT_EQ(Read(), 0);
  ExpectFailure("I_T08", "Issue GetSystemInfo Command Failed.");
  EXPECT_TRUE(HasFailRecord("I_T08"));

  Start(RdtDrive());
  Fault("Identify", FaultAction::Sense, 0, 0);
  EXPECT_EQ(Read(), 0);
  ExpectFailure("I_T06", "Issue Identify Command Fail.");

  // The reader's own read of the system information (the second one).
  Start(RdtDrive());
  Fault("GetSystemInfo", FaultAction::Sense, 1, 0);
  EXPECT_EQ(Read(), 0);
  ExpectFailure("I_T08", "Issue GetSystemInfo Command Failed.");
}

TEST_F(ReadRdtLog, ATestThatNeverRan) {
  auto profile = RdtDrive();
  profile.rdt.state = sim::RdtState::NotRun;
  Start(profile);
  EXPECT_EQ(Read(), 0);
  ExpectFailure("M_T18", "Don't do RDT Testing !!!");
  EXPECT_TRUE(HasLine("   Don't got RDT Flash testing start mark. (00)"));
  EXPECT_TRUE(HasLine("   Don't got RDT Flash testing end mark. (00)"));
}

TEST_F(ReadRdtLog, ATestStillRunningShowsItsLoopMarksAndFails) {
  sim::DriveProfile profile;
  profile.flashFirmware = sim::FlashFirmware::Rdt;
  profile.rdt.state = sim::RdtState::Running;
  profile.rdt.tlcLoops = 2;
  profile.rdt.slcLoops = 1;
  Start(profile);
  EXPECT_EQ(Read(true), 0);
  ExpectFailure("M_T24", "RDT Testing not completed !!!");
  EXPECT_TRUE(HasFailRecord("M_T24"));
  const Strings lines = Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "   RDT Flash start mark ok."), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "   Don't got RDT Flash testing end mark. (20)"), lines.end());
  const auto head = std::find(lines.begin(), lines.end(), "Loop Mark,CE,Channel,Total_loop,Loop");
  ASSERT_NE(head, lines.end());
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) { return line.rfind("Loop Mark,", 0) == 0; }),
            1 + 4 * 2);  // the head and, per CE, the marks of loops 1 and 2 of 3
  EXPECT_EQ(*(head + 1), "Loop Mark,0,0,3,1");
  // The CSV files hold their two header lines only.
  const std::string badBlock = Csv("BadBlock");
  EXPECT_EQ(std::count(badBlock.begin(), badBlock.end(), '\n'), 2);
  EXPECT_FALSE(HasLine("[All Bad Spec] 25"));
}

TEST_F(ReadRdtLog, SkippingTheStatusCheckWritesNoMarkLines) {
  Settings("param.ini", "[Options]\r\nSkip_RDT_Status_Check=1\r\nScan_MaxBadPercent=5\r\n");
  auto profile = RdtDrive();
  profile.rdt.state = sim::RdtState::NotRun;
  Start(profile);
  Read();
  EXPECT_EQ(Lines().front(), "m_RDT_Loops= 3, m_RDTFastPageLoops= 5");
}

// ---- the temperature log and the result codes ------------------------------------------------------

TEST_F(ReadRdtLog, ATimeOutShowsTheConfiguredLimit) {
  Settings("paramFDB.ini", "[RDT]\r\nTimeOutLimit_TV=1500\r\n");
  auto profile = RdtDrive({{.type = 0x02}});
  profile.rdt.resultCode = 0x11;
  Start(profile);
  EXPECT_EQ(Read(true), 0);
  ExpectFailure("I_T52", "e_RDT_RESULT_FLH_TEST_TIME_OUT,  total 1800 seconds,  TimeOutLimit 1500 seconds");
  EXPECT_EQ(device->m_RDTResultCode, 0x11u);
  EXPECT_TRUE(HasFailRecord("I_T52"));
  // No later log is read.
  EXPECT_FALSE(HasLine("Read RDT Log:"));
  EXPECT_EQ(Csv("BadBlock"), "");
}

TEST_F(ReadRdtLog, ResultCodesFromTheScenarioFile) {
  const auto scenario = sim::LoadScenario("RdtLogEntries.ini");
  ASSERT_TRUE(scenario.station) << scenario.error;
  device::SetTransport(std::make_shared<sim::SimTransport>(scenario.station));
  for (const int slot : {1, 3}) {
    device = std::make_unique<CMPDevice>(slot, 10, slot, enginetest::kLogFolder, nullptr, nullptr);
    device->WriteReportLine("START", 1);
    ASSERT_EQ(device->ChkRC(2, 0, 1, "", nullptr), 1);
    EXPECT_EQ(device->ReadRDTLog(0, 1, nullptr, 70, 0, 0, nullptr, nullptr, 0), 0);
  }
  ExpectFailure("I_T53", "e_RDT_RESULT_FLH_ID_ERROR, error code = 19");
  EXPECT_NE(station.ReadFile("WO1_PC/D_Reports/HOST_1_Report.txt")
                .find("e_RDT_RESULT_FLH_TEST_BB_OVER, Bad Block Number = 300"),
            std::string::npos);
}

TEST_F(ReadRdtLog, AnEmptyTemperatureLogFailsAtTheEnd) {
  auto profile = RdtDrive();
  profile.rdt.temperatureRecordsGiven = true;
  Start(profile);
  EXPECT_EQ(Read(), 0);
  ExpectFailure("S_T13", "[end]CE_0, Temperature_Time Log is empty!!!");
  EXPECT_TRUE(HasLine("DDR Log:"));
  EXPECT_FALSE(HasLine("     Flash testing time= 0 seconds"));
  EXPECT_FALSE(HasLine("[ Success ] [end]Read RDT Log ok. "));
}

TEST_F(ReadRdtLog, LogReadFailures) {
  const struct {
    const char* command;
    const char* message;
  } cases[] = {
      {"Get_RDT_Temperature_Time_Log", "Issue Get_RDT_Temperature_Time_Log command Failed !!"},
      {"Get_RDT_BadBlock_SpecialLog", "Issue Get_RDT_BadBlock_SpecialLog command Failed !!"},
      {"Get_RDT_BadBlock_Log", "Issue Get_RDT_BadBlock_Log command Failed !!"},
      {"Get_RDT_SDR_Log", "Issue Get_RDT_SDR_Log command Failed !!"},
  };
  for (const auto& c : cases) {
    auto profile = RdtDrive();
    profile.rdt.specialEntries.push_back(Special{.type = 0x00}.Entry());
    Start(profile);
    Fault(c.command, FaultAction::Sense, 0, 0);
    EXPECT_EQ(Read(), 0) << c.command;
    ExpectFailure("I_T51", c.message);
    EXPECT_TRUE(HasFailRecord("I_T51"));
  }
}

TEST_F(ReadRdtLog, ALogLargerThanTheDriveCanSendIsRefused) {
  auto profile = RdtDrive({{.type = 0x02}});
  profile.rdt.reportedBadBlockLogBytes = 2049u * 16384u;  // 65,568 sectors
  Start(profile);
  EXPECT_EQ(Read(), 0);
  ExpectFailure("I_T51", "RDT BadBlock log size 33570816 bytes is beyond the 33554432 bytes the drive can send !!");
  EXPECT_TRUE(HasFailRecord("I_T51"));
  EXPECT_FALSE(HasLine("Bad Block Log:"));
  EXPECT_NE(device->m_DeviceCommand->LastCommand(), device::CommandId::GetRdtBadBlockLog);  // nothing was asked

  // The largest log that the commands can address is read whole.
  profile.rdt.reportedBadBlockLogBytes = 2048u * 16384u;
  Start(profile);
  EXPECT_EQ(Read(), 0);
  ExpectFailure("I_T51", "Issue Get_RDT_BadBlock_Log command Failed !!");  // the drive's log is shorter
}

TEST_F(ReadRdtLog, TheReportThatCannotTakeTheSpecialTestRows) {
  auto profile = RdtDrive();
  profile.rdt.specialEntries.push_back(Special{.type = 0x00}.Entry());
  Start(profile);
  // A folder where the slot report should be.
  const auto report = station.Folder() / "WO1_PC" / "D_Reports" / "HOST_1_Report.txt";
  std::filesystem::remove(report);
  std::filesystem::create_directories(report);
  EXPECT_EQ(Read(), 0);
  ExpectFailure("A_T08", "Open Log Save File: .\\WO1_PC\\D_Reports\\HOST_1_Report.txt Failed!!!");
}

TEST_F(ReadRdtLog, TheKeyBeforeALogPieceFails) {
  Start(RdtDrive());
  // The key is sent before the reader's system information and before each log piece.
  Fault("Set AP Key", FaultAction::Sense, 1, 0);
  EXPECT_EQ(Read(), 0);
  ExpectFailure("I_T01", "Issue Set AP key command Fail.");
  EXPECT_TRUE(HasLine("m_RDT_Loops= 3, m_RDTFastPageLoops= 5"));
  EXPECT_FALSE(HasLine("Temperature_Time Log:"));
}

TEST_F(ReadRdtLog, CsvFilesThatCannotBeMade) {
  const struct {
    const char* kind;
    const char* message;
  } cases[] = {
      {"Temperature", "Open Temperature Save File: %s Failed!!!"},
      {"BadBlock", "Open BadBlock Save File: %s Failed!!!"},
      {"ECCBit", "Open ECCBit Save File: %s Failed!!!"},
      {"DDR", "Open SDR Save File: %s Failed!!!"},
  };
  for (const auto& c : cases) {
    Start(RdtDrive());
    const std::string name = std::string(c.kind) + "_SIMSERIAL1_1.csv";
    // A folder where the file should be.
    std::filesystem::remove_all(station.Folder() / "WO1_PC" / "RDT");
    std::filesystem::create_directories(station.Folder() / "WO1_PC" / "RDT" / c.kind / name);
    EXPECT_EQ(Read(true), 0) << c.kind;
    const std::string path = std::string(".\\WO1_PC\\RDT\\") + c.kind + "\\" + name;
    ExpectFailure("A_T08", platform::Format(c.message, path.c_str()));
  }
}

TEST_F(ReadRdtLog, TheSerialNumberFromTheDrive) {
  Settings("param.ini", "[Options]\r\nScan_MaxBadPercent=5\r\n[BardCode Setting]\r\nGetSN_From_SelfBNLog=1\r\n");
  Start(RdtDrive());
  device->m_SerialNumber = "FROMLIST";
  ASSERT_EQ(Read(), 1);
  EXPECT_EQ(device->m_SerialNumber, "SIMSERIAL1");

  auto blank = RdtDrive();
  blank.serialNumber = " ";
  Start(blank);
  EXPECT_EQ(Read(), 0);
  ExpectFailure("S_T15", "GetSN_From_SelfBNLog is empty, Check used RDT F/W version!");
}

TEST_F(ReadRdtLog, AFlashIdOtherThanTheRecipesFails) {
  Settings("paramFDB.ini", "[Flash Info]\r\nFlh_ID=98 3C 98 B3 76 72 09\r\n");
  Start(RdtDrive());
  EXPECT_EQ(Read(), 0);
  EXPECT_EQ(device->m_ErrorTag, "I_T10");
  EXPECT_TRUE(HasFailRecord("I_T10"));
}

TEST_F(ReadRdtLog, DynamicCeMarksTheCallersCopy) {
  Settings("paramFDB.ini", "[Options]\r\nAutoCapacity_DynamicCE_En=1\r\n");
  auto profile = RdtDrive();
  profile.rdt.ceMap = 0x0007;
  Start(profile);
  std::uint8_t info[64] = {};
  ASSERT_EQ(Read(false, nullptr, info), 1);
  EXPECT_TRUE(HasLine("Get CE Map=7, bIsDynamicCE=1"));
  EXPECT_EQ(device->m_RDTCEMap, 0x0007);
  EXPECT_EQ(info[0x0C] & 0x02, 0x02);
}

// ---- special-test and baking-test logs -----------------------------------------------------------

TEST_F(ReadRdtLog, SpecialTestSectionsInTheReport) {
  auto profile = RdtDrive();
  profile.rdt.specialEntries = {
      Special{.type = 0x01, .ce = 3, .plane = 1, .block = 291, .page = 7, .temperature = -5, .retry = 2,
              .rawBits = 26, .cycle = 150}.Entry(),
      Special{.type = 0x00, .block = 100, .rawBits = 0xFFFF, .kind = kSpecialKindSlc, .programTimeUs = 900,
              .cycle = 3}.Entry(),
      Special{.type = 0x01, .ce = 1, .channel = 1, .block = 5, .cellMode = 1, .kind = kSpecialKindBaking}.Entry(),
  };
  Start(profile);
  ASSERT_EQ(Read(), 1) << device->m_ErrorTag;
  const Strings lines = Lines();
  const auto title = std::find(lines.begin(), lines.end(), "TLC Special Test Log(STL):");
  ASSERT_NE(title, lines.end());
  const Strings section(title, title + 11);
  const Strings expected = {
      "TLC Special Test Log(STL):",
      "Cycle,CE_No,Channel_No,Plane_No,Block_No,Page_No,Max_tProgram(ms),Raw_bit_Error,Retry_Count,Temp.,Failed_Type",
      "150,3,0,1,291,7,1.500,26,2,-5,Factory bad block",
      "SLC Special Test Log(STL):",
      "Cycle,CE_No,Channel_No,Plane_No,Block_No,Page_No,Max_tProgram(ms),Raw_bit_Error,Retry_Count,Temp.,Failed_Type",
      "3000,0,0,0,100,0,0.900,Invalid,0,40,PASS",
      "TLC Baking Test Log(BTL):",
      "CE_No,Channel_No,Plane_No,Block_No,Raw_bit_Error,Retry_Count,Temp.,Failed_Type",
      "SLC Baking Test Log(BTL):",
      "CE_No,Channel_No,Plane_No,Block_No,Raw_bit_Error,Retry_Count,Temp.,Failed_Type",
      "1,1,0,5,0,0,40,Factory bad block",
  };
  EXPECT_EQ(section, expected);
  EXPECT_EQ(*(title - 1), "[start]Total CE Number = 4, Die per CE = 1");
  EXPECT_EQ(*(title + 11), "Bad Block Log:");
  // An ECC criteria hit without the check on does not fail the drive.
  EXPECT_FALSE(HasLine("[Error] Max Error Bit Over Criteria On CE_3, Die_0 Plane_1, Block_291 (PE Cycle = 150,"
                       "Error Bit = 26) "));
}

TEST_F(ReadRdtLog, SpecialTestVerdicts) {
  const auto run = [this](std::vector<Special> entries, const char* tag, const std::string& message) {
    auto profile = RdtDrive();
    for (const auto& entry : entries) profile.rdt.specialEntries.push_back(entry.Entry());
    Start(profile);
    EXPECT_EQ(Read(), 0) << tag;
    ExpectFailure(tag, message);
    EXPECT_TRUE(HasFailRecord(tag)) << tag;
    EXPECT_FALSE(HasLine("Bad Block Log:")) << tag;
  };
  run({{.type = 0x02, .ce = 3}}, "F_T36", "RDT STL Testing failed!!! Replace above abnormal Flash.[F0]");
  EXPECT_TRUE(HasLine("[Error] (CENo_3,CHNo_0)STL Later Bad Number(1) over Spec(0)"));
  run({{.type = 0x05, .kind = kSpecialKindSlc}}, "F_T37", "Have found Over ECC in STL log !!!");
  run({{.type = 0x04, .ce = 9, .kind = kSpecialKindBaking}, {.type = 0x03, .ce = 13, .cellMode = 1,
       .kind = kSpecialKindBaking}},
      "F_T36", "RDT BTL Testing failed!!! Replace above abnormal Flash.[F2,3]");
  EXPECT_TRUE(HasLine("[Error] (CENo_13,CHNo_0)BTL Later Bad Number(1) over Spec(0)"));
  EXPECT_TRUE(HasLine("SLC Baking Test Log(BTL):"));
  run({{.type = 0x05, .kind = kSpecialKindBaking}}, "F_T37", "Have found Over ECC in BTL log !!!");

  Settings("param.ini", "[Options]\r\nScan_MaxBadPercent=5\r\nSpecialTest_CheckECC=1\r\n");
  run({{.type = 0x00, .ce = 2, .plane = 1, .block = 77, .rawBits = 40, .cycle = 450}}, "F_T40",
      "Max Error Bit Over Criteria.");
  EXPECT_TRUE(HasLine("[Error] Max Error Bit Over Criteria On CE_2, Die_0 Plane_1, Block_77 (PE Cycle = 450,Error Bit = "
                      "40) "));
}

TEST_F(ReadRdtLog, LaterBadAllowancesOfTheSpecialAndBakingTests) {
  Settings("param.ini", "[Options]\r\nScan_MaxBadPercent=5\r\nSTL_LaterBad_Spec=2\r\nBTL_LaterBad_Spec=1\r\n");
  auto profile = RdtDrive();
  for (const auto& entry : std::vector<Special>{{.type = 0x02}, {.type = 0x03, .kind = kSpecialKindSlc},
                                                {.type = 0x04, .kind = kSpecialKindBaking}}) {
    profile.rdt.specialEntries.push_back(entry.Entry());
  }
  Start(profile);
  EXPECT_EQ(Read(), 1) << device->m_ErrorTag;
}

TEST_F(ReadRdtLog, AnAbnormalSpecialTestLogIsSavedAndFails) {
  auto profile = RdtDrive();
  profile.rdt.specialEntries = {Special{.type = 0x00}.Entry(), Special{.type = 0x00}.Entry()};
  profile.rdt.patches.push_back({sim::RdtLogKind::Special, 32, std::vector<std::uint8_t>(16, 0)});
  Start(profile);
  EXPECT_EQ(Read(), 0);
  ExpectFailure("F_T38", "Have found Abnormal Log (All 0x00) in STL log !!!");
  EXPECT_EQ(station.ReadFile("STLLogdata.BIN").size(), 16384u);
}

TEST_F(ReadRdtLog, ADramOnlyRunSkipsTheBadBlockPhase) {
  auto profile = RdtDrive({{.type = 0x02}});
  profile.rdt.specialEntries = {Special{.type = 0x00}.Entry()};
  Start(profile);
  ASSERT_EQ(Read(true, nullptr, nullptr, false, nullptr, true), 1);
  EXPECT_TRUE(HasLine("1,1,50,50,50,600000"));
  EXPECT_TRUE(HasLine("TLC Special Test Log(STL):"));  // the bad-block log is not empty
  EXPECT_FALSE(HasLine("Bad Block Log:"));
  EXPECT_FALSE(HasLine("[All Bad Spec] 51"));
  EXPECT_EQ(Csv("BadBlock"), "");
  EXPECT_EQ(Csv("Temperature").find("Cycle,Step,Temp1,Temp2,Temp3,Temp4,Temp5,Temp6,Time(ms)\r\n1,1,50,50,50,600000"),
            Csv("Temperature").find("Cycle,"));
}

// ---- the bad-block judgement and the end of the reading ---------------------------------------------

std::vector<BadBlock> OverThePlaneLimit() {
  std::vector<BadBlock> entries(26, BadBlock{.type = 0x02, .ce = 2, .plane = 1});
  entries.push_back({.type = 0x02, .ce = 3});
  return entries;
}

TEST_F(ReadRdtLog, APlaneOverItsLimitFailsAfterTheDramLog) {
  Start(RdtDrive(OverThePlaneLimit()));
  EXPECT_EQ(Read(), 0);
  ExpectFailure("F_T31", "[end]RDT Testing failed!!! Replace above abnormal Flash.[F0]");
  EXPECT_TRUE(HasLine("[Error] CE: 2, CH: 0, P1, All Bad PrePlane Number(26) over Spec(25)"));
  EXPECT_TRUE(HasLine("     SDR testing time= 15 seconds"));
  EXPECT_TRUE(HasLine("RDT Total testing time= 0:30:15."));
  EXPECT_FALSE(HasLine("[ Success ] [end]Read RDT Log ok. "));
  EXPECT_EQ(FailRecords(), 1u);
}

TEST_F(ReadRdtLog, TheMpFlowDropsThePlaneVerdict) {
  Start(RdtDrive(OverThePlaneLimit()));
  EXPECT_EQ(Read(false, nullptr, nullptr, true), 1);
  EXPECT_TRUE(HasLine("[Error] CE: 2, CH: 0, P1, All Bad PrePlane Number(26) over Spec(25)"));
  EXPECT_EQ(FailRecords(), 0u);
}

TEST_F(ReadRdtLog, TheTotalLaterBadLimit) {
  Settings("param.ini", "[Options]\r\nScan_MaxBadPercent=5\r\nTotal_LaterBad_Spec=26\r\n");
  Start(RdtDrive(OverThePlaneLimit()));
  EXPECT_EQ(Read(false, nullptr, nullptr, true), 0);
  ExpectFailure("F_T27", "[end]RDT Test Failed, Total Later Bad(27) > Setting Spec.(26)");
  Settings("param.ini", "[Options]\r\nScan_MaxBadPercent=5\r\nTotal_LaterBad_Spec=27\r\n");
  Start(RdtDrive(OverThePlaneLimit()));
  EXPECT_EQ(Read(false, nullptr, nullptr, true), 1);
}

// The limits of the judgement are read strictly: a plane over its limit of 5% is never passed
// because a limit setting turned to garbage or to no limit at all. The drive fails for its
// settings before its logs are judged; a DRAM-only reading judges no bad blocks and needs none.
TEST_F(ReadRdtLog, ALimitSettingThatCannotBeUsedFailsTheDriveInsteadOfDroppingTheLimit) {
  const struct {
    const char* options;
    std::string message;
  } cases[] = {
      {"Scan_MaxBadPercent=abc\r\n",
       "Scan_MaxBadPercent of [Options] in .\\param.ini is \"abc\": expected a whole number from 0 to 100"},
      {"Scan_MaxBadPercent=5\r\nTotal_LaterBad_Spec=lots\r\n",
       "Total_LaterBad_Spec of [Options] in .\\param.ini is \"lots\": expected a whole number from 0 to 16777216"},
      {"Scan_MaxBadPercent=5\r\nSTL_LaterBad_Spec=-1\r\n",
       "STL_LaterBad_Spec of [Options] in .\\param.ini is \"-1\": expected a whole number from 0 to 16777216"},
      {"Scan_MaxBadPercent=5\r\nEarlyBad_Spec=7O\r\n",
       "EarlyBad_Spec of [Options] in .\\param.ini is \"7O\": expected a whole number from 0 to 16777216"},
      // 0 chooses the percentage by capacity, and the recipe's table names none.
      {"Scan_MaxBadPercent=0\r\n", "No bad-block limit: 0% of 1024 blocks per CE is 0 per plane (Scan_MaxBadPercent of "
                                   "[Options] in .\\param.ini, or the capacity table of .\\paramFDB.ini)"},
  };
  for (const auto& bad : cases) {
    SCOPED_TRACE(bad.options);
    Settings("param.ini", std::string("[Options]\r\n") + bad.options);
    Start(RdtDrive(OverThePlaneLimit()));
    EXPECT_EQ(Read(), 0);
    ExpectFailure("S_x43", bad.message);
    EXPECT_EQ(FailRecords(), 1u);
    EXPECT_FALSE(HasLine("Bad Block Log:"));
  }
  Settings("param.ini", "[Options]\r\nScan_MaxBadPercent=0\r\n");
  Start(RdtDrive(OverThePlaneLimit()));
  EXPECT_EQ(Read(false, nullptr, nullptr, false, nullptr, true), 1) << device->m_ErrorMessage;
}

TEST_F(ReadRdtLog, DramVerdicts) {
  auto failing = RdtDrive();
  failing.rdt.dramFail = true;
  Start(failing);
  EXPECT_EQ(Read(), 0);
  ExpectFailure("D_T07", "[end]SDR Testing Failed, replace it.");
  EXPECT_TRUE(HasLine("1,2,50,SDR Test Failed,5000"));
  EXPECT_FALSE(HasLine("[ Success ] [end]Read RDT Log ok. "));

  auto empty = RdtDrive();
  empty.rdt.sdrRecordsGiven = true;
  Start(empty);
  EXPECT_EQ(Read(), 0);
  ExpectFailure("D_T07", "[end]Don't do SDR Testing !!!");
  EXPECT_TRUE(HasFailRecord("S_T13"));
  EXPECT_NE(Report().find("Message    : [end] SDR Log is empty!!!"), std::string::npos);
  EXPECT_EQ(FailRecords(), 2u);

  // skip_DRAM keeps the tag and message but not the verdict.
  Settings("paramFDB.ini", "[RDT]\r\nskip_DRAM=1\r\n");
  Start(failing);
  EXPECT_EQ(Read(), 1);
  ExpectFailure("D_T07", "[end]SDR Testing Failed, replace it.");
  EXPECT_TRUE(HasLine("[ Success ] [end]Read RDT Log ok. "));
  EXPECT_EQ(FailRecords(), 0u);
  Start(empty);
  EXPECT_EQ(Read(), 0);  // an empty log fails whatever skip_DRAM says
  EXPECT_EQ(FailRecords(), 1u);
}

// ---- the result page's limit -----------------------------------------------------------------------

TEST_F(ReadRdtLog, OnlyTheEngineThatTakesTheLimitUsesItAndItIsClearedInEveryCase) {
  Start(RdtDrive(OverThePlaneLimit()));
  g_RdtRequest = 1;
  g_RdtLimitText = "30";
  // An engine of a production flow does not see the page's request.
  EXPECT_EQ(Read(), 0);
  EXPECT_FALSE(HasLine("RDT Result Bad Block limit = 30"));
  EXPECT_EQ(g_RdtRequest, 1);

  Start(RdtDrive(OverThePlaneLimit()));
  device->TakeRdtLimitRequest();
  EXPECT_EQ(g_RdtRequest, 0);
  EXPECT_EQ(Read(), 1);
  EXPECT_TRUE(HasLine("RDT Result Bad Block limit = 30"));
  EXPECT_TRUE(HasLine("RDT Result max bad per plane = 30"));
  EXPECT_TRUE(HasLine("[Plane Bad Spec] 25"));
  EXPECT_EQ(device->m_RdtRequest, 0);

  // A reading that fails before the judgement still clears the request it took.
  g_RdtRequest = 1;
  g_RdtLimitText = "3%";
  Start(RdtDrive(OverThePlaneLimit()));
  device->TakeRdtLimitRequest();
  Fault("Get_RDT_Temperature_Time_Log", FaultAction::Sense, 0, 0);
  EXPECT_EQ(Read(), 0);
  EXPECT_EQ(device->m_RdtRequest, 0);
  Fault("Get_RDT_Temperature_Time_Log", FaultAction::Sense, 0, 0);
  EXPECT_EQ(Read(), 0);
  EXPECT_FALSE(HasLine("RDT Result Bad Block limit = 3%"));
}

// ---- a whole reading from a scenario file ----------------------------------------------------------

TEST_F(ReadRdtLog, TheListedLogsOfTheScenarioFile) {
  // The scenario's special test has one erase fail on CE 3.
  Settings("param.ini", "[Options]\r\nScan_MaxBadPercent=5\r\nSTL_LaterBad_Spec=1\r\n");
  const auto scenario = sim::LoadScenario("RdtLogEntries.ini");
  ASSERT_TRUE(scenario.station) << scenario.error;
  device::SetTransport(std::make_shared<sim::SimTransport>(scenario.station));
  device = std::make_unique<CMPDevice>(2, 10, 2, enginetest::kLogFolder, nullptr, nullptr);
  device->WriteReportLine("START", 1);
  ASSERT_EQ(device->ChkRC(2, 0, 1, "", nullptr), 1);
  auto record = std::make_unique<BlockInfoRecord>();
  record->Clear();
  std::uint8_t info[64] = {};
  // The DRAM log of the scenario holds a failing step.
  EXPECT_EQ(device->ReadRDTLog(1, 1, nullptr, 70, 0, 0, info, record.get(), 0), 0);
  ExpectFailure("D_T07", "[end]SDR Testing Failed, replace it.");
  const Strings lines = LinesOf(station.ReadFile("WO1_PC/D_Reports/HOST_2_Report.txt"));
  const auto has = [&lines](const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  };
  EXPECT_LT(std::find(lines.begin(), lines.end(), "Temperature_Time Log:"),
            std::find(lines.begin(), lines.end(), "Get Max Bad block number Percent   = 5 "));
  EXPECT_TRUE(has("150,3,0,1,291,7,1.500,26,2,-5,Erase fail"));
  EXPECT_TRUE(has("3000,0,0,0,100,0,0.900,Invalid,0,25,Factory bad block"));
  EXPECT_TRUE(has("Factory bad block,0,0,0,0x64,0,8,0,0,NA,NA,NA,1000"));
  EXPECT_TRUE(has("Erase fail,1,0,0,0xc8,0,8,1,1,1,Erase,0,2000"));
  EXPECT_TRUE(has("Program fail(SLC Mode),9,1,1,0x12d,4,8,2,3,1,Program,25,3000"));
  EXPECT_TRUE(has("Loop Mark,2,0,NA,NA,8,3,NA,NA,NA,NA"));
  // The drive's CE map holds CEs 0-3 and numbers them by position: CE index 9 prints as CE 3.
  EXPECT_TRUE(has("[total] CE_3, CH_1: All Bad = 1, OB = 0, RB = 1(SLCEB:0/SLCPB:1/SLCRB:0/E:0/P:0/R:0/un:1)"));
  EXPECT_TRUE(has("RDT Total testing time= 0:30:10."));
  EXPECT_TRUE(has("RDT_Temperature    = 45"));
  EXPECT_TRUE(has("RDT_FWVersion      =0B1"));
  EXPECT_EQ(station.ReadFile("WO1_PC/RDT/ECCBit/ECCBit_SIM01020001_2.csv").substr(
                station.ReadFile("WO1_PC/RDT/ECCBit/ECCBit_SIM01020001_2.csv").find("block\r\n") + 7),
            "1,0xc8,33\r\n9,0x12d,45\r\n");
  EXPECT_EQ(record->Tag(), "RDT");
  EXPECT_EQ(record->later[9][1][1][kLaterTotal], 1u);
}

}  // namespace
