#include "sim/DramStore.h"

#include <algorithm>
#include <cstring>

namespace sim {
namespace {

constexpr std::size_t kWordsPerSector = DramStore::kSectorBytes / 4;

std::uint32_t WordAt(const std::uint8_t* bytes, std::size_t word) {
  std::uint32_t value;
  std::memcpy(&value, bytes + word * 4, 4);
  return value;
}

// The byte address of a sector's first byte, as the 32-bit address the pattern mixes in.
std::uint32_t AddressOf(std::uint64_t sector) { return static_cast<std::uint32_t>(sector * DramStore::kSectorBytes); }

}  // namespace

DramStore::DramStore(std::uint64_t sectors)
    : m_sectors(sectors),
      m_blocks(static_cast<std::size_t>((sectors * kSectorBytes + kBlockBytes - 1) / kBlockBytes)) {}

bool DramStore::InRange(std::uint64_t sector, std::uint32_t count, std::size_t bytes) const {
  return sector <= m_sectors && count <= m_sectors - sector && bytes == static_cast<std::size_t>(count) * kSectorBytes;
}

void DramStore::Keep(Block& block, std::size_t inBlock, std::uint64_t sector, const std::uint8_t* bytes) {
  // Each word its own address mixed with one key?
  const std::uint32_t address = AddressOf(sector);
  const std::uint32_t key = WordAt(bytes, 0) ^ address;
  std::size_t word = 1;
  while (word < kWordsPerSector && WordAt(bytes, word) == ((address + static_cast<std::uint32_t>(word * 4)) ^ key)) ++word;
  if (word == kWordsPerSector) {
    block.kept[inBlock] = Kept::Pattern;
    block.value[inBlock] = key;
    return;
  }
  // One byte throughout?
  if (std::all_of(bytes + 1, bytes + kSectorBytes, [first = bytes[0]](std::uint8_t byte) { return byte == first; })) {
    block.kept[inBlock] = Kept::Fill;
    block.value[inBlock] = bytes[0];
    return;
  }
  // Its bytes, in the place it already has or a new one.
  if (block.kept[inBlock] != Kept::Raw) {
    block.value[inBlock] = static_cast<std::uint32_t>(block.raw.size());
    block.raw.push_back(std::make_unique_for_overwrite<SectorBytes>());
    block.kept[inBlock] = Kept::Raw;
  }
  std::memcpy(block.raw[block.value[inBlock]]->data(), bytes, kSectorBytes);
}

void DramStore::Give(const Block& block, std::size_t inBlock, std::uint64_t sector, std::uint8_t* out) {
  switch (block.kept[inBlock]) {
    case Kept::Nothing: std::memset(out, 0, kSectorBytes); return;
    case Kept::Fill: std::memset(out, static_cast<int>(block.value[inBlock]), kSectorBytes); return;
    case Kept::Raw: std::memcpy(out, block.raw[block.value[inBlock]]->data(), kSectorBytes); return;
    case Kept::Pattern: {
      const std::uint32_t address = AddressOf(sector);
      const std::uint32_t key = block.value[inBlock];
      for (std::size_t word = 0; word < kWordsPerSector; ++word) {
        const std::uint32_t value = (address + static_cast<std::uint32_t>(word * 4)) ^ key;
        std::memcpy(out + word * 4, &value, 4);
      }
      return;
    }
  }
}

bool DramStore::Read(std::uint64_t sector, std::uint32_t count, std::span<std::uint8_t> out) const {
  if (!InRange(sector, count, out.size())) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t at = sector + i;
    const Block* block = m_blocks[static_cast<std::size_t>(at / kSectorsPerBlock)].get();
    std::uint8_t* target = out.data() + static_cast<std::size_t>(i) * kSectorBytes;
    if (block == nullptr) {
      std::memset(target, 0, kSectorBytes);
    } else {
      Give(*block, static_cast<std::size_t>(at % kSectorsPerBlock), at, target);
    }
  }
  return true;
}

bool DramStore::Write(std::uint64_t sector, std::uint32_t count, std::span<const std::uint8_t> in) {
  if (!InRange(sector, count, in.size())) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t at = sector + i;
    std::unique_ptr<Block>& block = m_blocks[static_cast<std::size_t>(at / kSectorsPerBlock)];
    if (!block) block = std::make_unique<Block>();
    Keep(*block, static_cast<std::size_t>(at % kSectorsPerBlock), at, in.data() + static_cast<std::size_t>(i) * kSectorBytes);
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

std::size_t DramStore::KeptRawBytes() const {
  std::size_t bytes = 0;
  for (const auto& block : m_blocks) {
    if (block) bytes += block->raw.size() * kSectorBytes;
  }
  return bytes;
}

}  // namespace sim
