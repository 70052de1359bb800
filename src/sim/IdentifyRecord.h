#pragma once
// Encoder of the IDENTIFY DEVICE data of a simulated drive.
#include <cstddef>
#include <cstdint>
#include <string>

#include "device/records/IdentifyData.h"

namespace sim {

struct IdentifyFacts {
  std::string serialNumber;      // up to 20 characters
  std::string firmwareRevision;  // up to 8 characters: the running firmware's name
  std::string modelNumber;       // up to 40 characters
  std::uint64_t sectors = 0;     // user capacity in 512-byte sectors
  std::uint8_t rdtStatus = 0;
  std::uint64_t worldWideName = 0;  // 0: the drive reports none (word 87 bit 8 clear)
};

// The whole sector, with the integrity word (signature 0xA5 and the checksum that makes the
// sum of all 512 bytes 0 modulo 256).
IdentifyData EncodeIdentify(const IdentifyFacts& facts);

}  // namespace sim
