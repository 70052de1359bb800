#pragma once
// The SMART page the drive returns as a debug-information sector: 9-byte entries from offset
// 0 (an attribute ID, then its value as an unsigned 64-bit little-endian number), no header,
// no gaps; an entry whose ID is 0 ends the list. At most 56 entries fit in 512 bytes.
#include <cstddef>
#include <cstdint>

#include "device/records/FieldTypes.h"

#pragma pack(push, 1)
struct SmartPageEntry {
  std::uint8_t id;
  LeU64 value;
};
#pragma pack(pop)

static_assert(sizeof(SmartPageEntry) == 9);
static_assert(offsetof(SmartPageEntry, value) == 1);

inline constexpr std::size_t kSmartPageBytes = 512;
inline constexpr std::size_t kSmartPageMaxEntries = kSmartPageBytes / sizeof(SmartPageEntry);
