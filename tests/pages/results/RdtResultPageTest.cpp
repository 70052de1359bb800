// The RDT result page, headless on the simulated station: its set-up, Show Result end to end
// with the page's limit (the RDT log reader takes it, the worker reads the report back and
// clears the request), a failing drive, Load Data in both section styles with its companion
// summary, the size change that empties the choice, and the sort shared with the later-bad
// page.
#include <gtest/gtest.h>

#include <string>

#include "ResultPageStation.h"
#include "engine/rdtlog/RdtLimitRequest.h"
#include "pages/results/BadBlockLists.h"
#include "pages/results/LaterBadResultPage.h"
#include "pages/results/RdtResultPage.h"
#include "pages/results/ResultReportPaths.h"

namespace {

namespace ids = rdt_ids;
using resultstest::ResultPageStation;

class RdtResultPageTest : public ::testing::Test {
 protected:
  void Open() {
    ASSERT_TRUE(page.Create(nullptr));
    page.OnSetActive();
  }
  void ShowResult(int port) {
    page.Disk().SetCurSel(page.Disk().FindStringExact(-1, std::to_string(port)));
    page.ShowResultButton().Click();  // the worker may have ended already
    ASSERT_TRUE(test.PumpUntil([&] { return !page.IsBusy(); }));
  }
  std::string Report(int port) { return test.Report(ResultLogFolder(kRdtLogKind), port); }

  ResultPageStation test;
  CPropertyPage_RDTResult page;
};

TEST_F(RdtResultPageTest, SetUpInTheRdtArrangement) {
  Open();
  EXPECT_EQ(page.GetTitle(), "RDT Result");
  EXPECT_EQ(page.GetDlgItemText(ids::kResultLabel), "RDT Result :");
  EXPECT_EQ(page.List(ResultList::EarlyBad).GetColumns()[3].heading, "Physical Address");
  EXPECT_EQ(page.List(ResultList::LaterBad).GetColumns()[8].heading, "ECC");
  EXPECT_EQ(page.List(ResultList::PerPlane).GetColumns()[0].heading, "item");
  EXPECT_EQ(page.List(ResultList::CeChannel1).GetExtendedStyle(), ui::LVS_EX_GRIDLINES);
  const ui::CRect client = page.GetClientRect();
  const BadBlockArrangement a = ArrangeBadBlockLists(kRdtReportKind, client.Width(), client.Height(),
                                                     ui::GetSystemMetrics(ui::SystemMetric::VerticalScrollWidth),
                                                     page.MapDialogRect(0, 0, 0, kResultTopAreaFoot).Height());
  EXPECT_EQ(page.List(ResultList::CeChannel1).GetWindowRect(), a.ce1);
  EXPECT_EQ(page.GetDlgItem(ids::kFactoryLabel)->GetWindowRect(), a.earlyLabel);
  EXPECT_EQ(page.List(ResultList::LaterBad).GetColumnWidth(9), a.badBlockWidths[9]);
  EXPECT_EQ(g_ActivePage.load(), kActiveRdtResultPage);
}

TEST_F(RdtResultPageTest, ShowResultReadsTheDrivesRdtResultsWithThePagesLimit) {
  Open();
  page.LimitCheck().Click();
  page.Limit().UserEdit("3%");
  ShowResult(2);
  const std::string report = Report(2);
  EXPECT_NE(report.find("RDT Result Bad Block limit = 3%"), std::string::npos) << report;
  EXPECT_NE(report.find("RDT Result max bad per plane = "), std::string::npos) << report;
  EXPECT_EQ(g_RdtRequest, 0);
  const std::string status = page.Status().GetWindowText();
  EXPECT_TRUE(status == "Pass" || status.rfind("Fail, 0x", 0) == 0) << status;
  // The report's sections keep their names; its records fill the two lists and the counts.
  ASSERT_GE(page.List(ResultList::PerPlane).GetItemCount(), 3);
  EXPECT_EQ(page.List(ResultList::PerPlane).GetItemText(0, 0), "OB");
  EXPECT_EQ(page.List(ResultList::PerPlane).GetItemText(1, 0), "RB");
  EXPECT_EQ(page.List(ResultList::PerPlane).GetItemText(2, 0), "RB_SLC");
  EXPECT_EQ(page.List(ResultList::EarlyBad).GetItemCount(), 1);
  EXPECT_EQ(page.List(ResultList::LaterBad).GetItemCount(), 3);
  EXPECT_EQ(page.List(ResultList::LaterBad).GetItemText(2, 1), "9");
  EXPECT_EQ(page.List(ResultList::LaterBad).GetItemText(2, 8), "30");
  EXPECT_EQ(page.BoxText(ids::kEraseFail), "1");
  EXPECT_EQ(page.BoxText(ids::kProgramFail), "1");
  EXPECT_EQ(page.BoxText(ids::kReadFail), "1");
  EXPECT_EQ(page.BoxText(ids::kEcc), "44");
  EXPECT_FALSE(page.BoxText(ids::kTotalTime).empty());
  // The "[total]" line of CE 0 on channel 0 fills column "CE0" of the channel-0 list.
  const std::string total = "[total] CE_0, CH_0: All Bad = ";
  const std::size_t at = report.find(total);
  ASSERT_NE(at, std::string::npos) << report;
  const std::size_t value = at + total.size();
  EXPECT_EQ(page.List(ResultList::CeChannel0).GetItemText(0, 1), report.substr(value, report.find(',', value) - value));
  EXPECT_EQ(page.ReportLines().GetCurSel(), page.ReportLines().GetCount() - 1);
  EXPECT_TRUE(page.ShowResultButton().IsWindowEnabled());
}

TEST_F(RdtResultPageTest, ADriveNotOnItsRomCodeFailsAndItsNewReportIsListed) {
  Open();
  ShowResult(3);
  const std::string status = page.Status().GetWindowText();
  EXPECT_EQ(status.rfind("Fail, 0x", 0), 0u) << status;
  EXPECT_EQ(g_RdtRequest, 0);
  EXPECT_GT(page.ReportLines().GetCount(), 0);
  // The channel lists keep their zero rows; the ECC box stays empty without RDT information.
  EXPECT_EQ(page.List(ResultList::CeChannel0).GetItemCount(), 3);
  EXPECT_EQ(page.List(ResultList::CeChannel0).GetItemText(2, 8), "0");
  EXPECT_EQ(page.BoxText(ids::kEcc), "");
}

TEST_F(RdtResultPageTest, LoadDataPicksTheSectionStyleAndWritesTheSummary) {
  Open();
  test.station.WriteFile("saved/style1.txt",
                         "   [Early Bad] CE: 3, CH: 0, Plane0=2 \r\n"
                         "   [total] CE_3, CH_0: All Bad = 3, ManufactureBad = 2, RDTBad = 1 \r\n"
                         "   Erase fail,3,0,0,0x5,0,1,1,1,0,Erase,0,1 \r\n");
  test.host.AnswerNextFileDialog(std::string(".\\saved\\style1.txt"));
  ASSERT_TRUE(page.OnBtnLoadData());
  EXPECT_EQ(test.host.FileDialogs()[0].initialFolder, ResultLogFolder(kRdtLogKind) + "\\D_Reports");
  EXPECT_EQ(page.List(ResultList::PerPlane).GetItemText(0, 0), "OB");
  EXPECT_EQ(page.List(ResultList::CeChannel0).GetItemText(1, 4), "2");
  EXPECT_EQ(page.BoxText(ids::kEraseFail), "1");
  EXPECT_EQ(page.BoxText(ids::kReadFail), "0");
  EXPECT_EQ(page.BoxText(ids::kTotalTime), "");
  const std::string summary = test.station.ReadFile("saved/style1_Temp.txt");
  EXPECT_NE(summary.find("[total]CE3,CH0:AllB=3,OB=2,RB=1(SLCEB:0/SLCPB:0/SLCRB:0/E:1/P:0/R:0)"), std::string::npos)
      << summary;

  test.station.WriteFile("saved/style0.txt", "   [RB_SLC] CE: 1, CH: 0, Plane0=7 \r\n");
  test.host.AnswerNextFileDialog(std::string(".\\saved\\style0.txt"));
  ASSERT_TRUE(page.OnBtnLoadData());
  EXPECT_EQ(page.List(ResultList::PerPlane).GetItemText(0, 0), "SLC Bad");
  EXPECT_EQ(page.List(ResultList::PerPlane).GetItemText(0, 3), "7");
}

TEST_F(RdtResultPageTest, ASizeChangeEmptiesTheChoiceTheStatusAndTheReportLinesButKeepsTheLists) {
  Open();
  ShowResult(2);
  const int rows = page.List(ResultList::LaterBad).GetItemCount();
  ASSERT_GT(page.ReportLines().GetCount(), 0);
  page.OnSize(ui::SIZE_RESTORED, 1000, 600);
  EXPECT_EQ(page.ReportLines().GetCount(), 0);
  EXPECT_EQ(page.Status().GetWindowText(), "");
  EXPECT_EQ(page.Disk().GetCount(), 0);
  EXPECT_EQ(page.Disk().SelectedDevice(), CDiskSelectCombo::kNoDevice);
  EXPECT_EQ(page.List(ResultList::LaterBad).GetItemCount(), rows);
  // Without a chosen port Show Result does nothing.
  EXPECT_FALSE(page.OnBtnShowResult());
}

TEST_F(RdtResultPageTest, AHeaderClickFlipsTheDirectionSharedWithTheLaterBadPage) {
  Open();
  CPropertyPage_LBResult laterBad;
  ASSERT_TRUE(laterBad.Create(nullptr));
  ShowResult(2);
  g_ListSortDescending = 0;
  ui::CListCtrl& later = page.List(ResultList::LaterBad);
  later.UserColumnClick(3);  // descending
  EXPECT_EQ(later.GetItemText(0, 3), "0x28");
  EXPECT_EQ(g_ListSortColumn, 3u);
  laterBad.List(ResultList::EarlyBad).UserColumnClick(1);  // the next click anywhere: ascending
  EXPECT_EQ(g_ListSortDescending, 0);
  later.UserColumnClick(3);  // descending again
  EXPECT_EQ(g_ListSortDescending, 1);
  EXPECT_EQ(later.GetItemText(2, 3), "0x14");
  // The per-plane list does not sort.
  page.List(ResultList::PerPlane).UserColumnClick(0);
  EXPECT_EQ(g_ListSortDescending, 1);
}

}  // namespace
