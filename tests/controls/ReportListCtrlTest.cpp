// CReportListCtrl: headings, colour rules, typed sorting and the parent's sort notice.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/ReportListCtrl.h"

namespace {

using ui::RGB;

class SortListener : public ui::CWnd {
 public:
  bool OnNotify(const ui::NotifyMessage& message) override {
    notices.push_back(message);
    return true;
  }
  std::vector<ui::NotifyMessage> notices;
};

// A 3 x 3 list with rows "r0".."r2".
void Fill(CReportListCtrl& list) {
  ASSERT_TRUE(list.SetHeadings("A,20;B,30;C,40"));
  for (int row = 0; row < 3; ++row) list.InsertItem(row, "r" + std::to_string(row));
}

ui::COLORREF Bk(const CReportListCtrl& list, int row, int column) { return list.GetCell(row, column)->bkColor; }
ui::COLORREF Fg(const CReportListCtrl& list, int row, int column) { return list.GetCell(row, column)->textColor; }

TEST(ReportListCtrl, SetHeadingsReplacesEveryRowAndColumn) {
  CReportListCtrl list;
  Fill(list);
  list.InsertColumn(3, "extra");
  ASSERT_TRUE(list.SetHeadings("Error Code, 100; Counter, 80; Rate , 80"));
  EXPECT_EQ(list.GetItemCount(), 0);
  const std::vector<ui::ListColumn> columns = list.GetColumns();
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[0], (ui::ListColumn{"Error Code", ui::LVCFMT_LEFT, 100}));
  EXPECT_EQ(columns[1], (ui::ListColumn{"Counter", ui::LVCFMT_LEFT, 80}));
  EXPECT_EQ(columns[2], (ui::ListColumn{"Rate", ui::LVCFMT_LEFT, 80}));
  ASSERT_TRUE(list.SetHeadings("Item , 100;"));
  EXPECT_EQ(list.GetColumnCount(), 1);
}

TEST(ReportListCtrl, ColourOfOneCell) {
  CReportListCtrl list;
  Fill(list);
  list.SetItemBkColor(1, 2, RGB(55, 0, 255), true);
  list.SetItemTextColor(1, 2, RGB(255, 255, 255), false);
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      const bool target = row == 1 && column == 2;
      EXPECT_EQ(Bk(list, row, column), target ? RGB(55, 0, 255) : ui::kDefaultColor) << row << "," << column;
      EXPECT_EQ(Fg(list, row, column), target ? RGB(255, 255, 255) : ui::kDefaultColor);
    }
  }
}

TEST(ReportListCtrl, ColourOfARowWhenOnlyTheRowExists) {
  CReportListCtrl list;
  Fill(list);
  list.SetItemBkColor(2, 7, RGB(100, 255, 255), false);
  list.SetItemTextColor(2, -1, RGB(1, 1, 1), false);
  for (int column = 0; column < 3; ++column) {
    EXPECT_EQ(Bk(list, 2, column), RGB(100, 255, 255));
    EXPECT_EQ(Fg(list, 2, column), RGB(1, 1, 1));
    EXPECT_EQ(Bk(list, 1, column), ui::kDefaultColor);
  }
}

TEST(ReportListCtrl, ColourOfAColumnWhenOnlyTheColumnExists) {
  CReportListCtrl list;
  Fill(list);
  list.SetItemBkColor(-1, 1, RGB(230, 230, 230), false);
  list.SetItemTextColor(3, 1, RGB(2, 2, 2), false);
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(Bk(list, row, 1), RGB(230, 230, 230));
    EXPECT_EQ(Fg(list, row, 1), RGB(2, 2, 2));
    EXPECT_EQ(Bk(list, row, 0), ui::kDefaultColor);
    EXPECT_EQ(Bk(list, row, 2), ui::kDefaultColor);
  }
}

TEST(ReportListCtrl, ColourOfEveryCellWhenNeitherExistsAndMinusOneRestoresTheSystemColour) {
  CReportListCtrl list;
  Fill(list);
  list.SetItemBkColor(-1, -1, RGB(0, 0, 0), false);
  list.SetItemTextColor(9, 9, RGB(255, 255, 255), false);
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 3; ++column) {
      EXPECT_EQ(Bk(list, row, column), RGB(0, 0, 0));
      EXPECT_EQ(Fg(list, row, column), RGB(255, 255, 255));
    }
  }
  list.SetItemBkColor(0, 0, ui::kDefaultColor, false);
  EXPECT_EQ(Bk(list, 0, 0), ui::kDefaultColor);
  // A column inserted later gives every row a colour slot of its own.
  list.InsertColumn(1, "new");
  EXPECT_EQ(Bk(list, 1, 1), ui::kDefaultColor);
  EXPECT_EQ(Bk(list, 1, 2), RGB(0, 0, 0));
}

std::vector<std::string> Column(const CReportListCtrl& list, int column) {
  std::vector<std::string> texts;
  for (int row = 0; row < list.GetItemCount(); ++row) texts.push_back(list.GetItemText(row, column));
  return texts;
}

TEST(ReportListCtrl, SortColumnOnNumbersBothWaysAndTellsTheParent) {
  SortListener parent;
  CReportListCtrl list;
  list.Create(ui::LVS_REPORT, ui::CRect(), &parent, 1509);
  list.SetHeadings("Error Code,100;Counter,80;Rate,80");
  const char* codes[] = {"I_x06", "F_E03", "P_A01", "I_Q10"};
  const unsigned counts[] = {9, 120, 10, 10};
  for (int i = 0; i < 4; ++i) {
    list.InsertItem(0, codes[i]);
    list.SetItemNumber(0, 1, counts[i]);
  }
  ASSERT_TRUE(list.SortColumn(1, false));
  EXPECT_EQ(Column(list, 1), (std::vector<std::string>{"120", "10", "10", "9"}));
  EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"F_E03", "I_Q10", "P_A01", "I_x06"}));  // ties keep order
  ASSERT_TRUE(list.SortColumn(1, true));
  EXPECT_EQ(Column(list, 1), (std::vector<std::string>{"9", "10", "10", "120"}));
  ASSERT_EQ(parent.notices.size(), 2u);
  EXPECT_EQ(parent.notices[0].code, ui::RLN_SORTCHANGED);
  EXPECT_EQ(parent.notices[0].subItem, 1);
  EXPECT_EQ(parent.notices[0].param, 0);
  EXPECT_EQ(parent.notices[1].param, 1);
  EXPECT_EQ(list.GetSortColumn(), 1);
  EXPECT_TRUE(list.IsSortAscending());
  EXPECT_FALSE(list.SortColumn(3, true));
  EXPECT_EQ(parent.notices.size(), 2u);
}

TEST(ReportListCtrl, SortColumnOnTextsAndMixedCellsBothWays) {
  CReportListCtrl list;
  list.SetHeadings("Name,100;Rate,80");
  const char* names[] = {"beta", "Alpha", "gamma", "alpha"};
  const char* rates[] = {"3.00%", "12.50%", "-1", "n/a"};
  for (int i = 0; i < 4; ++i) {
    list.InsertItem(i, names[i]);
    list.SetItemText(i, 1, rates[i]);
  }
  list.SortColumn(0, true);
  EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"Alpha", "alpha", "beta", "gamma"}));
  list.SortColumn(0, false);
  EXPECT_EQ(Column(list, 0), (std::vector<std::string>{"gamma", "beta", "alpha", "Alpha"}));
  list.SortColumn(1, true);
  EXPECT_EQ(Column(list, 1), (std::vector<std::string>{"-1", "3.00%", "12.50%", "n/a"}));
  list.SortColumn(1, false);
  EXPECT_EQ(Column(list, 1), (std::vector<std::string>{"n/a", "12.50%", "3.00%", "-1"}));
}

TEST(ReportListCtrl, StylesAndNumbers) {
  CReportListCtrl list;
  list.SetHeadings("A,10");
  list.InsertItem(0, "x");
  EXPECT_TRUE(list.SetItemNumber(0, 0, 4294967295u));
  EXPECT_EQ(list.GetItemText(0, 0), "4294967295");
  EXPECT_FALSE(list.SetItemNumber(1, 0, 1));
  list.SetExtendedStyle(ui::LVS_EX_GRIDLINES);
  EXPECT_EQ(list.GetExtendedStyle(), ui::LVS_EX_GRIDLINES | ui::LVS_EX_INFOTIP | ui::LVS_EX_FULLROWSELECT |
                                         ui::LVS_EX_SUBITEMIMAGES);
  list.SetGridLines(false);
  EXPECT_EQ(list.GetExtendedStyle() & ui::LVS_EX_GRIDLINES, 0u);
  list.SetGridLines(true);
  EXPECT_NE(list.GetExtendedStyle() & ui::LVS_EX_GRIDLINES, 0u);
  list.SetEditable(true);
  ASSERT_TRUE(list.UserBeginEdit(0, 0));
  list.UserEditText("typed");
  list.SetItemBkColor(0, 0, RGB(1, 2, 3), false);  // a content change ends the edit first
  EXPECT_EQ(list.GetItemText(0, 0), "typed");
  list.SetEditable(false);
  EXPECT_FALSE(list.UserBeginEdit(0, 0));
}

}  // namespace
