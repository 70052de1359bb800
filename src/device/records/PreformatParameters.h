#pragma once
// The data of the preformat command: three 512-byte sectors that tell the burner code how to
// lay out a drive.
//   sector 0  the head: mark "PFMT", the run (MP or RDT pretest), the RDT flags, the CE map
//             and the SMART array (which attributes the firmware keeps and which it
//             initialises anew)
//   sector 1  the RDT parameters: loops, ECC thresholds and bad-block limits of the drive's own
//             reliability test
//   sector 2  the info block (device/records/InfoBlock.h), which the drive stores
#include <cstddef>
#include <cstdint>

#include "device/records/FieldTypes.h"

#pragma pack(push, 1)
struct PreformatSmartSwitch {
  std::uint8_t attributeId;   // SMART attribute
  std::uint8_t enabled;       // 1: the firmware keeps the attribute
  std::uint8_t reInit;        // 1: the attribute starts again from its initial value
  std::uint8_t reserved;
};

struct PreformatHead {
  PlainText<4> mark;                      // 0x00: "PFMT"
  std::uint8_t run;                       // 0x04: 1 MP, 0 RDT pretest
  std::uint8_t flags;                     // 0x05: see kPreformat flags below
  LeU16 ceMap;                            // 0x06: CE map the layout uses (0: every CE)
  std::uint8_t smartCount;                // 0x08: switches used in smart[]
  std::uint8_t reserved09[7];
  PreformatSmartSwitch smart[16];         // 0x10
  std::uint8_t reserved50[0x200 - 0x50];
};

struct PreformatRdtParameters {
  std::uint8_t tlcLoops;                  // 0x00
  std::uint8_t slcLoops;                  // 0x01
  std::uint8_t tlcEccThreshold;           // 0x02
  std::uint8_t slcEccThreshold;           // 0x03
  std::uint8_t planeMaxBadRatio;          // 0x04: percent of a plane's blocks
  std::uint8_t maxEraseBadRatio;          // 0x05
  std::uint8_t maxProgBadRatio;           // 0x06
  std::uint8_t maxReadBadRatio;           // 0x07
  LeU16 maxEraseBadCount;                 // 0x08
  LeU16 maxProgBadCount;                  // 0x0A
  LeU16 maxReadBadCount;                  // 0x0C
  std::uint8_t dynamicCe;                 // 0x0E
  std::uint8_t onlyDoFlash;               // 0x0F
  std::uint8_t fixTemperature;            // 0x10
  std::uint8_t maxTemperature;            // 0x11
  std::uint8_t reserved12[0x200 - 0x12];
};
#pragma pack(pop)

static_assert(sizeof(PreformatSmartSwitch) == 4);
static_assert(sizeof(PreformatHead) == 512);
static_assert(offsetof(PreformatHead, ceMap) == 0x06);
static_assert(offsetof(PreformatHead, smart) == 0x10);
static_assert(sizeof(PreformatRdtParameters) == 512);
static_assert(offsetof(PreformatRdtParameters, maxEraseBadCount) == 0x08);
static_assert(offsetof(PreformatRdtParameters, fixTemperature) == 0x10);

inline constexpr char kPreformatMark[] = "PFMT";
inline constexpr std::uint32_t kPreformatSectors = 3;
inline constexpr std::size_t kPreformatInfoBlockOffset = 2 * 512;
// Bits of PreformatHead::flags.
inline constexpr std::uint8_t kPreformatRdtInfoValid = 0x01;
inline constexpr std::uint8_t kPreformatRdtTwoPass = 0x02;
inline constexpr std::uint8_t kPreformatSlcCycleRdt = 0x04;
inline constexpr std::uint8_t kPreformatKeepRdt = 0x08;
// Options byte of the preformat command (argument bits 23..16).
inline constexpr std::uint8_t kPreformatOptionKeepRdt = 0x01;
