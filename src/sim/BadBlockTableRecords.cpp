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
  record.chipModulus = 16;
  record.shiftEnable = 0;
  record.shiftDivisor = 1;
  record.ceSlots = static_cast<std::uint8_t>(geometry.ceSlots);
  record.unitsPerCe = static_cast<std::uint8_t>(geometry.unitsPerCe);
  record.mapFactor = 1;
  record.tableSectors.Set(TableSectors(geometry));
  return record;
}

std::vector<std::uint8_t> EncodeBadBlockTable(std::span<const std::uint8_t> blockMap) {
  const std::size_t sectors = (blockMap.size() + kSectorBytes - 1) / kSectorBytes;
  std::vector<std::uint8_t> table(sectors * kSectorBytes, 0xFF);
  std::copy(blockMap.begin(), blockMap.end(), table.begin());
  return table;
}

std::uint32_t ThirdPartySliceSectors(std::uint32_t blocksPerCe) {
  return (blocksPerCe + kBlocksPerThirdPartySector - 1) / kBlocksPerThirdPartySector;
}

std::uint16_t ThirdPartySectorSum(std::span<const std::uint8_t> sector) {
  std::uint16_t sum = 0;
  const std::size_t end = std::min<std::size_t>(sector.size(), kThirdPartyChecksumOffset);
  for (std::size_t i = 0; i < end; ++i) sum = static_cast<std::uint16_t>(sum + sector[i]);
  return sum;
}

std::vector<std::uint8_t> EncodeThirdPartySlice(std::span<const std::uint8_t> ceBlockStatus) {
  const std::uint32_t sectors = ThirdPartySliceSectors(static_cast<std::uint32_t>(ceBlockStatus.size()));
  std::vector<std::uint8_t> slice(sectors * kSectorBytes, 0);
  for (std::size_t block = 0; block < ceBlockStatus.size(); ++block) {
    const std::size_t sector = block / kBlocksPerThirdPartySector;
    slice[sector * kSectorBytes + block % kBlocksPerThirdPartySector] = ceBlockStatus[block];
  }
  if (!slice.empty()) {
    const std::uint16_t sum = ThirdPartySectorSum(std::span<const std::uint8_t>(slice.data(), kSectorBytes));
    slice[kThirdPartyChecksumOffset] = static_cast<std::uint8_t>(sum);
    slice[kThirdPartyChecksumOffset + 1] = static_cast<std::uint8_t>(sum >> 8);
  }
  return slice;
}

}  // namespace sim
