#include "sim/FlashGeometry.h"

#include <bit>

namespace sim {

unsigned FlashGeometry::CeCount() const { return static_cast<unsigned>(std::popcount(ceMap)); }

unsigned FlashGeometry::CeSlots() const { return ceNumberedByMap ? 64 : CeCount(); }

unsigned FlashGeometry::CeOfSlot(unsigned slot) const {
  if (ceNumberedByMap) return slot;
  unsigned seen = 0;
  for (unsigned ce = 0; ce < 64; ++ce) {
    if (((ceMap >> ce) & 1) == 0) continue;
    if (seen == slot) return ce;
    ++seen;
  }
  return slot;
}

std::uint64_t FlashGeometry::CapacitySectors() const {
  // 2^n GB per CE, in 512-byte sectors.
  return static_cast<std::uint64_t>(CeCount()) * (std::uint64_t{1} << ceSizeExponent) * 1024 * 1024 * 2;
}

}  // namespace sim
