#include "engine/rdtlog/SpecialTestLog.h"

#include <algorithm>
#include <cstring>

#include "device/records/RdtLogs.h"
#include "platform/RowText.h"
#include "platform/Text.h"

namespace {

constexpr std::uint8_t kSkippedEntry = 0x0C;
constexpr std::uint8_t kEraseFail = 0x02;
constexpr std::uint8_t kProgramFail = 0x03;
constexpr std::uint8_t kReadUncorrectable = 0x04;
constexpr std::uint8_t kOverThreshold = 0x05;
constexpr std::uint8_t kRetryStatistics = 0x0A;
constexpr std::uint8_t kEccStatistics = 0x0B;
constexpr std::uint16_t kInvalidRawBits = 0xFFFF;
constexpr std::uint8_t kTlcCell = 0;
constexpr std::uint8_t kSlcCell = 1;
constexpr std::uint32_t kSlcCycleFactor = 1000;

std::string_view FailureName(std::uint8_t type) {
  switch (type) {
    case 0x00: return "PASS";
    case 0x01: return "Factory bad block";
    case 0x02: return "Erase fail";
    case 0x03: return "Program fail";
    case 0x04: return "Read uncorrectable fail";
    case 0x05: return "Read correctable bit over threshold";
    case 0x06: return "Read data compare fail";
    case 0x07: return "Read data is 0xFF";
    case 0x08: return "Hang fail";
    case 0x09: return "Emergency save";
    case 0x0A: return "Retry level statics";
    case 0x0B: return "ECC- bit statics";
    case 0x0F: return "Loop mask for the loop that no errors happen";
    case 0xFF: return "end of log";
    default: return "un_known";
  }
}

// The most error bits a TLC special-test entry may show below a cycle; entries of a cycle
// of 1,000 or more are not tested.
struct EccCriterion {
  std::uint32_t cycleBelow;
  std::uint32_t maxErrorBits;
};
constexpr EccCriterion kEccCriteria[] = {
    {100, 22}, {200, 25}, {300, 27}, {400, 28}, {500, 29}, {600, 31}, {700, 32}, {800, 34}, {900, 35}, {1000, 36},
};

bool IsEndMarker(const std::uint8_t* entry) {
  return std::memcmp(entry, kSpecialEndMarker, sizeof(kSpecialEndMarker)) == 0;
}

// Calls visit for every entry up to the end marker or the end of the log.
template <typename Visit>
void ForEachEntry(std::span<const std::uint8_t> log, Visit visit) {
  for (std::size_t at = 0; at + sizeof(RdtSpecialLogEntry) <= log.size(); at += sizeof(RdtSpecialLogEntry)) {
    if (IsEndMarker(log.data() + at)) return;
    RdtSpecialLogEntry entry;
    std::memcpy(&entry, log.data() + at, sizeof(entry));
    visit(entry, log.data() + at);
  }
}

bool Accepts(SpecialSection section, const RdtSpecialLogEntry& entry) {
  if (entry.failureType == kSkippedEntry || entry.ce >= kSpecialLogCes || entry.channel >= kSpecialLogChannels) {
    return false;
  }
  switch (section) {
    case SpecialSection::TlcSpecial: return entry.logKind == kSpecialKindTlc;
    case SpecialSection::SlcSpecial: return entry.logKind == kSpecialKindSlc;
    case SpecialSection::TlcBaking: return entry.logKind == kSpecialKindBaking && entry.cellMode == kTlcCell;
    case SpecialSection::SlcBaking: return entry.logKind == kSpecialKindBaking && entry.cellMode == kSlcCell;
  }
  return false;
}

bool IsBaking(SpecialSection section) {
  return section == SpecialSection::TlcBaking || section == SpecialSection::SlcBaking;
}

// The cursor goes by value, so that the place it writes to stays in a register.
platform::RowCursor WriteRawBits(platform::RowCursor at, std::uint16_t rawBits) {
  return rawBits == kInvalidRawBits ? at.Text("Invalid") : at.Decimal(rawBits);
}

// The block column: the u32 counter of bytes 4-7 for the statistics entries.
bool IsStatistics(std::uint8_t type) { return type == kRetryStatistics || type == kEccStatistics; }

// Room enough for the longest row (a name and eleven numbers).
constexpr std::size_t kLongestRow = 512;

void SpecialRow(platform::RowText& row, SpecialSection section, const RdtSpecialLogEntry& entry,
                const std::uint8_t* bytes) {
  const std::uint16_t rawBits = static_cast<std::uint16_t>(entry.rawBitErrors.Get());
  std::uint32_t block = static_cast<std::uint32_t>(entry.block.Get());
  std::uint32_t page = static_cast<std::uint32_t>(entry.page.Get());
  if (IsStatistics(entry.failureType)) {
    LeU32 counter;
    std::memcpy(&counter, bytes + offsetof(RdtSpecialLogEntry, block), sizeof(counter));
    block = static_cast<std::uint32_t>(counter.Get());
    page = 0;
  }
  platform::RowCursor at = row.Clear().Append(kLongestRow);
  if (IsBaking(section)) {
    // "%d,%d,%d,%d,%s,%d,%d,%s"
    at.Decimal(entry.ce).Char(',').Decimal(entry.channel).Char(',').Decimal(entry.plane).Char(',');
    at = WriteRawBits(at.Decimal(static_cast<int>(block)).Char(','), rawBits);
    at.Char(',').Decimal(entry.retryCount).Char(',').Decimal(entry.temperature).Char(',');
    at.Text(FailureName(entry.failureType));
    row.Commit(at);
    return;
  }
  std::uint32_t cycle = static_cast<std::uint32_t>(entry.cycle.Get());
  if (section == SpecialSection::SlcSpecial) cycle *= kSlcCycleFactor;
  // "%d,%d,%d,%d,%d,%d,%.3f,%s,%d,%d,%s", the program time in milliseconds
  at.Decimal(static_cast<int>(cycle)).Char(',').Decimal(entry.ce).Char(',').Decimal(entry.channel).Char(',');
  at.Decimal(entry.plane).Char(',').Decimal(static_cast<int>(block)).Char(',').Decimal(static_cast<int>(page));
  at = WriteRawBits(at.Char(',').Thousandths(entry.maxProgramTimeUs.Get()).Char(','), rawBits);
  at.Char(',').Decimal(entry.retryCount).Char(',').Decimal(entry.temperature).Char(',');
  at.Text(FailureName(entry.failureType));
  row.Commit(at);
}

// A TLC special-test entry over the ECC criteria of its cycle; the "Invalid" count is no
// count and never a hit.
void TestEccCriteria(const RdtSpecialLogEntry& entry, SpecialTestTallies& tallies) {
  const std::uint32_t errorBits = static_cast<std::uint32_t>(entry.rawBitErrors.Get());
  if (errorBits == kInvalidRawBits) return;
  const std::uint32_t cycle = static_cast<std::uint32_t>(entry.cycle.Get());
  const auto* criterion = std::find_if(std::begin(kEccCriteria), std::end(kEccCriteria),
                                       [cycle](const EccCriterion& row) { return cycle < row.cycleBelow; });
  if (criterion == std::end(kEccCriteria) || errorBits <= criterion->maxErrorBits) return;
  if (tallies.hits.size() >= kMaxEccCriteriaHits) return;
  EccCriteriaHit hit;
  hit.cycle = cycle;
  hit.ce = entry.ce;
  hit.channel = entry.channel;
  hit.plane = entry.plane;
  hit.block = static_cast<std::uint32_t>(entry.block.Get());
  hit.errorBits = errorBits;
  tallies.hits.push_back(hit);
}

}  // namespace

const char* SpecialSectionTitle(SpecialSection section) {
  switch (section) {
    case SpecialSection::TlcSpecial: return "TLC Special Test Log(STL):";
    case SpecialSection::SlcSpecial: return "SLC Special Test Log(STL):";
    case SpecialSection::TlcBaking: return "TLC Baking Test Log(BTL):";
    case SpecialSection::SlcBaking: return "SLC Baking Test Log(BTL):";
  }
  return "";
}

const char* SpecialSectionColumns(SpecialSection section) {
  return IsBaking(section) ? "CE_No,Channel_No,Plane_No,Block_No,Raw_bit_Error,Retry_Count,Temp.,Failed_Type"
                           : "Cycle,CE_No,Channel_No,Plane_No,Block_No,Page_No,Max_tProgram(ms),Raw_bit_Error,"
                             "Retry_Count,Temp.,Failed_Type";
}

void WalkSpecialSection(std::span<const std::uint8_t> log, SpecialSection section, SpecialTestTallies& tallies,
                        const std::function<void(const std::string& row)>& writeRow) {
  auto& laterBad = IsBaking(section) ? tallies.bakingLaterBad : tallies.specialLaterBad;
  platform::RowText row;
  ForEachEntry(log, [&](const RdtSpecialLogEntry& entry, const std::uint8_t* bytes) {
    if (!Accepts(section, entry)) return;
    if (writeRow) {
      SpecialRow(row, section, entry, bytes);
      writeRow(row.Str());
    }
    switch (entry.failureType) {
      case kEraseFail:
      case kProgramFail:
      case kReadUncorrectable: ++laterBad[entry.ce][entry.channel]; break;
      case kOverThreshold: tallies.overEcc = true; break;
      default: break;
    }
    if (section == SpecialSection::TlcSpecial) TestEccCriteria(entry, tallies);
  });
}

bool SpecialLogHasBlankEntry(std::span<const std::uint8_t> log) {
  constexpr std::size_t kExaminedBytes = 16;
  bool blank = false;
  ForEachEntry(log, [&](const RdtSpecialLogEntry&, const std::uint8_t* bytes) {
    blank = blank || std::all_of(bytes, bytes + kExaminedBytes, [](std::uint8_t b) { return b == 0; });
  });
  return blank;
}

bool CheckLaterBadTable(const LaterBadTable& counts, std::uint32_t allowance, const char* testName,
                        CFailingFlashList& failing, RdtOutput& out) {
  bool over = false;
  for (std::size_t ce = 0; ce < kSpecialLogCes; ++ce) {
    for (std::size_t channel = 0; channel < kSpecialLogChannels; ++channel) {
      if (counts[ce][channel] <= allowance) continue;
      out.ReportLine(platform::Format("[Error] (CENo_%d,CHNo_%d)%s Later Bad Number(%d) over Spec(%d)",
                                       static_cast<int>(ce), static_cast<int>(channel), testName,
                                       static_cast<int>(counts[ce][channel]), static_cast<int>(allowance)));
      over = true;
      failing.Add(static_cast<std::uint16_t>(ce));
    }
  }
  return over;
}

std::string EccCriteriaHitLine(const EccCriteriaHit& hit) {
  return platform::Format("[Error] Max Error Bit Over Criteria On CE_%d, Die_%d Plane_%d, Block_%d (PE Cycle = %d,"
                          "Error Bit = %d) ",
                          static_cast<int>(hit.ce), static_cast<int>(hit.die), static_cast<int>(hit.plane),
                          static_cast<int>(hit.block), static_cast<int>(hit.cycle), static_cast<int>(hit.errorBits));
}
