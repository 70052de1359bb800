// The legacy slot page drawn by the Qt front end on the offscreen platform: its 48 slot
// groups where the grid puts them, the slot boxes in their colours, the flow buttons with
// their icons, and a worker's write into a slot box shown after the user-interface thread
// pumps.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <atomic>
#include <thread>

#include "pages/legacy/FirstPropertyPage.h"
#include "pages/legacy/LegacyPageLayout.h"
#include "platform/Profile.h"
#include "support/ScratchStation.h"
#include "ui/Dispatcher.h"
#include "ui/PropertySheet.h"
#include "ui/qt/QtHost.h"
#include "ui/qt/SheetWindow.h"
#include "ui/qt/WindowView.h"

namespace {

namespace ids = legacy_ids;

TEST(LegacyPageDrawing, TheQtFrontEndDrawsTheFortyEightSlotPage) {
  testsupport::ScratchStation station(testsupport::ScratchStation::Template::Copy);
  station.WriteFile("param.ini",
                    "[General Info]\r\nSlotNumber=48\r\nWorkingNo=W1\r\n[Device Info]\r\nControllerType=TV3160\r\n");
  platform::FlushProfileCache();
  ui::Dispatcher dispatcher;
  uiqt::QtHost host(dispatcher);
  ui::SetHost(&host);
  CFirstPropertyPage page;
  ui::CPropertySheet sheet("SATA SSD MP Tool");
  sheet.AddPage(&page);
  bool checked = false;
  host.SetWindowShownHook([&](QWidget*) {
    uiqt::WindowView* view = host.Sheet()->PageView(0);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(host.Sheet()->Tabs()->tabText(0), QString("MP Tool"));
    for (int slot : {1, 24, 48}) {
      SCOPED_TRACE(slot);
      QWidget* box = view->WidgetOf(page.SlotBox(slot));
      ASSERT_NE(box, nullptr);
      const ui::CRect rect = page.SlotBox(slot).GetWindowRect();
      EXPECT_EQ(box->geometry(), QRect(rect.left, rect.top, rect.Width(), rect.Height()));
      EXPECT_TRUE(box->isVisible());
      auto* bar = qobject_cast<QProgressBar*>(view->WidgetOf(page.SlotProgress(slot)));
      ASSERT_NE(bar, nullptr);
      EXPECT_EQ(bar->geometry().top(), rect.top + 61);
    }
    EXPECT_EQ(view->WidgetOf(page.SlotBox(48))->geometry(), QRect(4, 500, 70, 60));
    auto* badBlock = qobject_cast<QAbstractButton*>(view->WidgetOf(page.FlowButton(ids::kBadBlock)));
    ASSERT_NE(badBlock, nullptr);
    EXPECT_EQ(badBlock->text(), QString("Bad Block"));
    EXPECT_FALSE(badBlock->icon().isNull());
    EXPECT_FALSE(view->WidgetOf(page.FlowButton(ids::kQc))->isVisible());

    // A worker paints slot 30 as a task would; the front end shows it after a pump.
    std::atomic<bool> done{false};
    std::thread worker([&] {
      page.SlotBox(30).SetColor(ui::RGB(0, 0, 0), ui::RGB(0, 255, 0));
      page.SlotBox(30).SetWindowText("Pass");
      page.SlotProgress(30).SetPos(100);
      done = true;
      dispatcher.Wake();
    });
    dispatcher.PumpUntil([&] { return done.load(); }, 60000);
    worker.join();
    host.SyncNow();
    EXPECT_EQ(qobject_cast<QProgressBar*>(view->WidgetOf(page.SlotProgress(30)))->value(), 100);
    const QImage drawn = view->WidgetOf(page.SlotBox(30))->grab().toImage();
    EXPECT_EQ(drawn.pixelColor(drawn.width() / 2, 3), QColor(0, 255, 0));
    checked = true;
    sheet.RequestClose();
  });
  sheet.DoModal();
  ui::SetHost(nullptr);
  EXPECT_TRUE(checked);
}

}  // namespace
