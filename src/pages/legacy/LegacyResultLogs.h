#pragma once
// How a pass of the legacy slot page counts: its result texts as good, bad and not counted.
#include <string>
#include <vector>

#include "run/SummaryLog.h"

struct LegacyPassCounts {
  int good = 0;
  int bad = 0;
  // One entry per counted slot, in slot order, for the summary log (pass or fail with tag).
  std::vector<PortOutcome> outcomes;
};

// Counts the first slotCount texts (clamped to 0..48): "0_00" is good; "H_F8" (not tested),
// "H_AF" (no drive), "T_01", "P_A01" and "P_x01" (no drive detected) are not counted; any
// other text is the failing step's tag and counts as bad. Texts compare exactly.
LegacyPassCounts CountPassResults(const std::vector<std::string>& results, int slotCount);
// The slots counted good, in slot order.
std::vector<int> PassedSlots(const LegacyPassCounts& counts);
// The drives counted good become failures with the lost-records tag (a record of the pass
// that counts them could not be written).
void CountPassesAsLost(LegacyPassCounts& counts);
