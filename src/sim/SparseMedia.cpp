#include "sim/SparseMedia.h"

#include <algorithm>

namespace sim {

void SparseMedia::Resize(std::uint64_t sectors) {
  m_sectors = sectors;
  std::erase_if(m_written, [sectors](const auto& entry) { return entry.first >= sectors; });
}

bool SparseMedia::InRange(std::uint64_t lba, std::uint32_t count, std::size_t bytes) const {
  return lba <= m_sectors && count <= m_sectors - lba &&
         bytes == static_cast<std::size_t>(count) * kSectorBytes;
}

bool SparseMedia::Read(std::uint64_t lba, std::uint32_t count, std::span<std::uint8_t> out) const {
  if (!InRange(lba, count, out.size())) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    auto target = out.subspan(static_cast<std::size_t>(i) * kSectorBytes, kSectorBytes);
    const auto found = m_written.find(lba + i);
    if (found == m_written.end()) {
      std::fill(target.begin(), target.end(), 0);
    } else {
      std::copy(found->second.begin(), found->second.end(), target.begin());
    }
  }
  return true;
}

bool SparseMedia::Write(std::uint64_t lba, std::uint32_t count, std::span<const std::uint8_t> in) {
  if (!InRange(lba, count, in.size())) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    auto& sector = m_written[lba + i];
    const auto source = in.subspan(static_cast<std::size_t>(i) * kSectorBytes, kSectorBytes);
    std::copy(source.begin(), source.end(), sector.begin());
  }
  return true;
}

}  // namespace sim
