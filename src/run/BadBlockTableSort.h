#pragma once
// The sizes a sort of the bad-block table works on, from the drive's bad-block-table
// parameter record: the whole table (its size in 512-byte sectors at offset 0x2E), filled
// with 0xFF, and the block map at its start (CE slots x units per CE x map factor x blocks
// per unit, offsets 0x2B, 0x2C, 0x2D and 0x24), cleared before the factory marks go in.
// Both come from the drive: they are worked out in 64 bits and must fit the buffer.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

struct TableSortLengths {
  std::size_t tableBytes = 0;
  std::size_t mapBytes = 0;
};

// The two lengths of a 64-byte parameter record; none when either passes bufferBytes (a
// record the buffer cannot hold is a failed table read).
std::optional<TableSortLengths> TableSortLengthsOf(std::span<const std::uint8_t> parameterRecord,
                                                   std::size_t bufferBytes);
