#pragma once
// The Blowfish cipher's fixed initial tables (the digits of pi).
#include <cstdint>

namespace util {

inline constexpr int kBlowfishRounds = 16;
extern const std::uint32_t kBlowfishInitialP[kBlowfishRounds + 2];
extern const std::uint32_t kBlowfishInitialS[4][256];

}  // namespace util
