#pragma once
// The flash behind one TV3160 controller: CEs, dies, planes and blocks, as the drive reports
// them in its system information. CE slots and channels follow the rules of the bad-block
// table (device/records/BadBlockTable.h).
#include <cstdint>

#include "device/records/BadBlockTable.h"
#include "sim/FlashIdTable.h"

namespace sim {

struct FlashGeometry {
  std::uint64_t ceMap = 0xF;          // bit n = CE n carries flash
  bool ceNumberedByMap = false;       // the CE-numbering flag of the system information
  unsigned diesPerCe = 1;
  unsigned diesPerChip = 0;           // dies of a CE under one third-party chip number (0: all)
  unsigned planes = 2;                // 1, 2 or 4
  std::uint32_t blocksPerCe = 1024;
  std::uint32_t pageSectors = 32;     // flash page size in 512-byte sectors
  unsigned ceSizeExponent = 6;        // a CE holds 2^n GB
  FlashId flashId{0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08};

  unsigned CeCount() const;
  // CE slots of the block map: 64 when CEs are numbered by the map, else the CE count.
  unsigned CeSlots() const;
  // The CE a slot of the block map stands for.
  unsigned CeOfSlot(unsigned slot) const;
  std::uint32_t BlocksPerDie() const { return diesPerCe == 0 ? blocksPerCe : blocksPerCe / diesPerCe; }
  std::uint64_t CapacitySectors() const;
};

}  // namespace sim
