// The engine's check of the slot's block-information file: the first "RDT" record against
// the all-bad limit of a CE.
#include <cstring>
#include <memory>

#include "device/StationHelpers.h"
#include "engine/MPDevice.h"
#include "platform/Files.h"
#include "platform/Text.h"

namespace {

// CEs 0..15 are checked; CEs 0..7 sit on channel slot 0, 8..15 on channel slot 1.
constexpr unsigned kCheckedCes = 16;
constexpr unsigned kCesPerChannel = 8;
// The file holds a run's few records; anything far larger is not the station's file.
constexpr std::uint64_t kMaxFileBytes = 64u * kBlockInfoRecordBytes;

}  // namespace

std::uint8_t CMPDevice::LoadBlockInfoFile() {
  const std::string path = GetModuleFolder() + platform::Format("\\Configuration\\Temp\\#%d.bin", m_SlotNumber);
  const auto size = platform::FileSize(path);
  if (!size || *size > kMaxFileBytes) return FailWithRecord("F_x32", platform::Format("Load Block Info file fail(%s)", path.c_str()));
  const auto bytes = platform::ReadWholeFile(path);
  if (!bytes) return FailWithRecord("F_x32", platform::Format("Load Block Info file fail(%s)", path.c_str()));

  // Whole records only; a short tail (an interrupted append) is no record.
  auto record = std::make_unique<BlockInfoRecord>();
  bool found = false;
  for (std::size_t offset = 0; offset + kBlockInfoRecordBytes <= bytes->size(); offset += kBlockInfoRecordBytes) {
    if (std::memcmp(bytes->data() + offset, "RDT", 3) == 0) {
      std::memcpy(record.get(), bytes->data() + offset, kBlockInfoRecordBytes);
      found = true;
      break;
    }
  }
  if (!found) return FailWithRecord("F_x32", platform::Format("No RDT record in Block Info file(%s)", path.c_str()));

  const std::uint32_t dies = m_DiesPerCE == 0 ? 1 : m_DiesPerCE;
  const std::uint32_t planes = m_Planes == 0 ? 1 : (m_Planes > kBlockInfoPlanes ? kBlockInfoPlanes : m_Planes);
  const std::uint64_t limit = static_cast<std::uint64_t>(m_BlocksPerCE) * 50 / 100 / dies / planes;
  std::string failing;
  for (unsigned ce = 0; ce < kCheckedCes; ++ce) {
    // Only the CEs the RDT firmware tested (all of them when the record has no map).
    if (record->rdtCeMap != 0 && ((record->rdtCeMap >> ce) & 1) == 0) continue;
    const unsigned channel = ce / kCesPerChannel;
    for (unsigned plane = 0; plane < planes; ++plane) {
      const std::uint64_t later = record->later[ce][channel][plane][kLaterTotal];
      const std::uint64_t early = record->early[ce][channel][plane];
      if (later > limit || early + later > limit) {
        failing += platform::Format(failing.empty() ? "%u" : ",%u", ce);
        break;
      }
    }
  }
  if (!failing.empty()) {
    return FailWithRecord("F_x31", platform::Format("Block Info CE(%s) Bad Block over limit(%llu)", failing.c_str(),
                                                    static_cast<unsigned long long>(limit)));
  }
  return 1;
}
