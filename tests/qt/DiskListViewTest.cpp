// The "Disk :" list of the bad-block-table, later-bad and RDT result pages as the operator
// works it in the Qt front end (offscreen, the window active, the field focused), on the
// screens the station is used on: F4 opens the list whatever port the field shows (the list and
// the field emptied and filled again, the choice forgotten), Escape and leaving the field (a port
// typed into it too) choose nothing, and a click on an item or a
// step with the Down key chooses that item once. A native combo box tells its page of a
// selection only when the user chooses an item. A choice runs Show Result on the result pages,
// which disable the list while they read; the list has the focus again when they have read,
// unless the user put the focus elsewhere meanwhile.
#include "SimPageView.h"
#include "pages/bbt/BbtPage.h"
#include "pages/results/LaterBadResultPage.h"
#include "pages/results/RdtResultPage.h"
#include "platform/Sync.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <span>
#include <type_traits>
#include <utility>

namespace {

// A page with a "Disk :" list that counts the selection notices the list sends it.
class DiskListPage {
 public:
  virtual ~DiskListPage() = default;
  virtual ui::CPropertyPage& PropertyPage() = 0;
  virtual CDiskSelectCombo& Disk() = 0;
  virtual bool IsReading() const = 0;
  int selections = 0;
};

template <class Page, class Counter = DiskListPage>
class SelectionCounting : public Page, public Counter {
 public:
  ui::CPropertyPage& PropertyPage() override { return *this; }
  CDiskSelectCombo& Disk() override {
    if constexpr (std::is_base_of_v<CResultPage, Page>) {
      return Page::Disk();
    } else {
      return Page::DiskCombo();
    }
  }
  bool IsReading() const override {
    if constexpr (std::is_base_of_v<CResultPage, Page>) return Page::IsBusy();
    return false;
  }
  bool OnCommand(int id, int code) override {
    if (id == Disk().GetDlgCtrlID() && code == ui::CBN_SELCHANGE) ++this->selections;
    return Page::OnCommand(id, code);
  }
};

// A result page whose readings wait while the test holds them, so that the test acts while the
// page reads.
class HeldReadingPage : public DiskListPage {
 public:
  virtual ui::CButton& LimitCheckBox() = 0;
  platform::Event readingsGo{true, true};
};

template <class Page>
class HeldReading : public SelectionCounting<Page, HeldReadingPage> {
 public:
  // A reading still held ends before the page goes.
  ~HeldReading() override {
    this->readingsGo.Set();
    this->WaitForWorker();
  }
  ui::CButton& LimitCheckBox() override { return Page::LimitCheck(); }

 protected:
  void RunWorker(const ResultRun& run) override {
    this->readingsGo.Wait();
    Page::RunWorker(run);
  }
};

// The screens the station is used on.
const QSize kScreens[] = {QSize(1024, 768), QSize(1280, 1024)};

// Four drives whose RDT firmware has finished its test and passed.
class DiskListView : public qttest::SimPageView {
 protected:
  DiskListView()
      : SimPageView("[Station]\r\nBoards=1\r\n[Board1]\r\nSlots=4\r\n[Drive]\r\nCode=Rdt\r\nRdtState=Done\r\n", false) {}

  void Settle() {
    QApplication::processEvents();
    host->SyncNow();
  }
  // The operator clicks into the field: it has the focus, the list stays closed.
  void FocusField(QComboBox& combo) {
    QTest::mouseClick(combo.lineEdit(), Qt::LeftButton);
    Settle();
    ASSERT_TRUE(combo.hasFocus());
    ASSERT_FALSE(combo.view()->isVisible());
  }
  void PressF4(QComboBox& combo) {
    QTest::keyClick(&combo, Qt::Key_F4);
    Settle();
  }
  // The key (Down or Up) in the focused control while the page's readings are held: the choice
  // runs Show Result, the page reads with its list disabled and the test acts meanwhile; then
  // the reading goes on to its end.
  void StepWhileReadingIsHeld(HeldReadingPage& page, QComboBox& combo, Qt::Key key,
                              const std::function<void()>& whileReading) {
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    page.readingsGo.Reset();
    QTest::keyClick(focused, key);
    Settle();
    ASSERT_TRUE(page.IsReading()) << "the key went to " << focused->metaObject()->className();
    EXPECT_FALSE(combo.isEnabled());
    whileReading();
    page.readingsGo.Set();
    ASSERT_TRUE(dispatcher.PumpUntil([&] { return !page.IsReading(); }, 60000));
    Settle();
  }
  // Shows the pages in one sheet at the screen's size, the window active, runs the check on
  // each page with its "Disk :" field and its view, and closes the sheet.
  template <class ListPage>
  void CheckPagesAt(QSize screen, std::span<const std::pair<const char*, ListPage*>> pages,
                    const std::function<void(ListPage&, QComboBox&, uiqt::WindowView&)>& check) {
    ui::CPropertySheet sheet("sheet");
    for (const auto& [name, page] : pages) sheet.AddPage(&page->PropertyPage());
    bool checked = false;
    host->SetWindowShownHook([&](QWidget* window) {
      if (window != host->Sheet()) {
        ADD_FAILURE() << "a window came up: " << window->windowTitle().toStdString();
        window->close();
        return;
      }
      window->showNormal();
      window->resize(screen);
      window->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(window));
      for (std::size_t tab = 0; tab < pages.size(); ++tab) {
        SCOPED_TRACE(pages[tab].first);
        host->Sheet()->Tabs()->setCurrentIndex(static_cast<int>(tab));
        Settle();
        uiqt::WindowView* view = host->Sheet()->PageView(static_cast<int>(tab));
        ASSERT_NE(view, nullptr);
        auto* combo = qobject_cast<QComboBox*>(view->WidgetOf(pages[tab].second->Disk()));
        ASSERT_NE(combo, nullptr);
        check(*pages[tab].second, *combo, *view);
        // A result page that is reading keeps the sheet from closing.
        EXPECT_TRUE(dispatcher.PumpUntil([&] { return !pages[tab].second->IsReading(); }, 60000));
      }
      checked = true;
      sheet.RequestClose();
    });
    sheet.DoModal();
    EXPECT_TRUE(checked);
  }
  void CheckDiskList(DiskListPage& page, QComboBox& combo) {
    page.selections = 0;
    {
      SCOPED_TRACE("F4 and Escape");
      ASSERT_NO_FATAL_FAILURE(FocusField(combo));
      PressF4(combo);
      EXPECT_TRUE(combo.view()->isVisible());
      EXPECT_TRUE(combo.isEnabled());
      EXPECT_EQ(page.selections, 0);
      QTest::keyClick(combo.view(), Qt::Key_Escape);
      Settle();
      EXPECT_FALSE(combo.view()->isVisible());
      EXPECT_EQ(page.selections, 0);
    }
    {
      SCOPED_TRACE("typing a port and leaving the field");
      ASSERT_NO_FATAL_FAILURE(FocusField(combo));
      QTest::keyClick(&combo, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(&combo, "2");
      QTest::keyClick(&combo, Qt::Key_Tab);
      Settle();
      EXPECT_FALSE(combo.hasFocus());
      EXPECT_EQ(page.Disk().GetWindowText(), "2");
      EXPECT_EQ(page.selections, 0);
    }
    {
      SCOPED_TRACE("a click on port 1");
      ASSERT_NO_FATAL_FAILURE(FocusField(combo));
      PressF4(combo);
      ASSERT_TRUE(combo.view()->isVisible());
      ASSERT_EQ(combo.count(), 4);
      QAbstractItemView* list = combo.view();
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(list->model()->index(0, 0)).center());
      EXPECT_TRUE(dispatcher.PumpUntil([&] { return !page.IsReading(); }, 60000));
      Settle();
      EXPECT_FALSE(combo.view()->isVisible());
      EXPECT_EQ(page.selections, 1);
      EXPECT_EQ(page.Disk().ChosenPort(), 1);
      EXPECT_EQ(combo.currentText(), QString("1"));
    }
    {
      SCOPED_TRACE("F4 on the port chosen");
      ASSERT_NO_FATAL_FAILURE(FocusField(combo));
      PressF4(combo);
      EXPECT_TRUE(combo.view()->isVisible());
      EXPECT_EQ(page.selections, 1);
      QTest::keyClick(combo.view(), Qt::Key_Escape);
      Settle();
      EXPECT_EQ(page.selections, 1);
      // The drop-down emptied the list and its field and forgot the choice: the field shows none.
      EXPECT_EQ(combo.currentText(), QString());
      EXPECT_EQ(page.Disk().ChosenPort(), 0);
    }
    {
      SCOPED_TRACE("the Down key in the field");
      ASSERT_NO_FATAL_FAILURE(FocusField(combo));
      QTest::keyClick(&combo, Qt::Key_Down);
      EXPECT_TRUE(dispatcher.PumpUntil([&] { return !page.IsReading(); }, 60000));
      Settle();
      EXPECT_EQ(page.selections, 2);
      EXPECT_EQ(page.Disk().ChosenPort(), 1);
    }
  }
};

TEST_F(DiskListView, F4OpensTheListAndOnlyAClickOnAnItemChoosesAPort) {
  for (const QSize screen : kScreens) {
    SCOPED_TRACE(std::to_string(screen.width()) + " x " + std::to_string(screen.height()));
    SelectionCounting<CPropertyPage_DBT> badBlockTable;
    SelectionCounting<CPropertyPage_LBResult> laterBad;
    SelectionCounting<CPropertyPage_RDTResult> rdt;
    const std::pair<const char*, DiskListPage*> pages[] = {
        {"bad-block table", &badBlockTable}, {"later bad", &laterBad}, {"RDT result", &rdt}};
    CheckPagesAt<DiskListPage>(screen, pages, [&](DiskListPage& page, QComboBox& combo, uiqt::WindowView&) {
      CheckDiskList(page, combo);
    });
  }
}

TEST_F(DiskListView, TheListHasTheFocusAgainWhenTheReadingOfItsChoiceEnds) {
  for (const QSize screen : kScreens) {
    SCOPED_TRACE(std::to_string(screen.width()) + " x " + std::to_string(screen.height()));
    HeldReading<CPropertyPage_LBResult> laterBad;
    HeldReading<CPropertyPage_RDTResult> rdt;
    const std::pair<const char*, HeldReadingPage*> pages[] = {{"later bad", &laterBad}, {"RDT result", &rdt}};
    CheckPagesAt<HeldReadingPage>(screen, pages, [&](HeldReadingPage& page, QComboBox& combo, uiqt::WindowView& view) {
      {
        SCOPED_TRACE("Down, Down, Down");
        ASSERT_NO_FATAL_FAILURE(FocusField(combo));
        page.selections = 0;
        const int first = page.Disk().ChosenPort();
        for (int step = 1; step <= 3; ++step) {
          SCOPED_TRACE("Down " + std::to_string(step));
          ASSERT_NO_FATAL_FAILURE(StepWhileReadingIsHeld(page, combo, Qt::Key_Down, [] {}));
          EXPECT_EQ(page.selections, step);
          EXPECT_EQ(page.Disk().ChosenPort(), first + step);
          EXPECT_TRUE(combo.hasFocus());
        }
      }
      // What the user does while the list is disabled gives the focus to another control; the
      // list, on the last port now, steps back with Up.
      const std::pair<const char*, std::function<void()>> moves[] = {
          {"Tab", [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); }},
          {"a click on the limit's check box",
           [&] { QTest::mouseClick(view.WidgetOf(page.LimitCheckBox()), Qt::LeftButton); }},
      };
      for (const auto& [name, move] : moves) {
        SCOPED_TRACE(name);
        ASSERT_NO_FATAL_FAILURE(FocusField(combo));
        QWidget* chosen = nullptr;
        ASSERT_NO_FATAL_FAILURE(StepWhileReadingIsHeld(page, combo, Qt::Key_Up, [&] {
          move();
          Settle();
          chosen = QApplication::focusWidget();
        }));
        EXPECT_NE(chosen, nullptr);
        EXPECT_EQ(QApplication::focusWidget(), chosen);
      }
    });
  }
}

}  // namespace
