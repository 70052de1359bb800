// The result lists' arrangements for both report kinds (places and column widths from the
// client size) and the column sort with the direction shared by every sortable list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/results/BadBlockLists.h"

namespace {

using ui::CRect;

TEST(BadBlockArrangement, ScanReportsSplitThePageInThreeRowsOfLists) {
  const BadBlockArrangement a = ArrangeBadBlockLists(kScanReportKind, 1402, 760, 17, 160);
  EXPECT_EQ(a.perPlane, CRect::FromSize(10, 213, 420, 152));
  EXPECT_EQ(a.laterPerPlane, CRect::FromSize(430, 213, 420, 152));
  EXPECT_EQ(a.ce0, CRect::FromSize(850, 213, 550, 76));
  EXPECT_EQ(a.ce1, CRect::FromSize(850, 289, 550, 76));
  EXPECT_EQ(a.early, CRect::FromSize(10, 390, 1392, 152));
  EXPECT_EQ(a.later, CRect::FromSize(10, 567, 1392, 177));
  EXPECT_EQ(a.earlyLabel, CRect::FromSize(10, 370, 100, 15));
  EXPECT_EQ(a.laterLabel, CRect::FromSize(10, 549, 150, 15));
  EXPECT_EQ(a.earlyCount, CRect::FromSize(160, 370, 40, 18));
  EXPECT_EQ(a.laterCount, CRect::FromSize(160, 547, 40, 18));
  EXPECT_EQ(a.ceLabel, CRect::FromSize(850, 195, 150, 15));
  EXPECT_EQ(a.perPlaneWidths, (std::vector<int>{44, 44, 44, 70, 70, 70, 70}));
  EXPECT_EQ(a.ceWidths, (std::vector<int>{88, 55, 55, 55, 55, 55, 55, 55, 55}));
  EXPECT_EQ(a.badBlockWidths, (std::vector<int>{139, 139, 139, 139, 278, 278, 256}));
}

TEST(BadBlockArrangement, RdtReportsPutTheCeListsBesideThePlaneList) {
  const BadBlockArrangement a = ArrangeBadBlockLists(kRdtReportKind, 1402, 760, 17, 138);
  EXPECT_EQ(a.ce0, CRect::FromSize(10, 163, 691, 83));
  EXPECT_EQ(a.ce1, CRect::FromSize(10, 246, 691, 83));
  EXPECT_EQ(a.perPlane, CRect::FromSize(701, 163, 691, 166));
  EXPECT_EQ(a.early, CRect::FromSize(10, 372, 1382, 171));
  EXPECT_EQ(a.later, CRect::FromSize(10, 570, 1382, 190));
  EXPECT_EQ(a.perPlaneLabel, CRect::FromSize(701, 148, 150, 15));
  EXPECT_EQ(a.earlyLabel, CRect::FromSize(10, 357, 150, 15));
  EXPECT_TRUE(a.laterPerPlane.IsRectEmpty());
  EXPECT_TRUE(a.earlyCount.IsRectEmpty());
  EXPECT_EQ(a.perPlaneWidths, (std::vector<int>{109, 72, 72, 109, 109, 109, 87}));
  EXPECT_EQ(a.ceWidths, (std::vector<int>{76, 76, 76, 76, 76, 76, 76, 76, 57}));
  EXPECT_EQ(a.badBlockWidths, (std::vector<int>{69, 69, 69, 138, 138, 138, 138, 138, 207, 254}));
}

// Where the places the client size gives would overlap, the lists move down: their labels below
// the controls above them, the channel-1 list below the channel-0 list.
TEST(BadBlockArrangement, RdtReportListsStandBelowTheTopAreaAndEachOther) {
  struct Case {
    const char* what;
    int width, height, topAreaFoot;
    CRect ce0, ce1, perPlane, perPlaneLabel;
  };
  const Case cases[] = {
      {"a top area that reaches below the labels' place", 1240, 760, 160, CRect::FromSize(10, 175, 610, 83),
       CRect::FromSize(10, 262, 610, 83), CRect::FromSize(620, 175, 610, 166), CRect::FromSize(620, 160, 150, 15)},
      {"a page so tall that the channel lists' places overlap", 1268, 988, 160, CRect::FromSize(10, 201, 624, 108),
       CRect::FromSize(10, 309, 624, 108), CRect::FromSize(634, 201, 624, 217), CRect::FromSize(634, 186, 150, 15)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const BadBlockArrangement a = ArrangeBadBlockLists(kRdtReportKind, c.width, c.height, 17, c.topAreaFoot);
    EXPECT_EQ(a.ce0, c.ce0);
    EXPECT_EQ(a.ce1, c.ce1);
    EXPECT_EQ(a.perPlane, c.perPlane);
    EXPECT_EQ(a.perPlaneLabel, c.perPlaneLabel);
    EXPECT_EQ(a.ceLabel, CRect::FromSize(10, c.perPlaneLabel.top, 150, 15));
  }
}

TEST(BadBlockArrangement, WidthsReachTheListAsSixteenBitNumbers) {
  ui::CListCtrl list;
  InsertColumns(list, EarlyBadColumns(kRdtReportKind));
  ApplyColumnWidths(list, {65536 + 30, 40000, -5});
  EXPECT_EQ(list.GetColumnWidth(0), 30);
  EXPECT_EQ(list.GetColumnWidth(1), 0);  // -25536: no width
  EXPECT_EQ(list.GetColumnWidth(2), 0);
  EXPECT_EQ(list.GetColumns()[3].heading, "Physical address");
  EXPECT_EQ(list.GetColumns()[8].heading, "Time Stamp");
  EXPECT_EQ(std::string(LaterBadColumns(kRdtReportKind)[8]), "ECC");
  EXPECT_EQ(std::string(RdtPageFactoryColumns()[3]), "Physical Address");
  RemoveColumns(list);
  EXPECT_EQ(list.GetColumnCount(), 0);
}

class ListSortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_ListSortDescending = 0;
    g_ListSortColumn = 0;
    for (ui::CListCtrl* list : {&early, &later}) InsertColumns(*list, EarlyBadColumns(kScanReportKind));
    for (const char* block : {"9", "10", "b", "B", "9"}) {
      const int row = early.InsertItem(early.GetItemCount(), std::to_string(early.GetItemCount()));
      early.SetItemText(row, 4, block);
    }
    for (const char* block : {"2", "1", "3"}) later.SetItemText(later.InsertItem(later.GetItemCount(), "0"), 4, block);
  }
  std::vector<std::string> Column(const ui::CListCtrl& list, int column) {
    std::vector<std::string> texts;
    for (int row = 0; row < list.GetItemCount(); ++row) texts.push_back(list.GetItemText(row, column));
    return texts;
  }
  ui::CListCtrl early;
  ui::CListCtrl later;
};

TEST_F(ListSortTest, TheFirstClickSortsDescendingAsPlainTexts) {
  SortBadBlockList(early, 4);
  EXPECT_EQ(g_ListSortColumn, 4u);
  EXPECT_EQ(g_ListSortDescending, 1);
  EXPECT_EQ(Column(early, 4), (std::vector<std::string>{"b", "B", "9", "9", "10"}));
  // Equal texts keep their order: the rows that were 0 and 4.
  EXPECT_EQ(Column(early, 0)[2], "0");
  EXPECT_EQ(Column(early, 0)[3], "4");
  SortBadBlockList(early, 4);
  EXPECT_EQ(Column(early, 4), (std::vector<std::string>{"10", "9", "9", "B", "b"}));
}

TEST_F(ListSortTest, OneDirectionFlipsForClicksOnEitherList) {
  SortBadBlockList(early, 4);  // descending
  SortBadBlockList(later, 4);  // the next click anywhere: ascending
  EXPECT_EQ(Column(later, 4), (std::vector<std::string>{"1", "2", "3"}));
  SortBadBlockList(later, 4);
  EXPECT_EQ(Column(later, 4), (std::vector<std::string>{"3", "2", "1"}));
  EXPECT_EQ(g_ListSortDescending, 1);
}

TEST_F(ListSortTest, TheComparisonLooksAtTheFirst259Characters) {
  early.SetItemText(0, 6, std::string(259, 'a') + "z");
  early.SetItemText(1, 6, std::string(259, 'a') + "b");
  g_ListSortColumn = 6;
  g_ListSortDescending = 0;
  EXPECT_EQ(CompareListItems(early, 0, 1), 0);
  early.SetItemText(1, 6, std::string(258, 'a') + "b");
  EXPECT_LT(CompareListItems(early, 0, 1), 0);
  g_ListSortDescending = 1;
  EXPECT_GT(CompareListItems(early, 0, 1), 0);
}

}  // namespace
