// The legacy result logs and their head: how a pass's result texts count, the total and
// summary logs after a pass, the byte-exact head of a new total log, the card-totals writer,
// the result message dialog following a report, and the summary page.
#include <gtest/gtest.h>

#include "LegacyPageFixture.h"
#include "pages/legacy/LegacyResultLogs.h"
#include "pages/legacy/ResultMessageDlg.h"
#include "pages/legacy/SecondPropertyPage.h"
#include "platform/Clock.h"
#include "platform/Files.h"

namespace legacytest {
namespace {

const platform::LocalTime kTime{2024, 5, 6, 7, 8, 9, 0, 1};

TEST(CountPassResults, GoodBadAndTheTextsThatAreNotCounted) {
  std::vector<std::string> results(48, "H_F8");
  results[0] = "I_x06";
  results[1] = "0_00";
  results[2] = "I_x06";
  results[3] = "H_AF";
  results[4] = "P_A01";
  results[5] = "P_x01";
  results[6] = "T_01";
  results[7] = "0_00 ";  // not exactly the pass text
  results[20] = "F_E03";
  const LegacyPassCounts counts = CountPassResults(results, 48);
  EXPECT_EQ(counts.good, 1);
  EXPECT_EQ(counts.bad, 4);
  ASSERT_EQ(counts.outcomes.size(), 5u);
  EXPECT_EQ(counts.outcomes[0].port, 1);
  EXPECT_EQ(counts.outcomes[0].resultText, "I_x06");
  EXPECT_EQ(counts.outcomes[1].state, kPortPass);
  EXPECT_EQ(counts.outcomes[4].port, 21);
  // Slots beyond the slot count are not counted; counts outside 0..48 are clamped.
  EXPECT_EQ(CountPassResults(results, 16).bad, 3);
  EXPECT_EQ(CountPassResults(results, -3).outcomes.size(), 0u);
  EXPECT_EQ(CountPassResults(results, 99).bad, 4);
}

class LegacyLogs : public LegacyPageTest {
 protected:
  void SetUp() override { platform::SetFixedLocalTime(kTime); }
  void TearDown() override { platform::SetFixedLocalTime(std::nullopt); }
};

TEST_F(LegacyLogs, APassAddsToTheTotalLogTheSummaryAndTheCountBoxes) {
  test.SetKey(kParam, "General Info", "SlotNumber", "16");
  Open();
  LegacyResultList results;
  for (CSharedText& text : results) text.Set("H_F8");
  results[0].Set("I_x06");
  results[1].Set("0_00");
  results[2].Set("I_x06");
  results[3].Set("H_AF");
  results[20].Set("F_E03");  // slot 21: beyond SlotNumber 16, not counted
  platform::WriteProfileString(page.LogFolder() + "\\_Summary.log", "ErrorList", "I_x06", "5");
  // Before any flow the page's log kind is neither Init nor QC: the Debug logs.
  page.WriteTotalLogs(results);
  EXPECT_EQ(page.TotalLogPath(), page.LogFolder() + "\\Total_Debug.log");
  EXPECT_EQ(page.ErrorLogPath(), page.LogFolder() + "\\Error_Debug.log");
  EXPECT_EQ(Key("Total_Debug.log", "Total Results", "Total"), "3");
  EXPECT_EQ(Key("Total_Debug.log", "Total Results", "Good"), "1");
  EXPECT_EQ(Key("Total_Debug.log", "Total Results", "Bad"), "2");
  EXPECT_EQ(Key("Total_Debug.log", "Time", "End Time"), "2024-05-06 07:08:09");
  EXPECT_EQ(Key("_Summary.log", "Results", "Pass"), "1");
  EXPECT_EQ(Key("_Summary.log", "Results", "TotalErrorCount"), "2");
  EXPECT_EQ(Key("_Summary.log", "ErrorList", "I_x06"), "7");
  EXPECT_EQ(Key("_Summary.log", "ErrorList", "F_E03"), "<none>");
  EXPECT_EQ(Key("_Summary.log", "Time", "End Time"), "2024-05-06 07:08:09");
  EXPECT_EQ(page.CountText(ids::kTotalCount), "3");
  EXPECT_EQ(page.CountText(ids::kGoodCount), "1");
  EXPECT_EQ(page.CountText(ids::kBadCount), "2");
  // A second pass adds to what the logs hold.
  page.WriteTotalLogs(results);
  EXPECT_EQ(Key("Total_Debug.log", "Total Results", "Total"), "6");
  EXPECT_EQ(page.CountText(ids::kBadCount), "4");
  // Clear Record zeroes the total log the page now writes.
  page.OnClearRecord();
  EXPECT_EQ(Key("Total_Debug.log", "Total Results", "Total"), "0");
  EXPECT_EQ(Key("Total_Debug.log", "Total Results", "Bad"), "0");
}

TEST_F(LegacyLogs, TheHeadOfANewTotalLogIsWrittenKeyByKey) {
  test.station.WriteFile("param.ini",
                         "[General Info]\r\nTestStation=QC\r\nWorkingNo=W123\r\nModelName= TV SSD \r\nMaxCurrent=900\r\n"
                         "SlotNumber=48\r\n[Flash Info]\r\nFlh_Type=TLC\r\nFlh_MakeCode=98\r\nFlh_DeviceCode=3C\r\n"
                         "Flh_Number=4\r\nFlh_Capacity=512000\r\nFlh_LogicalSize=1000\r\nFlh_ID=98 3C\r\n"
                         "[Device Info]\r\nControllerType=TV3160\r\nICFWVersion=A1\r\nISP_CodeVersion=1.0\r\n"
                         "ISP_MPBINCode=FW\\MP\\a.bin\r\nSATASpeed=3\r\n"
                         "[Options]\r\nOnlyDoISP=0\r\nSkipBuildFAT=123456789012\r\nAutoIncreseSerialNum=1\r\nDDRSize=512\r\n");
  test.station.WriteFile("PC_MAC_Address.txt", "[PC Info]\r\nMAC_Address=00163E5A0C01AABBCCDDEEFF\r\n");
  platform::FlushProfileCache();
  page.WriteRunReport(".\\head.log");
  EXPECT_EQ(test.station.ReadFile("head.log"),
            "[Time]\r\nStart Time=2024-05-06 07:08:09\r\nEnd Time=2024-05-06 07:08:09\r\n"
            "[Total Results]\r\nTotal=0\r\nGood=0\r\nBad=0\r\n"
            "[General Info]\r\nTestStation=QC\r\nWorkingNo=W123\r\nModelName=TV SSD\r\nMaxCurrent=900\r\n"
            "SlotNumber=48\r\nNetCardID=00163E5A0C01AABBCCD\r\nMPVersion=2.0a\r\n"
            "[Flash Info]\r\nFlh_Type=TLC\r\nFlh_MakeCode=98\r\nFlh_DeviceCode=3C\r\nFlh_Number=4\r\n"
            "Flh_Capacity=512000\r\nFlh_LogicalSize=1000\r\nFlh_ID=98 3C\r\n"
            "[Card Info]\r\nCapacity=512000\r\n"
            "[Device Info]\r\nControllerType=TV3160\r\nICFWVersion=A1\r\nISP_CodeVersion=1.0\r\n"
            "ISP_MPBINCode=FW\\MP\\a.bin\r\nSATASpeed=3\r\n"
            "[Options]\r\nOnlyDoISP=0\r\nSkipBuildFAT=123456789\r\nAutoIncreseSerialNum=1\r\nDDRSize=512\r\n");
  // Another controller: no ISP keys; a cached work number is written as it is.
  test.SetKey(kParam, "Device Info", "ControllerType", "XX1000");
  g_WorkingNo.Set("CACHED");
  page.WriteRunReport(".\\other.log");
  g_WorkingNo.Set("");
  const std::string other = test.station.ReadFile("other.log");
  EXPECT_EQ(other.find("ISP_"), std::string::npos) << other;
  EXPECT_NE(other.find("WorkingNo=CACHED\r\n"), std::string::npos) << other;
}

TEST_F(LegacyLogs, CardTotalsAreWrittenAtTheStartOfAnExistingFileOnly) {
  test.station.WriteFile("cards.txt", std::string(80, '-') + "tail");
  EXPECT_TRUE(CFirstPropertyPage::WriteCardTotals(".\\cards.txt", "10", "9", "1"));
  const std::string totals = "Total Card :: 10\r\nGood Card  :: 9\r\nBad Card   :: 1\r\n";
  EXPECT_EQ(test.station.ReadFile("cards.txt"), totals + std::string(80 - totals.size(), '-') + "tail");
  EXPECT_FALSE(CFirstPropertyPage::WriteCardTotals(".\\none.txt", "1", "1", "0"));
  EXPECT_FALSE(platform::FileExists(".\\none.txt"));
  EXPECT_FALSE(CFirstPropertyPage::WriteCardTotals("", "1", "1", "0"));
}

class ResultDialogThreads : public LegacyPageTest {
 protected:
  // The report is replaced as a whole, so the watcher never sees it half written.
  void Replace(const std::string& text) { ASSERT_TRUE(platform::WriteWholeFile(".\\report.txt", text)); }
};

TEST_F(ResultDialogThreads, TheListFollowsTheReportAsItGrowsAndIsRewritten) {
  Replace("one\r\ntwo  \r\n");
  CResultMessageDlg dialog;
  dialog.m_Slot = 7;
  dialog.m_ReportFile = ".\\report.txt";
  dialog.m_ReportFolder = ".\\Reports\\";
  ASSERT_TRUE(dialog.Create(nullptr));
  EXPECT_EQ(dialog.GetWindowText(), "Result :  Tester [ 7 ]");
  EXPECT_EQ(dialog.List().GetHorizontalExtent(), 1500);
  ASSERT_TRUE(test.PumpUntil([&] { return dialog.List().GetCount() == 2; }));
  EXPECT_EQ(dialog.List().GetText(1), "two");
  // Three lines more, an empty one among them.
  Replace("one\r\ntwo  \r\nthree\r\n\r\nfive\r\n" + std::string(300, 'x') + "\r\n");
  // The watcher adds the lines, then selects the last: the wait is for both.
  ASSERT_TRUE(test.PumpUntil([&] { return dialog.List().GetCount() == 7 && dialog.List().GetCurSel() == 6; },
                             [&] {
                               return "count " + std::to_string(dialog.List().GetCount()) + ", selection " +
                                      std::to_string(dialog.List().GetCurSel());
                             }));
  EXPECT_EQ(dialog.List().GetText(3), "");
  EXPECT_EQ(dialog.List().GetText(5), std::string(254, 'x'));
  EXPECT_EQ(dialog.List().GetText(6), std::string(46, 'x'));
  // Rewritten shorter: the list empties; the next change brings the lines back.
  Replace("new\r\n");
  ASSERT_TRUE(test.PumpUntil([&] { return dialog.List().GetCount() == 0; }));
  Replace("new\r\nlines\r\n");
  ASSERT_TRUE(test.PumpUntil([&] { return dialog.List().GetCount() == 2; }));
  EXPECT_EQ(dialog.List().GetText(0), "new");

  static_cast<ui::CButton*>(dialog.GetDlgItem(ids::kOpenFolder))->Click();
  ASSERT_EQ(test.host.ShellRequests().size(), 1u);
  EXPECT_EQ(test.host.ShellRequests()[0].verb, "explore");
  EXPECT_EQ(test.host.ShellRequests()[0].path, ".\\Reports\\");

  // Space closes the dialog only at the RDTResult station.
  ui::KeyMessage space;
  space.virtualKey = ui::VK_SPACE;
  EXPECT_TRUE(dialog.PreTranslateMessage(space));
  EXPECT_FALSE(dialog.IsEnded());
  test.SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "TestStation", "RDTResult");
  EXPECT_TRUE(dialog.PreTranslateMessage(space));
  EXPECT_TRUE(dialog.IsEnded());
  EXPECT_EQ(dialog.m_ClosedByKey, 1);
  dialog.DestroyWindow();
}

TEST_F(ResultDialogThreads, AMissingReportLeavesTheListEmptyAndTheCaptionFileNamesTheButton) {
  test.station.WriteFile("Configuration/System/ENG.ini", "[Result Dialog]\r\nIDC_BUTTON_Open= Open folder \r\n");
  platform::FlushProfileCache();
  CResultMessageDlg dialog;
  dialog.m_Slot = 1;
  dialog.m_ReportFile = ".\\none.txt";
  ASSERT_TRUE(dialog.Create(nullptr));
  EXPECT_EQ(dialog.GetDlgItemText(ids::kOpenFolder), "Open folder");
  EXPECT_EQ(dialog.GetCaption(1234, false), "");
  test.dispatcher.PumpUntil([] { return false; }, 20);
  EXPECT_EQ(dialog.List().GetCount(), 0);
  dialog.OnCancel();
  EXPECT_EQ(dialog.GetResult(), ui::IDCANCEL);
  dialog.DestroyWindow();
}

class SummaryPage : public LegacyPageTest {
 protected:
  void WriteSummary(const std::string& text) {
    test.station.WriteFile("W123_" + platform::ComputerName() + "/MP/_Summary.log", text);
    platform::FlushProfileCache();
  }
  CSecondPropertyPage summary;
};

TEST_F(SummaryPage, ListsTheCardTotalsAndTheErrorCodesByCount) {
  WriteSummary("[Results]\r\nPass=97\r\nTotalErrorCount=3\r\n[ErrorList]\r\nI_x06=1\r\nF_E03=2\r\n");
  ASSERT_TRUE(summary.Create(nullptr));
  EXPECT_TRUE(test.host.MessageBoxes().empty());
  EXPECT_TRUE(summary.m_listCardTotals.IsWindowVisible());
  ASSERT_EQ(summary.m_listCardTotals.GetItemCount(), 3);
  EXPECT_EQ(summary.m_listCardTotals.GetItemText(0, 0), "Total Card");
  EXPECT_EQ(summary.m_listCardTotals.GetItemText(0, 2), "100%");
  EXPECT_EQ(summary.m_listCardTotals.GetItemText(1, 2), "97.00%");
  EXPECT_EQ(summary.m_listCardTotals.GetItemText(2, 0), "Total Fail Card");
  EXPECT_EQ(summary.m_listCardTotals.GetItemText(2, 2), "3.00%");
  ASSERT_EQ(summary.m_listErrorCodes.GetItemCount(), 2);
  EXPECT_EQ(summary.m_listErrorCodes.GetItemText(0, 0), "F_E03");
  EXPECT_EQ(summary.m_listErrorCodes.GetItemText(0, 1), "2");
  EXPECT_EQ(summary.m_listErrorCodes.GetItemText(0, 2), "66.67%");
  EXPECT_EQ(summary.m_listErrorCodes.GetItemText(1, 0), "I_x06");
  for (int id : {ids::kGenerate, ids::kSaveAsText, ids::kGenerateAnother, ids::kSummaryChoiceGroup,
                 ids::kSummaryFiles}) {
    EXPECT_FALSE(summary.GetDlgItem(id)->IsWindowVisible()) << id;
  }
  // The firmware header panel of the sample MP image.
  const std::string header = summary.m_editHeaderInfo.GetWindowText();
  EXPECT_EQ(header.rfind("BIN Build Time: ", 0), 0u) << header;
  EXPECT_NE(header.find("\r\nHeader Mark: "), std::string::npos);
  EXPECT_EQ(std::count(header.begin(), header.end(), '\n'), 9);
}

TEST_F(SummaryPage, AMissingSummaryLogIsReportedAndAnotherControllerShowsNoHeader) {
  test.SetKey(kParam, "Device Info", "ControllerType", "XX1000");
  ASSERT_TRUE(summary.Create(nullptr));
  ASSERT_EQ(test.host.MessageBoxes().size(), 1u);
  EXPECT_EQ(test.host.MessageBoxes()[0].text, "Don't found _Summary.log file !!!");
  EXPECT_FALSE(summary.m_listCardTotals.IsWindowVisible());
  EXPECT_EQ(summary.m_editHeaderInfo.GetWindowText(), "");
}

TEST_F(SummaryPage, ALogFolderWithoutItsSeparatorGetsOneAndTheTextCanBeSaved) {
  test.SetKey(kParam, "Log Path", "SetLogFolderPath", ".\\MyLogs");
  test.station.WriteFile("MyLogs/_Summary.log", "[Results]\r\nPass=0\r\nTotalErrorCount=0\r\n");
  platform::FlushProfileCache();
  ASSERT_TRUE(summary.Create(nullptr));
  EXPECT_EQ(summary.m_strSummaryLog, ".\\MyLogs\\_Summary.log");
  EXPECT_TRUE(test.host.MessageBoxes().empty());
  EXPECT_EQ(summary.m_listCardTotals.GetItemText(1, 2), "0.00%");
  EXPECT_EQ(summary.m_listCardTotals.GetItemText(2, 2), "0.00%");
  summary.OnSaveAsText();
  EXPECT_EQ(test.station.ReadFile("MyLogs/Text_Summary.log"),
            "Total Card\t0\t100%\r\nTotal Pass Card\t0\t0.00%\r\nTotal Fail Card\t0\t0.00%\r\n");
  EXPECT_TRUE(summary.GetDlgItem(ids::kSaveAsText)->IsWindowVisible());
  EXPECT_EQ(test.station.ReadFile("MyLogs/_Summary.log"), "[Results]\r\nPass=0\r\nTotalErrorCount=0\r\n");
  // Escape never closes the page.
  ui::KeyMessage escape;
  escape.virtualKey = ui::VK_ESCAPE;
  EXPECT_TRUE(summary.PreTranslateMessage(escape));
  // Generate another: the summary log first, then the spreadsheets of the folder.
  test.station.WriteFile("MyLogs/A_Summary.xls", "x");
  summary.OnGenerateAnother();
  EXPECT_TRUE(summary.GetDlgItem(ids::kSummaryFiles)->IsWindowVisible());
  ASSERT_EQ(summary.m_comboSummaryFiles.GetCount(), 2);
  EXPECT_EQ(summary.m_comboSummaryFiles.GetLBText(0), ".\\MyLogs\\_Summary.log");
  EXPECT_EQ(summary.m_comboSummaryFiles.GetLBText(1), ".\\MyLogs\\A_Summary.xls");
  summary.OnGenerateAnother();
  EXPECT_FALSE(summary.GetDlgItem(ids::kSummaryFiles)->IsWindowVisible());
}

}  // namespace
}  // namespace legacytest
