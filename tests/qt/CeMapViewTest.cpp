// The CE map dialog in the Qt front end (offscreen): each CE's label stands level with the
// row that shows that CE's flash ID, whatever font the front end draws in.
#include "SimPageView.h"
#include "pages/results/CeMapDlg.h"

#include <QApplication>
#include <QLabel>
#include <QTableView>

namespace {

// One drive on boot code on a tester board.
class CeMapView : public qttest::SimPageView {
 protected:
  CeMapView() : SimPageView("[Station]\r\nBoards=1\r\n[Board1]\r\nSlots=1\r\n[Drive]\r\nCode=Boot\r\n", false) {}
};

// The rectangle of a list's row, in the window's coordinates.
QRect RowRect(const QTableView& list, int row) {
  const QRect rect = list.visualRect(list.model()->index(row, 0));
  return QRect(list.viewport()->mapTo(list.window(), rect.topLeft()), rect.size());
}

TEST_F(CeMapView, EachCeLabelStandsLevelWithItsRow) {
  const QFont appFont = QApplication::font();
  for (const int pixelSize : {11, 16}) {
    SCOPED_TRACE("font of " + std::to_string(pixelSize) + " pixels");
    QFont font = appFont;
    font.setPixelSize(pixelSize);
    QApplication::setFont(font);
    CCeMapDlg dialog;
    dialog.m_driveNumber = 1;
    bool checked = false;
    host->SetWindowShownHook([&](QWidget* window) {
      QApplication::processEvents();
      host->SyncNow();
      // Channel 0's list stands left of channel 1's.
      QList<QTableView*> lists = window->findChildren<QTableView*>();
      ASSERT_EQ(lists.size(), 2);
      if (lists[0]->x() > lists[1]->x()) lists.swapItemsAt(0, 1);
      for (int ce = 0; ce < 16; ++ce) {
        SCOPED_TRACE("CE" + std::to_string(ce));
        QTableView* list = lists[ce / 8];
        ASSERT_EQ(list->model()->rowCount(), 8);
        QLabel* label = nullptr;
        for (QLabel* candidate : window->findChildren<QLabel*>()) {
          if (candidate->text() == QString("CE%1").arg(ce)) label = candidate;
        }
        ASSERT_NE(label, nullptr);
        const QRect row = RowRect(*list, ce % 8);
        const int centre = label->mapTo(window, QPoint(0, label->height() / 2)).y();
        EXPECT_GE(centre, row.top()) << "row " << row.top() << "-" << row.bottom();
        EXPECT_LE(centre, row.bottom()) << "row " << row.top() << "-" << row.bottom();
        EXPECT_LE(row.bottom(), list->viewport()->mapTo(window, QPoint(0, list->viewport()->height() - 1)).y())
            << "the row is cut";
      }
      checked = true;
      dialog.EndDialog(ui::IDCANCEL);
    });
    dialog.DoModal();
    EXPECT_TRUE(checked);
  }
  QApplication::setFont(appFont);
}

}  // namespace
