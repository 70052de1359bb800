#pragma once
// IDENTIFY DEVICE data of a TV3160 drive (512 bytes, ATA words little-endian, text words with
// their first character in the high byte). Byte 282 (word 141, vendor specific) carries the
// RDT firmware's status marks.
#include <cstddef>
#include <cstdint>

#include "device/records/FieldTypes.h"

#pragma pack(push, 1)
struct IdentifyData {
  LeU16 generalConfiguration;       // word 0
  LeU16 cylinders;                  // word 1
  LeU16 word2;
  LeU16 heads;                      // word 3
  LeU16 words4to5[2];
  LeU16 sectorsPerTrack;            // word 6
  LeU16 words7to9[3];
  WordSwappedText<20> serialNumber;      // words 10-19, bytes 20-39
  LeU16 words20to22[3];
  WordSwappedText<8> firmwareRevision;   // words 23-26, bytes 46-53
  WordSwappedText<40> modelNumber;       // words 27-46, bytes 54-93
  LeU16 maxSectorsPerDrq;           // word 47
  LeU16 word48;
  LeU16 capabilities;               // word 49
  LeU16 word50;
  LeU16 words51to52[2];
  LeU16 validFields;                // word 53
  LeU16 words54to59[6];
  LeU32 lba28Sectors;               // words 60-61
  LeU16 word62;
  LeU16 multiwordDma;               // word 63
  LeU16 pioModes;                   // word 64
  LeU16 words65to74[10];
  LeU16 queueDepth;                 // word 75
  LeU16 sataCapabilities;           // word 76
  LeU16 words77to79[3];
  LeU16 majorVersion;               // word 80
  LeU16 minorVersion;               // word 81
  LeU16 commandSets[6];             // words 82-87
  LeU16 ultraDma;                   // word 88
  LeU16 words89to99[11];
  LeU64 lba48Sectors;               // words 100-103
  LeU16 words104to140[37];
  std::uint8_t rdtStatus;           // byte 282: bit 5 flash-test start, bit 4 flash-test end
  std::uint8_t byte283;
  LeU16 words142to216[75];
  LeU16 rotationRate;               // word 217: 1 = not rotating
  LeU16 words218to254[37];
  LeU16 integrity;                  // word 255: 0xA5 signature, checksum in the high byte
};
#pragma pack(pop)

static_assert(sizeof(IdentifyData) == 512);
static_assert(offsetof(IdentifyData, serialNumber) == 20);
static_assert(offsetof(IdentifyData, firmwareRevision) == 46);
static_assert(offsetof(IdentifyData, modelNumber) == 54);
static_assert(offsetof(IdentifyData, capabilities) == 98);
static_assert(offsetof(IdentifyData, lba28Sectors) == 120);
static_assert(offsetof(IdentifyData, commandSets) == 164);
static_assert(offsetof(IdentifyData, ultraDma) == 176);
static_assert(offsetof(IdentifyData, lba48Sectors) == 200);
static_assert(offsetof(IdentifyData, rdtStatus) == 282);
static_assert(offsetof(IdentifyData, rotationRate) == 434);
static_assert(offsetof(IdentifyData, integrity) == 510);

inline constexpr std::uint8_t kRdtStartMarkBit = 0x20;
inline constexpr std::uint8_t kRdtEndMarkBit = 0x10;
