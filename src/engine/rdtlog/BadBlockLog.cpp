#include "engine/rdtlog/BadBlockLog.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "device/records/RdtLogs.h"
#include "platform/Text.h"

namespace {

constexpr std::size_t kSlotBytes = sizeof(RdtBadBlockLogEntry);
constexpr std::uint16_t kNoBlockAddress = 0xFFFF;
constexpr std::uint32_t kEccValueAbove = 10;
constexpr std::uint32_t kEccValueBelow = 1000;
constexpr std::uint32_t kProgramFailsAsRead = 10;
constexpr const char* kProgramFailAsReadText = "Read data compare fail(9)";
constexpr const char* kNotApplicable = "NA";

enum class Counted { Factory, Erase, Program, ReadRelated, Unclassified, Nothing };

Counted CountedAs(std::uint8_t type) {
  switch (type) {
    case kBadBlockFactory: return Counted::Factory;
    case kBadBlockErase: return Counted::Erase;
    case kBadBlockProgram: return Counted::Program;
    case 0x04:
    case 0x05:
    case 0x06:
    case 0x07:
    case 0x08: return Counted::ReadRelated;
    case kBadBlockEndOfLog: return Counted::Nothing;
    default: return Counted::Unclassified;
  }
}

std::string FailTypeText(std::uint8_t type) {
  switch (type) {
    case 0x01: return "Factory bad block";
    case 0x02: return "Erase fail";
    case 0x03: return "Program fail";
    case 0x04: return "Read uncorrectable fail";
    case 0x05: return "Read correctable bit over threshold";
    case 0x06: return "Read data compare fail";
    case 0x07: return "Read data compare fail(data all 0xff)";
    case 0x08: return "Trigger command time out";
    case 0xFF: return "end of log";
    default: return platform::Format("%02x:un_known", type);
  }
}

const char* StageText(std::uint8_t stage) {
  switch (stage) {
    case 0: return "Pre read";
    case 1: return "Erase";
    case 2: return "Program";
    case 3: return "Post Read";
    default: return "";
  }
}

bool Matches(const std::uint8_t* at, std::size_t available, const std::uint8_t* mark, std::size_t markBytes) {
  return available >= markBytes && std::memcmp(at, mark, markBytes) == 0;
}

LaterBadCounters* PlaneCounters(LaterBadCounters (&planes)[kRdtPlanes], std::uint32_t plane) {
  return plane < kRdtPlanes ? &planes[plane] : nullptr;
}

void Raise(LaterBadCounters* counters, Counted kind, bool withTotal) {
  if (counters == nullptr) return;
  if (withTotal) ++counters->total;
  switch (kind) {
    case Counted::Erase: ++counters->erase; break;
    case Counted::Program: ++counters->program; break;
    case Counted::ReadRelated: ++counters->readRelated; break;
    default: break;
  }
}

class BadBlockWalk {
 public:
  BadBlockWalk(const BadBlockWalkSettings& settings, RdtBadBlockTallies& tallies, BadBlockWalkResult& result,
               RdtOutput& out)
      : m_settings(settings), m_tallies(tallies), m_result(result), m_out(out) {}

  void Run(std::span<const std::uint8_t> log) {
    std::size_t at = 0;
    bool inEccSection = false;
    while (at < log.size()) {
      const std::uint8_t* slot = log.data() + at;
      const std::size_t available = std::min(kSlotBytes, log.size() - at);
      if (Matches(slot, available, kBlankSlot, sizeof(kBlankSlot))) {
        at += kSlotBytes;
        continue;
      }
      if (Matches(slot, available, kLogEndMark, sizeof(kLogEndMark))) {
        const auto section = EccSectionAfter(log, at);
        if (!section) return;
        at = *section;
        inEccSection = true;
        continue;
      }
      if (inEccSection) {
        if (!EccSlot(slot, available)) return;
      } else if (available == kSlotBytes) {
        RdtBadBlockLogEntry entry;
        std::memcpy(&entry, slot, sizeof(entry));
        Entry(entry);
      }
      at += kSlotBytes;
    }
  }

 private:
  // Where the ECC-bit section starts: at the first page boundary above the end mark, behind
  // its start mark.
  std::optional<std::size_t> EccSectionAfter(std::span<const std::uint8_t> log, std::size_t endMarkAt) const {
    if (m_settings.pageBytes == 0) return std::nullopt;
    const std::uint64_t boundary = (endMarkAt / m_settings.pageBytes + 1) * static_cast<std::uint64_t>(m_settings.pageBytes);
    if (boundary + sizeof(kEccSectionStart) > log.size()) return std::nullopt;
    if (std::memcmp(log.data() + boundary, kEccSectionStart, sizeof(kEccSectionStart)) != 0) return std::nullopt;
    return static_cast<std::size_t>(boundary + sizeof(kEccSectionStart));
  }

  // The records of one slot of the ECC-bit section; false at the section's end record.
  bool EccSlot(const std::uint8_t* slot, std::size_t available) {
    for (std::size_t at = 0; at + sizeof(RdtEccBitRecord) <= available; at += sizeof(RdtEccBitRecord)) {
      if (std::memcmp(slot + at, kEccSectionEnd, sizeof(kEccSectionEnd)) == 0) return false;
      RdtEccBitRecord record;
      std::memcpy(&record, slot + at, sizeof(record));
      m_out.CsvLine(RdtCsv::EccBit, platform::Format("%d,0x%x,%d\r\n", record.ce,
                                                     static_cast<unsigned>(record.block.Get()), record.maxErrorBits));
    }
    return true;
  }

  void Entry(const RdtBadBlockLogEntry& entry) {
    if (entry.ce >= kRdtCes || entry.channel >= kRdtChannels) return;
    m_tallies.present[entry.ce][entry.channel] = true;
    const bool slc = entry.slcMode != 0 && entry.failType != kBadBlockFactory;
    Counted kind = CountedAs(entry.failType);
    // With ProgramtoRead the first program fails count, and are reported, as read fails.
    bool programAsRead = false;
    if (kind == Counted::Program && m_settings.programToRead) {
      programAsRead = m_result.programFails < kProgramFailsAsRead;
      ++m_result.programFails;
      if (programAsRead) kind = Counted::ReadRelated;
    }
    Count(entry, kind, slc);
    if (entry.failType == kBadBlockEndOfLog) m_endOfLog = true;
    if (!m_endOfLog) Rows(entry, slc, programAsRead);
  }

  void Count(const RdtBadBlockLogEntry& entry, Counted kind, bool slc) {
    auto& tlc = m_tallies.tlc[entry.ce][entry.channel];
    const std::uint32_t plane = entry.plane;
    switch (kind) {
      case Counted::Factory:
        if (plane < kRdtPlanes) ++m_tallies.factoryBad[entry.ce][entry.channel][plane];
        break;
      case Counted::Erase:
      case Counted::Program:
      case Counted::ReadRelated:
        if (slc) {
          Raise(SlcCounters(entry), kind, false);
        } else {
          Raise(PlaneCounters(tlc, plane), kind, true);
        }
        break;
      case Counted::Unclassified: Raise(PlaneCounters(tlc, plane), kind, true); break;
      case Counted::Nothing: break;
    }
    const std::uint16_t block = static_cast<std::uint16_t>(entry.block.Get());
    if (slc && block != kNoBlockAddress) Raise(SlcCounters(entry), Counted::Nothing, true);
  }

  // SLC entries are placed by block address modulo the plane count.
  LaterBadCounters* SlcCounters(const RdtBadBlockLogEntry& entry) {
    if (m_settings.planes == 0) return nullptr;
    const std::uint32_t plane = static_cast<std::uint32_t>(entry.block.Get()) % m_settings.planes;
    return PlaneCounters(m_tallies.slc[entry.ce][entry.channel], plane);
  }

  void Rows(const RdtBadBlockLogEntry& entry, bool slc, bool programAsRead) {
    const int ce = entry.ce;
    const int channel = entry.channel;
    const unsigned block = static_cast<unsigned>(entry.block.Get());
    const int page = static_cast<int>(entry.page.Get());
    const int timeStamp = static_cast<int>(entry.timeStamp.Get());
    if (entry.failType == kBadBlockLoopMark) {
      const std::string row = platform::Format("%s,%d,%d,%s,%s,%d,%d,%s,%s,%s,%s", "Loop Mark", ce, channel,
                                               kNotApplicable, kNotApplicable, entry.totalLoop, entry.runLoop,
                                               kNotApplicable, kNotApplicable, kNotApplicable, kNotApplicable);
      Row(row, row);
      return;
    }
    const std::string type = FailTypeText(entry.failType);
    if (entry.failType == kBadBlockFactory) {
      const std::string row = platform::Format("%s,%d,%d,%d,0x%x,%d,%d,%d,%d,%s,%s,%s,%d", type.c_str(), ce, channel,
                                               entry.plane, block, page, entry.totalLoop, entry.runLoop,
                                               entry.runCycle, kNotApplicable, kNotApplicable, kNotApplicable,
                                               timeStamp);
      Row(row, row);
      return;
    }
    const std::uint32_t overBits = static_cast<std::uint32_t>(entry.overThresholdBits.Get());
    const std::string overText = platform::Format("%d", static_cast<int>(overBits));
    const char* slcText = slc ? "(SLC Mode)" : "";
    const int step = entry.stepAndStage >> 4;
    const char* stage = StageText(entry.stepAndStage & 0x0F);
    const auto format = [&](const char* typeText, const char* stageText) {
      return platform::Format("%s%s,%d,%d,%d,0x%x,%d,%d,%d,%d,%d,%s,%s,%d", typeText, slcText, ce, channel,
                              entry.plane, block, page, entry.totalLoop, entry.runLoop, entry.runCycle, step,
                              stageText, overText.c_str(), timeStamp);
    };
    const std::string csvRow = format(type.c_str(), stage);
    Row(csvRow, programAsRead ? format(kProgramFailAsReadText, kNotApplicable) : csvRow);
    if (overBits > kEccValueAbove && overBits < kEccValueBelow) m_result.eccValues.push_back(overBits);
    if (overBits > kEccValueAbove && entry.ce < kLateBadCes) m_result.lateBadAddresses[entry.ce].push_back(block);
  }

  void Row(const std::string& csvRow, const std::string& reportRow) {
    m_out.CsvLine(RdtCsv::BadBlock, csvRow + "\r\n");
    m_out.ReportLine(reportRow);
  }

  const BadBlockWalkSettings& m_settings;
  RdtBadBlockTallies& m_tallies;
  BadBlockWalkResult& m_result;
  RdtOutput& m_out;
  bool m_endOfLog = false;  // an "end of log" entry stops the rows for good
};

}  // namespace

void WalkBadBlockLog(std::span<const std::uint8_t> log, const BadBlockWalkSettings& settings,
                     RdtBadBlockTallies& tallies, BadBlockWalkResult& result, RdtOutput& out) {
  BadBlockWalk(settings, tallies, result, out).Run(log);
}

void WalkRunningBadBlockLog(std::span<const std::uint8_t> log, std::uint32_t totalLoops, RdtOutput& out) {
  for (std::size_t at = 0; at + kSlotBytes <= log.size(); at += kSlotBytes) {
    RdtBadBlockLogEntry entry;
    std::memcpy(&entry, log.data() + at, sizeof(entry));
    if (entry.failType != kBadBlockLoopMark || entry.totalLoop != totalLoops) continue;
    out.ReportLine(platform::Format("%s,%d,%d,%d,%d", "Loop Mark", entry.ce, entry.channel, entry.totalLoop,
                                    entry.runLoop));
  }
}
