// Combo boxes, list boxes and list views: content rules, notices to the parent, sorting.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/ComboBox.h"
#include "ui/ListBox.h"
#include "ui/ListCtrl.h"

namespace {

class NoticeLog : public ui::CWnd {
 public:
  bool OnCommand(int id, int code) override {
    commands.push_back({id, code});
    if (code == ui::CBN_DROPDOWN && refill) refill();
    return true;
  }
  bool OnNotify(const ui::NotifyMessage& message) override {
    notices.push_back(message);
    return true;
  }
  std::vector<std::pair<int, int>> commands;
  std::vector<ui::NotifyMessage> notices;
  std::function<void()> refill;
};

TEST(ComboBox, SortedItemsFollowTextOrder) {
  ui::CComboBox combo;
  combo.Create(ui::CBS_DROPDOWN | ui::CBS_SORT, ui::CRect(), nullptr, 1817);
  for (const char* port : {"2", "24", "10", "3", "1"}) combo.AddString(port);
  EXPECT_EQ(combo.Items(), (std::vector<std::string>{"1", "10", "2", "24", "3"}));
  EXPECT_EQ(combo.AddString("11"), 2);
  EXPECT_EQ(combo.GetLBText(7), "");
  std::string text;
  EXPECT_EQ(combo.GetLBText(7, text), ui::CB_ERR);
  EXPECT_EQ(combo.FindStringExact(-1, "24"), 4);
  EXPECT_EQ(combo.DeleteString(9), ui::CB_ERR);
}

TEST(ComboBox, DropDownNoticeComesBeforeTheListAndSelectionNoticeOnlyOnAUsersChoice) {
  NoticeLog page;
  page.Create(ui::WS_VISIBLE, ui::CRect(0, 0, 100, 100), nullptr, 0);
  ui::CComboBox combo;
  combo.Create(ui::WS_VISIBLE | ui::CBS_DROPDOWN | ui::CBS_SORT, ui::CRect(), &page, 1817);
  page.refill = [&] {
    combo.ResetContent();
    combo.AddString("7");
    combo.AddString("12");
  };
  combo.AddString("stale");
  combo.UserDropDown();
  EXPECT_EQ(combo.Items(), (std::vector<std::string>{"12", "7"}));

  // The program's selection sends nothing.
  EXPECT_EQ(combo.SetCurSel(0), 0);
  EXPECT_EQ(combo.GetWindowText(), "12");
  EXPECT_EQ(page.commands, (std::vector<std::pair<int, int>>{{1817, ui::CBN_DROPDOWN}}));

  combo.UserSelect(1);
  EXPECT_EQ(combo.GetCurSel(), 1);
  EXPECT_EQ(combo.GetWindowText(), "7");
  EXPECT_EQ(page.commands.back(), (std::pair<int, int>{1817, ui::CBN_SELCHANGE}));

  // A disabled combo takes no user action.
  combo.EnableWindow(false);
  combo.UserDropDown();
  EXPECT_EQ(page.commands.size(), 2u);
}

// Typed text is no item: none is current until one is chosen, or made current with the typed
// text kept, and the parent hears of the edit.
TEST(ComboBox, TypedTextLeavesNoItemCurrentAndStaysInTheField) {
  NoticeLog page;
  page.Create(ui::WS_VISIBLE, ui::CRect(0, 0, 100, 100), nullptr, 0);
  ui::CComboBox combo;
  combo.Create(ui::WS_VISIBLE | ui::CBS_DROPDOWN | ui::CBS_SORT, ui::CRect(), &page, 1817);
  combo.AddString("1");
  combo.AddString("2");
  combo.UserSelect(0);
  combo.UserEditText(" 2");
  EXPECT_EQ(combo.GetCurSel(), ui::CB_ERR);
  EXPECT_EQ(combo.GetWindowText(), " 2");
  EXPECT_EQ(page.commands.back(), (std::pair<int, int>{1817, ui::CBN_EDITCHANGE}));
  EXPECT_EQ(combo.SetCurSelKeepingText(1), 1);
  EXPECT_EQ(combo.GetWindowText(), " 2");
  EXPECT_EQ(combo.SetCurSelKeepingText(2), ui::CB_ERR);
  EXPECT_EQ(combo.GetCurSel(), ui::CB_ERR);
}

TEST(ListBox, LinesExtentAndSelection) {
  ui::CListBox list;
  list.Create(0, ui::CRect(), nullptr, 1895);
  list.SetHorizontalExtent(256);
  EXPECT_EQ(list.GetHorizontalExtent(), 256);
  const std::uint64_t serial = list.StructureSerial();
  list.AddString("b");
  list.AddString("a");
  EXPECT_EQ(list.StructureSerial(), serial);  // appends keep the serial
  EXPECT_EQ(list.GetText(0), "b");
  EXPECT_EQ(list.SetCurSel(1), 1);
  EXPECT_EQ(list.SetCurSel(5), ui::LB_ERR);
  EXPECT_EQ(list.GetCurSel(), -1);
  list.InsertString(0, "first");
  EXPECT_NE(list.StructureSerial(), serial);
  EXPECT_EQ(list.Lines(0, 10), (std::vector<std::string>{"first", "b", "a"}));
  list.ResetContent();
  EXPECT_EQ(list.GetCount(), 0);
}

TEST(ListCtrl, ColumnsAndRowsKeepOneCellPerColumn) {
  ui::CListCtrl list;
  list.Create(ui::LVS_REPORT, ui::CRect(0, 0, 300, 100), nullptr, 1834);
  EXPECT_EQ(list.InsertItem(0, "row before columns"), 0);
  EXPECT_EQ(list.InsertColumn(0, "CH", ui::LVCFMT_LEFT, 40), 0);
  EXPECT_EQ(list.GetItemText(0, 0), "row before columns");
  EXPECT_EQ(list.InsertColumn(5, "CE"), 1);  // past the end: appended
  EXPECT_EQ(list.GetColumnWidth(1), ui::CListCtrl::kDefaultColumnWidth);
  EXPECT_EQ(list.InsertColumn(-1, "bad"), -1);
  EXPECT_EQ(list.InsertItem(9, "second"), 1);
  EXPECT_TRUE(list.SetItemText(1, 1, "ce text"));
  EXPECT_FALSE(list.SetItemText(1, 2, "no column"));
  EXPECT_FALSE(list.SetItemText(2, 0, "no row"));
  list.InsertColumn(1, "middle");
  EXPECT_EQ(list.GetItemText(1, 2), "ce text");
  EXPECT_EQ(list.GetItemText(1, 1), "");
  EXPECT_TRUE(list.DeleteColumn(0));
  EXPECT_EQ(list.GetItemText(1, 1), "ce text");
  EXPECT_TRUE(list.SetCellBkColor(1, 1, ui::RGB(1, 2, 3)));
  EXPECT_EQ(list.GetCell(1, 1)->bkColor, ui::RGB(1, 2, 3));
  EXPECT_EQ(list.GetCell(1, 0)->bkColor, ui::kDefaultColor);
  EXPECT_FALSE(list.GetCell(1, 5).has_value());
}

TEST(ListCtrl, SortItemsHandsTheComparisonDataValuesAndKeepsTiesInOrder) {
  ui::CListCtrl list;
  list.InsertColumn(0, "name");
  const char* names[] = {"b", "a", "b", "c"};
  for (int i = 0; i < 4; ++i) {
    list.InsertItem(i, names[i]);
    list.SetItemData(i, static_cast<std::uintptr_t>(i));
  }
  // Compare by the text of the row whose data value is given: the list reads itself.
  ASSERT_TRUE(list.SortItems([&](std::uintptr_t a, std::uintptr_t b) {
    return list.GetItemText(static_cast<int>(a), 0).compare(list.GetItemText(static_cast<int>(b), 0));
  }));
  std::vector<std::uintptr_t> order;
  for (int i = 0; i < 4; ++i) order.push_back(list.GetItemData(i));
  EXPECT_EQ(order, (std::vector<std::uintptr_t>{1, 0, 2, 3}));
}

TEST(ListCtrl, ColumnClicksReachTheParentUnlessHeadersAreNotClickable) {
  NoticeLog page;
  ui::CListCtrl list;
  list.Create(ui::LVS_REPORT, ui::CRect(), &page, 1910);
  list.UserColumnClick(3);
  ASSERT_EQ(page.notices.size(), 1u);
  EXPECT_EQ(page.notices[0].code, ui::LVN_COLUMNCLICK);
  EXPECT_EQ(page.notices[0].idFrom, 1910);
  EXPECT_EQ(page.notices[0].subItem, 3);
  list.ModifyStyle(0, ui::LVS_NOSORTHEADER);
  list.UserColumnClick(1);
  EXPECT_EQ(page.notices.size(), 1u);
}

TEST(ListCtrl, ScrollingStaysWithinTheColumns) {
  ui::CListCtrl grid;
  grid.Create(ui::LVS_REPORT, ui::CRect(0, 0, 400, 300), nullptr, 1882);
  for (int c = 0; c < 4; ++c) grid.InsertColumn(c, "", ui::LVCFMT_CENTER, 380);
  grid.Scroll(ui::CSize{380, 0});
  EXPECT_EQ(grid.GetScrollPosition().x, 380);
  grid.Scroll(ui::CSize{380, 0});
  grid.Scroll(ui::CSize{380, 0});
  EXPECT_EQ(grid.GetScrollPosition().x, 4 * 380 - 400);
  grid.Scroll(ui::CSize{-5000, 0});
  EXPECT_EQ(grid.GetScrollPosition().x, 0);
}

TEST(ListCtrl, InPlaceEditingCommitsWhenTheContentChanges) {
  NoticeLog page;
  ui::CListCtrl list;
  list.Create(ui::LVS_REPORT, ui::CRect(), &page, 1509);
  list.InsertColumn(0, "a");
  list.InsertItem(0, "x");
  EXPECT_FALSE(list.UserBeginEdit(0, 0));  // editing not allowed
  list.SetCellEditing(true);
  ASSERT_TRUE(list.UserBeginEdit(0, 0));
  list.UserEditText("typed");
  list.InsertItem(1, "y");  // a content change ends the edit and keeps the typing
  EXPECT_FALSE(list.CurrentEdit().has_value());
  EXPECT_EQ(list.GetItemText(0, 0), "typed");
  ASSERT_TRUE(list.UserBeginEdit(1, 0));
  list.UserEditText("dropped");
  list.UserEndEdit(false);
  EXPECT_EQ(list.GetItemText(1, 0), "y");
  ASSERT_TRUE(list.UserBeginEdit(1, 0));
  list.UserEditText("kept");
  list.UserEndEdit(true);
  EXPECT_EQ(list.GetItemText(1, 0), "kept");
  ASSERT_EQ(page.notices.size(), 1u);
  EXPECT_EQ(page.notices[0].code, ui::LVN_ENDLABELEDIT);
}

}  // namespace
