#include "sim/BadBlockTableRecords.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {
constexpr std::size_t kSectorBytes = 512;
}

std::uint32_t BlockMapBytes(const BbtGeometry& geometry) {
  return geometry.ceSlots * geometry.unitsPerCe * geometry.blocksPerUnit;
}

std::uint32_t TableSectors(const BbtGeometry& geometry) {
  return static_cast<std::uint32_t>((BlockMapBytes(geometry) + kSectorBytes - 1) / kSectorBytes);
}

BbtParameterRecord EncodeBbtParameters(const BbtGeometry& geometry) {
  BbtParameterRecord record;
  std::memset(&record, 0, sizeof(record));
  record.magic.Set(kBbtParameterMagic);
  for (unsigned ce = 0; ce < 16; ++ce) {
    const bool present = ((geometry.presentCeMask >> ce) & 1) != 0;
    record.ceAddress[ce] = present ? static_cast<std::uint8_t>(ce) : kAbsentCeAddress;
  }
  record.blocksPerUnit.Set(geometry.blocksPerUnit);
  // The dies of a CE in groups under one chip number each: the groups after the first shift the
  // CE's chip number by the CE slots, and the map holds every group.
  const unsigned units = std::max(geometry.unitsPerCe, 1u);
  const unsigned group =
      geometry.unitsPerGroup != 0 && geometry.unitsPerGroup < units && units % geometry.unitsPerGroup == 0
          ? geometry.unitsPerGroup
          : units;
  record.chipModulus = 16;
  record.shiftEnable = group < units ? 1 : 0;
  record.shiftDivisor = 1;
  record.ceSlots = static_cast<std::uint8_t>(geometry.ceSlots);
  record.unitsPerCe = static_cast<std::uint8_t>(group);
  record.mapFactor = static_cast<std::uint8_t>(units / group);
  record.tableSectors.Set(TableSectors(geometry));
  return record;
}

std::vector<std::uint8_t> EncodeBadBlockTable(std::span<const std::uint8_t> blockMap) {
  const std::size_t sectors = (blockMap.size() + kSectorBytes - 1) / kSectorBytes;
  std::vector<std::uint8_t> table(sectors * kSectorBytes, 0xFF);
  std::copy(blockMap.begin(), blockMap.end(), table.begin());
  return table;
}

std::vector<std::uint8_t> EncodeThirdPartySlice(std::span<const std::uint8_t> ceBlockStatus) {
  const std::uint64_t sectors = ThirdPartySliceSectors(ceBlockStatus.size());
  std::vector<std::uint8_t> slice(static_cast<std::size_t>(sectors) * kSectorBytes, 0);
  for (std::size_t block = 0; block < ceBlockStatus.size(); ++block) {
    slice[ThirdPartyBlockOffset(static_cast<std::uint32_t>(block))] = ceBlockStatus[block];
  }
  SealThirdPartySlice(slice);   // an empty slice has no sector to carry the sum
  return slice;
}

}  // namespace sim
