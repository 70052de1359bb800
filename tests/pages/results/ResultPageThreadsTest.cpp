// Both result pages' workers at once on different drives while the user-interface thread
// pumps, sorts the lists they fill and resizes a page; and one drive claimed by one page's
// worker is refused to the other page. Runs under ThreadSanitizer.
#include <gtest/gtest.h>

#include "ResultPageStation.h"
#include "engine/rdtlog/RdtLimitRequest.h"
#include "engine/scan/LaterBadRequest.h"
#include "pages/results/LaterBadResultPage.h"
#include "pages/results/RdtResultPage.h"

namespace {

using resultstest::ResultPageStation;

class ResultPageThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(laterBad.Create(nullptr));
    ASSERT_TRUE(rdt.Create(nullptr));
    laterBad.OnSetActive();
    rdt.OnSetActive();
  }
  static void Choose(CResultPage& page, int port) {
    page.Disk().SetCurSel(page.Disk().FindStringExact(-1, std::to_string(port)));
  }

  ResultPageStation test;
  CPropertyPage_LBResult laterBad;
  CPropertyPage_RDTResult rdt;
};

TEST_F(ResultPageThreads, BothWorkersRunWhileTheUserInterfaceSortsAndResizes) {
  Choose(laterBad, 1);
  Choose(rdt, 2);
  rdt.LimitCheck().Click();
  rdt.Limit().UserEdit("5");
  ASSERT_TRUE(laterBad.OnBtnShowResult());
  ASSERT_TRUE(rdt.OnBtnShowResult());
  int clicks = 0;
  ASSERT_TRUE(test.PumpUntil([&] {
    laterBad.List(ResultList::EarlyBad).UserColumnClick(clicks % 7);
    rdt.List(ResultList::LaterBad).UserColumnClick(clicks % 10);
    laterBad.OnSize(ui::SIZE_RESTORED, 1200, 700);
    ++clicks;
    return !laterBad.IsBusy() && !rdt.IsBusy();
  }));
  EXPECT_EQ(laterBad.Status().GetWindowText(), "Pass");
  EXPECT_GT(laterBad.List(ResultList::EarlyBad).GetItemCount(), 0);
  EXPECT_EQ(rdt.List(ResultList::LaterBad).GetItemCount(), 3);
  EXPECT_EQ(g_LaterBadRequest, 0);
  EXPECT_EQ(g_RdtRequest, 0);
}

TEST_F(ResultPageThreads, ADriveInUseByOnePagesWorkerIsRefusedToTheOther) {
  Choose(laterBad, 2);
  Choose(rdt, 2);
  ASSERT_TRUE(rdt.OnBtnShowResult());
  EXPECT_FALSE(laterBad.OnBtnShowResult());
  EXPECT_EQ(laterBad.Status().GetWindowText(), "Disk 2 is in use by the RDT result page, please wait!!");
  EXPECT_FALSE(laterBad.IsBusy());
  EXPECT_TRUE(laterBad.ShowResultButton().IsWindowEnabled());
  ASSERT_TRUE(test.PumpUntil([&] { return !rdt.IsBusy(); }));
  EXPECT_TRUE(laterBad.OnBtnShowResult());
  ASSERT_TRUE(test.PumpUntil([&] { return !laterBad.IsBusy(); }));
}

}  // namespace
