// The check-list combo box: checks kept in step with the items, toggles by space and by
// clicks on the closed combo and in the open list, the notices the parent hears, and what
// each item paints.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "ui/CheckComboBox.h"

namespace {

using Commands = std::vector<std::pair<int, int>>;

class Parent : public ui::CWnd {
 public:
  bool OnCommand(int id, int code) override {
    commands.emplace_back(id, code);
    return true;
  }
  Commands commands;
};

class CheckComboBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent.Create(ui::WS_VISIBLE, ui::CRect(0, 0, 300, 200), nullptr, 0);
    ASSERT_TRUE(combo.Create(ui::WS_VISIBLE | ui::CBS_HASSTRINGS | ui::CBS_SIMPLE, ui::CRect(10, 10, 160, 110), &parent, 1200));
    for (const char* item : {"RDT", "MP", "QC"}) combo.AddString(item);
  }
  Commands Take() { return std::exchange(parent.commands, {}); }

  Parent parent;
  ui::CCheckComboBox combo;
};

constexpr std::pair<int, int> kChanged{1200, ui::kCheckComboChanged};
constexpr std::pair<int, int> kSelChange{1200, ui::CBN_SELCHANGE};
constexpr std::pair<int, int> kDropDown{1200, ui::CBN_DROPDOWN};

TEST_F(CheckComboBoxTest, CreateMakesAnOwnerDrawnDropDownList) {
  EXPECT_EQ(combo.GetStyle() & 0xFFFF, ui::CBS_DROPDOWNLIST | ui::CBS_OWNERDRAWVARIABLE | ui::CBS_HASSTRINGS);
}

TEST_F(CheckComboBoxTest, ChecksFollowInsertionsDeletionsAndResets) {
  combo.SetCheck(0, true);
  combo.SetCheck(2, true);
  combo.DeleteString(1);  // the middle one
  EXPECT_EQ(combo.Checks(), (std::vector<bool>{true, true}));
  combo.InsertString(0, "EraseAll");
  EXPECT_EQ(combo.Checks(), (std::vector<bool>{false, true, true}));
  EXPECT_EQ(combo.GetCheck(1), 1);
  combo.AddString("UpdateFW");
  EXPECT_EQ(combo.Checks(), (std::vector<bool>{false, true, true, false}));
  combo.ResetContent();
  EXPECT_TRUE(combo.Checks().empty());
  combo.AddString("RDT");
  EXPECT_EQ(combo.GetCheck(0), 0);
  EXPECT_EQ(combo.DeleteString(5), ui::CB_ERR);
  EXPECT_EQ(combo.Checks().size(), 1u);
}

TEST_F(CheckComboBoxTest, SortedInsertionsKeepEachCheckWithItsItem) {
  ui::CCheckComboBox sorted;
  sorted.Create(ui::CBS_SORT | ui::CBS_HASSTRINGS, ui::CRect(), &parent, 1201);
  sorted.AddString("b");
  sorted.SetCheck(0, true);
  EXPECT_EQ(sorted.AddString("a"), 0);
  EXPECT_EQ(sorted.Checks(), (std::vector<bool>{false, true}));
}

TEST_F(CheckComboBoxTest, SetCheckReturnsThePreviousStateAndRepaintsOnlyOnAChange) {
  combo.TakeDirty();
  EXPECT_EQ(combo.SetCheck(1, false), 0);
  EXPECT_EQ(combo.PeekDirty() & ui::kDirtyPaint, 0u);
  EXPECT_EQ(combo.SetCheck(1, true), 0);
  EXPECT_NE(combo.TakeDirty() & ui::kDirtyPaint, 0u);
  EXPECT_EQ(combo.SetCheck(1, true), 1);
  EXPECT_EQ(combo.PeekDirty() & ui::kDirtyPaint, 0u);
  // Indexes that are not items are ignored.
  EXPECT_EQ(combo.SetCheck(3, true), ui::CB_ERR);
  EXPECT_EQ(combo.SetCheck(-1, true), ui::CB_ERR);
  EXPECT_EQ(combo.GetCheck(3), 0);
  EXPECT_EQ(combo.GetCheck(-1), 0);
  combo.CheckAll(true);
  EXPECT_EQ(combo.Checks(), (std::vector<bool>{true, true, true}));
  combo.CheckAll(false);
  EXPECT_EQ(combo.Checks(), (std::vector<bool>{false, false, false}));
  EXPECT_TRUE(Take().empty());  // the program's changes send no notice
}

TEST_F(CheckComboBoxTest, SpaceOnTheClosedComboTogglesTheCurrentItemOnce) {
  EXPECT_TRUE(combo.UserKeyDown(ui::VK_SPACE));  // swallowed
  EXPECT_FALSE(combo.UserKeyDown(ui::VK_DOWN));
  EXPECT_FALSE(combo.UserChar(' ', false));  // no current item: the default handling
  EXPECT_TRUE(Take().empty());
  combo.SetCurSel(1);
  EXPECT_TRUE(combo.UserChar(' ', false));
  EXPECT_FALSE(combo.UserChar(' ', true));  // held: the repeats do nothing more
  EXPECT_FALSE(combo.UserChar(' ', true));
  EXPECT_EQ(combo.GetCheck(1), 1);
  EXPECT_FALSE(combo.UserChar('x', false));
  EXPECT_EQ(Take(), Commands{kChanged});
  combo.EnableWindow(false);
  EXPECT_FALSE(combo.UserChar(' ', false));
  EXPECT_EQ(combo.GetCheck(1), 1);
}

TEST_F(CheckComboBoxTest, ClickOnTheClosedCombosCheckBoxToggles) {
  combo.SetFontMetrics(13, 3);
  EXPECT_EQ(combo.CheckBoxWidth(), 22);
  EXPECT_FALSE(combo.UserClick(ui::CPoint{5, 5}));  // no current item
  combo.SetCurSel(2);
  EXPECT_TRUE(combo.UserClick(ui::CPoint{21, 5}));
  EXPECT_EQ(combo.GetCheck(2), 1);
  EXPECT_FALSE(combo.UserClick(ui::CPoint{22, 5}));  // on the text: the list opens instead
  EXPECT_EQ(combo.GetCheck(2), 1);
  EXPECT_EQ(Take(), Commands{kChanged});
}

TEST_F(CheckComboBoxTest, InTheOpenListACheckBoxClickTogglesAndATextClickSelectsAndCloses) {
  combo.SetFontMetrics(16, 0);
  combo.UserDropDown();
  EXPECT_TRUE(combo.IsListOpen());
  EXPECT_EQ(Take(), Commands{kDropDown});

  combo.UserListButtonDown(1, 4);  // on the check box
  EXPECT_FALSE(combo.UserListButtonUp());  // the list stays open
  EXPECT_TRUE(combo.IsListOpen());
  EXPECT_EQ(combo.GetCheck(1), 1);
  EXPECT_EQ(combo.GetCurSel(), 1);
  EXPECT_EQ(Take(), (Commands{kSelChange, kChanged}));

  combo.UserListButtonDown(2, 40);  // on the text
  EXPECT_TRUE(combo.UserListButtonUp());  // selects and closes
  EXPECT_FALSE(combo.IsListOpen());
  EXPECT_EQ(combo.GetCurSel(), 2);
  EXPECT_EQ(combo.GetWindowText(), "QC");
  EXPECT_EQ(combo.GetCheck(2), 0);
  EXPECT_EQ(Take(), Commands{kSelChange});

  // A press below the last item is no item: nothing happens.
  combo.UserDropDown();
  Take();
  combo.UserListButtonDown(3, 4);
  EXPECT_FALSE(combo.UserListButtonUp());
  EXPECT_TRUE(Take().empty());
  combo.UserCloseList();
  EXPECT_FALSE(combo.IsListOpen());
}

TEST_F(CheckComboBoxTest, SpaceInTheOpenListTogglesItsHighlightedLine) {
  combo.SetCurSel(0);
  combo.UserDropDown();
  Take();
  EXPECT_TRUE(combo.UserListChar(2, ' ', false));
  EXPECT_TRUE(combo.UserListChar(2, ' ', true));  // consumed, no second toggle
  EXPECT_FALSE(combo.UserListChar(2, 'q', false));
  EXPECT_EQ(combo.Checks(), (std::vector<bool>{false, false, true}));
  EXPECT_EQ(Take(), Commands{kChanged});
  // With the list open, the closed combo's keys and clicks are the list's.
  EXPECT_FALSE(combo.UserChar(' ', false));
  EXPECT_FALSE(combo.UserClick(ui::CPoint{2, 2}));
  EXPECT_EQ(combo.Checks(), (std::vector<bool>{false, false, true}));
}

TEST_F(CheckComboBoxTest, ItemsAreMeasuredFromTheFont) {
  EXPECT_EQ(combo.GetSelectionFieldHeight(), -1);
  EXPECT_EQ(combo.CheckBoxWidth(), 22);  // the default 16-pixel font
  combo.SetFontMetrics(13, 2);
  EXPECT_EQ(combo.MeasureItem(), 17);
  EXPECT_EQ(combo.GetSelectionFieldHeight(), 17);
  combo.SetFontMetrics(20, 0);
  EXPECT_EQ(combo.MeasureItem(), 22);
  EXPECT_EQ(combo.GetSelectionFieldHeight(), 17);  // set the first time only
}

TEST_F(CheckComboBoxTest, DrawingOfItemsAndOfTheSelectionField) {
  combo.SetFontMetrics(14, 0);
  // Items but no current one: item 0 becomes current and nothing is painted this time.
  ui::CheckItemDrawing drawing = combo.DrawItem(-1, ui::CRect(3, 3, 147, 21), false, true);
  EXPECT_FALSE(drawing.drawn);
  EXPECT_EQ(combo.GetCurSel(), 0);

  combo.SetCheck(1, true);
  drawing = combo.DrawItem(1, ui::CRect(0, 18, 150, 36), true, true);
  ASSERT_TRUE(drawing.drawn);
  EXPECT_TRUE(drawing.hasCheckBox);
  EXPECT_TRUE(drawing.checked);
  EXPECT_FALSE(drawing.inactive);
  EXPECT_EQ(drawing.checkRect, ui::CRect(0, 19, 20, 35));
  EXPECT_EQ(drawing.textRect, ui::CRect(20, 18, 150, 36));
  EXPECT_EQ(drawing.text, " MP");
  EXPECT_EQ(drawing.background, ui::kSystemHighlightColor);
  EXPECT_EQ(drawing.textColor, ui::kSystemHighlightTextColor);
  EXPECT_EQ(drawing.checkBackground, ui::kSystemWindowColor);
  EXPECT_TRUE(drawing.focusRect);

  drawing = combo.DrawItem(2, ui::CRect(0, 36, 150, 54), false, true);
  EXPECT_FALSE(drawing.checked);
  EXPECT_EQ(drawing.background, ui::kSystemWindowColor);
  EXPECT_EQ(drawing.textColor, ui::kSystemWindowTextColor);
  EXPECT_FALSE(drawing.focusRect);

  combo.EnableWindow(false);
  drawing = combo.DrawItem(2, ui::CRect(0, 36, 150, 54), false, false);
  EXPECT_TRUE(drawing.inactive);
  EXPECT_EQ(drawing.background, ui::kSystemFaceColor);
  EXPECT_EQ(drawing.textColor, ui::kSystemGrayTextColor);

  // An empty combo paints its field without a check box; an index that is no item likewise.
  ui::CCheckComboBox empty;
  empty.Create(0, ui::CRect(), &parent, 1202);
  drawing = empty.DrawItem(-1, ui::CRect(0, 0, 100, 18), false, false);
  EXPECT_TRUE(drawing.drawn);
  EXPECT_FALSE(drawing.hasCheckBox);
  EXPECT_EQ(drawing.text, "");
  drawing = combo.DrawItem(7, ui::CRect(0, 0, 100, 18), false, false);
  EXPECT_FALSE(drawing.hasCheckBox);
}

}  // namespace
