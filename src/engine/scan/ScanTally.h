#pragma once
// What the bad-block scan finds in the controller's block map: per CE in use and die, the
// bad blocks of each plane by group (factory, RDT, run; BlockKinds.h), and the bad blocks
// themselves in block order. The scan's report lines, its judgement and the
// block-information record are all made from one tally.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/records/BadBlockTable.h"
#include "engine/scan/BlockKinds.h"
#include "engine/scan/BlockMapLayout.h"

inline constexpr unsigned kScanMaxPlanes = 4;

struct ScanBadBlock {
  std::uint32_t block = 0;     // block number within the CE
  std::uint32_t plane = 0;
  std::uint8_t status = 0;
};

struct ScanDieTally {
  unsigned ce = 0;
  unsigned channel = 0;
  unsigned die = 0;
  std::uint32_t blocks = 0;    // blocks of the die in the map
  std::array<std::uint32_t, kScanMaxPlanes> factory{};
  std::array<std::uint32_t, kScanMaxPlanes> rdt{};
  std::array<std::uint32_t, kScanMaxPlanes> run{};
  std::vector<ScanBadBlock> bad;

  std::uint32_t AllBadOfPlane(unsigned plane) const { return factory[plane] + rdt[plane] + run[plane]; }
  std::uint32_t AllBad() const;
};

struct ScanTally {
  unsigned planes = 1;         // 1, 2 or 4
  std::vector<ScanDieTally> dies;   // CE slot order, then die order

  std::uint32_t Factory() const;
  std::uint32_t Rdt() const;
  std::uint32_t Run() const;
  std::uint32_t Blocks() const;
  // The largest all-bad count of one plane of one die.
  std::uint32_t WorstPlane() const;
};

struct ScanMapView {
  std::span<const std::uint8_t> map;     // the block map (at least layout.mapBytes bytes)
  BlockMapLayout layout;
  BbtParameterRecord record;
  std::uint64_t ceMap = 0;               // the 64-bit CE map of the system information
  bool ceNumberedByMap = false;
  unsigned planes = 1;
};

// Walks every CE slot in use and each of its dies; the planes of a block are block mod planes.
ScanTally TallyBlockMap(const ScanMapView& view);
