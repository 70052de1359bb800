// Both result pages act on the port "Disk :" shows: a listed port typed over the one chosen is
// what Show Result reads, Open File and Block Map open and "..." reads, any other text reaches no
// drive and opens no port's report, and the result stays only while the field names its port. A
// report Load Data read stands under a field that names no port. A Show Result refused for a
// drive in use leaves no earlier port's result beside the refusal.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "ResultPageKinds.h"
#include "ResultPageStation.h"
#include "pages/DriveRequestLog.h"
#include "pages/common/DiskSelectClaim.h"
#include "pages/results/BlockMapDlg.h"

namespace {

using resultstest::PageKind;
using resultstest::Shown;

struct Typed {
  const char* text;
  int port;  // the listed port it names; 0 none
};
void PrintTo(const Typed& typed, std::ostream* out) { *out << "'" << typed.text << "'"; }

class ResultPageDiskField : public ::testing::Test {
 protected:
  // The page made and shown, with the ports 1 to 3 listed and item 0 chosen.
  std::unique_ptr<CResultPage> Open(const PageKind& kind) {
    std::unique_ptr<CResultPage> page = kind.make();
    EXPECT_TRUE(page->Create(nullptr));
    asSetUp = Shown(*page);
    page->OnSetActive();
    return page;
  }
  void ShowResult(CResultPage& page, int port) {
    page.Disk().UserSelect(page.Disk().FindStringExact(-1, std::to_string(port)));
    ASSERT_TRUE(test.PumpUntil([&] { return !page.IsBusy(); }));
  }
  // The report Block Map reads (empty: none); a file dialog it shows is cancelled.
  std::string BlockMapReport(CResultPage& page) {
    std::string read = "<no dialog>";
    test.host.ScriptNextDialog([&](ui::CDialog& dialog) {
      read = dynamic_cast<CBlockMapDlg&>(dialog).ReportRead();
      dialog.EndDialog(ui::IDCANCEL);
    });
    page.OnBtnBlockMap();
    return read;
  }
  // Whether "..." (the later-bad page's CE map) opened its dialog.
  bool OpenCeMap(CResultPage& page) {
    const std::size_t before = test.host.ModalDialogs().size();
    dynamic_cast<CPropertyPage_LBResult&>(page).OnBtnCeMap();
    return test.host.ModalDialogs().size() > before;
  }
  std::string ReportOf(const PageKind& kind, int port) { return LocateResultReport(kind.logKind, port).reportPath; }

  resultstest::ResultPageStation test;
  std::vector<std::string> asSetUp;
};

class TypedPort : public ResultPageDiskField, public ::testing::WithParamInterface<std::tuple<PageKind, Typed>> {};

TEST_P(TypedPort, ShowResultAndOpenFileActOnThePortTheFieldShows) {
  const auto& [kind, typed] = GetParam();
  const std::unique_ptr<CResultPage> page = Open(kind);
  ASSERT_NO_FATAL_FAILURE(ShowResult(*page, 1));
  const std::vector<std::string> result = Shown(*page);
  ASSERT_NE(result, asSetUp);

  page->Disk().UserEditText(typed.text);
  EXPECT_FALSE(page->IsBusy());  // typing starts no reading
  EXPECT_EQ(page->Disk().GetWindowText(), typed.text);
  EXPECT_EQ(Shown(*page), typed.port == 1 ? result : asSetUp);

  const auto log = pagestest::DriveRequestLog::Install();
  page->ShowResultButton().Click();
  ASSERT_TRUE(test.PumpUntil([&] { return !page->IsBusy(); }));
  EXPECT_EQ(log->RequestsTo(1) > 0, typed.port == 1);
  if (typed.port != 0) {
    EXPECT_GT(log->RequestsTo(typed.port), 0);
  } else {
    EXPECT_EQ(log->Requests(), 0u);
    EXPECT_EQ(Shown(*page), asSetUp);  // no verdict
  }
  page->OnBtnOpenFile();
  if (typed.port != 0) {
    ASSERT_EQ(test.host.ShellRequests().size(), 1u);
    EXPECT_EQ(test.host.ShellRequests()[0].path, ReportOf(kind, typed.port));
  } else {
    EXPECT_TRUE(test.host.ShellRequests().empty());
    ASSERT_EQ(test.host.MessageBoxes().size(), 1u);
    EXPECT_EQ(test.host.MessageBoxes()[0].text, kNoListedPortText);
  }
}

INSTANTIATE_TEST_SUITE_P(BothPages, TypedPort,
                         ::testing::Combine(::testing::Values(resultstest::kRdtPage, resultstest::kLaterBadPage),
                                            ::testing::Values(Typed{"2", 2}, Typed{" 1 ", 1}, Typed{"99", 0})));

// Typed over a shown port, with no Show Result in between: Block Map opens the report of the port
// the field shows, and "..." reads that port's drive; a text that names no listed port opens no
// port's report (Block Map lets the operator choose one) and reaches no drive.
TEST_P(TypedPort, BlockMapAndTheCeMapActOnThePortTheFieldShows) {
  const auto& [kind, typed] = GetParam();
  const std::unique_ptr<CResultPage> page = Open(kind);
  ASSERT_NO_FATAL_FAILURE(ShowResult(*page, 2));
  ASSERT_NO_FATAL_FAILURE(ShowResult(*page, 1));
  page->Disk().UserEditText(typed.text);

  EXPECT_EQ(BlockMapReport(*page), typed.port != 0 ? ReportOf(kind, typed.port) : "");
  EXPECT_EQ(test.host.FileDialogs().size(), typed.port != 0 ? 0u : 1u);
  if (kind.logKind != resultstest::kLaterBadPage.logKind) return;
  const auto log = pagestest::DriveRequestLog::Install();
  EXPECT_EQ(OpenCeMap(*page), typed.port != 0);
  EXPECT_EQ(log->RequestsTo(1) > 0, typed.port == 1);
  if (typed.port != 0) {
    EXPECT_GT(log->RequestsTo(typed.port), 0);
  } else {
    EXPECT_EQ(log->Requests(), 0u);
  }
}

// A resize lays the RDT page out anew and empties its list: a port typed then is looked for in a
// fresh listing, and Show Result reads its drive.
TEST_F(ResultPageDiskField, APortTypedAfterALayoutEmptiedTheListReachesItsDrive) {
  const std::unique_ptr<CResultPage> page = Open(resultstest::kRdtPage);
  page->OnSize(ui::SIZE_RESTORED, 1000, 600);
  ASSERT_EQ(page->Disk().GetCount(), 0);
  const auto log = pagestest::DriveRequestLog::Install();
  page->Disk().UserEditText("2");
  EXPECT_EQ(log->Requests(), 0u);
  page->ShowResultButton().Click();
  ASSERT_TRUE(test.PumpUntil([&] { return !page->IsBusy(); }));
  EXPECT_GT(log->RequestsTo(2), 0);
  EXPECT_EQ(log->RequestsTo(1), 0);
}

// A report Load Data read stands under a field that names no port: read port 2, then port 1, then
// load port 2's report, and neither the field, nor Open File, nor Block Map, nor "..." names port
// 1. A listed port typed over it empties it; a text that names none leaves it.
class LoadedReport : public ResultPageDiskField, public ::testing::WithParamInterface<PageKind> {};

TEST_P(LoadedReport, StandsUnderAFieldThatNamesNoPort) {
  const PageKind& kind = GetParam();
  const std::unique_ptr<CResultPage> page = Open(kind);
  ASSERT_NO_FATAL_FAILURE(ShowResult(*page, 2));
  ASSERT_NO_FATAL_FAILURE(ShowResult(*page, 1));
  test.host.AnswerNextFileDialog(ReportOf(kind, 2));
  ASSERT_TRUE(page->OnBtnLoadData());
  const std::vector<std::string> loaded = Shown(*page);
  ASSERT_NE(loaded, asSetUp);

  EXPECT_EQ(page->Disk().GetWindowText(), "");
  EXPECT_EQ(page->Disk().GetCurSel(), -1);
  EXPECT_EQ(page->Disk().SelectedDevice(), CDiskSelectCombo::kNoDevice);
  page->OnBtnOpenFile();
  EXPECT_TRUE(test.host.ShellRequests().empty());
  ASSERT_EQ(test.host.MessageBoxes().size(), 1u);
  EXPECT_EQ(test.host.MessageBoxes()[0].text, kNoListedPortText);
  EXPECT_EQ(BlockMapReport(*page), "");
  if (kind.logKind == resultstest::kLaterBadPage.logKind) {
    const auto log = pagestest::DriveRequestLog::Install();
    EXPECT_FALSE(OpenCeMap(*page));
    EXPECT_EQ(log->Requests(), 0u);
  }
  EXPECT_EQ(Shown(*page), loaded);

  page->Disk().UserEditText("9");
  EXPECT_EQ(Shown(*page), loaded);
  page->Disk().UserEditText("1");
  EXPECT_EQ(Shown(*page), asSetUp);
}

// A Load Data whose dialog is cancelled, or whose file is missing, changes nothing.
TEST_P(LoadedReport, NothingChangesWhenNoFileIsRead) {
  const PageKind& kind = GetParam();
  const std::unique_ptr<CResultPage> page = Open(kind);
  ASSERT_NO_FATAL_FAILURE(ShowResult(*page, 1));
  const std::vector<std::string> result = Shown(*page);
  for (const std::optional<std::string>& answer : {std::optional<std::string>(), std::optional(ReportOf(kind, 7))}) {
    SCOPED_TRACE(answer.value_or("cancelled"));
    test.host.AnswerNextFileDialog(answer);
    EXPECT_FALSE(page->OnBtnLoadData());
    EXPECT_EQ(page->Disk().GetWindowText(), "1");
    EXPECT_EQ(page->Disk().ChosenPort(), 1);
    EXPECT_EQ(Shown(*page), result);
  }
}

INSTANTIATE_TEST_SUITE_P(BothPages, LoadedReport, ::testing::Values(resultstest::kRdtPage, resultstest::kLaterBadPage));

class RefusedShowResult : public ResultPageDiskField, public ::testing::WithParamInterface<PageKind> {};

TEST_P(RefusedShowResult, LeavesNoOtherPortsResult) {
  const PageKind& kind = GetParam();
  const std::unique_ptr<CResultPage> page = Open(kind);
  ASSERT_NO_FATAL_FAILURE(ShowResult(*page, 2));
  ASSERT_NE(Shown(*page), asSetUp);
  {
    const CDiskClaim held = CDiskClaim::Take(3, "production page");
    ASSERT_TRUE(held);
    ASSERT_NO_FATAL_FAILURE(ShowResult(*page, 3));
  }
  EXPECT_EQ(page->Status().GetWindowText(), DiskInUseText(3, "production page"));
  page->Status().SetWindowText("");  // the rest of the page is as set up
  EXPECT_EQ(Shown(*page), asSetUp);
  // Coming back, the page shows no port's result: item 0, as set up.
  page->OnKillActive();
  page->OnSetActive();
  EXPECT_EQ(page->Disk().ChosenPort(), 1);
  EXPECT_EQ(Shown(*page), asSetUp);
}

INSTANTIATE_TEST_SUITE_P(BothPages, RefusedShowResult,
                         ::testing::Values(resultstest::kRdtPage, resultstest::kLaterBadPage));

}  // namespace
