// Flash preparation: erase by type (DoEraseAllBlock), the CE map in use (SetCEMap) and the
// flash chips' unique IDs (ReadAllUniqueID).
#include <algorithm>
#include <array>
#include <bit>

#include "engine/MPDevice.h"
#include "engine/firmware/DriveProgress.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace fw = engine::firmware;

namespace {

constexpr char kTagEraseCommand[] = "F_E03";
constexpr char kTagEraseIncomplete[] = "F_E04";
constexpr char kTagCeMap[] = "F_x51";
constexpr char kTagUniqueId[] = "F_x52";
constexpr char kTagFlashIds[] = "I_x11";

// The erase may take as long as its command's time-out allows.
constexpr std::uint32_t kEraseLimitSeconds = 1200;

constexpr std::size_t kFlashIdEntryBytes = 8;
constexpr std::size_t kFlashIdEntries = 64;
constexpr std::size_t kFlashIdPrintedBytes = 7;

bool CarriesFlash(const std::uint8_t* entry) {
  return std::any_of(entry, entry + kFlashIdPrintedBytes, [](std::uint8_t b) { return b != 0; });
}

}  // namespace

std::uint8_t CMPDevice::DoEraseAllBlock(std::uint8_t eraseType, std::uint8_t, ui::CProgressCtrl* progress,
                                        int progressPoints, std::uint8_t usePolling) {
  const std::uint64_t start = platform::TickCountMs();
  fw::ProgressShare share(progress, progressPoints);
  if (Command().EraseByType(eraseType, usePolling != 0) == 0) {
    return FailWithRecord(kTagEraseCommand, platform::Format("Issue Erase All Block command Fail.(Type %u)", eraseType));
  }
  if (usePolling != 0) {
    switch (fw::PollUntilReady(Command(), kEraseLimitSeconds, share)) {
      case fw::PollOutcome::Ready: break;
      case fw::PollOutcome::CommandFailed:
        return FailWithRecord(kTagEraseIncomplete, "Polling Erase All Block status Fail.");
      case fw::PollOutcome::TimedOut: return FailWithRecord(kTagEraseIncomplete, "Erase All Block Time Out.");
    }
  }
  share.Finish();
  const double seconds = static_cast<double>(platform::TickCountMs() - start) / 1000.0;
  WriteReportLine(platform::Format("Erase All Block(Type %u) OK, Total take %.3f sec.", eraseType, seconds),
                  kSuccessLine);
  return 1;
}

// The map in use and the given one are reconciled (with compare) or the given one replaces
// it (without). The controller is told the map when the call sets a map of its own (no
// compare) or when a dynamic-CE switch of the parameter file lets the station move the
// drive's CE set (RDT_DynamicCE_En of [RDT], AutoCapacity_DynamicCE_En of [Options]); a
// reconciled map without those switches stays the engine's, and the drive keeps the map it
// has (the one its run information reported). A map of 0 means every CE that carries flash.
std::uint8_t CMPDevice::SetCEMap(std::uint16_t ceMap, std::uint8_t compare) {
  WriteReportLine(platform::Format("Original CE Map=%x, UI CE Map=%x, Compare=%d", m_CEMap, ceMap, compare),
                  kPlainLine);
  if (compare == 0) {
    m_CEMap = ceMap;
  } else if (ceMap != 0) {
    m_CEMap = m_CEMap == 0 ? ceMap : static_cast<std::uint16_t>(m_CEMap & ceMap);
  }
  WriteReportLine(platform::Format("Set CE Map=%x", m_CEMap), kPlainLine);
  if (m_CEMap != 0) m_CECount = static_cast<std::uint32_t>(std::popcount(m_CEMap));
  const bool dynamicCe = settings::ReadInt(settings::keys::RdtDynamicCEEn) != 0 ||
                         settings::ReadInt(settings::keys::AutoCapacityDynamicCEEn) != 0;
  if (compare != 0 && !dynamicCe) return 1;
  if (Command().SetCeMap(m_CEMap) == 0) return Fail(kTagCeMap, "Issue Set CE Map command Fail.");
  return 1;
}

std::uint8_t CMPDevice::ReadAllUniqueID() {
  std::array<std::uint8_t, kSectorBytes> table{};
  if (Command().ScanAllFlashId(table) == 0) return Fail(kTagFlashIds, "Issue Scan All Flash ID command Fail.");
  m_UniqueIds.assign(kFlashIdEntries * kUniqueIdBytes, 0);
  std::array<std::uint8_t, kSectorBytes> reply{};
  for (std::size_t ce = 0; ce < kFlashIdEntries; ++ce) {
    if (!CarriesFlash(&table[ce * kFlashIdEntryBytes])) continue;
    reply.fill(0);
    if (Command().ReadUniqueId(reply, static_cast<std::uint8_t>(ce)) == 0) {
      return Fail(kTagUniqueId, platform::Format("Issue Read Unique ID command Fail.(CE %zu)", ce));
    }
    std::copy_n(reply.begin(), kUniqueIdBytes, m_UniqueIds.begin() + static_cast<std::ptrdiff_t>(ce * kUniqueIdBytes));
    std::string hex;
    for (std::size_t i = 0; i < kUniqueIdBytes; ++i) hex += platform::Format("%02X", reply[i]);
    WriteReportLine(platform::Format("CE%zu UID: %s", ce, hex.c_str()), kPlainLine);
  }
  return 1;
}
