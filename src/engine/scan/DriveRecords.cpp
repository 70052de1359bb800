// Records read from the drive as they are: the RDT information record and the
// debug-information sectors.
#include <array>
#include <cstring>

#include "device/records/InfoBlock.h"
#include "engine/MPDevice.h"
#include "engine/scan/ScanTags.h"
#include "engine/scan/SectorPieces.h"
#include "platform/Text.h"

namespace {
constexpr std::uint32_t kDebugSectorsPerCommand = 128;
}

std::uint8_t CMPDevice::ReadRDTInfo(std::uint8_t* rdtInfo64, std::uint16_t* checksumOut) {
  using namespace scan_tags;
  // A caller that goes on after a failure treats the record as empty.
  if (rdtInfo64) std::memset(rdtInfo64, 0, kRecordBytes);
  std::array<std::uint8_t, kSectorBytes> sector{};
  if (!Command().ReadRdtInfo(sector)) {
    WriteReportLine(kReadRdtInfoFailed, kPlainLine);
    return Fail(kRdtInfo, kReadRdtInfoFailed);
  }
  // A drive that never ran the RDT has no record: not worth a report line.
  if (std::memcmp(sector.data(), kRdtInfoSignature, 4) != 0) return Fail(kRdtInfo, "RDT Info not found (no TVRT) !!!");
  MpInfo record;
  std::memcpy(&record, sector.data(), sizeof(record));
  if (rdtInfo64) std::memcpy(rdtInfo64, &record, sizeof(record));
  if (checksumOut) *checksumOut = static_cast<std::uint16_t>(record.dbtCheckSum.Get());
  return 1;
}

std::uint8_t CMPDevice::ReadDebugData(std::span<std::uint8_t> buffer, std::uint32_t sectorCount,
                                      std::uint8_t selector) {
  using namespace scan_tags;
  const std::uint64_t bytes = static_cast<std::uint64_t>(sectorCount) * kSectorBytes;
  if (bytes > buffer.size()) {
    return FailWithRecord(kTransfer, platform::Format("Read Debug Data: %u sectors do not fit a buffer of %zu bytes",
                                                      sectorCount, buffer.size()));
  }
  std::memset(buffer.data(), 0, static_cast<std::size_t>(bytes));
  const bool read = ForEachPiece(sectorCount, kDebugSectorsPerCommand, [&](std::uint64_t first, std::uint32_t count) {
    const std::span<std::uint8_t> piece = buffer.subspan(static_cast<std::size_t>(first) * kSectorBytes,
                                                         static_cast<std::size_t>(count) * kSectorBytes);
    return Command().ReadDebugData(piece, selector, static_cast<std::uint16_t>(first), count) != 0;
  });
  if (!read) {
    return FailWithRecord(kTransfer, "Issue Read Debug Data Command Failed !!! " + Command().LastErrorMessage());
  }
  return 1;
}
