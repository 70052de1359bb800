// Both result pages' workers at once on different drives while the user-interface thread
// pumps, sorts the lists they fill and resizes a page; one drive claimed by one page's worker
// is refused to the other page; and a page is free only once its worker has enabled its
// controls again. Runs under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

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

// A front end as the pump serves it: it paints the dirty controls whenever it is served and
// is woken whenever a control changes. When a worker's change wakes it, it looks at the page
// as it would paint it: a page that says it is free must show its run controls enabled.
class PaintingFrontEnd : public ui::PumpBackend {
 public:
  explicit PaintingFrontEnd(CResultPage& page) : m_page(page) {}
  void ProcessEvents() override {
    m_page.ShowResultButton().TakeDirty();
    m_page.Disk().TakeDirty();
  }
  void WaitForEvents(std::uint32_t timeoutMs) override {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_woken; });
    m_woken = false;
  }
  void Wake() override {
    if (std::this_thread::get_id() != m_uiThread && !m_page.IsBusy() &&
        !(m_page.ShowResultButton().IsWindowEnabled() && m_page.Disk().IsWindowEnabled())) {
      freeWithControlsDisabled = true;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_woken = true;
    m_wake.notify_all();
  }

  std::atomic<bool> freeWithControlsDisabled{false};

 private:
  CResultPage& m_page;
  const std::thread::id m_uiThread = std::this_thread::get_id();
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_woken = false;
};

// The worker gives the controls back before it says the page is free: whoever sees the page
// free (the front end, the operator's next press, which disables them again) finds them
// enabled, and no ending worker enables them under the next run.
TEST_F(ResultPageThreads, ThePageIsFreeOnlyOnceItsWorkerHasGivenTheControlsBack) {
  PaintingFrontEnd frontEnd(laterBad);
  test.dispatcher.SetBackend(&frontEnd);
  Choose(laterBad, 1);
  const bool started = laterBad.OnBtnShowResult();
  const ::testing::AssertionResult ended = test.PumpUntil([&] { return !laterBad.IsBusy(); });
  test.dispatcher.SetBackend(nullptr);
  ASSERT_TRUE(started);
  ASSERT_TRUE(ended);
  EXPECT_FALSE(frontEnd.freeWithControlsDisabled.load());
  EXPECT_TRUE(laterBad.ShowResultButton().IsWindowEnabled());
  EXPECT_TRUE(laterBad.Disk().IsWindowEnabled());
}

}  // namespace
