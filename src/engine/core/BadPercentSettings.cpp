#include "engine/core/BadPercentSettings.h"

#include <algorithm>
#include <iterator>

namespace engine {

namespace {

// AutoCapacity_MaxBadPercent_<n>CE for n = 1..16.
const settings::StrictKey* const kMaxBadPercentKeys[] = {
    &settings::strict::AutoCapacityMaxBadPercent1CE,  &settings::strict::AutoCapacityMaxBadPercent2CE,
    &settings::strict::AutoCapacityMaxBadPercent3CE,  &settings::strict::AutoCapacityMaxBadPercent4CE,
    &settings::strict::AutoCapacityMaxBadPercent5CE,  &settings::strict::AutoCapacityMaxBadPercent6CE,
    &settings::strict::AutoCapacityMaxBadPercent7CE,  &settings::strict::AutoCapacityMaxBadPercent8CE,
    &settings::strict::AutoCapacityMaxBadPercent9CE,  &settings::strict::AutoCapacityMaxBadPercent10CE,
    &settings::strict::AutoCapacityMaxBadPercent11CE, &settings::strict::AutoCapacityMaxBadPercent12CE,
    &settings::strict::AutoCapacityMaxBadPercent13CE, &settings::strict::AutoCapacityMaxBadPercent14CE,
    &settings::strict::AutoCapacityMaxBadPercent15CE, &settings::strict::AutoCapacityMaxBadPercent16CE,
};
static_assert(std::size(kMaxBadPercentKeys) == kCapacityTableCeCounts);

// The table of a drive of that many CEs; nothing with the problem when an item is not a whole
// number in its range.
std::optional<CapacityTable> ReadCapacityTable(std::uint32_t ceCount, std::string& problem) {
  settings::StrictNumberList sizes = settings::ReadStrictIntList(settings::strict::AutoCapacitySizeArray);
  if (!sizes.values) {
    problem = sizes.problem;
    return std::nullopt;
  }
  CapacityTable table;
  table.sizes = std::move(*sizes.values);
  if (ceCount < 1 || ceCount > kCapacityTableCeCounts) return table;
  const settings::StrictKey& percentKey = *kMaxBadPercentKeys[ceCount - 1];
  settings::StrictNumberList percents = settings::ReadStrictIntList(percentKey);
  if (!percents.values) {
    problem = percents.problem;
    return std::nullopt;
  }
  table.percentKey = percentKey.key;
  table.percents = std::move(*percents.values);
  return table;
}

}  // namespace

std::uint32_t CapacityTable::PercentFor(std::uint32_t capacityGb) const {
  for (std::size_t i = 0; i < sizes.size() && i < percents.size(); ++i) {
    if (static_cast<std::uint32_t>(sizes[i]) == capacityGb) return static_cast<std::uint32_t>(percents[i]);
  }
  return 0;
}

std::vector<std::uint32_t> CapacityTable::SizesLargestFirst() const {
  std::vector<std::uint32_t> largestFirst(sizes.begin(), sizes.end());
  std::sort(largestFirst.rbegin(), largestFirst.rend());
  largestFirst.erase(std::unique(largestFirst.begin(), largestFirst.end()), largestFirst.end());
  return largestFirst;
}

BadPercentSettings ReadBadPercentSettings(std::uint32_t ceCount, bool withTable) {
  BadPercentSettings values;
  const settings::StrictNumber percent = settings::ReadStrictInt(settings::strict::ScanMaxBadPercent);
  if (!percent.value) {
    values.problem = percent.problem;
    return values;
  }
  values.scanMaxBadPercent = *percent.value;
  if (values.scanMaxBadPercent == 0) {
    const settings::StrictNumber size = settings::ReadStrictInt(settings::strict::SetSSDSize);
    if (!size.value) {
      values.problem = size.problem;
      return values;
    }
    values.setSsdSize = *size.value;
  }
  if (values.scanMaxBadPercent == 0 || withTable) values.table = ReadCapacityTable(ceCount, values.problem);
  return values;
}

}  // namespace engine
