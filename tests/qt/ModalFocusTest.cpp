// The modal windows that the later-bad result page opens, in the Qt front end (offscreen, the
// sheet active, at 1024 x 768, where the page scrolls): once one closes, the keyboard is on the
// button clicked to open it, not on the page's scroll area (where Down would scroll the page).
#include "SimPageView.h"
#include "pages/results/LaterBadPageLayout.h"
#include "pages/results/LaterBadResultPage.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTest>
#include <string>
#include <vector>

namespace {

// One drive on boot code on a tester board.
class ModalFocus : public qttest::SimPageView {
 protected:
  ModalFocus() : SimPageView("[Station]\r\nBoards=1\r\n[Board1]\r\nSlots=1\r\n[Drive]\r\nCode=Boot\r\n", false) {}
};

// What a modal window is: a file dialog, a message box, or the dialog of the title.
std::string KindOf(const QWidget& window) {
  if (qobject_cast<const QFileDialog*>(&window) != nullptr) return "file dialog";
  if (qobject_cast<const QMessageBox*>(&window) != nullptr) return "message box";
  return window.windowTitle().toStdString();
}

// A button of the page and the modal windows it brings up one after the other (each is closed
// as it comes up).
struct OpenedWindows {
  const char* name;
  int button;
  std::vector<std::string> windows;
};

const OpenedWindows kOpenedWindows[] = {
    {"Block Map, its report chosen in a file dialog", lb_ids::kBlockMap, {"file dialog", "BLOCK_MAP"}},
    {"the CE map", lb_ids::kCeMap, {"CE Map"}},
    {"Load Data", lb_ids::kLoadData, {"file dialog"}},
    {"Open File, the report missing", lb_ids::kOpenFile, {"message box"}},
};

TEST_F(ModalFocus, TheButtonThatOpenedAModalWindowHasTheKeyboardOnceItCloses) {
  for (const OpenedWindows& opened : kOpenedWindows) {
    SCOPED_TRACE(opened.name);
    CPropertyPage_LBResult page;
    ui::CPropertySheet sheet("sheet");
    sheet.AddPage(&page);
    std::vector<std::string> windows;
    bool checked = false;
    host->SetWindowShownHook([&](QWidget* window) {
      if (window != host->Sheet()) {
        windows.push_back(KindOf(*window));
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        window->close();
        return;
      }
      window->showNormal();
      window->resize(1024, 768);
      window->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(window));
      // Port 1 chosen in the "Disk :" list (its result not read): the CE map reads its drive.
      page.Disk().OnDropDownDisk();
      page.Disk().SetCurSel(0);
      host->SyncNow();
      QWidget* button = host->Sheet()->PageView(0)->WidgetOf(*page.GetDlgItem(opened.button));
      ASSERT_NE(button, nullptr);
      QTest::mouseClick(button, Qt::LeftButton);
      EXPECT_TRUE(QTest::qWaitForWindowActive(window));
      EXPECT_EQ(windows, opened.windows);
      const QWidget* focus = QApplication::focusWidget();
      EXPECT_EQ(focus, button) << "the keyboard is on " << (focus ? focus->metaObject()->className() : "nothing");
      checked = true;
      sheet.RequestClose();
    });
    sheet.DoModal();
    EXPECT_TRUE(checked);
  }
}

}  // namespace
