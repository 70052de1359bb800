#include "sim/BadBlockMap.h"

#include <random>

#include "sim/BadBlockTableRecords.h"

namespace sim {

namespace {

constexpr std::uint32_t kProtectedBlocks = 4;
constexpr std::uint8_t kLaterKinds[] = {kBlockEraseFail, kBlockProgramFail, kBlockReadFail};

// Marks `count` distinct good blocks of one slot, chosen by the generator.
void MarkRandomBlocks(std::mt19937_64& generator, std::span<std::uint8_t> slot, unsigned count,
                      bool later) {
  if (slot.size() <= kProtectedBlocks) return;
  const std::uint32_t candidates = static_cast<std::uint32_t>(slot.size()) - kProtectedBlocks;
  unsigned good = 0;
  for (std::size_t block = kProtectedBlocks; block < slot.size(); ++block) good += slot[block] == 0;
  if (count > good) count = good;
  std::uniform_int_distribution<std::uint32_t> pickBlock(0, candidates - 1);
  std::uniform_int_distribution<unsigned> pickKind(0, 2);
  while (count > 0) {
    const std::uint32_t block = kProtectedBlocks + pickBlock(generator);
    if (slot[block] != 0) continue;
    slot[block] = later ? kLaterKinds[pickKind(generator)] : kBlockFactoryBad;
    --count;
  }
}

}  // namespace

BadBlockMap::BadBlockMap(const FlashGeometry& geometry, const BadBlockPlan& plan)
    : m_ceSlots(geometry.CeSlots()), m_blocksPerCe(geometry.blocksPerCe),
      m_status(static_cast<std::size_t>(m_ceSlots) * m_blocksPerCe, 0) {
  std::mt19937_64 generator(plan.seed);
  for (unsigned slot = 0; slot < m_ceSlots; ++slot) {
    if (((geometry.ceMap >> geometry.CeOfSlot(slot)) & 1) == 0) continue;
    const std::span<std::uint8_t> statuses(m_status.data() + static_cast<std::size_t>(slot) * m_blocksPerCe,
                                           m_blocksPerCe);
    MarkRandomBlocks(generator, statuses, plan.earlyBadPerCe, false);
    MarkRandomBlocks(generator, statuses, plan.laterBadPerCe, true);
  }
  for (const auto& named : plan.named) {
    for (unsigned slot = 0; slot < m_ceSlots; ++slot) {
      if (geometry.CeOfSlot(slot) != named.ce || named.block >= m_blocksPerCe) continue;
      m_status[static_cast<std::size_t>(slot) * m_blocksPerCe + named.block] = named.status;
    }
  }
}

std::uint8_t BadBlockMap::Status(unsigned slot, std::uint32_t block) const {
  if (slot >= m_ceSlots || block >= m_blocksPerCe) return 0;
  return m_status[static_cast<std::size_t>(slot) * m_blocksPerCe + block];
}

std::span<const std::uint8_t> BadBlockMap::SlotStatuses(unsigned slot) const {
  if (slot >= m_ceSlots) return {};
  return std::span<const std::uint8_t>(m_status).subspan(static_cast<std::size_t>(slot) * m_blocksPerCe,
                                                          m_blocksPerCe);
}

unsigned BadBlockMap::CountEarly(unsigned slot) const {
  unsigned count = 0;
  for (std::uint8_t status : SlotStatuses(slot)) count += (status & kBlockFactoryBad) != 0;
  return count;
}

unsigned BadBlockMap::CountLater(unsigned slot) const {
  unsigned count = 0;
  for (std::uint8_t status : SlotStatuses(slot)) count += status != 0 && (status & kBlockFactoryBad) == 0;
  return count;
}

}  // namespace sim
