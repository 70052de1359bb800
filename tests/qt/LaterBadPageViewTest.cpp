// The later-bad result page in the Qt front end (offscreen): every read-only value box shows
// its whole text from its first character, at the page's font where the box is wide enough
// (the MP firmware name) and at a smaller one where it is not.
#include <gtest/gtest.h>

#include <memory>

// The simulator's headers come before Qt's, whose "slots" keyword would clash with them.
#include "device/Transport.h"
#include "pages/common/PageGlobals.h"
#include "pages/results/LaterBadPageLayout.h"
#include "pages/results/LaterBadResultPage.h"
#include "platform/Profile.h"
#include "sim/ScenarioLoader.h"
#include "sim/SimTransport.h"
#include "support/ScratchStation.h"
#include "ui/Dispatcher.h"
#include "ui/PropertySheet.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>

#include "ui/qt/QtHost.h"
#include "ui/qt/SheetWindow.h"
#include "ui/qt/WindowView.h"

namespace {

namespace ids = lb_ids;

class LaterBadPageView : public ::testing::Test {
 protected:
  void SetUp() override {
    station.WriteFile("Configuration/Sim/One.ini", "[Station]\r\nBoards=1\r\n[Board1]\r\nSlots=1\r\n[Drive]\r\nCode=Boot\r\n");
    station.WriteFile("drives/c/MP_SSD_NODE/AutoMapping.ini", "");
    platform::FlushProfileCache();
    sim::ScenarioResult scenario = sim::LoadScenario("One.ini");
    ASSERT_TRUE(scenario.station) << scenario.error;
    device::SetTransport(std::make_shared<sim::SimTransport>(scenario.station));
    g_MappingType.store(0);
    host = std::make_unique<uiqt::QtHost>(dispatcher);
    ui::SetHost(host.get());
  }
  void TearDown() override {
    ui::SetHost(nullptr);
    host.reset();
    device::SetTransport(nullptr);
  }

  testsupport::ScratchStation station{testsupport::ScratchStation::Template::Copy};
  ui::Dispatcher dispatcher;
  std::unique_ptr<uiqt::QtHost> host;
};

// Whether a line edit shows all of its text: the text at its font fits between the frame and
// the inner margins, and the edit shows it from its first character.
::testing::AssertionResult ShowsWholeText(const QLineEdit& box) {
  const int frame = box.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &box);
  const int room = box.width() - 2 * frame - 4;
  const int needed = QFontMetrics(box.font()).horizontalAdvance(box.text());
  if (needed > room) return ::testing::AssertionFailure() << "\"" << box.text().toStdString() << "\" needs " << needed << " of " << room;
  if (box.cursorPosition() != 0) return ::testing::AssertionFailure() << "shown from character " << box.cursorPosition();
  return ::testing::AssertionSuccess();
}

TEST_F(LaterBadPageView, EveryValueBoxShowsItsWholeText) {
  CPropertyPage_LBResult page;
  ui::CPropertySheet sheet("sheet");
  sheet.AddPage(&page);
  bool checked = false;
  host->SetWindowShownHook([&](QWidget*) {
    uiqt::WindowView* view = host->Sheet()->PageView(0);
    ASSERT_NE(view, nullptr);
    int count = 0;
    const int* boxes = LaterBadValueBoxes(count);
    for (int i = 0; i < count; ++i) page.SetDlgItemText(boxes[i], "88888");
    page.SetDlgItemText(ids::kMpVersion, "SBF20A01");
    page.SetDlgItemText(ids::kRdtVersion, "SBR1.0.0");
    page.SetDlgItemText(ids::kRdtTotalTime, "123:45:06");
    page.SetDlgItemText(ids::kCeMapBox, "FFFF");
    host->SyncNow();
    for (int i = 0; i < count; ++i) {
      auto* box = qobject_cast<QLineEdit*>(view->WidgetOf(*page.GetDlgItem(boxes[i])));
      ASSERT_NE(box, nullptr) << boxes[i];
      EXPECT_TRUE(ShowsWholeText(*box)) << "box " << boxes[i];
    }
    // The MP firmware name has the room to show at the page's own font.
    auto* mpVersion = qobject_cast<QLineEdit*>(view->WidgetOf(*page.GetDlgItem(ids::kMpVersion)));
    EXPECT_EQ(mpVersion->font().pixelSize(), QFont().pixelSize());
    EXPECT_EQ(QFontInfo(mpVersion->font()).pixelSize(), QFontInfo(QFont()).pixelSize());
    // A text that fits again takes the page's font back.
    page.SetDlgItemText(ids::kRdtVersion, "1");
    host->SyncNow();
    auto* rdtVersion = qobject_cast<QLineEdit*>(view->WidgetOf(*page.GetDlgItem(ids::kRdtVersion)));
    EXPECT_EQ(QFontInfo(rdtVersion->font()).pixelSize(), QFontInfo(QFont()).pixelSize());
    checked = true;
    sheet.RequestClose();
  });
  sheet.DoModal();
  EXPECT_TRUE(checked);
}

}  // namespace
