#include "engine/rdtlog/BadBlockStatistics.h"

#include <algorithm>

#include "platform/Text.h"

namespace {

constexpr int kMaxEccRange = 20;
constexpr int kDefaultEccRange = 5;
constexpr int kMinBlockRange = 10;
constexpr int kMaxBlockRange = 1000;
constexpr int kDefaultBlockRange = 100;

// Rounded up to a multiple of 10.
int RoundUpToTen(int value) { return (value + 9) / 10 * 10; }

// The values in ascending order, each once with how often it occurs. Values that lie close
// together (the ECC values lie between 10 and 1,000) are counted in time linear in their
// number; others are sorted.
struct ValueRun {
  std::uint32_t value = 0;
  std::uint64_t count = 0;
};

std::vector<ValueRun> Runs(std::vector<std::uint32_t>& values) {
  constexpr std::uint32_t kCountedSpan = 1u << 16;
  std::vector<ValueRun> runs;
  const auto [low, high] = std::minmax_element(values.begin(), values.end());
  if (*high - *low < kCountedSpan) {
    const std::uint32_t first = *low;
    std::vector<std::uint64_t> counts(*high - first + 1, 0);
    for (const std::uint32_t value : values) ++counts[value - first];
    for (std::size_t offset = 0; offset < counts.size(); ++offset) {
      if (counts[offset] != 0) runs.push_back({first + static_cast<std::uint32_t>(offset), counts[offset]});
    }
    return runs;
  }
  std::sort(values.begin(), values.end());
  for (const std::uint32_t value : values) {
    if (runs.empty() || runs.back().value != value) runs.push_back({value, 0});
    ++runs.back().count;
  }
  return runs;
}

// The value at a place of the sorted values.
std::uint32_t ValueAt(const std::vector<ValueRun>& runs, std::uint64_t place) {
  for (const ValueRun& run : runs) {
    if (place < run.count) return run.value;
    place -= run.count;
  }
  return runs.back().value;
}

}  // namespace

void WriteEccStatistics(std::vector<std::uint32_t> values, int rangeSetting, RdtOutput& out) {
  if (values.empty()) return;
  const std::size_t total = values.size();
  const std::vector<ValueRun> runs = Runs(values);
  const int min = static_cast<int>(runs.front().value);
  const int max = static_cast<int>(runs.back().value);
  const int range = (rangeSetting < 0 || rangeSetting > kMaxEccRange) ? kDefaultEccRange : rangeSetting;

  std::size_t modeBin = 0;
  if (range > 0) {
    std::vector<std::uint64_t> bins(static_cast<std::size_t>((max - min) / range + 1), 0);
    for (const ValueRun& run : runs) bins[static_cast<std::size_t>((static_cast<int>(run.value) - min) / range)] += run.count;
    for (std::size_t i = 0; i < bins.size(); ++i) {
      const int low = min + static_cast<int>(i) * range;
      out.ReportLine(platform::Format("ECC: %3d -> %3d = %3d;", low, low + range - 1, static_cast<int>(bins[i])));
      if (bins[i] > bins[modeBin]) modeBin = i;
    }
  }
  const int mode = min + static_cast<int>(modeBin) * range;
  std::uint64_t sum = 0;
  for (const ValueRun& run : runs) sum += static_cast<std::uint64_t>(run.value) * run.count;
  const int mean = static_cast<int>(sum / total);
  const std::size_t middle = total / 2;
  const int median = total % 2 == 1 ? static_cast<int>(ValueAt(runs, middle))
                                    : static_cast<int>((ValueAt(runs, middle - 1) + ValueAt(runs, middle)) / 2);
  out.ReportLine(platform::Format("ECC  Mode       = %d", RoundUpToTen(mode)));
  out.ReportLine(platform::Format("ECC  Mean       = %d", RoundUpToTen(mean)));
  out.ReportLine(platform::Format("ECC  Median     = %d", RoundUpToTen(median)));
}

void WriteLateBadDistribution(const std::array<std::vector<std::uint32_t>, kLateBadCes>& addresses,
                              std::uint32_t blocksPerCe, int rangeSetting, RdtOutput& out) {
  const std::uint32_t range = static_cast<std::uint32_t>(
      (rangeSetting < kMinBlockRange || rangeSetting > kMaxBlockRange) ? kDefaultBlockRange : rangeSetting);
  const std::uint32_t binCount = blocksPerCe / range + 1;
  for (std::size_t ce = 0; ce < addresses.size(); ++ce) {
    if (addresses[ce].empty()) continue;
    // Only the bins that hold an address are written, in address order. No bin above the
    // highest address is needed (block addresses from the drive are 16-bit).
    const std::uint32_t highest = *std::max_element(addresses[ce].begin(), addresses[ce].end());
    const std::uint32_t binsNeeded = std::min(binCount, highest / range + 1);
    std::vector<std::uint32_t> bins(binsNeeded, 0);
    for (const std::uint32_t address : addresses[ce]) {
      const std::uint32_t bin = address / range;
      if (bin < binsNeeded) ++bins[bin];
    }
    out.ReportLine(platform::Format("CE:%02d LBB Addr.:", static_cast<int>(ce)));
    for (std::uint32_t bin = 0; bin < binsNeeded; ++bin) {
      const std::uint32_t count = bins[bin];
      if (count == 0) continue;
      const std::uint32_t last = bin + 1 == binCount ? blocksPerCe - 1 : (bin + 1) * range - 1;
      out.ReportLine(platform::Format("      %d ~ %d= %d  ", static_cast<int>(bin * range), static_cast<int>(last),
                                      static_cast<int>(count)));
    }
  }
}
