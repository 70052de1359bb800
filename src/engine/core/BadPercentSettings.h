#pragma once
// The maximum bad-block percentage a drive's bad blocks are judged against, as the settings
// give it: Scan_MaxBadPercent of .\param.ini, or, when that is 0, the percentage that the
// automatic capacity table of .\paramFDB.ini gives for the capacity SetSSDSize names (empty or
// "0": the drive's own capacity). Every number is read strictly and once for a judgement, so
// that the limit is formed from the very numbers that were checked.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/StationSettings.h"

namespace engine {

// The capacities of AutoCapacity_SizeArray and, for a drive of n CEs (1..16), the maximum
// bad-block percentages of AutoCapacity_MaxBadPercent_<n>CE, item by item.
struct CapacityTable {
  std::vector<int> sizes;                     // GB, each at least 1
  const settings::Key* percentKey = nullptr;  // none for a CE count outside 1..16
  std::vector<int> percents;

  // The percentage of the first item whose size is the capacity; 0 when none has one.
  std::uint32_t PercentFor(std::uint32_t capacityGb) const;
  // The sizes, largest first, each once.
  std::vector<std::uint32_t> SizesLargestFirst() const;
};

// The CE counts that have a percentage list.
inline constexpr std::uint32_t kCapacityTableCeCounts = 16;
// A CE count that names no percentage list: the settings read as every drive reads them (the
// check of the Start of a pass), the list of the drive's own count left to the drive.
inline constexpr std::uint32_t kNoPercentList = 0;

struct BadPercentSettings {
  int scanMaxBadPercent = 0;
  int setSsdSize = 0;                  // read when scanMaxBadPercent is 0
  std::optional<CapacityTable> table;  // read when scanMaxBadPercent is 0, or when asked for
  // The first setting that is not a whole number (or list of them) in its range, "" none: the
  // limit cannot be formed then, and the drive fails rather than be judged without one.
  std::string problem;
};

// ceCount: the drive's, which names its percentage list. withTable: the table is read even
// when the percentage is set (the scan that chooses the capacity after it).
BadPercentSettings ReadBadPercentSettings(std::uint32_t ceCount, bool withTable);

}  // namespace engine
