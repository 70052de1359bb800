// The Qt front end on the offscreen platform: it builds the sheet from the model, turns
// clicks and drop-downs into model events and shows what the model holds.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <atomic>
#include <thread>
#include <utility>

#include "controls/ColorEdit.h"
#include "controls/ReportListCtrl.h"
#include "ui/Button.h"
#include "ui/ComboBox.h"
#include "ui/Dialog.h"
#include "ui/Dispatcher.h"
#include "ui/Edit.h"
#include "ui/ProgressCtrl.h"
#include "ui/PropertySheet.h"
#include "ui/qt/QtHost.h"
#include "ui/qt/SheetWindow.h"
#include "ui/qt/WindowView.h"

namespace {

// One application object for the whole binary, made before the first test and gone before
// the program's exit handlers run.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    m_application = std::make_unique<QApplication>(m_argc, m_argv);
  }
  void TearDown() override { m_application.reset(); }

 private:
  int m_argc = 1;
  char m_name[9] = "qt_tests";
  char* m_argv[2] = {m_name, nullptr};
  std::unique_ptr<QApplication> m_application;
};
::testing::Environment* const g_qtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

using ui::ControlKind;
using ui::DialogItem;

const ui::DialogTemplate kPage{
    326,
    "Later Bad",
    300,
    150,
    ui::DialogFont{},
    {
        DialogItem{1819, ControlKind::Button, "Show Result", 10, 5, 60, 14},
        DialogItem{1821, ControlKind::Edit, "", 80, 5, 100, 14, ui::ES_READONLY},
        DialogItem{1817, ControlKind::ComboBox, "", 10, 25, 45, 100, ui::CBS_DROPDOWN | ui::CBS_SORT},
        DialogItem{1822, ControlKind::ProgressCtrl, "", 190, 5, 70, 6},
        DialogItem{1845, ControlKind::Edit, "0", 10, 45, 30, 12},
        DialogItem{1834, ControlKind::ListCtrl, "", 10, 60, 280, 80, ui::LVS_REPORT},
    }};

class TestPage : public ui::CPropertyPage {
 public:
  TestPage() : CPropertyPage(&kPage) {}
  void DoDataExchange(ui::CDataExchange* exchange) override {
    ui::DDX_Control(exchange, 1821, status);
    ui::DDX_Control(exchange, 1817, disk);
    ui::DDX_Control(exchange, 1822, progress);
    ui::DDX_Control(exchange, 1834, list);
  }
  bool OnInitDialog() override {
    CPropertyPage::OnInitDialog();
    status.SetColor(ui::RGB(0, 0, 0), ui::RGB(255, 255, 255));
    list.SetHeadings("CH,40;CE,40");
    list.InsertItem(0, "0");
    list.SetItemText(0, 1, "3");
    list.SetItemBkColor(0, 1, ui::RGB(55, 0, 255), true);
    return true;
  }
  bool OnCommand(int id, int code) override {
    if (id == 1819 && code == ui::BN_CLICKED) {
      ++showResultClicks;
      status.SetWindowText("Pass");
      progress.SetPos(100);
      return true;
    }
    if (id == 1817 && code == ui::CBN_DROPDOWN) {
      disk.ResetContent();
      for (const char* port : {"2", "10", "24"}) disk.AddString(port);
      return true;
    }
    if (id == 1817 && code == ui::CBN_SELCHANGE) {
      selected = disk.GetLBText(disk.GetCurSel());
      return true;
    }
    return CPropertyPage::OnCommand(id, code);
  }
  CColorEdit status;
  ui::CComboBox disk;
  ui::CProgressCtrl progress;
  CReportListCtrl list;
  int showResultClicks = 0;
  std::string selected;
};

class QtFrontEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    host = std::make_unique<uiqt::QtHost>(dispatcher);
    ui::SetHost(host.get());
  }
  void TearDown() override {
    ui::SetHost(nullptr);
    host.reset();
  }
  ui::Dispatcher dispatcher;
  std::unique_ptr<uiqt::QtHost> host;
};

TEST_F(QtFrontEnd, BuildsTheSheetAndAClickReachesTheModel) {
  TestPage page;
  ui::CPropertySheet sheet("SATA SSD MP Tool V1.0.0");
  sheet.AddPage(&page);
  bool checked = false;
  host->SetWindowShownHook([&](QWidget* window) {
    auto* sheetWindow = host->Sheet();
    ASSERT_NE(sheetWindow, nullptr);
    EXPECT_EQ(window, sheetWindow);
    EXPECT_EQ(sheetWindow->windowTitle(), QString("SATA SSD MP Tool V1.0.0"));
    EXPECT_EQ(sheetWindow->Tabs()->tabText(0), QString("Later Bad"));
    uiqt::WindowView* view = sheetWindow->PageView(0);
    ASSERT_NE(view, nullptr);

    auto* button = qobject_cast<QAbstractButton*>(view->WidgetOf(*page.GetDlgItem(1819)));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QString("Show Result"));
    button->click();
    EXPECT_EQ(page.showResultClicks, 1);
    EXPECT_EQ(page.status.GetWindowText(), "Pass");
    host->SyncNow();
    auto* bar = qobject_cast<QProgressBar*>(view->WidgetOf(page.progress));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->value(), 100);

    // Typing into the limit box reaches the model.
    auto* limit = qobject_cast<QLineEdit*>(view->WidgetOf(*page.GetDlgItem(1845)));
    ASSERT_NE(limit, nullptr);
    limit->setText("5%");
    emit limit->textEdited("5%");
    EXPECT_EQ(page.GetDlgItemText(1845), "5%");

    // The grid shows the model's cells and colours.
    auto* grid = qobject_cast<QTableView*>(view->WidgetOf(page.list));
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->model()->rowCount(), 1);
    EXPECT_EQ(grid->model()->data(grid->model()->index(0, 1)).toString(), QString("3"));
    EXPECT_EQ(grid->model()->data(grid->model()->index(0, 1), Qt::BackgroundRole).value<QColor>(), QColor(55, 0, 255));
    EXPECT_EQ(grid->columnWidth(0), 40);
    checked = true;
    sheet.RequestClose();
  });
  EXPECT_EQ(sheet.DoModal(), ui::IDCANCEL);
  EXPECT_TRUE(checked);
}

TEST_F(QtFrontEnd, TheDropDownNoticeRefillsTheListBeforeItOpensAndAChoiceSelects) {
  TestPage page;
  ui::CPropertySheet sheet("sheet");
  sheet.AddPage(&page);
  host->SetWindowShownHook([&](QWidget*) {
    auto* combo = qobject_cast<QComboBox*>(host->Sheet()->PageView(0)->WidgetOf(page.disk));
    ASSERT_NE(combo, nullptr);
    // The template's 100 dialog units include the list; the page shows the edit field only.
    const ui::CRect rect = page.disk.GetWindowRect();
    EXPECT_EQ(combo->geometry().topLeft(), QPoint(rect.left, rect.top));
    EXPECT_EQ(combo->width(), rect.Width());
    EXPECT_EQ(combo->height(), combo->sizeHint().height());
    EXPECT_LT(combo->height(), rect.Height());
    EXPECT_EQ(combo->count(), 0);
    combo->showPopup();
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), QString("10"));  // sorted as text
    combo->hidePopup();
    emit combo->activated(1);
    EXPECT_EQ(page.selected, "2");
    EXPECT_EQ(page.disk.GetWindowText(), "2");
    sheet.RequestClose();
  });
  sheet.DoModal();
}

TEST_F(QtFrontEnd, WorkerWritesAppearAfterTheUiThreadPumps) {
  TestPage page;
  ui::CPropertySheet sheet("sheet");
  sheet.AddPage(&page);
  host->SetWindowShownHook([&](QWidget*) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
      for (int step = 0; step <= 100; ++step) page.progress.SetPos(step);
      page.status.GetStateText() = "Pass";
      done = true;
      dispatcher.Wake();
    });
    dispatcher.PumpUntil([&] { return done.load(); }, 60000);
    worker.join();
    host->SyncNow();
    EXPECT_EQ(qobject_cast<QProgressBar*>(host->Sheet()->PageView(0)->WidgetOf(page.progress))->value(), 100);
    sheet.RequestClose();
  });
  sheet.DoModal();
}

TEST_F(QtFrontEnd, AnOperatorMenuListsItsEntriesWhenItOpensAndRunsTheOneChosen) {
  TestPage page;
  ui::CPropertySheet sheet("SATA SSD MP Tool V1.0.0");
  sheet.AddPage(&page);
  std::vector<std::string> drives{"Tester 1 (board 1, slot 1)", "Tester 2 (board 1, slot 2)"};
  std::vector<std::string> replugged;
  host->AddOperatorMenu({QStringLiteral("Re-plug a drive"), [&] {
                           std::vector<uiqt::OperatorMenuEntry> entries;
                           for (const std::string& drive : drives) {
                             entries.push_back({QString::fromStdString(drive), [&replugged, drive] { replugged.push_back(drive); }});
                           }
                           return entries;
                         }});
  bool checked = false;
  host->SetWindowShownHook([&](QWidget* window) {
    auto* bar = window->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->actions().size(), 1);
    QMenu* menu = bar->actions()[0]->menu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), QString("Re-plug a drive"));
    emit menu->aboutToShow();
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[1]->text(), QString("Tester 2 (board 1, slot 2)"));
    menu->actions()[1]->trigger();
    EXPECT_EQ(replugged, std::vector<std::string>{"Tester 2 (board 1, slot 2)"});
    // The entries are those of the moment the menu opens.
    drives.pop_back();
    emit menu->aboutToShow();
    EXPECT_EQ(menu->actions().size(), 1);
    checked = true;
    sheet.RequestClose();
  });
  sheet.DoModal();
  EXPECT_TRUE(checked);
}

TEST_F(QtFrontEnd, AWindowSmallerThanThePageScrollsThePageWhichKeepsItsSize) {
  TestPage page;  // 300 x 150 dialog units: 600 x 300 pixels
  ui::CPropertySheet sheet("SATA SSD MP Tool V1.0.0");
  sheet.AddPage(&page);
  bool checked = false;
  host->SetWindowShownHook([&](QWidget* window) {
    auto* scroller = qobject_cast<QScrollArea*>(host->Sheet()->Tabs()->widget(0));
    ASSERT_NE(scroller, nullptr);
    window->showNormal();
    window->resize(400, 250);
    QApplication::processEvents();
    host->SyncNow();
    EXPECT_LT(scroller->viewport()->width(), 600);
    EXPECT_GT(scroller->horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(scroller->verticalScrollBar()->maximum(), 0);
    EXPECT_TRUE(scroller->horizontalScrollBar()->isVisible());
    // The page keeps its template's size: nothing of it is cut, it is scrolled to.
    EXPECT_EQ(page.GetClientRect().Width(), 600);
    EXPECT_EQ(page.GetClientRect().Height(), 300);
    scroller->horizontalScrollBar()->setValue(scroller->horizontalScrollBar()->maximum());
    const QWidget* list = host->Sheet()->PageView(0)->WidgetOf(page.list);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(scroller->viewport()->rect().contains(QRect(list->mapTo(scroller->viewport(), QPoint(list->width() - 1, 0)), QSize(1, 1))));

    // A window larger than the page: no scrolling, the page fills the tab.
    window->resize(1000, 700);
    QApplication::processEvents();
    host->SyncNow();
    EXPECT_EQ(scroller->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(scroller->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(page.GetClientRect().Width(), scroller->viewport()->width());
    EXPECT_EQ(page.GetClientRect().Height(), scroller->viewport()->height());
    checked = true;
    sheet.RequestClose();
  });
  sheet.DoModal();
  EXPECT_TRUE(checked);
}

// A page larger than most screens, and pages that note their size at each activation.
const ui::DialogTemplate kLargePage{327, "Large", 700, 400, ui::DialogFont{}, {}};

class SizeNotingPage : public ui::CPropertyPage {
 public:
  explicit SizeNotingPage(const ui::DialogTemplate& dialogTemplate) : CPropertyPage(&dialogTemplate) {}
  bool OnSetActive() override {
    activeSize = GetClientRect().Size();
    return CPropertyPage::OnSetActive();
  }
  ui::CSize activeSize;
};

TEST_F(QtFrontEnd, EachPageIsAtItsTabsSizeWhenItIsActivated) {
  SizeNotingPage small(kPage), large(kLargePage);
  ui::CPropertySheet sheet("SATA SSD MP Tool V1.0.0");
  sheet.AddPage(&small);
  sheet.AddPage(&large);
  struct Step {
    const char* what;
    QSize window;  // empty: as it is
    int tab;
    SizeNotingPage& page;
  };
  const Step steps[] = {
      {"the first page as the window opens", QSize(), 0, small},
      {"a page opened at 1024 x 768", QSize(1024, 768), 1, large},
      {"the first page again", QSize(), 0, small},
      {"the page opened again after the window grew", QSize(1280, 1024), 1, large},
  };
  bool checked = false;
  host->SetWindowShownHook([&](QWidget* window) {
    for (const Step& step : steps) {
      SCOPED_TRACE(step.what);
      if (!step.window.isEmpty()) {
        window->showNormal();
        window->resize(step.window);
      }
      host->Sheet()->Tabs()->setCurrentIndex(step.tab);
      QApplication::processEvents();
      // The area the tab gives its page is the widget the tab scrolls.
      auto* scroller = qobject_cast<QScrollArea*>(host->Sheet()->Tabs()->widget(step.tab));
      ASSERT_NE(scroller, nullptr);
      const QSize area = scroller->widget()->size();
      EXPECT_EQ(std::pair(step.page.activeSize.cx, step.page.activeSize.cy), std::pair(area.width(), area.height()));
    }
    checked = true;
    sheet.RequestClose();
  });
  sheet.DoModal();
  EXPECT_TRUE(checked);
}

TEST_F(QtFrontEnd, WithoutOperatorMenusTheWindowHasNoMenuBar) {
  TestPage page;
  ui::CPropertySheet sheet("SATA SSD MP Tool V1.0.0");
  sheet.AddPage(&page);
  host->SetWindowShownHook([&](QWidget* window) {
    EXPECT_EQ(window->findChild<QMenuBar*>(), nullptr);
    sheet.RequestClose();
  });
  sheet.DoModal();
}

const ui::DialogTemplate kAskDialog{
    230,
    "Ask",
    120,
    50,
    ui::DialogFont{},
    {
        DialogItem{ui::IDOK, ControlKind::Button, "OK", 10, 30, 40, 14, ui::BS_DEFPUSHBUTTON},
        DialogItem{ui::IDCANCEL, ControlKind::Button, "Cancel", 60, 30, 40, 14},
    }};

TEST_F(QtFrontEnd, AModalDialogEndsWithTheButtonClicked) {
  ui::CDialog dialog(&kAskDialog);
  host->SetWindowShownHook([&](QWidget* window) {
    EXPECT_EQ(window->windowTitle(), QString("Ask"));
    EXPECT_EQ(window->size(), QSize(240, 100));
    QAbstractButton* ok = nullptr;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
      if (button->text() == "OK") ok = button;
    }
    ASSERT_NE(ok, nullptr);
    ok->click();
  });
  EXPECT_EQ(dialog.DoModal(), ui::IDOK);
}

}  // namespace
