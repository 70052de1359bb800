#pragma once
// The slot layouts of the station's page (SlotNumber of the MP tool's settings) that change
// what the flows write into a slot's status cell: the fewer slots, the wider the cell.
inline constexpr int kEightSlotLayout = 8;
inline constexpr int kSixteenSlotLayout = 16;

// The 8- and 16-slot layouts show the drive's block statistics in the cell.
constexpr bool ShowsBlockStatistics(int slotLayout) {
  return slotLayout == kEightSlotLayout || slotLayout == kSixteenSlotLayout;
}
