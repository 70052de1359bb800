// The bad-block-table page in the Qt front end (offscreen): its controls become widgets, the
// "Disk :" drop-down lists the simulated station's drives when it opens and a choice reaches
// the page, the status box paints itself, and the list box shows the text file in its fixed
// font over the page below the controls.
#include "SimPageView.h"
#include "pages/bbt/BbtPage.h"
#include "ui/PropertySheet.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QTabWidget>

#include "ui/qt/SheetWindow.h"
#include "ui/qt/WindowView.h"

namespace {

// Two drives on boot code behind bridge ports.
class BbtPageView : public qttest::SimPageView {
 protected:
  BbtPageView()
      : SimPageView("[Station]\r\nBoards=1\r\n[Board1]\r\nSlots=2\r\n[Drive]\r\nCode=Boot\r\n", true) {}
};

TEST_F(BbtPageView, TheControlsAreShownAndTheDropDownListsTheDrives) {
  CPropertyPage_DBT page;
  CheckShownPage(page, [&](uiqt::WindowView* view) {
    EXPECT_EQ(host->Sheet()->Tabs()->tabText(0), QString("Dialog"));
    auto* getBbt = qobject_cast<QAbstractButton*>(view->WidgetOf(page.GetBbtButton()));
    ASSERT_NE(getBbt, nullptr);
    EXPECT_EQ(getBbt->text(), QString("Get BBT"));
    auto* tvBbt = qobject_cast<QCheckBox*>(view->WidgetOf(page.TvBbtBox()));
    ASSERT_NE(tvBbt, nullptr);
    EXPECT_TRUE(tvBbt->isChecked());
    EXPECT_NE(qobject_cast<QProgressBar*>(view->WidgetOf(page.Progress())), nullptr);
    // The status box paints its own colours; it is no plain line edit.
    QWidget* status = view->WidgetOf(page.StatusBox());
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(qobject_cast<QLineEdit*>(status), nullptr);

    auto* combo = qobject_cast<QComboBox*>(view->WidgetOf(page.DiskCombo()));
    ASSERT_NE(combo, nullptr);
    EXPECT_TRUE(combo->isEditable());
    combo->showPopup();
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), QString("1"));
    combo->hidePopup();
    emit combo->activated(1);
    EXPECT_EQ(page.SelectedDevice(), 2);

    // The list box lies below the controls' band in the fixed font, and shows a text file.
    auto* list = qobject_cast<QListView*>(view->WidgetOf(page.FileLines()));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->font().family(), QString("Courier New"));
    station.WriteFile("table.txt", "[Bad Block File]\r\nCE Count=4\r\n");
    page.ShowCompanionTextFile("table.sot");
    host->SyncNow();
    EXPECT_EQ(list->model()->rowCount(), 2);
    EXPECT_EQ(list->model()->data(list->model()->index(1, 0)).toString(), QString("CE Count=4"));
    const ui::CRect rect = page.FileLines().GetWindowRect();
    EXPECT_EQ(list->geometry(), QRect(rect.left, rect.top, rect.Width(), rect.Height()));
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 50);
  });
}

}  // namespace
