#pragma once
// Where the legacy slot page puts its slot groups. A slot group is four controls: the status
// box, the progress bar below it, the slot label and the "..." report button above it. The
// grid has one, two or four rows; columns run from right to left (slot 1 at the right), the
// small grids of up to 8 slots fill a row before the next, the larger ones fill a column
// from top to bottom before the next column. Positions are pixels of the page's client area.
#include <vector>

#include "ui/Types.h"

// The number of slot groups of the page.
inline constexpr int kLegacySlotGroups = 48;

struct SlotPlacement {
  int slot = 0;  // 1..48
  ui::CRect box;
  ui::CRect progress;
  ui::CRect label;
  ui::CRect button;
};

// The slot count clamped to 0..48 (a count outside the 48 groups would name groups that do
// not exist).
int ClampSlotCount(int slotCount);

// The page's grid for the configured slot count: the shown slots (rows x columns, so the
// last row or column is filled up) in slot order; an empty list for 0.
std::vector<SlotPlacement> SlotGridPlacements(int slotCount);
// A fixed grid of two rows of four, whatever the slot count (kept, not used by the page).
std::vector<SlotPlacement> EightSlotPlacements();
// The page's grid with a second table of column positions (kept, not used by the page).
std::vector<SlotPlacement> SlotGridAltPlacements(int slotCount);
