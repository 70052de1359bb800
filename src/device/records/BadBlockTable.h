#pragma once
// The controller's bad-block table and its two companions:
//  - the 64-byte BBT parameter record ("DBTP"): the CE address bytes, the chip-number rule,
//    the geometry whose product is the size of the block map, and the table size in sectors;
//  - the table itself: one status byte per block, CE slot after CE slot, blocks in order
//    (0x80 factory bad, 0x40 found bad by the RDT, 0x04 erase fail, 0x02 program fail,
//    0x01 read fail, 0x10 / 0x20 further marks), padded with 0xFF to whole sectors;
//  - the third-party table: per CE a slice of n sectors (n = blocks per CE / 500, rounded
//    up), 500 blocks per sector, one status byte per block (0 = good), and in the first
//    sector of a slice the 16-bit sum of its bytes 0-509 at offset 510.
#include <cstddef>
#include <cstdint>

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
  std::uint8_t unitsPerCe;          // 0x2C (44): units per CE; also the units per group
  std::uint8_t mapFactor;           // 0x2D (45): further factor of the map size (1)
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
