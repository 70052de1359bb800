#pragma once
// The drive's user data, kept sparse: only written sectors are stored; every other sector
// reads as zeros. A whole run of 24 drives thus costs memory only for what the tests write.
#include <array>
#include <cstdint>
#include <span>
#include <unordered_map>

namespace sim {

class SparseMedia {
 public:
  static constexpr std::size_t kSectorBytes = 512;

  explicit SparseMedia(std::uint64_t sectors = 0) : m_sectors(sectors) {}
  std::uint64_t Sectors() const { return m_sectors; }
  void Resize(std::uint64_t sectors);
  // False (and nothing moved) when the range passes the end or the buffer is not
  // count x 512 bytes.
  bool Read(std::uint64_t lba, std::uint32_t count, std::span<std::uint8_t> out) const;
  bool Write(std::uint64_t lba, std::uint32_t count, std::span<const std::uint8_t> in);
  void Clear() { m_written.clear(); }
  std::size_t WrittenSectors() const { return m_written.size(); }

 private:
  bool InRange(std::uint64_t lba, std::uint32_t count, std::size_t bytes) const;
  std::uint64_t m_sectors;
  std::unordered_map<std::uint64_t, std::array<std::uint8_t, kSectorBytes>> m_written;
};

}  // namespace sim
