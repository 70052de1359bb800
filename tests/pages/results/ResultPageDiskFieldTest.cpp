// Both result pages act on the port "Disk :" shows: a listed port typed over the one chosen is
// what Show Result reads and Open File opens, any other text reaches no drive, and the result
// stays only while the field names its port. A Show Result refused for a drive in use leaves no
// earlier port's result beside the refusal.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "ResultPageKinds.h"
#include "ResultPageStation.h"
#include "pages/DriveRequestLog.h"
#include "pages/common/DiskSelectClaim.h"

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
  ASSERT_EQ(test.host.ShellRequests().size(), 1u);
  EXPECT_EQ(test.host.ShellRequests()[0].path, LocateResultReport(kind.logKind, typed.port).reportPath);
}

INSTANTIATE_TEST_SUITE_P(BothPages, TypedPort,
                         ::testing::Combine(::testing::Values(resultstest::kRdtPage, resultstest::kLaterBadPage),
                                            ::testing::Values(Typed{"2", 2}, Typed{" 1 ", 1}, Typed{"99", 0})));

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
