// The RDT result page as the operator opens it from another tab of the sheet, on the screens
// the station is used on (offscreen): the page takes its tab's size before it lists the
// drives, so the port it shows chosen is the port Show Result reads.
#include "SimPageView.h"
#include "pages/bbt/BbtPage.h"
#include "pages/results/RdtResultPage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QTabWidget>
#include <filesystem>

#include "platform/Path.h"

namespace {

// Two drives whose RDT firmware has finished its test and passed.
class ResultTabView : public qttest::SimPageView {
 protected:
  ResultTabView()
      : SimPageView("[Station]\r\nBoards=1\r\n[Board1]\r\nSlots=2\r\n[Drive]\r\nCode=Rdt\r\nRdtState=Done\r\n", false) {}
};

TEST_F(ResultTabView, ShowResultOnANewlyOpenedTabReadsTheDriveOfTheShownPort) {
  for (const QSize screen : {QSize(1024, 768), QSize(1280, 1024)}) {
    SCOPED_TRACE(std::to_string(screen.width()) + " x " + std::to_string(screen.height()));
    CPropertyPage_DBT badBlockTable;
    CPropertyPage_RDTResult rdt;
    ui::CPropertySheet sheet("sheet");
    sheet.AddPage(&badBlockTable);
    sheet.AddPage(&rdt);
    bool checked = false;
    host->SetWindowShownHook([&](QWidget* window) {
      window->showNormal();
      window->resize(screen);
      QApplication::processEvents();
      for (const char* visit : {"first", "again"}) {
        SCOPED_TRACE(std::string(visit) + " visit");
        host->Sheet()->Tabs()->setCurrentIndex(1);
        QApplication::processEvents();
        host->SyncNow();
        uiqt::WindowView* view = host->Sheet()->PageView(1);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(rdt.Disk().ChosenPort(), 1);
        auto* disk = qobject_cast<QComboBox*>(view->WidgetOf(rdt.Disk()));
        ASSERT_NE(disk, nullptr);
        EXPECT_EQ(disk->currentText(), QString("1"));
        rdt.Status().SetWindowText("");
        auto* showResult = qobject_cast<QAbstractButton*>(view->WidgetOf(rdt.ShowResultButton()));
        ASSERT_NE(showResult, nullptr);
        showResult->click();
        EXPECT_TRUE(dispatcher.PumpUntil([&] { return !rdt.IsBusy(); }, 60000));
        EXPECT_EQ(rdt.Status().GetWindowText(), "Pass");
        EXPECT_TRUE(std::filesystem::exists(platform::ToNativePath(rdt.ReportPath())));
        host->Sheet()->Tabs()->setCurrentIndex(0);
        QApplication::processEvents();
      }
      checked = true;
      sheet.RequestClose();
    });
    sheet.DoModal();
    EXPECT_TRUE(checked);
  }
}

}  // namespace
