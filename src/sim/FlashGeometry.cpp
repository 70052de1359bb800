#include "sim/FlashGeometry.h"

#include <bit>

namespace sim {

unsigned FlashGeometry::CeCount() const { return static_cast<unsigned>(std::popcount(ceMap)); }

unsigned FlashGeometry::CeSlots() const { return ceNumberedByMap ? 64 : CeCount(); }

unsigned FlashGeometry::CeOfSlot(unsigned slot) const { return ::CeOfSlot(slot, ceMap, ceNumberedByMap); }

std::uint64_t FlashGeometry::CapacitySectors() const {
  // 2^n GB per CE, in 512-byte sectors.
  return static_cast<std::uint64_t>(CeCount()) * (std::uint64_t{1} << ceSizeExponent) * 1024 * 1024 * 2;
}

}  // namespace sim
