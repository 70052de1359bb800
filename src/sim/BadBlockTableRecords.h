#pragma once
// Encoders of the bad-block table, its parameter record and the third-party table.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/records/BadBlockTable.h"

namespace sim {

struct BbtGeometry {
  unsigned ceSlots = 0;            // CE slots the map covers
  unsigned unitsPerCe = 1;         // dies per CE
  unsigned unitsPerGroup = 0;      // dies under one chip number (0: all of the CE's)
  std::uint32_t blocksPerUnit = 0; // blocks per die
  std::uint64_t presentCeMask = 0; // bit k: CE k carries flash (only CEs 0..15 get addresses)
};

std::uint32_t BlockMapBytes(const BbtGeometry& geometry);
std::uint32_t TableSectors(const BbtGeometry& geometry);
// The parameter record of the geometry.
BbtParameterRecord EncodeBbtParameters(const BbtGeometry& geometry);

// The table image of a block map (geometry's map size), padded with 0xFF to whole sectors.
std::vector<std::uint8_t> EncodeBadBlockTable(std::span<const std::uint8_t> blockMap);

// One CE's slice from that CE's block statuses, with the first sector's checksum.
std::vector<std::uint8_t> EncodeThirdPartySlice(std::span<const std::uint8_t> ceBlockStatus);

}  // namespace sim
