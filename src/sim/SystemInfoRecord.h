#pragma once
// Encoder of the system-information sector from what the drive knows about itself.
#include <cstddef>
#include <cstdint>
#include <string>

#include "device/records/SystemInfoSector.h"

namespace sim {

// What the drive knows about itself that the sector reports.
struct SystemInfoFacts {
  unsigned ceCount = 0;
  unsigned ceAddressingMode = 1;
  unsigned diesPerCe = 1;
  std::uint32_t blocksPerCe = 0;
  std::uint32_t pageSectors = 32;
  unsigned planes = 2;                // 1, 2 or 4
  std::uint64_t ceMap = 0;
  bool ceNumberedByMap = false;
  unsigned ceSizeExponent = 0;
  std::string binType;                // up to 4 characters
  std::string rdtFirmwareDate;        // up to 9 characters
  unsigned rdtLoops = 0;
  unsigned rdtFastPageLoops = 0;
  // Log sizes in bytes; each must be a whole number of the sector's units.
  std::uint32_t badBlockLogBytes = 0;     // multiple of 16384
  std::uint32_t temperatureLogBytes = 0;  // multiple of 8
  std::uint32_t sdrLogBytes = 0;          // multiple of 8
  std::uint32_t specialLogBytes = 0;      // multiple of 16384
};

SystemInfoSector EncodeSystemInfo(const SystemInfoFacts& facts);

}  // namespace sim
