// Worker threads write slot cells and progress bars while the user-interface thread pumps and
// reads them back the way the front end does; the model must stay consistent (and clean under
// ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/Text.h"
#include "ui/Button.h"
#include "ui/Dispatcher.h"
#include "ui/Edit.h"
#include "ui/ProgressCtrl.h"

namespace {

constexpr int kSlots = 24;
constexpr int kSteps = 200;

TEST(WorkerWritesThreads, TwentyFourWorkersWriteCellsAndBarsWhileTheUiThreadPumps) {
  ui::Dispatcher dispatcher;
  ui::CWnd page;
  page.Create(ui::WS_VISIBLE, ui::CRect(0, 0, 800, 600), nullptr, 1);
  std::vector<std::unique_ptr<ui::CEdit>> cells;
  std::vector<std::unique_ptr<ui::CProgressCtrl>> bars;
  ui::CButton autoDetect;
  autoDetect.Create(ui::WS_VISIBLE | ui::BS_AUTOCHECKBOX, ui::CRect(0, 0, 10, 10), &page, 1198);
  for (int slot = 0; slot < kSlots; ++slot) {
    cells.push_back(std::make_unique<ui::CEdit>());
    cells.back()->Create(ui::WS_VISIBLE, ui::CRect::FromSize(slot * 30, 0, 30, 20), &page, 1000 + slot);
    bars.push_back(std::make_unique<ui::CProgressCtrl>());
    bars.back()->Create(ui::WS_VISIBLE, ui::CRect::FromSize(slot * 30, 20, 30, 10), &page, 2000 + slot);
  }

  for (auto& cell : cells) cell->TakeDirty();
  for (auto& bar : bars) bar->TakeDirty();
  std::atomic<int> finished{0};
  std::vector<std::thread> workers;
  for (int slot = 0; slot < kSlots; ++slot) {
    workers.emplace_back([&, slot] {
      ui::CEdit& cell = *cells[static_cast<std::size_t>(slot)];
      ui::CProgressCtrl& bar = *bars[static_cast<std::size_t>(slot)];
      cell.SetWindowText("Testing");
      bar.SetRange32(0, 100);
      for (int step = 0; step < kSteps; ++step) {
        bar.SetPos(step % 101);
        bar.OffsetPos(1);
        if (autoDetect.GetCheck() == ui::BST_CHECKED) cell.SetWindowText("Auto");
        cell.SetWindowText(platform::Format("Slot %d step %d", slot + 1, step));
      }
      cell.SetWindowText(platform::Format("Pass*%d", slot + 1));
      bar.SetPos(100);
      ++finished;
      dispatcher.Wake();
    });
  }

  // The user-interface thread pumps and repaints dirty controls meanwhile, and the user
  // ticks a check box that the workers read.
  std::uint64_t repaints = 0;
  autoDetect.Click();
  const bool allDone = dispatcher.PumpUntil(
      [&] {
        for (int slot = 0; slot < kSlots; ++slot) {
          if (cells[static_cast<std::size_t>(slot)]->TakeDirty() != 0) {
            const std::string text = cells[static_cast<std::size_t>(slot)]->GetWindowText();
            EXPECT_FALSE(text.empty());
            ++repaints;
          }
          if (bars[static_cast<std::size_t>(slot)]->TakeDirty() != 0) {
            const int position = bars[static_cast<std::size_t>(slot)]->GetPos();
            EXPECT_GE(position, 0);
            EXPECT_LE(position, 100);
          }
        }
        return finished.load() == kSlots;
      },
      60000);
  for (std::thread& worker : workers) worker.join();
  ASSERT_TRUE(allDone);
  EXPECT_GT(repaints, 0u);
  for (int slot = 0; slot < kSlots; ++slot) {
    EXPECT_EQ(cells[static_cast<std::size_t>(slot)]->GetWindowText(), platform::Format("Pass*%d", slot + 1));
    EXPECT_EQ(bars[static_cast<std::size_t>(slot)]->GetPos(), 100);
  }
}

}  // namespace
