#pragma once
// The seeded map of bad blocks of one drive's flash. Every CE slot gets its early (factory)
// bad blocks, marked 0x80, and its later bad blocks, which pass the factory check but fail
// when tested: an erase, a program or a read fails (0x04, 0x02, 0x01). The choice of blocks
// follows a seed, so one scenario gives the same map on every run; blocks can also be named
// one by one. The first four blocks of a CE stay good unless named.
#include <cstdint>
#include <span>
#include <vector>

#include "sim/FlashGeometry.h"

namespace sim {

struct NamedBadBlock {
  unsigned ce = 0;
  std::uint32_t block = 0;
  std::uint8_t status = 0;   // factory 0x80, or a later-bad kind 0x04 / 0x02 / 0x01
};

struct BadBlockPlan {
  std::uint64_t seed = 1;
  unsigned earlyBadPerCe = 0;
  unsigned laterBadPerCe = 0;
  std::vector<NamedBadBlock> named;
};

class BadBlockMap {
 public:
  BadBlockMap() = default;
  BadBlockMap(const FlashGeometry& geometry, const BadBlockPlan& plan);

  unsigned CeSlots() const { return m_ceSlots; }
  std::uint32_t BlocksPerCe() const { return m_blocksPerCe; }
  // Status of a block as a full test finds it: 0x80 factory bad, a later-bad kind, or 0.
  std::uint8_t Status(unsigned slot, std::uint32_t block) const;
  // One CE slot's statuses, in block order.
  std::span<const std::uint8_t> SlotStatuses(unsigned slot) const;
  // The whole map, CE slot after CE slot.
  std::span<const std::uint8_t> All() const { return m_status; }
  // Counts of a CE slot.
  unsigned CountEarly(unsigned slot) const;
  unsigned CountLater(unsigned slot) const;

 private:
  unsigned m_ceSlots = 0;
  std::uint32_t m_blocksPerCe = 0;
  std::vector<std::uint8_t> m_status;
};

}  // namespace sim
