#pragma once
// The shape of the controller's block map as its BBT parameter record ("DBTP") gives it: CE
// slot after CE slot, one status byte per block. The map holds
//   (CE slots, byte 0x2B) x (units per CE, 0x2C) x (byte 0x2D) x (blocks per unit, u32 0x24)
// bytes; the table that carries it is (u16 0x2E) sectors of 512 bytes. The product comes
// from the drive, so it is taken in 64 bits and must fit the table before anything uses it.
// Which CE a slot stands for: CeOfSlot and SlotOfCe (device/records/BadBlockTable.h).
#include <cstdint>
#include <optional>
#include <string>

#include "device/records/BadBlockTable.h"

struct BlockMapLayout {
  std::uint32_t ceSlots = 0;         // CE slots of the map
  std::uint32_t unitsPerCe = 0;      // units (dies) per CE: units per group x groups
  std::uint32_t blocksPerSlot = 0;   // status bytes of one CE slot
  std::uint32_t tableSectors = 0;    // sectors of the table that carries the map
  std::uint32_t mapBytes = 0;        // the map itself
  std::uint32_t TableBytes() const { return tableSectors * 512u; }
};

// The layout of a parameter record; nullopt with the reason when the record lacks "DBTP",
// describes an empty map or a map that does not fit its table.
std::optional<BlockMapLayout> DescribeBlockMap(const BbtParameterRecord& record, std::string* problem = nullptr);
// The same for 64 raw bytes (null: no record).
std::optional<BlockMapLayout> DescribeBlockMap(const std::uint8_t* record64, std::string* problem = nullptr);

// Whether the map's slot for a CE holds a CE in use: not marked absent in the record (address
// byte 0x3F, CEs 0..15) and, when CEs are numbered by the map, present in the map.
bool CeInUse(const BbtParameterRecord& record, unsigned ce, std::uint64_t ceMap, bool numberedByMap);

// The parameter record of 64 raw bytes.
BbtParameterRecord ParameterRecordOf(const std::uint8_t* record64);
