// The engine's report sections: the settings snapshot, the info-block and SMART sections of
// the slot report, and the block statistics text. The sections are appended to the slot
// report through the engine's log writer, which appends only to a report that exists: with
// no report the section is dropped without a message. None of them fails a step; a section
// that cannot be written to an existing report is a lost record (NoteRecordWriteFailure).
#include <algorithm>
#include <array>
#include <exception>

#include "engine/MPDevice.h"
#include "engine/reports/BlockStatistics.h"
#include "engine/reports/InfoBlockReport.h"
#include "engine/reports/SettingsSnapshot.h"
#include "engine/reports/SmartReport.h"
#include "platform/Debug.h"
#include "platform/StationSettings.h"

namespace {

// The sections never fail a run; a failure inside one (out of memory) drops the section.
template <typename Result, typename Body>
Result DropOnFailure(const char* section, Result fallback, Body&& body) {
  try {
    return body();
  } catch (const std::exception& error) {
    platform::DebugOutput(std::string(section) + " dropped: " + error.what() + "\r\n");
  } catch (...) {
    platform::DebugOutput(std::string(section) + " dropped\r\n");
  }
  return fallback;
}

}  // namespace

void CMPDevice::WriteReportSettings() {
  DropOnFailure("Settings snapshot", 0, [this] {
    const std::string path = SlotReportPath();
    for (const std::string& text : engine::FormatSettingsSnapshot()) AppendToReport(path, text, MissingReport::Drop);
    return 0;
  });
}

void CMPDevice::WriteInfoBlockReport(const std::uint8_t* infoBlock512) {
  if (infoBlock512 == nullptr) return;
  DropOnFailure("Info block section", 0, [this, infoBlock512] {
    // The caller's buffer is copied first and left as it is.
    std::array<std::uint8_t, engine::kInfoBlockBytes> block{};
    std::copy_n(infoBlock512, block.size(), block.begin());
    AppendToReport(SlotReportPath(), engine::FormatInfoBlockSection(block), MissingReport::Drop);
    return 0;
  });
}

std::string CMPDevice::WriteSmartReport(const std::uint8_t* smartPage512) {
  const std::string emptySummary = "Smart ID*";
  if (smartPage512 == nullptr) return emptySummary;
  return DropOnFailure("SMART section", emptySummary, [this, smartPage512] {
    const engine::SmartReportText text = engine::FormatSmartReport(std::span<const std::uint8_t, 512>(smartPage512, 512));
    AppendToReport(SlotReportPath(), text.lines, MissingReport::Drop);
    return text.summary;
  });
}

std::optional<std::string> CMPDevice::FormatBlockStatistics(std::uint32_t itemMask, std::uint8_t fromRecord,
                                                            const BlockInfoRecord* blockInfo,
                                                            const std::uint8_t* rdtInfo64) {
  if (rdtInfo64 == nullptr || (fromRecord != 0 && blockInfo == nullptr)) return std::string();
  std::uint8_t parameter[kRecordBytes] = {};
  // The counts of a table come from the block map as the read leaves it: a read that failed
  // leaves none to count, and its tag and message tell the caller why.
  if (fromRecord == 0 && !ReadBadBlockTable(parameter, nullptr)) return std::nullopt;
  return DropOnFailure("Block statistics", std::string(), [&] {
    engine::BlockStatisticsCounts counts;
    if (fromRecord != 0) {
      counts = engine::CountBlockInfoRecord(*blockInfo);
    } else {
      const std::uint32_t ceSlots = m_CEMaskFlag != 0 ? 64 : m_CECount;
      counts = engine::CountBlockMap([&](int ce, std::uint8_t kindMask, std::uint8_t exclusionMask) {
        return static_cast<long long>(CountBadBlocks(ceSlots, ce, parameter, kindMask, exclusionMask));
      });
    }
    if (settings::ReadInt(settings::keys::ProgramtoRead) != 0) engine::ShiftProgramToRead(counts);
    return engine::FormatBlockStatisticsText(itemMask, counts,
                                             std::span<const std::uint8_t, engine::kMpInfoBytes>(rdtInfo64, 64));
  });
}
