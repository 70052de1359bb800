#pragma once
// The third-party bad-block table: per CE 0..15 a slice of n sectors, n = blocks per CE / 500
// rounded up, 500 blocks per sector, one status byte per block (0 = good), and in the first
// sector of a slice the 16-bit sum of its bytes 0-509 at offset 510. A slice is read and
// written with the chip number of its CE (the rule below), taken from the BBT parameter
// record ("DBTP").
#include <cstdint>
#include <optional>
#include <span>

#include "device/records/BadBlockTable.h"

inline constexpr unsigned kThirdPartyCes = 16;
// The largest slice one read or write command carries (sectors).
inline constexpr std::uint32_t kThirdPartyMaxSliceSectors = 256;

// Sectors of one CE's slice (64-bit: the block count comes from the drive).
std::uint64_t ThirdPartySliceSectors(std::uint64_t blocksPerCe);

// The 16-bit sum of bytes 0-509 of a sector.
std::uint16_t ThirdPartySectorSum(std::span<const std::uint8_t> sector);
// Stores that sum at offset 510 of the slice's first sector; true when the slice holds one.
bool SealThirdPartySlice(std::span<std::uint8_t> slice);
// True when the first sector carries its sum.
bool ThirdPartySliceSealed(std::span<const std::uint8_t> slice);

// The chip number of CE k:
//  - base B: parameter byte 4 + k in addressing mode 1 (also for any mode but 2, which the
//    drive never reports); (byte mod 8) x 2 + byte / 8 in mode 2;
//  - with U units per CE and q = U - 1: when byte 41 is not 0 and q is at least byte 44,
//    B += (q / byte 44) x (byte 43 / byte 42), kept to 8 bits; U = 0 adds nothing;
//  - chip number = B mod byte 40.
// nullopt when the rule would divide by zero (byte 40 is 0, or byte 41 is set and byte 42
// or 44 is 0), as a parameter record that could not be read leaves them; such a CE is not
// read or written.
std::optional<std::uint8_t> ThirdPartyChipNumber(const BbtParameterRecord& record, unsigned ce,
                                                 std::uint32_t addressingMode, std::uint32_t unitsPerCe);
