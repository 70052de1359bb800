// The slot grid of the legacy page: positions and sizes for the telling slot counts, the
// filled-up last row or column, the clamped counts and the two layouts the page keeps unused.
#include <gtest/gtest.h>

#include "pages/legacy/LegacyPageLayout.h"
#include "pages/legacy/SlotGridLayout.h"

namespace {

using ui::CRect;

CRect Box(int x, int y, int w, int h) { return CRect::FromSize(x, y, w, h); }

struct Expected {
  int slot;
  CRect box;
  CRect progress;
  CRect label;
  CRect button;
};

void ExpectPlacements(const std::vector<SlotPlacement>& placements, std::size_t shown,
                      std::initializer_list<Expected> expected) {
  ASSERT_EQ(placements.size(), shown);
  for (std::size_t i = 0; i < placements.size(); ++i) EXPECT_EQ(placements[i].slot, static_cast<int>(i) + 1);
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.slot);
    const SlotPlacement& p = placements.at(static_cast<std::size_t>(e.slot - 1));
    EXPECT_EQ(p.box, e.box);
    EXPECT_EQ(p.progress, e.progress);
    EXPECT_EQ(p.label, e.label);
    EXPECT_EQ(p.button, e.button);
  }
}

TEST(SlotGridLayout, OneToEightSlotsFillARowBeforeTheNextFromTheRight) {
  ExpectPlacements(SlotGridPlacements(1), 4,
                   {{1, Box(665, 250, 140, 140), Box(665, 390, 140, 10), Box(665, 227, 20, 20), Box(785, 227, 20, 20)},
                    {4, Box(65, 250, 140, 140), Box(65, 390, 140, 10), Box(65, 227, 20, 20), Box(185, 227, 20, 20)}});
  // Five slots show six, two rows of three: slot 4 starts the second row at the right.
  ExpectPlacements(SlotGridPlacements(5), 6,
                   {{1, Box(650, 210, 140, 140), Box(650, 350, 140, 10), Box(650, 188, 20, 20), Box(770, 188, 20, 20)},
                    {3, Box(70, 210, 140, 140), Box(70, 350, 140, 10), Box(70, 188, 20, 20), Box(190, 188, 20, 20)},
                    {4, Box(650, 390, 140, 140), Box(650, 530, 140, 10), Box(650, 370, 20, 20), Box(770, 370, 20, 20)}});
  ExpectPlacements(SlotGridPlacements(8), 8,
                   {{4, Box(50, 210, 140, 140), Box(50, 350, 140, 10), Box(50, 188, 20, 20), Box(170, 188, 20, 20)},
                    {8, Box(50, 390, 140, 140), Box(50, 530, 140, 10), Box(50, 370, 20, 20), Box(170, 370, 20, 20)}});
}

TEST(SlotGridLayout, TwoRowGridsFillAColumnFromTopToBottom) {
  ExpectPlacements(SlotGridPlacements(10), 10,
                   {{1, Box(690, 210, 120, 130), Box(690, 340, 120, 10), Box(690, 188, 20, 20), Box(790, 188, 20, 20)},
                    {2, Box(690, 380, 120, 130), Box(690, 510, 120, 10), Box(690, 360, 20, 20), Box(790, 360, 20, 20)},
                    {10, Box(50, 380, 120, 130), Box(50, 510, 120, 10), Box(50, 360, 20, 20), Box(150, 360, 20, 20)}});
  // Fifteen slots fill up to sixteen in two rows of eight.
  EXPECT_EQ(SlotGridPlacements(15).size(), 16u);
  EXPECT_EQ(SlotGridPlacements(15).back().box, Box(40, 380, 80, 130));
}

TEST(SlotGridLayout, FourRowGridsPutTheBarSixtyOnePixelsDownAndTheSecondRowLabelHigher) {
  ExpectPlacements(SlotGridPlacements(16), 16,
                   {{1, Box(665, 200, 140, 60), Box(665, 261, 140, 10), Box(665, 178, 20, 20), Box(785, 178, 20, 20)},
                    {16, Box(65, 500, 140, 60), Box(65, 561, 140, 10), Box(65, 478, 20, 20), Box(185, 478, 20, 20)}});
  ExpectPlacements(SlotGridPlacements(24), 24,
                   {{1, Box(700, 200, 100, 60), Box(700, 261, 100, 10), Box(700, 178, 20, 20), Box(780, 178, 20, 20)},
                    {2, Box(700, 300, 100, 60), Box(700, 361, 100, 10), Box(700, 277, 20, 20), Box(780, 277, 20, 20)},
                    {4, Box(700, 500, 100, 60), Box(700, 561, 100, 10), Box(700, 478, 20, 20), Box(780, 478, 20, 20)},
                    {5, Box(570, 200, 100, 60), Box(570, 261, 100, 10), Box(570, 178, 20, 20), Box(650, 178, 20, 20)},
                    {24, Box(50, 500, 100, 60), Box(50, 561, 100, 10), Box(50, 478, 20, 20), Box(130, 478, 20, 20)}});
  // Seventy-pixel boxes put the button 40 pixels in.
  ExpectPlacements(SlotGridPlacements(48), 48,
                   {{48, Box(4, 500, 70, 60), Box(4, 561, 70, 10), Box(4, 478, 20, 20), Box(44, 478, 20, 20)}});
  EXPECT_EQ(SlotGridPlacements(17).size(), 20u);
}

TEST(SlotGridLayout, CountsOutsideTheFortyEightGroupsAreClamped) {
  EXPECT_TRUE(SlotGridPlacements(0).empty());
  EXPECT_TRUE(SlotGridPlacements(-5).empty());
  EXPECT_EQ(SlotGridPlacements(60).size(), 48u);
  EXPECT_EQ(ClampSlotCount(-1), 0);
  EXPECT_EQ(ClampSlotCount(49), 48);
  EXPECT_EQ(ClampSlotCount(24), 24);
}

TEST(SlotGridLayout, TheUnusedLayoutsKeepTheirOwnTables) {
  const std::vector<SlotPlacement> eight = EightSlotPlacements();
  ExpectPlacements(eight, 8,
                   {{1, Box(665, 190, 140, 130), Box(665, 320, 140, 10), Box(665, 168, 20, 20), Box(785, 168, 20, 20)},
                    {5, Box(665, 380, 140, 130), Box(665, 510, 140, 10), Box(665, 360, 20, 20), Box(785, 360, 20, 20)},
                    {8, Box(65, 380, 140, 130), Box(65, 510, 140, 10), Box(65, 360, 20, 20), Box(185, 360, 20, 20)}});
  // The second table fills its small grids column by column and moves several columns.
  ExpectPlacements(SlotGridAltPlacements(5), 6,
                   {{2, Box(555, 380, 140, 130), Box(555, 510, 140, 10), Box(555, 360, 20, 20), Box(675, 360, 20, 20)},
                    {3, Box(355, 210, 140, 130), Box(355, 340, 140, 10), Box(355, 188, 20, 20), Box(475, 188, 20, 20)}});
  EXPECT_EQ(SlotGridAltPlacements(1).front().box, Box(660, 250, 140, 140));
  EXPECT_EQ(SlotGridAltPlacements(24).front().box, Box(705, 200, 100, 60));
  EXPECT_EQ(SlotGridAltPlacements(48).back().box, Box(7, 500, 70, 60));
  EXPECT_EQ(SlotGridAltPlacements(15).size(), 16u);
}

TEST(SlotGridLayout, SlotGroupControlIdsFollowTheTemplate) {
  namespace ids = legacy_ids;
  EXPECT_EQ(ids::StatusBox(1), 1488);
  EXPECT_EQ(ids::StatusBox(10), 1134);
  EXPECT_EQ(ids::StatusBox(48), 1503);
  EXPECT_EQ(ids::Progress(8), 1247);
  EXPECT_EQ(ids::Progress(9), 1248);
  EXPECT_EQ(ids::Progress(48), 1287);
  EXPECT_EQ(ids::SlotLabel(9), 1412);
  EXPECT_EQ(ids::SlotLabel(12), 1414);
  EXPECT_EQ(ids::SlotLabel(18), 1429);
  EXPECT_EQ(ids::SlotLabel(19), 1431);
  EXPECT_EQ(ids::SlotLabel(48), 1460);
  EXPECT_EQ(ids::ReportButton(25), 1407);
  EXPECT_EQ(ids::ReportButton(26), 1465);
  EXPECT_EQ(ids::ReportButton(48), 1487);
  EXPECT_EQ(ids::SlotOfReportButton(1288), 9);
  EXPECT_EQ(ids::SlotOfReportButton(1464), 24);
  EXPECT_EQ(ids::SlotOfReportButton(1000), 0);
  EXPECT_EQ(ids::StatusBox(0), 0);
  EXPECT_EQ(ids::ReportButton(49), 0);
}

}  // namespace
