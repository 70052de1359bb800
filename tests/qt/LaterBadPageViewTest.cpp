// The later-bad result page in the Qt front end (offscreen): every read-only value box shows
// its whole text from its first character, at the page's font where the box is wide enough
// (the MP firmware name) and at a smaller one where it is not.
#include "SimPageView.h"
#include "pages/results/LaterBadPageLayout.h"
#include "pages/results/LaterBadResultPage.h"
#include "ui/PropertySheet.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>

#include "ui/qt/SheetWindow.h"
#include "ui/qt/WindowView.h"

namespace {

namespace ids = lb_ids;

// One drive on boot code on a tester board.
class LaterBadPageView : public qttest::SimPageView {
 protected:
  LaterBadPageView()
      : SimPageView("[Station]\r\nBoards=1\r\n[Board1]\r\nSlots=1\r\n[Drive]\r\nCode=Boot\r\n", false) {}
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
  CheckShownPage(page, [&](uiqt::WindowView* view) {
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
  });
}

}  // namespace
