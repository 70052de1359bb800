#include "device/records/BadBlockTable.h"

#include <algorithm>
#include <bit>

namespace {
constexpr std::size_t kSectorBytes = 512;
}

std::uint64_t ThirdPartySliceSectors(std::uint64_t blocksPerCe) {
  return (blocksPerCe + kBlocksPerThirdPartySector - 1) / kBlocksPerThirdPartySector;
}

std::size_t ThirdPartyBlockOffset(std::uint32_t block) {
  return static_cast<std::size_t>(block / kBlocksPerThirdPartySector) * kSectorBytes +
         block % kBlocksPerThirdPartySector;
}

std::uint16_t ThirdPartySectorSum(std::span<const std::uint8_t> sector) {
  std::uint16_t sum = 0;
  const std::size_t end = std::min<std::size_t>(sector.size(), kThirdPartyChecksumOffset);
  for (std::size_t i = 0; i < end; ++i) sum = static_cast<std::uint16_t>(sum + sector[i]);
  return sum;
}

bool SealThirdPartySlice(std::span<std::uint8_t> slice) {
  if (slice.size() < kSectorBytes) return false;
  const std::uint16_t sum = ThirdPartySectorSum(slice.first(kSectorBytes));
  slice[kThirdPartyChecksumOffset] = static_cast<std::uint8_t>(sum);
  slice[kThirdPartyChecksumOffset + 1] = static_cast<std::uint8_t>(sum >> 8);
  return true;
}

bool ThirdPartySliceSealed(std::span<const std::uint8_t> slice) {
  if (slice.size() < kSectorBytes) return false;
  const auto stored = static_cast<std::uint16_t>(slice[kThirdPartyChecksumOffset] |
                                                 (slice[kThirdPartyChecksumOffset + 1] << 8));
  return stored == ThirdPartySectorSum(slice.first(kSectorBytes));
}

std::optional<std::uint8_t> ThirdPartyChipNumber(const BbtParameterRecord& record, unsigned ce,
                                                 std::uint32_t addressingMode, std::uint32_t unitsPerCe) {
  if (ce >= kThirdPartyCes || record.chipModulus == 0) return std::nullopt;
  const std::uint8_t address = record.ceAddress[ce];
  std::uint8_t base = addressingMode == 2 ? static_cast<std::uint8_t>((address % 8) * 2 + address / 8) : address;
  if (record.shiftEnable != 0) {
    if (record.shiftDivisor == 0 || record.unitsPerCe == 0) return std::nullopt;
    if (unitsPerCe > 0) {
      const std::uint32_t lastUnit = unitsPerCe - 1;
      if (lastUnit >= record.unitsPerCe) {
        const std::uint32_t shift = (lastUnit / record.unitsPerCe) * (record.ceSlots / record.shiftDivisor);
        base = static_cast<std::uint8_t>(base + shift);
      }
    }
  }
  return static_cast<std::uint8_t>(base % record.chipModulus);
}

unsigned CeOfSlot(unsigned slot, std::uint64_t ceMap, bool numberedByMap) {
  if (numberedByMap || ceMap == 0) return slot;
  unsigned seen = 0;
  for (unsigned ce = 0; ce < 64; ++ce) {
    if (((ceMap >> ce) & 1) == 0) continue;
    if (seen == slot) return ce;
    ++seen;
  }
  return slot;
}

std::optional<unsigned> SlotOfCe(unsigned ce, std::uint64_t ceMap, bool numberedByMap) {
  if (ce >= 64) return std::nullopt;
  if (numberedByMap || ceMap == 0) return ce;
  if (((ceMap >> ce) & 1) == 0) return std::nullopt;
  const std::uint64_t below = ce == 0 ? 0 : (ceMap & ((std::uint64_t{1} << ce) - 1));
  return static_cast<unsigned>(std::popcount(below));
}
