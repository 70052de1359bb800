// The controller's bad-block table: reading it with its parameter record into the engine's
// block map, writing it back with its CRC-16 (CCITT), counting its blocks, and checking the
// first blocks of each CE.
#include <array>
#include <cstring>

#include "device/Crc16.h"
#include "device/records/BadBlockTable.h"
#include "device/records/InfoBlock.h"
#include "engine/MPDevice.h"
#include "engine/scan/BlockKinds.h"
#include "engine/scan/BlockMapLayout.h"
#include "engine/scan/ScanTags.h"
#include "engine/scan/SectorPieces.h"
#include "platform/Text.h"

namespace {

constexpr std::uint32_t kTableSectorsPerCommand = 128;
constexpr std::uint32_t kFirstBlocksChecked = 4;

bool HasRdtSignature(const std::uint8_t* record64) {
  return record64 != nullptr && std::memcmp(record64, kRdtInfoSignature, 4) == 0;
}

}  // namespace

std::uint8_t CMPDevice::ReadBadBlockTable(std::uint8_t* bbtParameter64, std::uint16_t* checksumOut) {
  using namespace scan_tags;
  std::array<std::uint8_t, kSectorBytes> sector{};
  std::array<std::uint8_t, kRecordBytes> record{};
  // A failed read leaves the caller a zero record, so no size from it is ever used.
  if (bbtParameter64) std::memset(bbtParameter64, 0, kRecordBytes);
  if (!Command().ReadBbtParameter(sector)) {
    return Fail(kTableRead, "Issue Read BBT Parameter Command Failed !!! " + Command().LastErrorMessage());
  }
  std::memcpy(record.data(), sector.data(), kRecordBytes);
  if (std::memcmp(record.data(), kBbtParameterMagic, 4) != 0) return Fail(kTableRead, "BBT Parameter without DBTP !!!");
  std::string problem;
  const std::optional<BlockMapLayout> layout = DescribeBlockMap(record.data(), &problem);
  if (!layout) return Fail(kTableRead, std::string(kTableSizeError) + " (" + problem + ")");
  m_BBTBuffer.assign(layout->TableBytes(), 0xFF);
  const bool read = ForEachPiece(layout->tableSectors, kTableSectorsPerCommand, [&](std::uint64_t first, std::uint32_t count) {
    const std::span<std::uint8_t> piece(m_BBTBuffer.data() + first * kSectorBytes, count * kSectorBytes);
    return Command().ReadBadBlockTable(piece, static_cast<std::uint32_t>(first), count) != 0;
  });
  if (!read) return Fail(kTableRead, "Issue Read BBT Command Failed !!! " + Command().LastErrorMessage());
  m_TableSizeBytes = layout->mapBytes;
  if (bbtParameter64) std::memcpy(bbtParameter64, record.data(), kRecordBytes);
  // The checksum is the caller's to compare with one it knows: the one it wrote, or the one
  // the RDT information record names.
  if (checksumOut) *checksumOut = CCrc16::Ccitt(m_BBTBuffer.data(), layout->mapBytes);
  return 1;
}

std::uint8_t CMPDevice::WriteBadBlockTable(std::span<const std::uint8_t> tableBuffer, const std::uint8_t* rdtInfo64,
                                           const std::uint8_t* bbtParameter64, std::uint16_t* checksum,
                                           std::uint8_t flag) {
  using namespace scan_tags;
  std::string problem;
  const std::optional<BlockMapLayout> layout = DescribeBlockMap(bbtParameter64, &problem);
  if (!layout) return Fail(kTableWrite, std::string(kTableSizeError) + " (" + problem + ")");
  if (tableBuffer.size() < layout->TableBytes()) {
    return Fail(kTableWrite, platform::Format("%s (table buffer %zu bytes, table %u bytes)", kTableSizeError,
                                              tableBuffer.size(), layout->TableBytes()));
  }
  const std::uint16_t start = checksum ? *checksum : 0xFFFF;
  const std::uint16_t crc = CCrc16::Ccitt(tableBuffer.data(), layout->mapBytes, start);
  // The command carries whole sectors; the table buffer is not changed.
  std::vector<std::uint8_t> piece;
  const bool written = ForEachPiece(layout->tableSectors, kTableSectorsPerCommand, [&](std::uint64_t first, std::uint32_t count) {
    piece.assign(tableBuffer.begin() + static_cast<std::ptrdiff_t>(first * kSectorBytes),
                 tableBuffer.begin() + static_cast<std::ptrdiff_t>((first + count) * kSectorBytes));
    return Command().WriteBadBlockTable(piece, static_cast<std::uint32_t>(first), count) != 0;
  });
  if (!written) return Fail(kTableWrite, kWriteTableFailed);
  // The RDT information record goes with the table. With the flag set the table was rebuilt
  // here, so the record takes the new table's checksum; the drive's own record serves when
  // the caller has none. Without the flag the caller's record is written as it stands.
  std::array<std::uint8_t, kSectorBytes> info{};
  bool haveInfo = false;
  if (HasRdtSignature(rdtInfo64)) {
    std::memcpy(info.data(), rdtInfo64, kRecordBytes);
    haveInfo = true;
  } else if (flag != 0 && Command().ReadRdtInfo(info) && HasRdtSignature(info.data())) {
    std::memset(info.data() + kRecordBytes, 0, info.size() - kRecordBytes);
    haveInfo = true;
  }
  if (haveInfo) {
    if (flag != 0) {
      MpInfo record;
      std::memcpy(&record, info.data(), sizeof(record));
      record.dbtCheckSum.Set(crc);
      std::memcpy(info.data(), &record, sizeof(record));
    }
    if (!Command().WriteRdtInfo(info)) return Fail(kTableWrite, kWriteTableFailed);
  }
  if (checksum) *checksum = crc;
  return 1;
}

std::uint32_t CMPDevice::CountBadBlocks(std::uint32_t ceSlots, int ce, const std::uint8_t* bbtParameter64,
                                        std::uint8_t kindMask, std::uint8_t exclusionMask) {
  const std::optional<BlockMapLayout> layout = DescribeBlockMap(bbtParameter64);
  if (!layout) return 0;
  const BbtParameterRecord record = ParameterRecordOf(bbtParameter64);
  const bool numbered = m_CEMaskFlag != 0;
  const std::size_t mapEnd = std::min<std::size_t>(layout->mapBytes, m_BBTBuffer.size());
  std::uint32_t count = 0;
  for (std::uint32_t slot = 0; slot < ceSlots && slot < layout->ceSlots; ++slot) {
    const unsigned slotCe = CeOfSlot(slot, m_SystemCEMap, numbered);
    if (ce >= 0 && slotCe != static_cast<unsigned>(ce)) continue;
    if (!CeInUse(record, slotCe, m_SystemCEMap, numbered)) continue;
    const std::size_t begin = static_cast<std::size_t>(slot) * layout->blocksPerSlot;
    const std::size_t end = std::min(begin + layout->blocksPerSlot, mapEnd);
    for (std::size_t at = begin; at < end; ++at) {
      const std::uint8_t status = m_BBTBuffer[at];
      if ((status & kindMask) == 0) continue;
      if (exclusionMask != 0 && (status & exclusionMask) != 0) continue;
      ++count;
    }
  }
  return count;
}

std::uint8_t CMPDevice::CheckFirst4Blocks(std::uint8_t reserved) {
  (void)reserved;
  using namespace scan_tags;
  std::array<std::uint8_t, kRecordBytes> parameter{};
  if (!ReadBadBlockTable(parameter.data(), nullptr)) {
    WriteFailReport();
    return 0;
  }
  const BlockMapLayout layout = *DescribeBlockMap(parameter.data());
  const BbtParameterRecord record = ParameterRecordOf(parameter.data());
  const bool numbered = m_CEMaskFlag != 0;
  for (std::uint32_t slot = 0; slot < layout.ceSlots; ++slot) {
    const unsigned ce = CeOfSlot(slot, m_SystemCEMap, numbered);
    if (!CeInUse(record, ce, m_SystemCEMap, numbered)) continue;
    for (std::uint32_t block = 0; block < kFirstBlocksChecked && block < layout.blocksPerSlot; ++block) {
      const std::uint8_t status = m_BBTBuffer[static_cast<std::size_t>(slot) * layout.blocksPerSlot + block];
      if (IsBadGroup(ClassifyBlock(status).group)) {
        return FailWithRecord(kFirstBlocksBad,
                              platform::Format("CE%u Block%u is bad (0x%02X), first 4 blocks must be good!!", ce,
                                               block, status));
      }
    }
  }
  WriteReportLine("Check First 4 Blocks OK.", kPlainLine);
  return 1;
}
