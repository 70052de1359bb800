#pragma once
// The first bytes of the answer to the read-eFuse command (the rest of the sector is zero):
// a signature, the cut flags, their 8-bit sum (a bank that reads back noise fails it) and the
// controller's IC version, high byte first.
#include <cstddef>
#include <cstdint>

namespace engine {

struct EFuseReply {
  std::uint8_t signature;      // 0: kEFuseReplySignature
  std::uint8_t cutFlags;       // 1: kEFuseCutUart | kEFuseCutJtag | kEFuseCutAes
  std::uint8_t sum;            // 2: (signature + cutFlags) & 0xFF
  std::uint8_t reserved;       // 3
  std::uint8_t icVersion[2];   // 4..5
};
static_assert(sizeof(EFuseReply) == 6);
static_assert(offsetof(EFuseReply, icVersion) == 4);

inline constexpr std::uint8_t kEFuseReplySignature = 0xEF;
inline constexpr std::uint8_t kEFuseCutUart = 0x01;
inline constexpr std::uint8_t kEFuseCutJtag = 0x02;
inline constexpr std::uint8_t kEFuseCutAes = 0x04;

}  // namespace engine
