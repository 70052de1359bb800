#pragma once
// The controller's info code: one 512-byte sector beside the firmware area that tells the
// boot code which firmware the area holds. The station rewrites it (read, change, write) when
// it rewrites the firmware area; bytes it does not name are kept as the drive had them.
#include <cstddef>
#include <cstdint>

#include "device/records/FieldTypes.h"

#pragma pack(push, 1)
struct InfoCodeRecord {
  PlainText<4> mark;                // 0x00: "TVIC" once the station has written the sector
  PlainText<8> firmwareName;        // 0x04: name of the firmware in the firmware area
  PlainText<4> binType;             // 0x0C: its bin type
  LeU32 flashCodeSize;              // 0x10: size of the flash code section in bytes
  LeU16 flashCodeChecksum;          // 0x14: its 16-bit sum
  LeU16 updateCount;                // 0x16: how often the station rewrote the firmware area
  std::uint8_t reserved18[0x200 - 0x18];
};
#pragma pack(pop)

static_assert(sizeof(InfoCodeRecord) == 512);
static_assert(offsetof(InfoCodeRecord, firmwareName) == 0x04);
static_assert(offsetof(InfoCodeRecord, binType) == 0x0C);
static_assert(offsetof(InfoCodeRecord, flashCodeSize) == 0x10);
static_assert(offsetof(InfoCodeRecord, flashCodeChecksum) == 0x14);
static_assert(offsetof(InfoCodeRecord, updateCount) == 0x16);

inline constexpr char kInfoCodeMark[] = "TVIC";
