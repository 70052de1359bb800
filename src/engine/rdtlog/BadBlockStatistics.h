#pragma once
// Statistics of the RDT bad-block log: the histogram, mode, mean and median of the
// over-threshold correctable bit counts, and the distribution of the late-bad block
// addresses of each CE 0-15.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/rdtlog/BadBlockLog.h"
#include "engine/rdtlog/RdtOutput.h"

// rangeSetting: RDT_ECC_Range, the bin width (below 0 or above 20: 5; 0: no histogram).
// Writes nothing when there are no values.
void WriteEccStatistics(std::vector<std::uint32_t> values, int rangeSetting, RdtOutput& out);

// rangeSetting: RDT_BB_Range, the bin width in blocks (below 10 or above 1,000: 100). An
// address beyond the last bin is left out.
void WriteLateBadDistribution(const std::array<std::vector<std::uint32_t>, kLateBadCes>& addresses,
                              std::uint32_t blocksPerCe, int rangeSetting, RdtOutput& out);
