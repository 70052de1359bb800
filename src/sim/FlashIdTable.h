#pragma once
// The answer to the scan-all-flash-ID command: 64 entries of 8 bytes, entry n for CE n, whose
// first 7 bytes are the flash ID (all zero for an absent CE); the eighth byte is zero.
#include <array>
#include <cstddef>
#include <cstdint>

namespace sim {

#pragma pack(push, 1)
struct FlashIdEntry {
  std::uint8_t id[7];
  std::uint8_t reserved;
};
struct FlashIdTable {
  FlashIdEntry entries[64];
};
#pragma pack(pop)

static_assert(sizeof(FlashIdEntry) == 8);
static_assert(sizeof(FlashIdTable) == 512);

using FlashId = std::array<std::uint8_t, 7>;

// Entry n holds the flash ID when bit n of the CE map is set, zeros otherwise.
FlashIdTable EncodeFlashIdTable(const FlashId& flashId, std::uint64_t ceMap);

}  // namespace sim
