// The "Disk :" list of the bad-block-table, later-bad and RDT result pages as the operator
// works it in the Qt front end (offscreen, the window active, the field focused), on the
// screens the station is used on: F4 opens the list whatever port the field shows (the list and
// the field emptied and filled again, the choice forgotten), Escape and leaving the field (a port
// typed into it too) choose nothing, and a click on an item or a
// step with the Down key chooses that item once. A native combo box tells its page of a
// selection only when the user chooses an item.
#include "SimPageView.h"
#include "pages/bbt/BbtPage.h"
#include "pages/results/LaterBadResultPage.h"
#include "pages/results/RdtResultPage.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <type_traits>
#include <utility>

namespace {

// A page with a "Disk :" list that counts the selection notices the list sends it.
class DiskListPage {
 public:
  virtual ~DiskListPage() = default;
  virtual CDiskSelectCombo& Disk() = 0;
  virtual bool IsReading() const = 0;
  int selections = 0;
};

template <class Page>
class SelectionCounting : public Page, public DiskListPage {
 public:
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
    if (id == Disk().GetDlgCtrlID() && code == ui::CBN_SELCHANGE) ++selections;
    return Page::OnCommand(id, code);
  }
};

// Two drives whose RDT firmware has finished its test and passed.
class DiskListView : public qttest::SimPageView {
 protected:
  DiskListView()
      : SimPageView("[Station]\r\nBoards=1\r\n[Board1]\r\nSlots=2\r\n[Drive]\r\nCode=Rdt\r\nRdtState=Done\r\n", false) {}

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
      ASSERT_EQ(combo.count(), 2);
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
  for (const QSize screen : {QSize(1024, 768), QSize(1280, 1024)}) {
    SCOPED_TRACE(std::to_string(screen.width()) + " x " + std::to_string(screen.height()));
    SelectionCounting<CPropertyPage_DBT> badBlockTable;
    SelectionCounting<CPropertyPage_LBResult> laterBad;
    SelectionCounting<CPropertyPage_RDTResult> rdt;
    const std::pair<const char*, DiskListPage*> pages[] = {
        {"bad-block table", &badBlockTable}, {"later bad", &laterBad}, {"RDT result", &rdt}};
    ui::CPropertySheet sheet("sheet");
    sheet.AddPage(&badBlockTable);
    sheet.AddPage(&laterBad);
    sheet.AddPage(&rdt);
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
      for (int tab = 0; tab < 3; ++tab) {
        SCOPED_TRACE(pages[tab].first);
        host->Sheet()->Tabs()->setCurrentIndex(tab);
        Settle();
        uiqt::WindowView* view = host->Sheet()->PageView(tab);
        ASSERT_NE(view, nullptr);
        auto* combo = qobject_cast<QComboBox*>(view->WidgetOf(pages[tab].second->Disk()));
        ASSERT_NE(combo, nullptr);
        CheckDiskList(*pages[tab].second, *combo);
        // A result page that is reading keeps the sheet from closing.
        EXPECT_TRUE(dispatcher.PumpUntil([&] { return !pages[tab].second->IsReading(); }, 60000));
      }
      checked = true;
      sheet.RequestClose();
    });
    sheet.DoModal();
    EXPECT_TRUE(checked);
  }
}

}  // namespace
