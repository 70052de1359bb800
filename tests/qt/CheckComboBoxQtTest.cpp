// The check-list combo box on the Qt front end (offscreen): the widget shows the model's
// items, and the space bar and clicks on the closed field and in the open list reach the
// model as the operator's toggles and choices.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QWidget>

#include "ui/CheckComboBox.h"
#include "ui/qt/WindowView.h"

namespace {

class Parent : public ui::CWnd {
 public:
  bool OnCommand(int id, int code) override {
    commands.emplace_back(id, code);
    return true;
  }
  std::vector<std::pair<int, int>> commands;
};

class CheckComboBoxQt : public ::testing::Test {
 protected:
  void SetUp() override {
    parent.Create(ui::WS_VISIBLE, ui::CRect(0, 0, 300, 200), nullptr, 0);
    combo.Create(ui::WS_VISIBLE | ui::CBS_HASSTRINGS, ui::CRect(10, 10, 160, 110), &parent, 1300);
    for (const char* item : {"RDT", "MP", "QC"}) combo.AddString(item);
    host.resize(300, 200);
    view = std::make_unique<uiqt::WindowView>(parent, &host, true);
    host.show();
    widget = qobject_cast<QComboBox*>(view->WidgetOf(combo));
  }
  void TearDown() override {
    if (widget) widget->hidePopup();
    view.reset();
  }
  // A point in the selection field, x pixels from its left edge.
  QPoint FieldPoint(int x) const {
    QStyleOptionComboBox option;
    option.initFrom(widget);
    const QRect field = widget->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, widget);
    return QPoint(field.left() + x, field.center().y());
  }
  // A point on line `row` of the open list, x pixels from the line's left edge.
  QPoint LinePoint(int row, int x) const {
    QAbstractItemView* list = widget->view();
    const QRect line = list->visualRect(list->model()->index(row, 0));
    return QPoint(line.left() + x, line.center().y());
  }

  Parent parent;
  ui::CCheckComboBox combo;
  QWidget host;
  std::unique_ptr<uiqt::WindowView> view;
  QComboBox* widget = nullptr;
};

TEST_F(CheckComboBoxQt, ShowsTheItemsAndPaintingMakesTheFirstCurrent) {
  ASSERT_NE(widget, nullptr);
  EXPECT_EQ(widget->count(), 3);
  EXPECT_EQ(widget->itemText(2), QString("QC"));
  EXPECT_EQ(widget->geometry().topLeft(), QPoint(10, 10));
  EXPECT_LT(widget->height(), 100);  // the field only; the model's rectangle includes the list
  EXPECT_EQ(combo.GetCurSel(), -1);
  widget->grab();  // paints the field
  EXPECT_EQ(combo.GetCurSel(), 0);
  EXPECT_GT(combo.CheckBoxWidth(), 6);  // measured from the widget's font
}

TEST_F(CheckComboBoxQt, SpaceAndCheckBoxClicksOnTheFieldToggleTheCurrentItem) {
  ASSERT_NE(widget, nullptr);
  combo.SetCurSel(1);
  view->Sync(false);
  QTest::keyClick(widget, Qt::Key_Space);
  EXPECT_EQ(combo.GetCheck(1), 1);
  QTest::mouseClick(widget, Qt::LeftButton, {}, FieldPoint(3));
  EXPECT_EQ(combo.GetCheck(1), 0);
  EXPECT_FALSE(widget->view()->isVisible());
  EXPECT_EQ(parent.commands, (std::vector<std::pair<int, int>>{{1300, ui::kCheckComboChanged}, {1300, ui::kCheckComboChanged}}));
}

TEST_F(CheckComboBoxQt, TheOpenListKeepsOpenForCheckBoxesAndClosesOnAChoice) {
  ASSERT_NE(widget, nullptr);
  widget->showPopup();
  QAbstractItemView* list = widget->view();
  ASSERT_TRUE(list->isVisible());
  EXPECT_TRUE(combo.IsListOpen());

  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, LinePoint(2, 3));
  EXPECT_EQ(combo.GetCheck(2), 1);
  EXPECT_TRUE(list->isVisible());
  EXPECT_TRUE(combo.IsListOpen());

  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, LinePoint(1, combo.CheckBoxWidth() + 20));
  EXPECT_FALSE(list->isVisible());
  EXPECT_FALSE(combo.IsListOpen());
  EXPECT_EQ(combo.GetCurSel(), 1);
  EXPECT_EQ(widget->currentIndex(), 1);
  EXPECT_EQ(combo.GetCheck(1), 0);
  EXPECT_EQ(combo.Checks(), (std::vector<bool>{false, false, true}));
}

}  // namespace
