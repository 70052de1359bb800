#pragma once
// The controller's DRAM as the simulated drive keeps it: a fixed size in 512-byte sectors,
// in blocks of 1 MB that exist only once written; a sector never written reads as zeros.
// DRAM loses its contents when the power goes off (Clear).
//
// The DRAM test of a flow writes and reads back 16 MB on 24 drives at once, in the pattern a
// DRAM test uses to catch address faults as well as data faults: each 32-bit word holds its
// own byte address mixed with a key. A sector written in that pattern is kept as its key, a
// sector of one repeated byte as that byte, and any other sector as its bytes; every sector
// reads back exactly as written, whichever way it is kept.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace sim {

class DramStore {
 public:
  static constexpr std::size_t kSectorBytes = 512;
  static constexpr std::size_t kBlockBytes = 1024 * 1024;

  explicit DramStore(std::uint64_t sectors);
  std::uint64_t Sectors() const { return m_sectors; }
  // False (and nothing moved) when the range passes the end or the buffer is not count x 512
  // bytes.
  bool Read(std::uint64_t sector, std::uint32_t count, std::span<std::uint8_t> out) const;
  bool Write(std::uint64_t sector, std::uint32_t count, std::span<const std::uint8_t> in);
  void Clear();
  // Bytes of the DRAM in blocks that hold written sectors (whatever is kept of them).
  std::size_t StoredBytes() const;
  // Bytes the store keeps for the sectors written as they are (neither pattern nor fill).
  std::size_t KeptRawBytes() const;

 private:
  static constexpr std::size_t kSectorsPerBlock = kBlockBytes / kSectorBytes;
  enum class Kept : std::uint8_t { Nothing, Pattern, Fill, Raw };
  using SectorBytes = std::array<std::uint8_t, kSectorBytes>;
  struct Block {
    std::array<Kept, kSectorsPerBlock> kept{};
    // Pattern: the key; Fill: the byte; Raw: the sector's place in `raw`.
    std::array<std::uint32_t, kSectorsPerBlock> value{};
    std::vector<std::unique_ptr<SectorBytes>> raw;
  };
  bool InRange(std::uint64_t sector, std::uint32_t count, std::size_t bytes) const;
  void Keep(Block& block, std::size_t inBlock, std::uint64_t sector, const std::uint8_t* bytes);
  static void Give(const Block& block, std::size_t inBlock, std::uint64_t sector, std::uint8_t* out);

  std::uint64_t m_sectors;
  std::vector<std::unique_ptr<Block>> m_blocks;
};

}  // namespace sim
