#include "sim/SystemInfoRecord.h"

#include <cstring>

namespace sim {

SystemInfoSector EncodeSystemInfo(const SystemInfoFacts& facts) {
  SystemInfoSector sector;
  std::memset(&sector, 0, sizeof(sector));
  sector.ceCount = static_cast<std::uint8_t>(facts.ceCount);
  sector.ceAddressingMode = static_cast<std::uint8_t>(facts.ceAddressingMode);
  sector.diesPerCe = static_cast<std::uint8_t>(facts.diesPerCe);
  sector.blocksPerCe.Set(facts.blocksPerCe);
  sector.pageSectors.Set(facts.pageSectors);
  // One plane: neither flag; two planes: bit 1 of 0xE4; four planes: bit 7 of 0xE8.
  if (facts.planes == 2) sector.planeFlagsE4 = 0x02;
  if (facts.planes == 4) sector.planeFlagsE8 = 0x80;
  sector.badBlockLogUnits.Set(facts.badBlockLogBytes / kLargeLogUnitBytes);
  sector.temperatureLogRecords.Set(facts.temperatureLogBytes / kRecordLogUnitBytes);
  sector.sdrLogRecords.Set(facts.sdrLogBytes / kRecordLogUnitBytes);
  sector.ceMap.Set(facts.ceMap);
  sector.binType.Set(facts.binType, '\0');
  sector.rdtFirmwareDate.Set(facts.rdtFirmwareDate, '\0');
  sector.ceSizeExponent = static_cast<std::uint8_t>(facts.ceSizeExponent);
  sector.ceNumberingFlag = facts.ceNumberedByMap ? 1 : 0;
  sector.rdtLoops = static_cast<std::uint8_t>(facts.rdtLoops);
  sector.rdtFastPageLoops = static_cast<std::uint8_t>(facts.rdtFastPageLoops);
  sector.specialLogUnits.Set(facts.specialLogBytes / kLargeLogUnitBytes);
  return sector;
}

}  // namespace sim
