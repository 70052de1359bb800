#include "sim/DramStore.h"

#include <algorithm>

namespace sim {

DramStore::DramStore(std::uint64_t sectors)
    : m_sectors(sectors),
      m_blocks(static_cast<std::size_t>((sectors * kSectorBytes + kBlockBytes - 1) / kBlockBytes)) {}

bool DramStore::InRange(std::uint64_t sector, std::uint32_t count, std::size_t bytes) const {
  return sector <= m_sectors && count <= m_sectors - sector && bytes == static_cast<std::size_t>(count) * kSectorBytes;
}

bool DramStore::Read(std::uint64_t sector, std::uint32_t count, std::span<std::uint8_t> out) const {
  if (!InRange(sector, count, out.size())) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t at = sector + i;
    const Block* block = m_blocks[static_cast<std::size_t>(at / kSectorsPerBlock)].get();
    const std::size_t inBlock = static_cast<std::size_t>(at % kSectorsPerBlock);
    const auto target = out.subspan(static_cast<std::size_t>(i) * kSectorBytes, kSectorBytes);
    if (block != nullptr && block->written.test(inBlock)) {
      std::copy_n(block->bytes.begin() + static_cast<std::ptrdiff_t>(inBlock * kSectorBytes), kSectorBytes,
                  target.begin());
    } else {
      std::fill(target.begin(), target.end(), 0);
    }
  }
  return true;
}

bool DramStore::Write(std::uint64_t sector, std::uint32_t count, std::span<const std::uint8_t> in) {
  if (!InRange(sector, count, in.size())) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t at = sector + i;
    std::unique_ptr<Block>& block = m_blocks[static_cast<std::size_t>(at / kSectorsPerBlock)];
    if (!block) block = std::make_unique_for_overwrite<Block>();
    const std::size_t inBlock = static_cast<std::size_t>(at % kSectorsPerBlock);
    block->written.set(inBlock);
    std::copy_n(in.begin() + static_cast<std::ptrdiff_t>(i) * static_cast<std::ptrdiff_t>(kSectorBytes), kSectorBytes,
                block->bytes.begin() + static_cast<std::ptrdiff_t>(inBlock * kSectorBytes));
  }
  return true;
}

void DramStore::Clear() {
  for (auto& block : m_blocks) block.reset();
}

std::size_t DramStore::StoredBytes() const {
  return static_cast<std::size_t>(
             std::count_if(m_blocks.begin(), m_blocks.end(), [](const auto& block) { return block != nullptr; })) *
         kBlockBytes;
}

}  // namespace sim
