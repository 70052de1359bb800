#include "engine/scan/ScanTally.h"

#include <algorithm>

namespace {

template <typename Count>
std::uint32_t SumOverDies(const std::vector<ScanDieTally>& dies, Count count) {
  std::uint32_t sum = 0;
  for (const ScanDieTally& die : dies) {
    for (unsigned plane = 0; plane < kScanMaxPlanes; ++plane) sum += count(die, plane);
  }
  return sum;
}

}  // namespace

std::uint32_t ScanDieTally::AllBad() const {
  std::uint32_t sum = 0;
  for (unsigned plane = 0; plane < kScanMaxPlanes; ++plane) sum += AllBadOfPlane(plane);
  return sum;
}

std::uint32_t ScanTally::Factory() const {
  return SumOverDies(dies, [](const ScanDieTally& die, unsigned plane) { return die.factory[plane]; });
}

std::uint32_t ScanTally::Rdt() const {
  return SumOverDies(dies, [](const ScanDieTally& die, unsigned plane) { return die.rdt[plane]; });
}

std::uint32_t ScanTally::Run() const {
  return SumOverDies(dies, [](const ScanDieTally& die, unsigned plane) { return die.run[plane]; });
}

std::uint32_t ScanTally::Blocks() const {
  std::uint32_t sum = 0;
  for (const ScanDieTally& die : dies) sum += die.blocks;
  return sum;
}

std::uint32_t ScanTally::WorstPlane() const {
  std::uint32_t worst = 0;
  for (const ScanDieTally& die : dies) {
    for (unsigned plane = 0; plane < kScanMaxPlanes; ++plane) worst = std::max(worst, die.AllBadOfPlane(plane));
  }
  return worst;
}

ScanTally TallyBlockMap(const ScanMapView& view) {
  ScanTally tally;
  tally.planes = std::clamp(view.planes, 1u, kScanMaxPlanes);
  const BlockMapLayout& layout = view.layout;
  const std::uint32_t units = std::max(layout.unitsPerCe, 1u);
  const std::uint32_t blocksPerDie = layout.blocksPerSlot / units;
  if (blocksPerDie == 0 || view.map.size() < layout.mapBytes) return tally;
  for (unsigned slot = 0; slot < layout.ceSlots; ++slot) {
    const unsigned ce = CeOfSlot(slot, view.ceMap, view.ceNumberedByMap);
    if (!CeInUse(view.record, ce, view.ceMap, view.ceNumberedByMap)) continue;
    const std::span<const std::uint8_t> statuses =
        view.map.subspan(static_cast<std::size_t>(slot) * layout.blocksPerSlot, layout.blocksPerSlot);
    for (std::uint32_t dieNumber = 0; dieNumber < units; ++dieNumber) {
      ScanDieTally die;
      die.ce = ce;
      die.channel = ChannelOfCe(ce);
      die.die = dieNumber;
      die.blocks = blocksPerDie;
      const std::uint32_t first = dieNumber * blocksPerDie;
      for (std::uint32_t block = first; block < first + blocksPerDie; ++block) {
        const std::uint8_t status = statuses[block];
        const BlockGroup group = ClassifyBlock(status).group;
        if (!IsBadGroup(group)) continue;
        const std::uint32_t plane = block % tally.planes;
        auto& counts = group == BlockGroup::Factory ? die.factory : group == BlockGroup::Rdt ? die.rdt : die.run;
        ++counts[plane];
        die.bad.push_back({block, plane, status});
      }
      tally.dies.push_back(std::move(die));
    }
  }
  return tally;
}
