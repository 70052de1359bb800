#pragma once
// The controller's DRAM as the simulated drive keeps it: a fixed size in 512-byte sectors,
// stored in blocks of 1 MB that exist only once written; a sector never written reads as
// zeros (a block is not cleared when it is made: each block knows its written sectors).
// The DRAM test of a flow writes and reads back megabytes in pieces of 64 KB on 24 drives at
// once, so the store copies whole pieces and costs no allocation per sector. DRAM loses its
// contents when the power goes off (Clear).
#include <array>
#include <bitset>
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
  // Bytes held in written blocks.
  std::size_t StoredBytes() const;

 private:
  static constexpr std::size_t kSectorsPerBlock = kBlockBytes / kSectorBytes;
  struct Block {
    std::array<std::uint8_t, kBlockBytes> bytes;
    std::bitset<kSectorsPerBlock> written;
  };
  bool InRange(std::uint64_t sector, std::uint32_t count, std::size_t bytes) const;
  std::uint64_t m_sectors;
  std::vector<std::unique_ptr<Block>> m_blocks;
};

}  // namespace sim
