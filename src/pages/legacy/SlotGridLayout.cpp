#include "pages/legacy/SlotGridLayout.h"

#include <algorithm>
#include <array>
#include <span>

namespace {

constexpr int kLabelSize = 20;
constexpr int kProgressHeight = 10;
constexpr int kFourRowProgressOffset = 61;

enum class Order { RowMajor, ColumnMajor };

// One row of a grid table: the slot counts it serves and how it lays them out.
struct GridShape {
  int minCount;
  int maxCount;
  int rows;
  int columns;
  Order order;
  int rightX;  // x of the rightmost column
  int step;    // to the next column on the left
  std::array<int, 4> rowY;
  int boxWidth;
  int boxHeight;
};

constexpr std::array<int, 4> kTwoRowsAt210{210, 390, 0, 0};
constexpr std::array<int, 4> kTwoRowsAt210Close{210, 380, 0, 0};
constexpr std::array<int, 4> kFourRows{200, 300, 400, 500};

constexpr GridShape kGrid[] = {
    {1, 4, 1, 4, Order::RowMajor, 665, 200, {250, 0, 0, 0}, 140, 140},
    {5, 6, 2, 3, Order::RowMajor, 650, 290, kTwoRowsAt210, 140, 140},
    {7, 8, 2, 4, Order::RowMajor, 680, 210, kTwoRowsAt210, 140, 140},
    {9, 10, 2, 5, Order::ColumnMajor, 690, 160, kTwoRowsAt210Close, 120, 130},
    {11, 12, 2, 6, Order::ColumnMajor, 700, 130, kTwoRowsAt210Close, 100, 130},
    {13, 14, 2, 7, Order::ColumnMajor, 735, 115, kTwoRowsAt210Close, 90, 130},
    {15, 15, 2, 8, Order::ColumnMajor, 740, 100, kTwoRowsAt210Close, 80, 130},
    {16, 16, 4, 4, Order::ColumnMajor, 665, 200, kFourRows, 140, 60},
    {17, 20, 4, 5, Order::ColumnMajor, 690, 160, kFourRows, 120, 60},
    {21, 24, 4, 6, Order::ColumnMajor, 700, 130, kFourRows, 100, 60},
    {25, 28, 4, 7, Order::ColumnMajor, 735, 115, kFourRows, 90, 60},
    {29, 32, 4, 8, Order::ColumnMajor, 735, 100, kFourRows, 80, 60},
    {33, 36, 4, 9, Order::ColumnMajor, 750, 90, kFourRows, 80, 60},
    {37, 40, 4, 10, Order::ColumnMajor, 745, 78, kFourRows, 70, 60},
    {41, 44, 4, 11, Order::ColumnMajor, 765, 73, kFourRows, 70, 60},
    {45, 48, 4, 12, Order::ColumnMajor, 785, 71, kFourRows, 70, 60},
};

// The second table: the small grids fill columns first with 140 x 130 boxes, several rows sit
// a few pixels further right, and there is no row for 15 slots (the first table's serves).
constexpr GridShape kAltGrid[] = {
    {1, 4, 1, 4, Order::RowMajor, 660, 200, {250, 0, 0, 0}, 140, 140},
    {5, 6, 2, 3, Order::ColumnMajor, 555, 200, kTwoRowsAt210Close, 140, 130},
    {7, 8, 2, 4, Order::ColumnMajor, 655, 200, kTwoRowsAt210Close, 140, 130},
    {9, 10, 2, 5, Order::ColumnMajor, 693, 160, kTwoRowsAt210Close, 120, 130},
    {11, 12, 2, 6, Order::ColumnMajor, 707, 130, kTwoRowsAt210Close, 100, 130},
    {13, 14, 2, 7, Order::ColumnMajor, 730, 115, kTwoRowsAt210Close, 90, 130},
    {15, 15, 2, 8, Order::ColumnMajor, 740, 100, kTwoRowsAt210Close, 80, 130},
    {16, 16, 4, 4, Order::ColumnMajor, 660, 200, kFourRows, 140, 60},
    {17, 20, 4, 5, Order::ColumnMajor, 692, 160, kFourRows, 120, 60},
    {21, 24, 4, 6, Order::ColumnMajor, 705, 130, kFourRows, 100, 60},
    {25, 28, 4, 7, Order::ColumnMajor, 735, 115, kFourRows, 90, 60},
    {29, 32, 4, 8, Order::ColumnMajor, 743, 100, kFourRows, 80, 60},
    {33, 36, 4, 9, Order::ColumnMajor, 753, 90, kFourRows, 80, 60},
    {37, 40, 4, 10, Order::ColumnMajor, 749, 78, kFourRows, 70, 60},
    {41, 44, 4, 11, Order::ColumnMajor, 763, 73, kFourRows, 70, 60},
    {45, 48, 4, 12, Order::ColumnMajor, 788, 71, kFourRows, 70, 60},
};

constexpr GridShape kEightSlots{8, 8, 2, 4, Order::RowMajor, 665, 200, {190, 380, 0, 0}, 140, 130};

// How far above its box a row's label and button sit.
int LabelDistance(const GridShape& shape, int row) {
  if (shape.rows == 1) return 23;
  if (shape.rows == 2) return row == 0 ? 22 : 20;
  return row == 1 ? 23 : 22;
}

std::vector<SlotPlacement> Place(const GridShape& shape) {
  std::vector<SlotPlacement> placements;
  const int shown = shape.rows * shape.columns;
  const int buttonOffset = shape.boxWidth == 70 ? 40 : shape.boxWidth - kLabelSize;
  const int progressOffset = shape.rows == 4 ? kFourRowProgressOffset : shape.boxHeight;
  for (int index = 0; index < shown; ++index) {
    const int row = shape.order == Order::RowMajor ? index / shape.columns : index % shape.rows;
    const int column = shape.order == Order::RowMajor ? index % shape.columns : index / shape.rows;
    const int x = shape.rightX - column * shape.step;
    const int y = shape.rowY[static_cast<std::size_t>(row)];
    const int d = LabelDistance(shape, row);
    SlotPlacement placement;
    placement.slot = index + 1;
    placement.box = ui::CRect::FromSize(x, y, shape.boxWidth, shape.boxHeight);
    placement.progress = ui::CRect::FromSize(x, y + progressOffset, shape.boxWidth, kProgressHeight);
    placement.label = ui::CRect::FromSize(x, y - d, kLabelSize, kLabelSize);
    placement.button = ui::CRect::FromSize(x + buttonOffset, y - d, kLabelSize, kLabelSize);
    placements.push_back(placement);
  }
  return placements;
}

std::vector<SlotPlacement> PlaceFromTable(std::span<const GridShape> table, int slotCount) {
  const int count = ClampSlotCount(slotCount);
  for (const GridShape& shape : table) {
    if (count >= shape.minCount && count <= shape.maxCount) return Place(shape);
  }
  return {};
}

}  // namespace

int ClampSlotCount(int slotCount) { return std::clamp(slotCount, 0, kLegacySlotGroups); }

std::vector<SlotPlacement> SlotGridPlacements(int slotCount) { return PlaceFromTable(kGrid, slotCount); }

std::vector<SlotPlacement> EightSlotPlacements() { return Place(kEightSlots); }

std::vector<SlotPlacement> SlotGridAltPlacements(int slotCount) { return PlaceFromTable(kAltGrid, slotCount); }
