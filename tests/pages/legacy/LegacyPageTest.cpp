// The legacy slot page, headless: what it shows after initialisation (counters, hidden
// controls, icons, product information, serial range, host texts), the log folder it sets up,
// the keys, Clear Record, the elapsed time, the relayout at activation, the parameter files
// with their lock and Reload Param, tester detection and the slot report dialog.
#include "LegacyPageFixture.h"

#include "pages/legacy/LegacyGlobals.h"
#include "pages/legacy/ResultMessageDlg.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace legacytest {
namespace {

TEST_F(LegacyPageTest, InitialisationShowsCountersProductInformationAndTheGrid) {
  Open();
  EXPECT_EQ(page.CountText(ids::kTotalCount), "0");
  EXPECT_EQ(page.CountText(ids::kGoodCount), "0");
  EXPECT_EQ(page.CountText(ids::kBadCount), "0");
  // Initial, QC, Loop and Auto Detect are hidden; the keys still reach their flows.
  EXPECT_FALSE(page.FlowButton(ids::kQc).IsWindowVisible());
  EXPECT_FALSE(page.FlowButton(ids::kInitial).IsWindowVisible());
  EXPECT_FALSE(page.LoopCheck().IsWindowVisible());
  EXPECT_FALSE(page.AutoDetectCheck().IsWindowVisible());
  EXPECT_TRUE(page.FlowButton(ids::kBadBlock).IsWindowVisible());
  EXPECT_EQ(page.FlowButton(ids::kBadBlock).GetImage().icon, 139);
  EXPECT_EQ(page.FlowButton(ids::kPretest).GetImage().icon, 194);
  EXPECT_EQ(page.FlowButton(ids::kReloadParam).GetImage().icon, 200);
  EXPECT_EQ(page.FlowButton(ids::kBadBlock).GetAlign(), 1);
  EXPECT_EQ(page.TimeButton().GetImage().icon, 270);
  EXPECT_EQ(page.TimeButton().GetAlign(), 0);
  EXPECT_EQ(page.TimeButton().GetWindowText(), "");
  EXPECT_EQ(page.TimeButton().GetFont()->lfWeight, 900);
  EXPECT_FALSE(page.GetDlgItem(ids::kStaticText)->IsWindowVisible());
  EXPECT_FALSE(page.GetDlgItem(ids::kColorBox)->IsWindowVisible());

  ASSERT_EQ(page.ProductInfoList().GetCount(), 11);
  EXPECT_EQ(page.ProductInfoList().GetText(0), "Info Source : param.INI \n");
  EXPECT_EQ(page.ProductInfoList().GetText(1), "(1) Working Order : W123\n");
  EXPECT_EQ(page.ProductInfoList().GetText(4), "(4) ISP_FW Code : TV3160_MP_Sample.bin\n");

  // The sample param.ini hands out serial numbers: the range line shows the start.
  EXPECT_TRUE(page.GetDlgItem(ids::kSerialRange)->IsWindowVisible());
  EXPECT_EQ(page.GetDlgItemText(ids::kSerialRange), "00000000 ~ ");
  EXPECT_FALSE(page.GetDlgItem(ids::kPortNumber)->IsWindowVisible());

  // 48 slots: every group shown, slot 1 at the right of the top row, red on black " 1 ".
  EXPECT_EQ(page.SlotNumber(), 48);
  EXPECT_EQ(page.SlotBox(48).GetWindowRect(), ui::CRect::FromSize(4, 500, 70, 60));
  EXPECT_TRUE(page.SlotBox(48).IsWindowVisible());
  EXPECT_EQ(page.SlotBox(1).GetWindowText(), " 1 ");
  EXPECT_EQ(page.SlotBox(48).GetWindowText(), " 48 ");
  EXPECT_EQ(page.SlotBox(1).GetTextColor(), ui::RGB(255, 0, 0));
  EXPECT_EQ(page.SlotBox(1).GetBkColor(), ui::RGB(0, 0, 0));

  EXPECT_EQ(g_WorkFolder.Get(), platform::StationFolderText() + "\\");
  EXPECT_EQ(g_HostComputerName.Get(), platform::ComputerName());
  EXPECT_FALSE(g_WindowsVersionText.Get().empty());
  EXPECT_EQ(page.ParamIniPath(), platform::StationFolderText() + "\\param.INI");
}

TEST_F(LegacyPageTest, LogFolderTemplatesAndSerialRecord) {
  test.SetKey(".\\SATA_Setting.ini", "Global_Setting", "Last SN", "ABCDEFGHIJKL00000042");
  Open();
  EXPECT_EQ(page.LogFolder(), ExpectedLogFolder());
  EXPECT_EQ(page.SettingIniPath(), "S:\\SATA_Setting.ini");
  EXPECT_TRUE(platform::IsDirectory(page.LogFolder() + "\\D_Reports"));
  EXPECT_TRUE(platform::IsDirectory(page.LogFolder() + "\\Fail_Log"));
  EXPECT_TRUE(platform::IsDirectory(page.LogFolder() + "\\Pass_Log"));
  EXPECT_FALSE(platform::IsDirectory(page.LogFolder() + "\\Current"));
  EXPECT_EQ(Key("_Summary.log", "Results", "Pass"), "0");
  EXPECT_EQ(Key("_Summary.log", "Results", "TotalErrorCount"), "0");
  EXPECT_EQ(Key("_Summary.log", "ErrorList", "ErrorCode"), "count");
  EXPECT_EQ(Key("SATA_RecordSN.ini", "Serial Number", "Start Serial Number"), "00000042");
  EXPECT_EQ(Key("SATA_RecordSN.ini", "Serial Number", "Last Serial Number"), "");
  EXPECT_EQ(Key("SATA_RecordSN.ini", "Tester-24 Error", "[Year-Month-Day-Hour-Minute-Second]"),
            "xxxxxxxxxxxxxxxxxxxx");
  EXPECT_EQ(g_LastSerialText.Get(), "ABCDEFGHIJKL00000042");
  // No stray file named after the last serial number, and no total log before a flow ran.
  EXPECT_FALSE(platform::FileExists("ABCDEFGHIJKL00000042"));
  EXPECT_TRUE(page.TotalLogPath().empty());
  EXPECT_EQ(page.GetDlgItemText(ids::kSerialRange), "00000042 ~ ");

  // A second set-up keeps the summary, rewrites the start and clears the last serial number.
  platform::WriteProfileString(page.LogFolder() + "\\_Summary.log", "Results", "Pass", "5");
  platform::WriteProfileString(page.LogFolder() + "\\SATA_RecordSN.ini", "Serial Number", "Last Serial Number", "X");
  test.SetKey(".\\SATA_Setting.ini", "Global_Setting", "Last SN", "");
  test.SetKey(kParam, "General Info", "SerialNum", "5");
  page.SetupLogFolders();
  EXPECT_EQ(Key("_Summary.log", "Results", "Pass"), "5");
  EXPECT_EQ(Key("SATA_RecordSN.ini", "Serial Number", "Start Serial Number"), "00000005");
  EXPECT_EQ(Key("SATA_RecordSN.ini", "Serial Number", "Last Serial Number"), "");
}

TEST_F(LegacyPageTest, ALogFolderSetInParamIniIsTheLogFolder) {
  test.SetKey(kParam, "Log Path", "SetLogFolderPath", ".\\MyLogs");
  test.SetKey(kParam, "Log", "save_current", "1");
  Open();
  EXPECT_EQ(page.LogFolder(), ".\\MyLogs");
  EXPECT_TRUE(platform::FileExists(".\\MyLogs\\_Summary.log"));
  EXPECT_TRUE(platform::IsDirectory(".\\MyLogs\\Current"));
}

TEST_F(LegacyPageTest, CountersComeFromTheFirstTotalLogThatExists) {
  const std::string folder = "W123_" + platform::ComputerName();
  test.station.WriteFile(folder + "/Total_QC.log", "[Total Results]\r\nTotal=9\r\nGood=8\r\nBad=1\r\n");
  test.station.WriteFile(folder + "/Total_Debug.log", "[Total Results]\r\nTotal=99\r\nGood=98\r\nBad=1\r\n");
  Open();
  EXPECT_EQ(page.CountText(ids::kTotalCount), "9");
  EXPECT_EQ(page.CountText(ids::kGoodCount), "8");
  EXPECT_EQ(page.CountText(ids::kBadCount), "1");
}

TEST_F(LegacyPageTest, EscapeIsSwallowedAndClearRecordResetsTheCounters) {
  Open();
  ui::KeyMessage escape;
  escape.virtualKey = ui::VK_ESCAPE;
  EXPECT_TRUE(page.PreTranslateMessage(escape));
  page.SlotBox(3).SetWindowText("Pass");
  page.SlotProgress(3).SetPos(70);
  page.SetDlgItemText(ids::kTotalCount, "4");
  page.GetDlgItem(ids::kClearRecord)->EnableWindow(true);
  static_cast<ui::CButton*>(page.GetDlgItem(ids::kClearRecord))->Click();
  EXPECT_EQ(page.SlotBox(3).GetWindowText(), " 3 ");
  EXPECT_EQ(page.SlotProgress(3).GetPos(), 0);
  EXPECT_EQ(page.CountText(ids::kTotalCount), "0");
  // No flow has named a total log yet: nothing is written to an empty path.
  EXPECT_TRUE(page.TotalLogPath().empty());
}

TEST_F(LegacyPageTest, ResetCaptionsCoversTheSlotsOfTheRunOnly) {
  test.SetKey(kParam, "General Info", "SlotNumber", "24");
  Open();
  page.SlotBox(30).SetWindowText("kept");
  page.SlotProgress(30).SetPos(50);
  page.SlotBox(2).SetWindowText("gone");
  page.ResetSlotCaptions();
  EXPECT_EQ(page.SlotBox(2).GetWindowText(), " 2 ");
  EXPECT_EQ(page.SlotBox(30).GetWindowText(), "kept");
  EXPECT_EQ(page.SlotProgress(30).GetPos(), 50);
  // 24 slots: groups 25..48 hidden, their texts kept.
  EXPECT_FALSE(page.SlotBox(30).IsWindowVisible());
  EXPECT_EQ(page.SlotBox(24).GetWindowRect(), ui::CRect::FromSize(50, 500, 100, 60));
  // A new slot count takes effect at the next activation.
  test.SetKey(kParam, "General Info", "SlotNumber", "5");
  page.OnSetActive();
  EXPECT_TRUE(page.SlotBox(6).IsWindowVisible());
  EXPECT_FALSE(page.SlotBox(7).IsWindowVisible());
  EXPECT_EQ(page.SlotBox(30).GetWindowText(), "kept");
}

TEST_F(LegacyPageTest, TheTimeButtonShowsMinutesAndSecondsOfThePass) {
  Open();
  std::uint64_t now = 1000;
  platform::SetTickSource([&now] { return now; });
  page.FlowButton(ids::kBadBlock);  // the page is open
  page.OnTimer(CFirstPropertyPage::kElapsedTimer);  // from clock 0: 1 s
  EXPECT_EQ(page.TimeButton().GetWindowText(), "00:01");
  now = (3600 + 2 * 60 + 5) * 1000;
  page.OnTimer(CFirstPropertyPage::kElapsedTimer);
  EXPECT_EQ(page.TimeButton().GetWindowText(), "02:05");
  page.OnTimer(CFirstPropertyPage::kIdleTimer);
  EXPECT_EQ(page.TimeButton().GetWindowText(), "02:05");
  platform::SetTickSource(nullptr);
}

TEST_F(LegacyPageTest, ParameterFilesListTheOtherIniFilesAndLoadOverParamIni) {
  test.station.WriteFile("Other.ini", "[General Info]\r\nModelName=Other Model\r\n[Device Info]\r\nControllerType=TV3160\r\n");
  test.station.WriteFile("PARAM.INI.bak", "x");
  Open();
  ui::CComboBox& list = page.ParameterFileList();
  std::vector<std::string> names;
  for (int i = 0; i < list.GetCount(); ++i) names.push_back(list.GetLBText(i));
  EXPECT_EQ(std::count(names.begin(), names.end(), "Other.ini"), 1);
  for (const std::string& name : names) EXPECT_NE(platform::ToUpper(name), "PARAM.INI");

  // The lock freezes the list.
  page.LockCheck().Click();
  EXPECT_FALSE(list.IsWindowEnabled());
  page.LockCheck().Click();
  EXPECT_TRUE(list.IsWindowEnabled());

  list.UserSelect(static_cast<int>(std::find(names.begin(), names.end(), "Other.ini") - names.begin()));
  EXPECT_EQ(test.station.ReadFile("param.ini"), test.station.ReadFile("Other.ini"));
  EXPECT_EQ(page.ProductInfoList().GetText(3), "(3) Model Name : Other Model\n");
  EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(LegacyPageTest, ReloadParamReplacesParamIniAndAFailureKeepsTheOldFile) {
  Open();
  test.station.WriteFile("chosen.txt", "[General Info]\r\nModelName=Chosen\r\n");
  const std::string before = test.station.ReadFile("param.ini");
  test.host.AnswerNextFileDialog((test.station.Folder() / "chosen.txt").string());
  page.OnReloadParam();
  EXPECT_EQ(test.station.ReadFile("param.ini"), "[General Info]\r\nModelName=Chosen\r\n");
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_EQ(MessageTexts()[0], "Load file Success !!!");
  EXPECT_EQ(page.ProductInfoList().GetText(3), "(3) Model Name : Chosen\n");

  // A file that cannot be read: "Load file Fail !!!" and param.ini as it was.
  test.station.WriteFile("param.ini", before);
  test.host.AnswerNextFileDialog((test.station.Folder() / "gone.txt").string());
  page.OnReloadParam();
  ASSERT_EQ(MessageTexts().size(), 2u);
  EXPECT_EQ(MessageTexts()[1], "Load file Fail !!!");
  EXPECT_EQ(test.station.ReadFile("param.ini"), before);

  // The very text of param.ini's path, and a cancelled dialog, change nothing and say nothing.
  test.host.AnswerNextFileDialog(page.ParamIniPath());
  page.OnReloadParam();
  page.OnReloadParam();
  EXPECT_EQ(MessageTexts().size(), 2u);
  EXPECT_EQ(test.station.ReadFile("param.ini"), before);
  // param.ini named otherwise is copied like any file, onto itself: the copy is refused and
  // param.ini stays whole.
  test.host.AnswerNextFileDialog((test.station.Folder() / "param.ini").string());
  page.OnReloadParam();
  ASSERT_EQ(MessageTexts().size(), 3u);
  EXPECT_EQ(MessageTexts()[2], "Load file Fail !!!");
  EXPECT_EQ(test.station.ReadFile("param.ini"), before);
}

TEST_F(LegacyPageTest, TesterDetectionLabelsTheFortyEightTesters) {
  Open();
  page.GetDlgItem(ids::kDetectTesters);
  static_cast<ui::CButton*>(page.GetDlgItem(ids::kDetectTesters))->Click();
  EXPECT_EQ(page.TestersFound(), 48);
  for (int slot : {1, 24, 25, 48}) {
    EXPECT_NE(page.TesterDrive(slot), 0u) << slot;
    EXPECT_EQ(page.SlotLabelText(slot), std::to_string(slot));
  }
  EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(LegacyPageTest, NoTesterGivesTheDetectionMessage) {
  test.sim.Install(test.station, "[Station]\r\nBoards=1\r\n[Board1]\r\nSlots=2\r\nDrive=Empty\r\n");
  device::SetTransport(nullptr);
  Open();
  static_cast<ui::CButton*>(page.GetDlgItem(ids::kDetectTesters))->Click();
  EXPECT_EQ(page.TestersFound(), 0);
  ASSERT_FALSE(MessageTexts().empty());
  EXPECT_EQ(MessageTexts().back(), "Detect SATA Testers failed !!!");
}

TEST_F(LegacyPageTest, InBridgeModeTheDetectionButtonChangesNothing) {
  Open();
  g_U2AMode = 1;
  static_cast<ui::CButton*>(page.GetDlgItem(ids::kDetectTesters))->Click();
  g_U2AMode = 0;
  EXPECT_EQ(page.TestersFound(), 0);
  EXPECT_EQ(page.TesterDrive(1), 0u);
  EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(LegacyPageTest, TheReportButtonOpensTheSlotsReportInTheResultDialog) {
  Open();
  const std::string mac =
      platform::Trim(platform::ReadProfileString(".\\PC_MAC_Address.txt", "PC Info", "MAC_Address", ""));
  ASSERT_FALSE(mac.empty());
  test.station.WriteFile(page.LogFolder().substr(2) + "/D_Reports/" + mac + "_7_Report.txt", "line one\r\n\r\nline three\r\n");
  std::vector<std::string> shown;
  std::string caption;
  test.host.ScriptNextDialog([&](ui::CDialog& dialog) {
    auto& result = static_cast<CResultMessageDlg&>(dialog);
    caption = result.GetWindowText();
    ASSERT_TRUE(test.PumpUntil([&] { return result.List().GetCount() == 3; }));
    for (int i = 0; i < 3; ++i) shown.push_back(result.List().GetText(i));
    result.OnCancel();
  });
  static_cast<ui::CButton*>(page.GetDlgItem(ids::ReportButton(7)))->Click();
  EXPECT_EQ(caption, "Result :  Tester [ 7 ]");
  EXPECT_EQ(shown, (std::vector<std::string>{"line one", "", "line three"}));
}

TEST_F(LegacyPageTest, TheRuntimeClassMakesAPage) {
  std::unique_ptr<CFirstPropertyPage> made = CFirstPropertyPage::CreateObject();
  ASSERT_NE(made, nullptr);
  EXPECT_STREQ(CFirstPropertyPage::kRuntimeClassName, "CFirstPropertyPage");
  EXPECT_EQ(made->GetTemplate()->id, 102);
}

}  // namespace
}  // namespace legacytest
