#include "engine/rdtlog/BadBlockStatistics.h"

#include <algorithm>
#include <map>
#include <numeric>

#include "platform/Text.h"

namespace {

constexpr int kMaxEccRange = 20;
constexpr int kDefaultEccRange = 5;
constexpr int kMinBlockRange = 10;
constexpr int kMaxBlockRange = 1000;
constexpr int kDefaultBlockRange = 100;

// Rounded up to a multiple of 10.
int RoundUpToTen(int value) { return (value + 9) / 10 * 10; }

}  // namespace

void WriteEccStatistics(std::vector<std::uint32_t> values, int rangeSetting, RdtOutput& out) {
  if (values.empty()) return;
  std::sort(values.begin(), values.end());
  const int min = static_cast<int>(values.front());
  const int max = static_cast<int>(values.back());
  const int range = (rangeSetting < 0 || rangeSetting > kMaxEccRange) ? kDefaultEccRange : rangeSetting;

  std::size_t modeBin = 0;
  if (range > 0) {
    std::vector<std::uint32_t> bins(static_cast<std::size_t>((max - min) / range + 1), 0);
    for (const std::uint32_t value : values) ++bins[static_cast<std::size_t>((static_cast<int>(value) - min) / range)];
    for (std::size_t i = 0; i < bins.size(); ++i) {
      const int low = min + static_cast<int>(i) * range;
      out.ReportLine(platform::Format("ECC: %3d -> %3d = %3d;", low, low + range - 1, static_cast<int>(bins[i])));
      if (bins[i] > bins[modeBin]) modeBin = i;
    }
  }
  const int mode = min + static_cast<int>(modeBin) * range;
  const std::uint64_t sum = std::accumulate(values.begin(), values.end(), std::uint64_t{0});
  const int mean = static_cast<int>(sum / values.size());
  const std::size_t middle = values.size() / 2;
  const int median = values.size() % 2 == 1 ? static_cast<int>(values[middle])
                                             : static_cast<int>((values[middle - 1] + values[middle]) / 2);
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
    // Only the bins that hold an address are kept, in address order.
    std::map<std::uint32_t, std::uint32_t> bins;
    for (const std::uint32_t address : addresses[ce]) {
      const std::uint32_t bin = address / range;
      if (bin < binCount) ++bins[bin];
    }
    out.ReportLine(platform::Format("CE:%02d LBB Addr.:", static_cast<int>(ce)));
    for (const auto& [bin, count] : bins) {
      const std::uint32_t last = bin + 1 == binCount ? blocksPerCe - 1 : (bin + 1) * range - 1;
      out.ReportLine(platform::Format("      %d ~ %d= %d  ", static_cast<int>(bin * range), static_cast<int>(last),
                                      static_cast<int>(count)));
    }
  }
}
