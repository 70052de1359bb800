// A result page that comes back shows one port under "Disk :", in its result and to Open File:
// its last Show Result's while listed (no reading starts), else item 0 with the page as set up.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "ResultPageStation.h"
#include "pages/results/LaterBadResultPage.h"
#include "pages/results/RdtResultPage.h"
#include "pages/results/ResultReportPaths.h"
#include "platform/Text.h"
#include "support/HeldTransport.h"

namespace resultreturn {

struct PageKind {
  const char* name;
  const char* logKind;
  std::function<std::unique_ptr<CResultPage>()> make;
};
void PrintTo(const PageKind& kind, std::ostream* out) { *out << kind.name; }
enum class Return { PortListed, PortGone, PortGoneWhileRead };

// Everything the page shows but "Disk :": per control its visibility, text and rows (or
// position).
std::vector<std::string> Shown(CResultPage& page) {
  std::vector<std::string> shown;
  for (const ui::DialogItem& item : page.GetTemplate()->items) {
    const ui::CWnd* c = page.GetDlgItem(item.id);
    const auto* list = dynamic_cast<const ui::CListCtrl*>(c);
    const auto* lines = dynamic_cast<const ui::CListBox*>(c);
    const auto* bar = dynamic_cast<const ui::CProgressCtrl*>(c);
    const int rows = list ? list->GetItemCount() : lines ? lines->GetCount() : bar ? bar->GetPos() : 0;
    if (item.kind != ui::ControlKind::ComboBox) {
      shown.push_back(
          platform::Format("%d %d '%s' %d", item.id, c->IsWindowVisible(), c->GetWindowText().c_str(), rows));
    }
  }
  return shown;
}

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
    ::testing::Combine(::testing::Values(PageKind{"Rdt", kRdtLogKind,
                                                  [] { return std::make_unique<CPropertyPage_RDTResult>(); }},
                                         PageKind{"LaterBad", kLaterBadLogKind,
                                                  [] { return std::make_unique<CPropertyPage_LBResult>(); }}),
                       ::testing::Values(Return::PortListed, Return::PortGone, Return::PortGoneWhileRead)));

}  // namespace resultreturn
