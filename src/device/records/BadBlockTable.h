#pragma once
// The controller's bad-block table and its two companions:
//  - the 64-byte BBT parameter record ("DBTP"): the CE address bytes, the chip-number rule,
//    the geometry whose product is the size of the block map and the table size in sectors;
//    the bytes after it are the controller's own and are passed on as they come;
//  - the table itself: one status byte per block, CE slot after CE slot, blocks in order
//    (0x80 factory bad, 0x40 found bad by the RDT, 0x04 erase fail, 0x02 program fail,
//    0x01 read fail, 0x10 / 0x20 further marks), padded with 0xFF to whole sectors;
//  - the third-party table: per CE a slice of n sectors (n = blocks per CE / 500, rounded
//    up), 500 blocks per sector, one status byte per block (0 = good), and in the first
//    sector of a slice the 16-bit sum of its bytes 0-509 at offset 510. A slice is read and
//    written with the chip number of its CE (the rule below), taken from the BBT parameter
//    record.
// The engine reads and writes these records; the simulator keeps them as a drive does.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "device/records/FieldTypes.h"

#pragma pack(push, 1)
struct BbtParameterRecord {
  PlainText<4> magic;               // 0: "DBTP"
  std::uint8_t ceAddress[16];       // 4: address byte of CE 0..15; 0x3F = absent
  std::uint8_t reserved14[0x24 - 0x14];
  LeU32 blocksPerUnit;              // 0x24: blocks of one unit (die)
  std::uint8_t chipModulus;         // 0x28 (40)
  std::uint8_t shiftEnable;         // 0x29 (41): units beyond the first group shift the chip
  std::uint8_t shiftDivisor;        // 0x2A (42)
  std::uint8_t ceSlots;             // 0x2B (43): CE slots of the map; also the shift dividend
  std::uint8_t unitsPerCe;          // 0x2C (44): units (dies) per group, under one chip number
  std::uint8_t mapFactor;           // 0x2D (45): groups per CE (1: one group holds every unit)
  LeU16 tableSectors;               // 0x2E (46): table size in 512-byte sectors
  std::uint8_t reserved30[0x40 - 0x30];
};
#pragma pack(pop)

static_assert(sizeof(BbtParameterRecord) == 64);
static_assert(offsetof(BbtParameterRecord, ceAddress) == 4);
static_assert(offsetof(BbtParameterRecord, blocksPerUnit) == 0x24);
static_assert(offsetof(BbtParameterRecord, chipModulus) == 40);
static_assert(offsetof(BbtParameterRecord, shiftEnable) == 41);
static_assert(offsetof(BbtParameterRecord, shiftDivisor) == 42);
static_assert(offsetof(BbtParameterRecord, ceSlots) == 43);
static_assert(offsetof(BbtParameterRecord, unitsPerCe) == 44);
static_assert(offsetof(BbtParameterRecord, mapFactor) == 45);
static_assert(offsetof(BbtParameterRecord, tableSectors) == 46);

inline constexpr char kBbtParameterMagic[] = "DBTP";
inline constexpr std::uint8_t kAbsentCeAddress = 0x3F;
inline constexpr std::uint32_t kBlocksPerThirdPartySector = 500;
inline constexpr std::size_t kThirdPartyChecksumOffset = 510;

// Block status bits of the table.
inline constexpr std::uint8_t kBlockFactoryBad = 0x80;
inline constexpr std::uint8_t kBlockRdtBad = 0x40;
inline constexpr std::uint8_t kBlockMarkA = 0x20;
inline constexpr std::uint8_t kBlockMarkB = 0x10;
inline constexpr std::uint8_t kBlockEraseFail = 0x04;
inline constexpr std::uint8_t kBlockProgramFail = 0x02;
inline constexpr std::uint8_t kBlockReadFail = 0x01;

// ---- The third-party table -------------------------------------------------------------
// CEs 0..15 have a slice (as they have an address byte in the parameter record).
inline constexpr unsigned kThirdPartyCes = 16;

// Sectors of one CE's slice (64-bit: the block count comes from the drive).
std::uint64_t ThirdPartySliceSectors(std::uint64_t blocksPerCe);
// Where a block's status byte lies in its CE's slice.
std::size_t ThirdPartyBlockOffset(std::uint32_t block);

// The 16-bit sum of bytes 0-509 of a sector.
std::uint16_t ThirdPartySectorSum(std::span<const std::uint8_t> sector);
// Stores that sum at offset 510 of the slice's first sector; true when the slice holds one.
bool SealThirdPartySlice(std::span<std::uint8_t> slice);
// True when the first sector carries its sum.
bool ThirdPartySliceSealed(std::span<const std::uint8_t> slice);

// The chip number of CE k:
//  - base B: parameter byte 4 + k in addressing mode 1 (also for any mode but 2, which the
//    drive never reports); (byte mod 8) x 2 + byte / 8 in mode 2;
//  - with U units per CE (the drive's dies per CE, from its system information) and
//    q = U - 1: when byte 41 is not 0 and q is at least byte 44 (a CE of more than one
//    group), B += (q / byte 44) x (byte 43 / byte 42), kept to 8 bits; U = 0 adds nothing;
//  - chip number = B mod byte 40.
// nullopt when the rule would divide by zero (byte 40 is 0, or byte 41 is set and byte 42
// or 44 is 0), as a parameter record that could not be read leaves them; such a CE is not
// read or written.
std::optional<std::uint8_t> ThirdPartyChipNumber(const BbtParameterRecord& record, unsigned ce,
                                                 std::uint32_t addressingMode, std::uint32_t unitsPerCe);

// ---- CE slots of the block map -----------------------------------------------------------
// When the drive numbers its CEs by the map (the CE-numbering flag of the system information)
// slot k is CE k; otherwise the slots are the CEs of the 64-bit CE map in order (slot k is
// the CE of its (k+1)-th set bit). A map without set bits numbers the slots as the CEs.
// Which CE a slot of the map stands for (a slot past the map's CEs: the slot itself), and
// back (nullopt: the CE has no slot).
unsigned CeOfSlot(unsigned slot, std::uint64_t ceMap, bool numberedByMap);
std::optional<unsigned> SlotOfCe(unsigned ce, std::uint64_t ceMap, bool numberedByMap);

// The flash channel of a CE: eight CEs per channel.
inline unsigned ChannelOfCe(unsigned ce) { return ce / 8; }
