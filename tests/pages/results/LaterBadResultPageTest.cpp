// The later-bad result page, headless on the simulated station: its set-up and captions, the
// bad-block limit, Show Result end to end (a drive on its ROM code is scanned with the page's
// limit, a drive on its RDT firmware has its RDT results read), the page while its worker
// runs, Load Data of both report kinds, Open File, the kind-dependent layout, the block map and
// the CE map opened from the page.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ResultPageStation.h"
#include "device/StationHelpers.h"
#include "engine/scan/LaterBadRequest.h"
#include "pages/results/BlockMapDlg.h"
#include "pages/results/CeMapDlg.h"
#include "pages/results/LaterBadResultPage.h"
#include "pages/results/ResultReportPaths.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "support/FakeXdgOpen.h"
#include "support/HeldTransport.h"
#include "ui/DesktopOpen.h"

namespace {

namespace ids = lb_ids;
using resultstest::ResultPageStation;

int Count(const std::string& text, const std::string& word) {
  int count = 0;
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++count;
  return count;
}

class LaterBadResultPageTest : public ::testing::Test {
 protected:
  void Open() {
    ASSERT_TRUE(page.Create(nullptr));
    page.OnSetActive();
  }
  void Choose(int port) { page.Disk().SetCurSel(page.Disk().FindStringExact(-1, std::to_string(port))); }
  // Presses Show Result for the port and waits for the worker (which may have ended already).
  void ShowResult(int port) {
    Choose(port);
    page.ShowResultButton().Click();
    ASSERT_TRUE(test.PumpUntil([&] { return !page.IsBusy(); }));
  }
  // Holds the drives' requests, so the page's next worker stays busy until Release.
  std::shared_ptr<testsupport::HeldTransport> HoldTheDrives() {
    auto held = std::make_shared<testsupport::HeldTransport>(device::GetTransport());
    device::SetTransport(held);
    return held;
  }
  std::string Report(int port) { return test.Report(ResultLogFolder(kLaterBadLogKind), port); }

  ResultPageStation test;
  CPropertyPage_LBResult page;
};

TEST_F(LaterBadResultPageTest, SetUpForAScanReportWithCaptionsFromTheCaptionFile) {
  Open();
  // The template's own caption; the sheet names the tab from the caption file.
  EXPECT_EQ(page.GetTitle(), "Dialog");
  EXPECT_EQ(page.GetDlgItemText(ids::kShowResult), "Show Result");
  EXPECT_EQ(page.GetDlgItemText(ids::kDiskLabel), "Disk :");
  EXPECT_EQ(page.GetDlgItemText(ids::kResultLabel), "Later Bad Result :");
  EXPECT_EQ(page.Limit().GetWindowText(), "0");
  EXPECT_FALSE(page.Limit().IsWindowEnabled());
  EXPECT_EQ(page.ReportKind(), 0);
  EXPECT_EQ(page.List(ResultList::EarlyBad).GetColumns()[6].heading, "FailType");
  EXPECT_TRUE(page.List(ResultList::LaterPerPlane).IsWindowVisible());
  EXPECT_EQ(page.GetDlgItemText(ids::kObOlbLabel), "OB + OLB    Count:");
  // The disk list holds the three mapped ports and the first is chosen, without a result.
  EXPECT_EQ(page.Disk().Items(), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(page.Disk().GetCurSel(), 0);
  EXPECT_FALSE(page.IsBusy());
  EXPECT_EQ(g_ActivePage.load(), kActiveLaterBadResultPage);
}

TEST_F(LaterBadResultPageTest, AMissingCaptionKeyLeavesAnEmptyCaption) {
  test.station.WriteFile("Configuration/System/ENG.ini", "[LaterBad Result]\r\nIDC_STATIC_LB_DISK=Drive :\r\n");
  platform::FlushProfileCache();
  Open();
  EXPECT_EQ(page.GetDlgItemText(ids::kDiskLabel), "Drive :");
  EXPECT_EQ(page.GetDlgItemText(ids::kShowResult), "");
  EXPECT_EQ(page.LoadCaptions(0), "");
}

TEST_F(LaterBadResultPageTest, TheLimitBoxFollowsItsCheckBox) {
  Open();
  page.LimitCheck().Click();
  EXPECT_TRUE(page.Limit().IsWindowEnabled());
  page.Limit().UserEdit("5%");
  page.LimitCheck().Click();
  EXPECT_FALSE(page.Limit().IsWindowEnabled());
  EXPECT_EQ(page.Limit().GetWindowText(), "0");
}

TEST_F(LaterBadResultPageTest, ShowResultScansADriveOnItsRomCodeWithThePagesLimit) {
  Open();
  page.LimitCheck().Click();
  page.Limit().UserEdit(" 50 ");
  ShowResult(1);
  EXPECT_EQ(page.Status().GetWindowText(), "Pass");
  EXPECT_EQ(page.Progress().GetPos(), 100);
  const std::string report = Report(1);
  EXPECT_NE(report.find("ROM mode"), std::string::npos) << report;
  EXPECT_NE(report.find("Later Bad Result Bad Block limit = 50"), std::string::npos) << report;
  EXPECT_NE(report.find("Later Bad Result max bad pre plane = 50"), std::string::npos) << report;
  EXPECT_EQ(page.ReportKind(), 0);
  // Every listed bad block of the report is on the page: early lines (OLB kinds left out) and
  // later lines.
  const int early = Count(report, "Early Bad Block_") - Count(report, "-OLB");
  EXPECT_GT(early, 0);
  EXPECT_EQ(page.List(ResultList::EarlyBad).GetItemCount(), early);
  EXPECT_EQ(page.BoxText(ids::kEarlyCount), std::to_string(early));
  EXPECT_EQ(page.List(ResultList::LaterBad).GetItemCount(), Count(report, "Later Bad Block_"));
  EXPECT_EQ(page.List(ResultList::PerPlane).GetItemCount(), Count(report, "EarlyBad:"));
  EXPECT_EQ(page.ReportLines().GetCount(), Count(report, "\n"));
  EXPECT_EQ(page.ReportLines().GetCurSel(), page.ReportLines().GetCount() - 1);
  const std::size_t later = report.find("Later    Bad Count = ");
  ASSERT_NE(later, std::string::npos);
  EXPECT_EQ(page.BoxText(ids::kLaterCount), report.substr(later + 21, report.find(' ', later + 21) - later - 21));
  // The request went to this worker's scan only and is cleared; the page can run again.
  EXPECT_EQ(g_LaterBadRequest, 0);
  EXPECT_TRUE(page.ShowResultButton().IsWindowEnabled());
  EXPECT_TRUE(page.Disk().IsWindowEnabled());
}

// The page writes into the QC station's log folder: Show Result keeps the QC pass's own slot
// report, moved aside under the time it was moved, and writes its report in its place.
TEST_F(LaterBadResultPageTest, ShowResultKeepsTheQcPassReportItReplaces) {
  Open();
  const ResultReportLocation location = LocateResultReport(kLaterBadLogKind, 1);
  const std::string qcReport = "the QC pass's report of slot 1\r\n";
  ASSERT_NE(MakeDirectoryPath(location.reportFolder), 0);
  ASSERT_TRUE(platform::WriteWholeFile(location.reportPath, qcReport));
  ShowResult(1);
  EXPECT_EQ(page.Status().GetWindowText(), "Pass");
  EXPECT_NE(Report(1).find("ROM mode"), std::string::npos);
  const auto kept = platform::FindFiles(ResultLogFolder(kLaterBadLogKind) + "\\D_Reports\\Earlier\\*_1_Report_*.txt");
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(platform::ReadWholeFile(ResultLogFolder(kLaterBadLogKind) + "\\D_Reports\\Earlier\\" + kept[0].name),
            qcReport);
}

TEST_F(LaterBadResultPageTest, ALimitThatAPlaneExceedsFailsTheScanAndTheReportIsStillShown) {
  Open();
  page.LimitCheck().Click();
  page.Limit().UserEdit("2");
  ShowResult(1);
  const std::string status = page.Status().GetWindowText();
  EXPECT_EQ(status.rfind("Fail, 0x", 0), 0u) << status;
  EXPECT_NE(status.find("over Spec(2)"), std::string::npos) << status;
  EXPECT_LT(page.Progress().GetPos(), 100);
  EXPECT_GT(page.List(ResultList::EarlyBad).GetItemCount(), 0);
  EXPECT_EQ(g_LaterBadRequest, 0);
  // Without the check box the next press hands "0": no limit of the page.
  page.LimitCheck().Click();
  ShowResult(1);
  EXPECT_EQ(page.Status().GetWindowText(), "Pass");
  EXPECT_EQ(Report(1).find("Later Bad Result Bad Block limit"), std::string::npos);
}

TEST_F(LaterBadResultPageTest, ShowResultReadsTheRdtResultsOfADriveOnItsRdtFirmware) {
  Open();
  ShowResult(2);
  const std::string report = Report(2);
  EXPECT_NE(report.find("ROM mode - RDTFW"), std::string::npos) << report;
  EXPECT_NE(report.find("Temperature_Time Log"), std::string::npos);
  EXPECT_EQ(page.ReportKind(), 1);
  EXPECT_EQ(page.List(ResultList::EarlyBad).GetColumns()[9].heading, "Fail Type");
  EXPECT_FALSE(page.List(ResultList::LaterPerPlane).IsWindowVisible());
  EXPECT_EQ(page.GetDlgItemText(ids::kLaterLabel), "RDT Bad");
  // The four logged blocks: one factory record, three later records.
  EXPECT_EQ(page.List(ResultList::EarlyBad).GetItemCount(), 1);
  EXPECT_EQ(page.List(ResultList::LaterBad).GetItemCount(), 3);
  EXPECT_EQ(page.BoxText(ids::kEraseFail), "1");
  EXPECT_EQ(page.BoxText(ids::kProgramFail), "1");
  EXPECT_EQ(page.BoxText(ids::kReadFail), "1");
  EXPECT_EQ(page.BoxText(ids::kEccXs), "44/22");
  // The companion summary was written beside the report.
  const std::string summary =
      test.ReadStationFile(ResultLogFolder(kLaterBadLogKind), "D_Reports/HOST_2_Report_Temp.txt");
  EXPECT_NE(summary.find("[total]CE0,CH0:AllB="), std::string::npos) << summary;
  EXPECT_EQ(summary.find("un:"), std::string::npos) << summary;
}

TEST_F(LaterBadResultPageTest, AFailingDriveStillHasItsReportReadBack) {
  Open();
  test.sim.Station().SlotOfDrive(3)->Faults().Add(sim::FaultRule{"Any", 0, 0, sim::FaultAction::Timeout});
  ShowResult(3);
  const std::string status = page.Status().GetWindowText();
  EXPECT_EQ(status.rfind("Fail, 0x", 0), 0u) << status;
  EXPECT_NE(status.find("Detect Error Please Re-Plug!!"), std::string::npos) << status;
  EXPECT_GT(page.ReportLines().GetCount(), 0);  // the new report's banner
  EXPECT_EQ(g_LaterBadRequest, 0);
  EXPECT_LT(page.Progress().GetPos(), 100);
}

TEST_F(LaterBadResultPageTest, ABusyPageRefusesShowResultLoadDataAndTheCeMap) {
  Open();
  Choose(1);
  const auto held = HoldTheDrives();
  ASSERT_TRUE(page.OnBtnShowResult());
  ASSERT_TRUE(held->WaitForRequest());
  EXPECT_TRUE(page.IsBusy());
  EXPECT_FALSE(page.ShowResultButton().IsWindowEnabled());
  EXPECT_FALSE(page.GetDlgItem(ids::kLoadData)->IsWindowEnabled());
  EXPECT_FALSE(page.GetDlgItem(ids::kCeMap)->IsWindowEnabled());
  EXPECT_FALSE(page.OnBtnShowResult());
  EXPECT_FALSE(page.OnBtnLoadData());
  page.OnBtnCeMap();
  EXPECT_TRUE(test.host.ModalDialogs().empty());
  EXPECT_TRUE(test.host.FileDialogs().empty());
  // Leaving the page does not enable them again while the worker runs.
  page.OnKillActive();
  EXPECT_FALSE(page.ShowResultButton().IsWindowEnabled());
  EXPECT_FALSE(page.Disk().IsWindowEnabled());
  EXPECT_FALSE(page.OnQueryCancel());
  held->Release();
  ASSERT_TRUE(test.PumpUntil([&] { return !page.IsBusy(); }));
  EXPECT_TRUE(page.ShowResultButton().IsWindowEnabled());
  EXPECT_TRUE(page.OnQueryCancel());
}

TEST_F(LaterBadResultPageTest, ChoosingAPortShowsItsResultAtOnce) {
  Open();
  EXPECT_FALSE(page.IsBusy());  // activating the page did not
  const auto held = HoldTheDrives();
  page.Disk().UserSelect(page.Disk().FindStringExact(-1, "1"));
  ASSERT_TRUE(held->WaitForRequest());  // the choice alone started a worker on the drive
  EXPECT_TRUE(page.IsBusy());
  held->Release();
  ASSERT_TRUE(test.PumpUntil([&] { return !page.IsBusy(); }));
  EXPECT_EQ(page.Status().GetWindowText(), "Pass");
}

TEST_F(LaterBadResultPageTest, NoDriveForThePortStartsNothing) {
  Open();
  page.Disk().ResetContent();
  page.Disk().AddString("7");
  page.Disk().SetCurSel(0);
  EXPECT_FALSE(page.OnBtnShowResult());
  EXPECT_FALSE(page.IsBusy());
  EXPECT_EQ(g_LaterBadRequest, 0);
}

TEST_F(LaterBadResultPageTest, LoadDataReadsAReportOfEitherKind) {
  Open();
  const std::string folder = ResultLogFolder(kLaterBadLogKind);
  test.host.AnswerNextFileDialog(std::nullopt);
  EXPECT_FALSE(page.OnBtnLoadData());
  ASSERT_EQ(test.host.FileDialogs().size(), 1u);
  EXPECT_EQ(test.host.FileDialogs()[0].initialFolder, folder + "\\D_Reports");
  EXPECT_EQ(page.ReportPath(), folder + "\\D_Reports");

  // A scan marker first, the RDT marker later: the later marker wins; "[RB_SLC]" selects the
  // OB/RB sections.
  test.station.WriteFile("saved/rdt.txt",
                         "   Get Max Bad block number Percent= 4 \r\n   Temperature_Time Log: \r\n"
                         "   [OB]   CE: 1, CH: 0, Plane0=4 \r\n   [RB_SLC] CE: 1, CH: 0, Plane0=0 \r\n"
                         "   [total] CE_1, CH_0: All Bad = 4, OB = 4, RB = 0(SLCEB:0/SLCPB:0/SLCRB:0/E:0/P:0/R:0/un:0) \r\n");
  test.host.AnswerNextFileDialog(std::string(".\\saved\\rdt.txt"));
  ASSERT_TRUE(page.OnBtnLoadData());
  EXPECT_EQ(page.ReportKind(), 1);
  ASSERT_EQ(page.List(ResultList::PerPlane).GetItemCount(), 2);
  EXPECT_EQ(page.List(ResultList::PerPlane).GetItemText(1, 0), "SLC Bad");
  EXPECT_EQ(page.List(ResultList::CeChannel0).GetItemText(1, 2), "4");
  EXPECT_NE(test.station.ReadFile("saved/rdt_Temp.txt").find("[total]CE1,CH0:AllB=4,OB=4,RB=0"), std::string::npos);

  // A report without markers is read as a scan report with the lists as they were.
  test.station.WriteFile("saved/plain.txt", "   Later    Bad Count = 9 \r\n");
  test.host.AnswerNextFileDialog(std::string(".\\saved\\plain.txt"));
  ASSERT_TRUE(page.OnBtnLoadData());
  EXPECT_EQ(page.ReportKind(), 0);
  EXPECT_EQ(page.BoxText(ids::kLaterCount), "9");
  EXPECT_EQ(page.ReportLines().GetCount(), 1);
}

TEST_F(LaterBadResultPageTest, OpenFileOpensTheChosenPortsReport) {
  Open();
  Choose(2);
  page.OnBtnOpenFile();
  ASSERT_EQ(test.host.ShellRequests().size(), 1u);
  EXPECT_EQ(test.host.ShellRequests()[0].verb, "open");
  EXPECT_EQ(test.host.ShellRequests()[0].path, ResultLogFolder(kLaterBadLogKind) + "\\D_Reports\\HOST_2_Report.txt");
}

TEST_F(LaterBadResultPageTest, OpenFileOfAPortWithoutAReportSaysTheReportIsMissing) {
  Open();
  Choose(2);
  test.host.SetShellResult(false);
  page.OnBtnOpenFile();
  ASSERT_EQ(test.host.MessageBoxes().size(), 1u);
  EXPECT_EQ(test.host.MessageBoxes()[0].text,
            platform::ToNativePath(ResultLogFolder(kLaterBadLogKind) + "\\D_Reports\\HOST_2_Report.txt").string() +
                " could not be opened: the file does not exist.");
}

TEST_F(LaterBadResultPageTest, AnOpenFileThatFailsAfterXdgOpenStartedIsToldWhenThePageHasGone) {
  const testsupport::FakeXdgOpen xdgOpen(test.station.Folder() / "bin");
  xdgOpen.Runs("exit 3");
  test.host.CarryOutShellRequests();
  const ResultReportLocation location = LocateResultReport(kLaterBadLogKind, 2);
  ASSERT_NE(MakeDirectoryPath(location.reportFolder), 0);
  ASSERT_TRUE(platform::WriteWholeFile(location.reportPath, "the report of slot 2\r\n"));
  {
    CPropertyPage_LBResult gone;
    ASSERT_TRUE(gone.Create(nullptr));
    gone.OnSetActive();
    gone.Disk().SetCurSel(gone.Disk().FindStringExact(-1, "2"));
    gone.OnBtnOpenFile();
  }
  ASSERT_TRUE(test.PumpUntil([] { return ui::WatchedDesktopOpens() == 0; }));
  ASSERT_EQ(test.host.MessageBoxes().size(), 1u);
  EXPECT_EQ(test.host.MessageBoxes()[0].text,
            platform::ToNativePath(location.reportPath).string() +
                " could not be opened: xdg-open found no program for it (exit status 3: a required tool could not be "
                "found).");
  EXPECT_EQ(test.host.MessageBoxes()[0].owner, nullptr);
}

TEST_F(LaterBadResultPageTest, TheBlockMapOpensTheChosenPortsReportAfterShowResult) {
  Open();
  ShowResult(1);
  std::string read;
  int rows = 0;
  test.host.ScriptNextDialog([&](ui::CDialog& dialog) {
    auto& map = dynamic_cast<CBlockMapDlg&>(dialog);
    read = map.ReportRead();
    rows = map.m_listCh0.GetItemCount();
    dialog.EndDialog(ui::IDCANCEL);
  });
  page.OnBtnBlockMap();
  EXPECT_EQ(read, ResultLogFolder(kLaterBadLogKind) + "\\D_Reports\\HOST_1_Report.txt");
  EXPECT_GT(rows, 0);
  EXPECT_TRUE(test.host.FileDialogs().empty());
}

TEST_F(LaterBadResultPageTest, TheCeMapShowsTheChosenDrivesChipEnables) {
  Open();
  Choose(1);
  std::string scan;
  std::string ceMap;
  std::string firstId;
  test.host.ScriptNextDialog([&](ui::CDialog& dialog) {
    auto& map = dynamic_cast<CCeMapDlg&>(dialog);
    scan = map.m_scanCe.GetWindowText();
    ceMap = map.m_ceMap.GetWindowText();
    firstId = map.m_channel0.GetItemText(0, 0);
    dialog.EndDialog(ui::IDCANCEL);
  });
  page.OnBtnCeMap();
  ASSERT_EQ(test.host.ModalDialogs().size(), 1u);
  EXPECT_EQ(scan, "1 1 1 1 0 0 0 0   0 0 0 0 0 0 0 0 ");
  // The drive on its MP firmware gives no RDT information: no CE map, nothing disabled.
  EXPECT_EQ(ceMap, "0 0 0 0 0 0 0 0   0 0 0 0 0 0 0 0");
  EXPECT_EQ(firstId.size(), 20u);
  EXPECT_NE(firstId, "00 00 00 00 00 00 00");
}

TEST(CeMapTexts, BitStringsAndTheDisabledCes) {
  EXPECT_EQ(CeBitString(0x8183), "1 1 0 0 0 0 0 1   1 0 0 0 0 0 0 1 ");
  // CE 0 and 1 answer, the map enables CE 0 only: CE 1 is listed, marked when the word was read.
  EXPECT_EQ(DisabledCeText(0x0003, 0x0001, false, 0), "CE 1, ");
  EXPECT_EQ(DisabledCeText(0x0003, 0x0001, true, 0x0000), "CE 1(OBB), ");
  EXPECT_EQ(DisabledCeText(0x0103, 0x0001, true, 0x0100), "CE 1(OBB), CE 8(RBB), ");
  // A CE enabled in the map that did not answer is not listed.
  EXPECT_EQ(DisabledCeText(0x0001, 0x0003, false, 0), "");
}

}  // namespace
