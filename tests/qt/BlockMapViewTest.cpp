// The block map in the Qt front end: its grids are table views over the model's lists (one
// item per cell, no widget per cell), they show the marked cells' texts and colours, and the
// paging buttons scroll the view by one CE group.
#include <gtest/gtest.h>

#include <functional>

#include <QAbstractButton>
#include <QApplication>
#include <QScrollBar>
#include <QTableView>

#include "pages/results/BlockMapDlg.h"
#include "support/ScratchStation.h"
#include "ui/Dispatcher.h"
#include "ui/qt/QtHost.h"

namespace {

// The grid of a channel: the table view with 137 columns and the rows of the report.
QTableView* GridOf(QWidget* window, int rows, int index) {
  int found = 0;
  for (QTableView* view : window->findChildren<QTableView*>()) {
    if (view->model()->columnCount() == 137 && view->model()->rowCount() == rows && found++ == index) return view;
  }
  return nullptr;
}

// The leftmost button with the text (the buttons of channel 0 stand left of channel 1's).
QAbstractButton* ButtonOf(QWidget* window, const QString& text) {
  QAbstractButton* leftmost = nullptr;
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
    if (button->text() == text && (leftmost == nullptr || button->x() < leftmost->x())) leftmost = button;
  }
  return leftmost;
}

// Shows the block map of a report (r/HOST_1_Report.txt of a scratch station), runs check on
// its window, then closes it with its Close button.
void ShowBlockMap(const std::string& report,
                  const std::function<void(QWidget* window, CBlockMapDlg& dialog, uiqt::QtHost& host)>& check) {
  testsupport::ScratchStation station;
  station.WriteFile("r/HOST_1_Report.txt", report);
  ui::Dispatcher dispatcher;
  uiqt::QtHost host(dispatcher);
  ui::SetHost(&host);
  CBlockMapDlg dialog;
  dialog.SetReportLocation(".\\r\\HOST_1_Report.txt", ".\\r");
  bool shown = false;
  host.SetWindowShownHook([&](QWidget* window) {
    shown = true;
    check(window, dialog, host);
    QAbstractButton* close = ButtonOf(window, "Close");
    ASSERT_NE(close, nullptr);
    close->click();
  });
  EXPECT_EQ(dialog.DoModal(), ui::IDCANCEL);
  EXPECT_TRUE(shown);
  ui::SetHost(nullptr);
}

TEST(QtBlockMap, TheGridsAreTableViewsOverTheModelsCells) {
  if (QApplication::instance() == nullptr) GTEST_SKIP() << "no application object";
  std::string report = "   Die Per Flash= 2; \r\n   Plane Number = 2; \r\n   Max Block Per CE= 2048;  \r\n";
  report += "        Channel:1,CE:9,Die:0,Plane:1;    Early Bad Block_35 (0x0023)Erase Bad-RDT \r\n";
  report += "        Channel:0,CE:0,Die:0,Plane:0;    Later Bad Block_4000 (0x0fa0) \r\n";
  ShowBlockMap(report, [&](QWidget* window, CBlockMapDlg& dialog, uiqt::QtHost& host) {
    EXPECT_EQ(window->windowTitle(), QString("BLOCK_MAP"));
    QTableView* channel0 = GridOf(window, 257, 0);
    QTableView* channel1 = GridOf(window, 257, 1);
    ASSERT_NE(channel0, nullptr);
    ASSERT_NE(channel1, nullptr);
    QTableView* marked = channel1->model()->data(channel1->model()->index(2, 22)).toString().isEmpty() ? channel0
                                                                                                       : channel1;
    QTableView* other = marked == channel1 ? channel0 : channel1;
    const QAbstractItemModel* model = marked->model();
    EXPECT_EQ(model->data(model->index(2, 22)).toString(), QString("1_Erase-RDT"));
    EXPECT_EQ(model->data(model->index(2, 22), Qt::BackgroundRole).value<QColor>(), QColor(55, 0, 255));
    EXPECT_EQ(model->data(model->index(2, 22), Qt::ForegroundRole).value<QColor>(), QColor(255, 255, 255));
    EXPECT_EQ(model->data(model->index(26, 0)).toString(), QString("01A0 h"));
    EXPECT_EQ(model->headerData(18, Qt::Horizontal, Qt::DisplayRole).toString(), QString("CE_9"));
    const QAbstractItemModel* first = other->model();
    EXPECT_EQ(first->data(first->index(250, 2)).toString(), QString("1_Later Bad"));
    EXPECT_EQ(first->data(first->index(250, 2), Qt::BackgroundRole).value<QColor>(), QColor(99, 55, 255));
    EXPECT_EQ(other->columnWidth(0), 0);
    EXPECT_EQ(other->columnWidth(1), 60);
    EXPECT_EQ(other->columnWidth(2), 20);
    // No widget per cell: the grids are item views.
    EXPECT_EQ(other->indexWidget(first->index(250, 2)), nullptr);

    // "CE ->" over the channel-0 grid scrolls that grid by one CE group.
    QAbstractButton* right = ButtonOf(window, "CE ->");
    ASSERT_NE(right, nullptr);
    right->click();
    host.SyncNow();
    EXPECT_EQ(dialog.m_listCh0.GetScrollPosition().x, 380);
    QTableView* ch0View = marked == channel1 ? channel0 : channel1;
    EXPECT_EQ(ch0View->horizontalScrollBar()->value(), 380);
  });
}

TEST(QtBlockMap, EveryRowOfTheLegendShowsInItsRectangle) {
  if (QApplication::instance() == nullptr) GTEST_SKIP() << "no application object";
  const std::string report = "   Die Per Flash= 1; \r\n   Plane Number = 2; \r\n   Max Block Per CE= 64;  \r\n";
  ShowBlockMap(report, [](QWidget* window, CBlockMapDlg&, uiqt::QtHost&) {
    // The scan legend: four rows, the last the red of the blocks found bad in a run.
    QTableView* legend = nullptr;
    for (QTableView* view : window->findChildren<QTableView*>()) {
      if (view->model()->columnCount() == 6) legend = view;
    }
    ASSERT_NE(legend, nullptr);
    ASSERT_EQ(legend->model()->rowCount(), 4);
    EXPECT_EQ(legend->model()->data(legend->model()->index(3, 0), Qt::BackgroundRole).value<QColor>(), QColor(204, 0, 0));
    EXPECT_EQ(legend->model()->data(legend->model()->index(3, 1)).toString(), QString("RUN"));
    QApplication::processEvents();
    // The operator cannot scroll the legend: every row lies inside it, its text in the row.
    EXPECT_FALSE(legend->isEnabled());
    const int shown = legend->viewport()->height();
    for (int row = 0; row < 4; ++row) {
      EXPECT_LE(legend->rowViewportPosition(row) + legend->rowHeight(row), shown) << "row " << row;
      EXPECT_LE(QFontMetrics(legend->font()).height(), legend->rowHeight(row)) << "row " << row;
    }
    EXPECT_EQ(legend->verticalScrollBar()->value(), 0);
  });
}

}  // namespace
