#include "run/BadBlockTableSort.h"

#include "device/records/BadBlockTable.h"

std::optional<TableSortLengths> TableSortLengthsOf(std::span<const std::uint8_t> parameterRecord,
                                                   std::size_t bufferBytes) {
  BbtParameterRecord record;
  if (!ReadRecord(parameterRecord, record)) return std::nullopt;
  constexpr std::uint64_t kSectorBytes = 512;
  const std::uint64_t tableBytes = std::uint64_t{record.tableSectors.Get()} * kSectorBytes;
  // At most 255 x 255 x 255 x (2^32 - 1): below 2^56, so the product cannot overflow.
  const std::uint64_t mapBytes =
      std::uint64_t{record.ceSlots} * record.unitsPerCe * record.mapFactor * std::uint64_t{record.blocksPerUnit.Get()};
  if (tableBytes > bufferBytes || mapBytes > bufferBytes) return std::nullopt;
  return TableSortLengths{static_cast<std::size_t>(tableBytes), static_cast<std::size_t>(mapBytes)};
}
