#pragma once
// The controller's system information: one 512-byte sector that the drive returns for the
// get-system-information command. It tells the flash geometry, the CE map and the sizes of
// the RDT logs. Offsets marked "ours" are fields that the reader takes without a documented
// place; they sit in bytes the documented fields leave free.
#include <cstddef>
#include <cstdint>

#include "device/records/FieldTypes.h"

#pragma pack(push, 1)
struct SystemInfoSector {
  std::uint8_t reserved00[4];
  std::uint8_t ceCount;               // 0x04 (ours): chip enables that carry flash
  std::uint8_t ceAddressingMode;      // 0x05 (ours): 1 or 2
  std::uint8_t diesPerCe;             // 0x06
  std::uint8_t reserved07[0x1C - 0x07];
  LeU32 blocksPerCe;                  // 0x1C
  std::uint8_t reserved20[0x28 - 0x20];
  LeU32 pageSectors;                  // 0x28: flash page size in 512-byte sectors
  std::uint8_t reserved2C[0xE4 - 0x2C];
  std::uint8_t planeFlagsE4;          // 0xE4: bit 1 = two planes
  std::uint8_t reservedE5[0xE8 - 0xE5];
  std::uint8_t planeFlagsE8;          // 0xE8: bit 7 = four planes
  std::uint8_t reservedE9[0x13C - 0xE9];
  LeU32 badBlockLogUnits;             // 0x13C: RDT bad-block log size / 16384 bytes
  LeU32 temperatureLogRecords;        // 0x140: temperature/time log size / 8 bytes
  LeU32 sdrLogRecords;                // 0x144: DRAM (SDR) log size / 8 bytes
  LeU64 ceMap;                        // 0x148: bit n = CE n present
  std::uint8_t reserved150[0x15C - 0x150];
  WordSwappedText<4> binType;         // 0x15C: bin-type code, two byte-swapped words
  PlainText<9> rdtFirmwareDate;       // 0x160
  std::uint8_t ceSizeExponent;        // 0x169: a CE holds 2^n GB
  std::uint8_t ceNumberingFlag;       // 0x16A: non-zero = CEs are numbered by the map
  std::uint8_t reserved16B[2];
  std::uint8_t rdtLoops;              // 0x16D
  std::uint8_t rdtFastPageLoops;      // 0x16E
  std::uint8_t reserved16F;
  LeU32 specialLogUnits;              // 0x170: RDT special-test log size / 16384 bytes
  std::uint8_t reserved174[0x200 - 0x174];
};
#pragma pack(pop)

static_assert(sizeof(SystemInfoSector) == 512);
static_assert(offsetof(SystemInfoSector, diesPerCe) == 0x06);
static_assert(offsetof(SystemInfoSector, blocksPerCe) == 0x1C);
static_assert(offsetof(SystemInfoSector, pageSectors) == 0x28);
static_assert(offsetof(SystemInfoSector, planeFlagsE4) == 0xE4);
static_assert(offsetof(SystemInfoSector, planeFlagsE8) == 0xE8);
static_assert(offsetof(SystemInfoSector, badBlockLogUnits) == 0x13C);
static_assert(offsetof(SystemInfoSector, temperatureLogRecords) == 0x140);
static_assert(offsetof(SystemInfoSector, sdrLogRecords) == 0x144);
static_assert(offsetof(SystemInfoSector, ceMap) == 0x148);
static_assert(offsetof(SystemInfoSector, binType) == 348);
static_assert(offsetof(SystemInfoSector, rdtFirmwareDate) == 0x160);
static_assert(offsetof(SystemInfoSector, ceSizeExponent) == 0x169);
static_assert(offsetof(SystemInfoSector, ceNumberingFlag) == 0x16A);
static_assert(offsetof(SystemInfoSector, rdtLoops) == 0x16D);
static_assert(offsetof(SystemInfoSector, rdtFastPageLoops) == 0x16E);
static_assert(offsetof(SystemInfoSector, specialLogUnits) == 0x170);

// Units of the log sizes the sector reports.
inline constexpr std::uint32_t kLargeLogUnitBytes = 16384;
inline constexpr std::uint32_t kRecordLogUnitBytes = 8;
