// The RDT result flow on the simulated station, one drive at a time: the RDT firmware's results
// judged with the status texts of the slot layouts and the "RDT" record; the failures of the
// RDT result codes; a drive on other flash code shown with its table's statistics in state 7;
// the flash-code requirement; and the copies of the slot report the engine wrote.
#include <filesystem>
#include <tuple>

#include "platform/Text.h"
#include "run/FlowFixture.h"

namespace runtest {
namespace {

// The name a copy of the report takes at the fixed local time of the tests.
constexpr char kReportCopy[] = "Log/#1_RDTResult_20240506 07h08m09s123ms.txt";

class RDTResultFlow : public FlowTest {
 protected:
  void SetUp() override {
    FlowTest::SetUp();
    SetStation("RDTResult");
    Install(OnRdtFirmware());
  }
  std::uint8_t RunFlow(int port = 1) { return RunFlowOf(&CSlotTestTask::RunRDTResultFlow, kTaskRDTResult, port); }
  bool ReportCopied() const { return std::filesystem::exists(station.Folder() / kReportCopy); }
  // The copy in the station's log folder is the slot report as it stands.
  void ExpectReportCopied() {
    ASSERT_TRUE(ReportCopied());
    EXPECT_EQ(station.ReadFile(kReportCopy), Report(1));
  }
};

// The per-CE statistics of CEs 0..15: "<ce>: <early>/ <later> (P: <worst plane>)*" each.
std::string CeStatistics(const std::vector<std::string>& firstCes = {}) {
  std::string text;
  for (int ce = 0; ce < 16; ++ce) {
    text += static_cast<std::size_t>(ce) < firstCes.size() ? firstCes[static_cast<std::size_t>(ce)]
                                                           : platform::Format("%02d: 0/ 0 (P: 0)", ce);
    text += "*";
  }
  return text;
}
// The RDT information's part of the statistics of a drive whose test passed.
constexpr char kRdtInfoText[] = "T(\xA2XC):45*FW:0B1*ECC(T/S):40/30*Loop(T/S):3/5*Time:01:02:05";
// The same of a drive without RDT information.
constexpr char kNoRdtInfoText[] = "T(\xA2XC):0*FW:*ECC(T/S):0/0*Loop(T/S):0/0*Time:00:00:00";

// ---- the RDT firmware -------------------------------------------------------------------------

TEST_F(RDTResultFlow, ADriveWhoseRdtPassedShowsPassWithTheStatisticsOfItsLayout) {
  SetSlotLayout(8);
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  ExpectPassed("Pass*CE:OB/RB*" + CeStatistics() + "OB/RB:0/0*P OLB+RB:0*E OLB+RB:0*R OLB+RB:0*" + kRdtInfoText);
  EXPECT_TRUE(ReportHas("[ Success ] [end]Read RDT Log ok. \r\n"));
  EXPECT_TRUE(ReportHas("[ Success ] Read RDT Log, Total take(sec): "));
  EXPECT_EQ(BlockInfoTags(), std::string("RDT\0;", 5));
  ExpectReportCopied();

  SetSlotLayout(16);
  Install(OnRdtFirmware());
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  ExpectPassed(std::string("Pass*OB/RB:0/0*P OLB+RB:0*E OLB+RB:0*R OLB+RB:0*") + kRdtInfoText);

  // Any other layout: the RDT firmware is required, and the text is "Pass" alone.
  SetSlotLayout(12);
  Install(OnRdtFirmware());
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  ExpectPassed("Pass");
}

TEST_F(RDTResultFlow, ABadBlockJudgementThatFailedShowsTheStatisticsItJudged) {
  SetSlotLayout(8);
  sim::DriveProfile worn = OnRdtFirmware();
  worn.badBlocks.laterBadPerCe = 60;
  Install(worn);
  EXPECT_EQ(RunFlow(), 0);
  EXPECT_EQ(ResultText(1), "F_T31");
  EXPECT_EQ(PortStateOf(1), kPortFail);
  CMPDevice& device = *task->m_pDevice;
  EXPECT_EQ(device.m_HasExtraStatus, 1);
  EXPECT_EQ(device.m_ExtraStatusText,
            "CE:OB/RB*" +
                CeStatistics({"00: 0/ 60 (P: 19)", "01: 0/ 60 (P: 24)", "02: 0/ 60 (P: 24)", "03: 0/ 60 (P: 19)"}) +
                "OB/RB:0/240*P OLB+RB:86*E OLB+RB:69*R OLB+RB:85*" + kRdtInfoText);
  // The record of the judgement is stored all the same, and the report copied with its failure.
  EXPECT_EQ(BlockInfoTags(), std::string("RDT\0;", 5));
  ExpectReportCopied();
  EXPECT_NE(station.ReadFile(kReportCopy).find("Error Tag  : F_T31"), std::string::npos);
}

TEST_F(RDTResultFlow, TheRdtResultCodesAreNamedByTheStation) {
  SetSlotLayout(8);
  const std::vector<std::tuple<std::uint8_t, std::string, std::string>> codes = {
      {0x11, "I_T52", "RDT_RESULT_FLH_TEST_TIME_OUT"},
      {0x12, "I_T53", "RDT_RESULT_FLH_TEST_BB_OVER"},
      {0x13, "I_T55", "RDT_RESULT_FLH_ID_ERROR"},
      {0x14, "I_T55", "RDT_RESULT_FLH_ID_MISS_ERROR"},
      {0x15, "I_T54", "RDT_RESULT_SYS_BlK_ERROR"}};
  std::size_t records = 0;
  for (const auto& [code, tag, message] : codes) {
    SCOPED_TRACE(tag + " " + message);
    sim::DriveProfile failed = OnRdtFirmware();
    failed.rdt.resultCode = code;
    Install(failed);
    EXPECT_EQ(RunFlow(), 0);
    ExpectFailed(tag, message);
    // No statistics for these failures; one record of the reading (which stopped before it
    // took the limits, so the record is still blank).
    EXPECT_EQ(task->m_pDevice->m_HasExtraStatus, 0);
    EXPECT_TRUE(task->m_pDevice->m_ExtraStatusText.empty());
    EXPECT_EQ(ReadBlockInfoRecords(BlockInfoFilePath(1)).size(), ++records);
  }
}

TEST_F(RDTResultFlow, AnyOtherFailureOfTheReaderKeepsItsOwnTag) {
  sim::DriveProfile dram = OnRdtFirmware();
  dram.rdt.dramFail = true;
  Install(dram);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("D_T07", "[end]SDR Testing Failed, replace it.");
  // The bracketed part of the message follows the tag's code in the cell.
  EXPECT_EQ(Cell(1).GetWindowText(), CMPDevice::ErrorTagToCode("D_T07") + "*[end]");
  ExpectReportCopied();
}

// ---- the bad-block-table way ------------------------------------------------------------------

TEST_F(RDTResultFlow, ADriveOnItsMpFirmwareShowsItsTablesStatisticsInOrange) {
  SetSlotLayout(8);
  sim::DriveProfile programmed = OnMpFirmwareAfterMp();
  programmed.badBlocks.earlyBadPerCe = 3;
  Install(programmed);
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  ExpectPassed("Pass*CE:OB+OLB/RB*" +
               CeStatistics({"00: 3/ 0 (P: 0)", "01: 3/ 0 (P: 0)", "02: 3/ 0 (P: 0)", "03: 3/ 0 (P: 0)"}) +
               "OB+OLB/RB:12+0/0*P OLB+RB:0*E OLB+RB:0*R OLB+RB:0*" + kNoRdtInfoText);
  EXPECT_EQ(Cell(1).GetBkColor(), ui::RGB(255, 165, 0));
  EXPECT_TRUE(ReportHas("[ Success ] Read BBT Info, Total take(sec): "));
  EXPECT_EQ(BlockInfoTags(), "");
  ExpectReportCopied();

  SetSlotLayout(16);
  Install(OnMpFirmwareAfterMp());
  EXPECT_EQ(RunFlow(), 1) << Report(1);
  ExpectPassed(std::string("Pass*OB+OLB/RB:0+0/0*P OLB+RB:0*E OLB+RB:0*R OLB+RB:0*") + kNoRdtInfoText);
}

TEST_F(RDTResultFlow, OnlyTheEightAndSixteenSlotTestersTakeOtherFlashCode) {
  for (const int slots : {12, 24}) {
    SCOPED_TRACE(slots);
    SetSlotLayout(slots);
    Install(OnMpFirmwareAfterMp());
    EXPECT_EQ(RunFlow(), 0);
    ExpectFailed("I_B67", "[ChkRC]Not Running on Flash Code now");
    EXPECT_FALSE(ReportCopied());
  }
  // Boot code is no flash code on any tester.
  SetSlotLayout(8);
  Install(sim::DriveProfile{});
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("I_B67", "[ChkRC]Not Running on Flash Code now");
}

TEST_F(RDTResultFlow, ASystemInformationOrTableThatCannotBeReadFailsTheDrive) {
  SetSlotLayout(8);
  Install(OnMpFirmwareAfterMp());
  Fault(1, "GetSystemInfo", sim::FaultAction::Timeout, 0, 0);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("I_S08", "Issue GetSystemInfo Command Failed.");
  EXPECT_FALSE(ReportCopied());

  // Statistics of a table that was not read would be made up.
  Install(OnMpFirmwareAfterMp());
  Fault(1, "Read BBT Parameter", sim::FaultAction::Sense);
  EXPECT_EQ(RunFlow(), 0);
  EXPECT_EQ(ResultText(1), "F_D01");
  EXPECT_EQ(PortStateOf(1), kPortFail);
  EXPECT_TRUE(ReportHas("Error Tag  : F_D01\r\n"));
}

TEST_F(RDTResultFlow, ATableReadThatFailsAtTheStatisticsFailsTheDrive) {
  SetSlotLayout(16);
  // The statistics read the table once more: a drive lost there is no pass either.
  for (const auto& [command, action] : {std::pair{"Read BBT Parameter", sim::FaultAction::Timeout},
                                        std::pair{"Read BBT Parameter", sim::FaultAction::Pull},
                                        std::pair{"Read BBT", sim::FaultAction::Timeout}}) {
    SCOPED_TRACE(command);
    Install(OnMpFirmwareAfterMp());
    Fault(1, command, action, 1, 0);
    EXPECT_EQ(RunFlow(), 0);
    EXPECT_EQ(ResultText(1), "F_D01");
    EXPECT_EQ(PortStateOf(1), kPortFail);
    EXPECT_EQ(Cell(1).GetWindowText(), CMPDevice::ErrorTagToCode("F_D01"));
    EXPECT_TRUE(ReportHas("Error Tag  : F_D01\r\n")) << Report(1);
    EXPECT_FALSE(ReportHas("END        :"));
  }
}

// ---- the checks of the drive ------------------------------------------------------------------

TEST_F(RDTResultFlow, AnEmptySlotWaitsAndItsReportIsCopied) {
  Install(OnRdtFirmware(), 4, {1});
  EXPECT_EQ(RunFlow(), 0);
  ExpectNoDrive();
  ExpectReportCopied();
}

TEST_F(RDTResultFlow, AnotherControllerFailsWithTheFlowsTagAndTheReportCopied) {
  sim::DriveProfile otherController = OnRdtFirmware();
  otherController.icVersion = 0x3150;
  Install(otherController);
  EXPECT_EQ(RunFlow(), 0);
  ExpectFailed("I_V01", "IC ver error!!");
  ExpectReportCopied();
}

TEST_F(RDTResultFlow, TheCopyIsTheReportTheEngineWrote) {
  // Whatever name the engine gave its report (here not the host's MAC text), the copy is of
  // that file.
  beforeFlow = [](CMPDevice& device) { device.m_ReportName = "OTHER"; };
  EXPECT_EQ(RunFlow(), 1);
  ASSERT_TRUE(ReportCopied());
  EXPECT_EQ(station.ReadFile(kReportCopy), station.ReadFile("WO1_PC/D_Reports/OTHER_1_Report.txt"));
}

}  // namespace
}  // namespace runtest
