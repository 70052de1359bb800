#include "engine/rdtlog/BadBlockLog.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "device/records/RdtLogs.h"
#include "platform/RowText.h"

namespace {

constexpr std::size_t kSlotBytes = sizeof(RdtBadBlockLogEntry);
constexpr std::uint16_t kNoBlockAddress = 0xFFFF;
constexpr std::uint32_t kEccValueAbove = 10;
constexpr std::uint32_t kEccValueBelow = 1000;
constexpr std::uint32_t kProgramFailsAsRead = 10;
constexpr std::string_view kProgramFailAsReadText = "Read data compare fail(9)";
constexpr std::string_view kNotApplicable = "NA";
constexpr std::string_view kCsvLineEnd = "\r\n";
// Room enough for the longest row an entry can make (names, a mode and 13 numbers).
constexpr std::size_t kLongestRow = 512;

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

// The name of a fail type; an unknown type is written as "%02x:un_known". The cursors of a
// row go by value, so that the place they write to stays in a register.
platform::RowCursor WriteFailType(platform::RowCursor at, std::uint8_t type) {
  switch (type) {
    case 0x01: return at.Text("Factory bad block");
    case 0x02: return at.Text("Erase fail");
    case 0x03: return at.Text("Program fail");
    case 0x04: return at.Text("Read uncorrectable fail");
    case 0x05: return at.Text("Read correctable bit over threshold");
    case 0x06: return at.Text("Read data compare fail");
    case 0x07: return at.Text("Read data compare fail(data all 0xff)");
    case 0x08: return at.Text("Trigger command time out");
    case 0xFF: return at.Text("end of log");
    default:
      if (type < 0x10) at.Char('0');
      return at.Hex(static_cast<unsigned>(type)).Text(":un_known");
  }
}

std::string_view StageText(std::uint8_t stage) {
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
    // Room for an ECC value of every slot at once, rather than growing by copies.
    m_result.eccValues.reserve(m_result.eccValues.size() + log.size() / kSlotBytes);
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
      if (!m_out.Writes(RdtCsv::EccBit)) continue;
      RdtEccBitRecord record;
      std::memcpy(&record, slot + at, sizeof(record));
      platform::RowCursor row = m_row.Clear().Append(kLongestRow);
      row.Decimal(record.ce).Text(",0x").Hex(static_cast<unsigned>(record.block.Get())).Char(',');
      row.Decimal(record.maxErrorBits);
      m_row.Commit(row);
      m_out.CsvLine(RdtCsv::EccBit, m_row.Line(kCsvLineEnd));
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

  // The entry's rows, formatted only when the output writes them; the ECC values and the
  // later-bad addresses are taken either way.
  void Rows(const RdtBadBlockLogEntry& entry, bool slc, bool programAsRead) {
    const std::uint32_t overBits = static_cast<std::uint32_t>(entry.overThresholdBits.Get());
    const bool counted = entry.failType != kBadBlockLoopMark && entry.failType != kBadBlockFactory;
    if (counted && overBits > kEccValueAbove && overBits < kEccValueBelow) m_result.eccValues.push_back(overBits);
    if (counted && overBits > kEccValueAbove && entry.ce < kLateBadCes) {
      m_result.lateBadAddresses[entry.ce].push_back(static_cast<unsigned>(entry.block.Get()));
    }
    const bool toCsv = m_out.Writes(RdtCsv::BadBlock);
    const bool toReport = m_out.WritesReportLines();
    if (!toCsv && !toReport) return;

    if (entry.failType == kBadBlockLoopMark) {
      platform::RowCursor at = m_row.Clear().Append(kLongestRow);
      at.Text("Loop Mark,").Decimal(entry.ce).Char(',').Decimal(entry.channel);
      at.Char(',').Text(kNotApplicable).Char(',').Text(kNotApplicable).Char(',').Decimal(entry.totalLoop);
      at.Char(',').Decimal(entry.runLoop);
      for (int column = 0; column < 4; ++column) at.Char(',').Text(kNotApplicable);
      m_row.Commit(at);
      Row(m_row, nullptr, toCsv, toReport);
      return;
    }
    if (entry.failType == kBadBlockFactory) {
      platform::RowCursor at = Location(entry, WriteFailType(m_row.Clear().Append(kLongestRow), entry.failType));
      for (int column = 0; column < 3; ++column) at.Char(',').Text(kNotApplicable);
      at.Char(',').Decimal(static_cast<int>(entry.timeStamp.Get()));
      m_row.Commit(at);
      Row(m_row, nullptr, toCsv, toReport);
      return;
    }
    const std::string_view slcText = slc ? "(SLC Mode)" : "";
    const int step = entry.stepAndStage >> 4;
    const int timeStamp = static_cast<int>(entry.timeStamp.Get());
    const auto format = [&](platform::RowText& row, std::string_view typeText, std::string_view stageText) {
      platform::RowCursor at = row.Clear().Append(kLongestRow);
      at = typeText.empty() ? WriteFailType(at, entry.failType) : at.Text(typeText);
      at = Location(entry, at.Text(slcText));
      at.Char(',').Decimal(step).Char(',').Text(stageText);
      at.Char(',').Decimal(static_cast<int>(overBits)).Char(',').Decimal(timeStamp);
      row.Commit(at);
    };
    format(m_row, {}, StageText(entry.stepAndStage & 0x0F));
    if (programAsRead && toReport) {
      format(m_asReadRow, kProgramFailAsReadText, kNotApplicable);
      Row(m_row, &m_asReadRow, toCsv, toReport);
    } else {
      Row(m_row, nullptr, toCsv, toReport);
    }
  }

  // ",ce,channel,plane,0x<block>,page,total loop,run loop,run cycle"
  static platform::RowCursor Location(const RdtBadBlockLogEntry& entry, platform::RowCursor at) {
    // Every field is taken before the first character goes out: a character written could
    // otherwise be the entry's own byte for all the compiler knows, and each field be read
    // again after it.
    const unsigned ce = entry.ce;
    const unsigned channel = entry.channel;
    const unsigned plane = entry.plane;
    const auto block = static_cast<unsigned>(entry.block.Get());
    const int page = static_cast<int>(entry.page.Get());
    const unsigned totalLoop = entry.totalLoop;
    const unsigned runLoop = entry.runLoop;
    const unsigned runCycle = entry.runCycle;
    at.Char(',').Decimal(ce).Char(',').Decimal(channel).Char(',').Decimal(plane);
    at.Text(",0x").Hex(block).Char(',').Decimal(page);
    at.Char(',').Decimal(totalLoop).Char(',').Decimal(runLoop).Char(',').Decimal(runCycle);
    return at;
  }

  // The CSV row (with its line end) and the report row (the CSV row unless another is given).
  void Row(platform::RowText& csvRow, platform::RowText* reportRow, bool toCsv, bool toReport) {
    if (toCsv) m_out.CsvLine(RdtCsv::BadBlock, csvRow.Line(kCsvLineEnd));
    if (!toReport) return;
    if (reportRow != nullptr) {
      m_out.ReportLine(reportRow->Str());
    } else {
      m_out.ReportLine(toCsv ? csvRow.CutEnding(kCsvLineEnd) : csvRow.Str());
    }
  }

  const BadBlockWalkSettings& m_settings;
  RdtBadBlockTallies& m_tallies;
  BadBlockWalkResult& m_result;
  RdtOutput& m_out;
  bool m_endOfLog = false;  // an "end of log" entry stops the rows for good
  // Rooms the rows are built in, kept from row to row.
  platform::RowText m_row;
  platform::RowText m_asReadRow;
};

}  // namespace

void WalkBadBlockLog(std::span<const std::uint8_t> log, const BadBlockWalkSettings& settings,
                     RdtBadBlockTallies& tallies, BadBlockWalkResult& result, RdtOutput& out) {
  BadBlockWalk(settings, tallies, result, out).Run(log);
}

void WalkRunningBadBlockLog(std::span<const std::uint8_t> log, std::uint32_t totalLoops, RdtOutput& out) {
  if (!out.WritesReportLines()) return;
  platform::RowText row;
  for (std::size_t at = 0; at + kSlotBytes <= log.size(); at += kSlotBytes) {
    RdtBadBlockLogEntry entry;
    std::memcpy(&entry, log.data() + at, sizeof(entry));
    if (entry.failType != kBadBlockLoopMark || entry.totalLoop != totalLoops) continue;
    // "Loop Mark,%d,%d,%d,%d"
    row.Clear().Text("Loop Mark,").Decimal(entry.ce).Char(',').Decimal(entry.channel);
    row.Char(',').Decimal(entry.totalLoop).Char(',').Decimal(entry.runLoop);
    out.ReportLine(row.Str());
  }
}
