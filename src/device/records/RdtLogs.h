#pragma once
// The logs that the drive's reliability-test (RDT) firmware leaves on the drive:
//  - temperature/time log: 8-byte records ended by AA 55 AA 55 AA 55 AA 55, followed by the
//    64-byte RDT information record ("TVRT", layout MpInfo) at the next 8-byte boundary;
//  - DRAM (SDR) log: 8-byte records ended by CC 33 CC 33 CC 33 CC 33;
//  - special-test log: 32-byte entries ended by a 16-byte end marker;
//  - bad-block log: 32-byte entries ended by AA 55 AA 55 AA 55 AA 55, and at the start of the
//    next flash page the ECC-bit section: CC 33 CC 33, then 4-byte records ended by
//    33 CC 33 CC.
#include <cstddef>
#include <cstdint>

#include "device/records/FieldTypes.h"
#include "device/records/InfoBlock.h"

#pragma pack(push, 1)
struct TemperatureLogRecord {
  std::uint8_t cycle;
  std::uint8_t unused;
  std::uint8_t stepAndKind;      // bits 4-7 step, bits 0-3 record kind
  std::uint8_t temperatureCode;  // kinds 1-6
  LeU32 value;                   // kind 15: Time(ms)
};
struct SdrLogRecord {
  std::uint8_t result;           // 0 pass, 1 fail, other unknown; 0xFF ends the log
  std::uint8_t cycle;
  std::uint8_t step;             // bits 4-7 step
  std::uint8_t temperatureCode;
  LeU32 timeMs;
};
struct RdtSpecialLogEntry {
  std::uint8_t failureType;      // 0x00 pass ... 0x0F loop mask, 0xFF end of log
  std::uint8_t ce;
  std::uint8_t channel;
  std::uint8_t plane;
  LeU16 block;                   // types 0x0A / 0x0B: bytes 4-7 form one u32 counter
  LeU16 page;
  std::int8_t temperature;
  std::uint8_t retryCount;
  std::uint8_t cellMode;         // baking test: 0 TLC, 1 SLC
  LeU16 rawBitErrors;            // 0xFFFF = not valid
  std::uint8_t logKind;          // 0x1B TLC special, 0x1D SLC special, 0x1C baking
  LeU32 maxProgramTimeUs;
  LeU16 cycle;
  std::uint8_t notRead[12];
};
struct RdtBadBlockLogEntry {
  std::uint8_t failType;         // 0x01 factory bad ... 0x0F loop mark, 0xFF end of log
  std::uint8_t ce;
  std::uint8_t channel;
  std::uint8_t totalLoop;
  LeU16 block;
  LeU16 page;
  std::uint8_t runLoop;
  std::uint8_t runCycle;
  std::uint8_t stepAndStage;     // bits 4-7 step number, 0-3 stage
  LeU16 overThresholdBits;
  LeU24 timeStamp;
  std::uint8_t notRead[14];
  std::uint8_t slcMode;          // non-zero: failed in SLC mode
  std::uint8_t plane;
};
struct RdtEccBitRecord {
  std::uint8_t ce;
  std::uint8_t maxErrorBits;
  LeU16 block;
};
#pragma pack(pop)

static_assert(sizeof(TemperatureLogRecord) == 8);
static_assert(offsetof(TemperatureLogRecord, value) == 4);
static_assert(sizeof(SdrLogRecord) == 8);
static_assert(offsetof(SdrLogRecord, timeMs) == 4);
static_assert(sizeof(RdtSpecialLogEntry) == 32);
static_assert(offsetof(RdtSpecialLogEntry, temperature) == 8);
static_assert(offsetof(RdtSpecialLogEntry, rawBitErrors) == 11);
static_assert(offsetof(RdtSpecialLogEntry, logKind) == 13);
static_assert(offsetof(RdtSpecialLogEntry, maxProgramTimeUs) == 14);
static_assert(offsetof(RdtSpecialLogEntry, cycle) == 18);
static_assert(sizeof(RdtBadBlockLogEntry) == 32);
static_assert(offsetof(RdtBadBlockLogEntry, block) == 4);
static_assert(offsetof(RdtBadBlockLogEntry, stepAndStage) == 10);
static_assert(offsetof(RdtBadBlockLogEntry, overThresholdBits) == 11);
static_assert(offsetof(RdtBadBlockLogEntry, timeStamp) == 13);
static_assert(offsetof(RdtBadBlockLogEntry, slcMode) == 30);
static_assert(offsetof(RdtBadBlockLogEntry, plane) == 31);
static_assert(sizeof(RdtEccBitRecord) == 4);

// Record kinds of the temperature/time log.
inline constexpr std::uint8_t kTemperatureKindTimeStamp = 15;
// Log kinds (byte 13) of the special-test log.
inline constexpr std::uint8_t kSpecialKindTlc = 0x1B;
inline constexpr std::uint8_t kSpecialKindBaking = 0x1C;
inline constexpr std::uint8_t kSpecialKindSlc = 0x1D;
// Fail types of the bad-block log.
inline constexpr std::uint8_t kBadBlockFactory = 0x01;
inline constexpr std::uint8_t kBadBlockErase = 0x02;
inline constexpr std::uint8_t kBadBlockProgram = 0x03;
inline constexpr std::uint8_t kBadBlockReadUncorrectable = 0x04;
inline constexpr std::uint8_t kBadBlockLoopMark = 0x0F;
inline constexpr std::uint8_t kBadBlockEndOfLog = 0xFF;

inline constexpr std::uint8_t kLogEndMark[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
inline constexpr std::uint8_t kSdrEndMark[8] = {0xCC, 0x33, 0xCC, 0x33, 0xCC, 0x33, 0xCC, 0x33};
inline constexpr std::uint8_t kSpecialEndMarker[16] = {0xEE, 0xEE, 0xEE, 0xEE, 0, 0, 0, 0,
                                                       0xEE, 0xEE, 0xEE, 0xEE, 0x11, 0x11, 0x11, 0x11};
inline constexpr std::uint8_t kEccSectionStart[4] = {0xCC, 0x33, 0xCC, 0x33};
inline constexpr std::uint8_t kEccSectionEnd[4] = {0x33, 0xCC, 0x33, 0xCC};
inline constexpr std::uint8_t kBlankSlot[4] = {0x20, 0x20, 0x20, 0x20};
