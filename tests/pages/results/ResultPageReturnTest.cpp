// A result page that comes back shows one port under "Disk :", in its result and to Open File:
// its last Show Result's while listed (no reading starts), else item 0 with the page as set up;
// a report Load Data read is no port's.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "ResultPageKinds.h"
#include "ResultPageStation.h"
#include "pages/results/LaterBadResultPage.h"
#include "pages/results/RdtResultPage.h"
#include "pages/results/ResultReportPaths.h"
#include "platform/Text.h"
#include "support/HeldTransport.h"

namespace resultreturn {

using resultstest::PageKind;
using resultstest::Shown;
enum class Return { PortListed, PortGone, PortGoneWhileRead };

class ResultPageReturnThreads : public ::testing::TestWithParam<std::tuple<PageKind, Return>> {
 protected:
  resultstest::ResultPageStation test;
};

TEST_P(ResultPageReturnThreads, ShowsOnePortUnderDiskAndInItsResult) {
  const auto& [kind, when] = GetParam();
  const std::unique_ptr<CResultPage> page = kind.make();
  ASSERT_TRUE(page->Create(nullptr));
  const std::vector<std::string> asSetUp = Shown(*page);
  page->OnSetActive();
  auto held = std::make_shared<testsupport::HeldTransport>(device::GetTransport());
  if (when == Return::PortGoneWhileRead) device::SetTransport(held);
  page->Disk().SetCurSel(page->Disk().FindStringExact(-1, "2"));
  page->ShowResultButton().Click();
  ASSERT_TRUE(when == Return::PortGoneWhileRead ? held->WaitForRequest()
                                                : test.PumpUntil([&] { return !page->IsBusy(); }));
  const std::vector<std::string> result = Shown(*page);
  page->OnKillActive();
  if (when != Return::PortListed) test.sim.Install(test.station, "[Station]\r\nBoards=1\r\n[Board1]\r\nSlots=1\r\n");
  if (when != Return::PortGoneWhileRead) {
    held = std::make_shared<testsupport::HeldTransport>(device::GetTransport());  // holds a reading the return starts
    device::SetTransport(held);
  }
  page->OnSetActive();
  EXPECT_EQ(page->IsBusy(), when == Return::PortGoneWhileRead);
  held->Release();
  ASSERT_TRUE(test.PumpUntil([&] { return !page->IsBusy(); }));
  const int port = when == Return::PortListed ? 2 : 1;
  EXPECT_EQ(page->Disk().GetCurSel(), page->Disk().FindStringExact(-1, std::to_string(port)));
  EXPECT_EQ(Shown(*page), port == 2 ? result : asSetUp);
  page->OnBtnOpenFile();
  ASSERT_EQ(test.host.ShellRequests().size(), 1u);
  EXPECT_EQ(test.host.ShellRequests()[0].path, LocateResultReport(kind.logKind, port).reportPath);
}

INSTANTIATE_TEST_SUITE_P(
    BothPages, ResultPageReturnThreads,
    ::testing::Combine(::testing::Values(resultstest::kRdtPage, resultstest::kLaterBadPage),
                       ::testing::Values(Return::PortListed, Return::PortGone, Return::PortGoneWhileRead)));

// A report Load Data read is no port's: coming back, the page does not choose the port of its
// last Show Result above it, but item 0 with the page as set up.
class LoadDataReturn : public ::testing::TestWithParam<PageKind> {
 protected:
  resultstest::ResultPageStation test;
};

TEST_P(LoadDataReturn, NoEarlierPortIsChosenAboveALoadedReport) {
  const PageKind& kind = GetParam();
  const std::unique_ptr<CResultPage> page = kind.make();
  ASSERT_TRUE(page->Create(nullptr));
  const std::vector<std::string> asSetUp = Shown(*page);
  page->OnSetActive();
  page->Disk().SetCurSel(page->Disk().FindStringExact(-1, "2"));
  page->ShowResultButton().Click();
  ASSERT_TRUE(test.PumpUntil([&] { return !page->IsBusy(); }));
  test.station.WriteFile("saved/report.txt", test.Report(ResultLogFolder(kind.logKind), 2));
  test.host.AnswerNextFileDialog(std::string(".\\saved\\report.txt"));
  ASSERT_TRUE(page->OnBtnLoadData());
  ASSERT_NE(Shown(*page), asSetUp);
  page->OnKillActive();
  page->OnSetActive();
  EXPECT_EQ(page->Disk().ChosenPort(), 1);
  EXPECT_EQ(Shown(*page), asSetUp);
}

INSTANTIATE_TEST_SUITE_P(BothPages, LoadDataReturn, ::testing::Values(resultstest::kRdtPage, resultstest::kLaterBadPage));

}  // namespace resultreturn
