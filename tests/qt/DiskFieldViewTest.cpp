// The "Disk :" field in the Qt front end (offscreen) keeps what the operator types, where the
// cursor puts it, while the list's choice follows the text: a listed port typed becomes the
// current item (whose text QComboBox would put into the field), any other text leaves none
// current (which would empty the field).
#include "SimPageView.h"
#include "pages/bbt/BbtPage.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

namespace {

// Four drives on boot code: the ports 1 to 4 are listed.
class DiskFieldView : public qttest::SimPageView {
 protected:
  DiskFieldView() : SimPageView("[Station]\r\nBoards=1\r\n[Board1]\r\nSlots=4\r\n[Drive]\r\nCode=Boot\r\n", false) {}

  void Settle() {
    QApplication::processEvents();
    host->SyncNow();
  }
  // Types the keys one at a time over the field's whole text ('^' is the Home key), the front
  // end brought up to date after each.
  void Type(QLineEdit& field, const std::string& keys) {
    QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
    for (const char key : keys) {
      if (key == '^') {
        QTest::keyClick(&field, Qt::Key_Home);
      } else {
        QTest::keyClick(&field, key);
      }
      Settle();
    }
  }
};

TEST_F(DiskFieldView, TheFieldKeepsWhatIsTypedWhereTheCursorPutsIt) {
  struct Case {
    const char* keys;
    const char* field;
    int port;  // the port chosen; 0 none
    bool listed = true;  // typed after the list was opened; else on a page that never listed it
  };
  const Case cases[] = {
      {" 3", " 3", 3, false},
      {"7", "7", 0},
      {" 3 ", " 3 ", 3},
      {"2^13", "132", 0},
      {"4^  ", "  4", 4},
  };
  CPropertyPage_DBT page;
  CheckShownPage(page, [&](uiqt::WindowView* view) {
    auto* combo = qobject_cast<QComboBox*>(view->WidgetOf(page.DiskCombo()));
    ASSERT_NE(combo, nullptr);
    ASSERT_NE(combo->lineEdit(), nullptr);
    for (const Case& c : cases) {
      SCOPED_TRACE(c.keys);
      if (c.listed) {
        page.DiskCombo().OnDropDownDisk();
        page.DiskCombo().SetCurSel(0);
        Settle();
        ASSERT_EQ(combo->currentText(), QString("1"));
      }
      Type(*combo->lineEdit(), c.keys);
      EXPECT_EQ(combo->lineEdit()->text().toStdString(), c.field);
      EXPECT_EQ(page.DiskCombo().GetWindowText(), c.field);
      EXPECT_EQ(page.DiskCombo().ChosenPort(), c.port);
    }
  });
}

}  // namespace
