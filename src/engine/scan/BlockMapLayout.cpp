#include "engine/scan/BlockMapLayout.h"

#include <cstring>

#include "platform/Text.h"

namespace {

bool Refuse(std::string* problem, std::string text) {
  if (problem) *problem = std::move(text);
  return false;
}

}  // namespace

std::optional<BlockMapLayout> DescribeBlockMap(const BbtParameterRecord& record, std::string* problem) {
  if (record.magic.Get() != std::string_view(kBbtParameterMagic, 4)) {
    Refuse(problem, "BBT parameter record without \"DBTP\"");
    return std::nullopt;
  }
  const std::uint64_t perSlot = static_cast<std::uint64_t>(record.unitsPerCe) * record.mapFactor *
                                record.blocksPerUnit.Get();
  const std::uint64_t mapBytes = perSlot * record.ceSlots;
  const std::uint64_t tableBytes = record.tableSectors.Get() * 512ull;
  if (mapBytes == 0) {
    Refuse(problem, "BBT parameter record describes an empty block map");
    return std::nullopt;
  }
  if (mapBytes > tableBytes) {
    Refuse(problem, platform::Format("block map of %llu bytes does not fit a table of %llu bytes",
                                     static_cast<unsigned long long>(mapBytes),
                                     static_cast<unsigned long long>(tableBytes)));
    return std::nullopt;
  }
  BlockMapLayout layout;
  layout.ceSlots = record.ceSlots;
  layout.unitsPerCe = static_cast<std::uint32_t>(record.unitsPerCe) * record.mapFactor;
  layout.blocksPerSlot = static_cast<std::uint32_t>(perSlot);
  layout.tableSectors = static_cast<std::uint32_t>(record.tableSectors.Get());
  layout.mapBytes = static_cast<std::uint32_t>(mapBytes);
  return layout;
}

std::optional<BlockMapLayout> DescribeBlockMap(const std::uint8_t* record64, std::string* problem) {
  if (record64 == nullptr) {
    Refuse(problem, "no BBT parameter record");
    return std::nullopt;
  }
  return DescribeBlockMap(ParameterRecordOf(record64), problem);
}

BbtParameterRecord ParameterRecordOf(const std::uint8_t* record64) {
  BbtParameterRecord record;
  std::memcpy(&record, record64, sizeof(record));
  return record;
}

bool CeInUse(const BbtParameterRecord& record, unsigned ce, std::uint64_t ceMap, bool numberedByMap) {
  if (ce < 16 && record.ceAddress[ce] == kAbsentCeAddress) return false;
  if (numberedByMap && (ce >= 64 || ((ceMap >> ce) & 1) == 0)) return false;
  return true;
}
