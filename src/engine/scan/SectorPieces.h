#pragma once
// Long transfers go to the drive in pieces: a command carries at most a fixed number of
// sectors. ForEachPiece calls step(first sector, sector count) for each piece in order and
// stops at the first step that returns false.
#include <algorithm>
#include <cstdint>

template <typename Step>
bool ForEachPiece(std::uint64_t totalSectors, std::uint32_t sectorsPerPiece, Step step) {
  for (std::uint64_t first = 0; first < totalSectors; first += sectorsPerPiece) {
    const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(sectorsPerPiece, totalSectors - first));
    if (!step(first, count)) return false;
  }
  return true;
}
