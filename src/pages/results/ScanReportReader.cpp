#include "pages/results/ScanReportReader.h"

#include <array>

#include "pages/results/ReportLines.h"
#include "pages/results/ReportText.h"

using report_text::Contains;
using report_text::NumberText;
using report_text::ReadDecimal;
using report_text::RemoveBlanks;
using report_text::RemoveWord;

namespace {

constexpr std::uint32_t kRdtKindMarks = kKindEraseRdt | kKindProgramRdt | kKindReadRdt;
constexpr std::uint32_t kFailKindMarks = kRdtKindMarks | kKindEraseRun | kKindProgramRun | kKindReadRun;

// Lines between two hand-overs of the counts to the view.
constexpr int kFlushLines = 65536;

constexpr std::string_view kPlaneWords[] = {"Plane0=", "Plane1=", "Plane2=", "Plane3="};

void RemoveWords(std::string& text, std::initializer_list<std::string_view> words) {
  for (std::string_view word : words) RemoveWord(text, word);
}

void RemovePlaneWords(std::string& text) {
  for (std::string_view word : kPlaneWords) RemoveWord(text, word);
}

// "<ce>/<die>-><channel>,<p0>,<p1>,<p2>,<p3>" of a per-plane line whose words are removed.
struct PerPlaneFields {
  std::array<std::string_view, 7> field{};  // ce, die, channel, p0..p3
  std::string_view Ce() const { return field[0]; }
  std::string_view Die() const { return field[1]; }
  std::string_view Channel() const { return field[2]; }
  std::string_view Plane(int p) const { return field[static_cast<std::size_t>(3 + p)]; }
};

PerPlaneFields ReadPerPlaneFields(std::string_view text) {
  PerPlaneFields fields;
  report_text::ScanText(text, "%[^/]/%[^-]->%[^,],%[^,],%[^,],%[^,],%[^,]", fields.field);
  return fields;
}

// One of the first key that the line holds, with the box its value goes to.
struct ValueKey {
  std::string_view key;
  ResultBox box;
  ResultBox secondBox;  // the same box when there is no second one
};

constexpr ValueKey kCountKeys[] = {
    {"OB + OLB     Count", ResultBox::ObOlbCount, ResultBox::ObOlbCount},
    {"RDT      Bad Count", ResultBox::RdtBadCount, ResultBox::RdtBadCount},
    {"Later    Bad Count", ResultBox::LaterBadCount, ResultBox::LaterTotal},
    {"All Good Blk Count", ResultBox::GoodBlockCount, ResultBox::GoodBlockCount},
};

constexpr ValueKey kSettingKeys[] = {
    {"RDT Info_RDT Loop", ResultBox::RdtLoop, ResultBox::RdtLoop},
    {"RDT Info_RDT ECC", ResultBox::EccXs, ResultBox::EccXs},
    {"RDT Info_CE Map", ResultBox::CeMap, ResultBox::CeMap},
    {"RDT Info_Erase Mode", ResultBox::EraseMode, ResultBox::EraseMode},
    {"RDT Info_Program Mode", ResultBox::ProgramMode, ResultBox::ProgramMode},
    {"RDT Info_Read Mode", ResultBox::MultiPlane, ResultBox::MultiPlane},
    {"RDT Info_Read Retry", ResultBox::ReadRetry, ResultBox::ReadRetry},
    {"Identify_FW Version", ResultBox::MpVersion, ResultBox::MpVersion},
    {"RDT Info_CacheTest", ResultBox::CacheMode, ResultBox::CacheMode},
    {"RDT Info_ReTest", ResultBox::ReRdt, ResultBox::ReRdt},
    {"RDT Info_MultiPlane", ResultBox::MultiPlane, ResultBox::MultiPlane},
    {"RDT Info_BBSource", ResultBox::BbSource, ResultBox::BbSource},
};

constexpr ValueKey kFurtherKeys[] = {
    {"Info Block_Max Bad Percent", ResultBox::MaxBad, ResultBox::MaxBad},
    {"SMART_Spare Block", ResultBox::SpareBlock, ResultBox::SpareBlock},
    {"RDT_Temperature", ResultBox::RdtTemperature, ResultBox::RdtTemperature},
    {"RDT_TotalTime", ResultBox::RdtTotalTime, ResultBox::RdtTotalTime},
    {"RDT_FWVersion", ResultBox::RdtVersion, ResultBox::RdtVersion},
};

template <std::size_t N>
const ValueKey* FirstKeyOf(std::string_view line, const ValueKey (&keys)[N]) {
  for (const ValueKey& key : keys) {
    if (Contains(line, key.key)) return &key;
  }
  return nullptr;
}

// The value of a box line: the whole rest for the temperature and the total time, the word
// right after the "=" for the BB source and the RDT version, else the first word after it.
std::string_view ValueOf(std::string_view work, ResultBox box) {
  switch (box) {
    case ResultBox::RdtTemperature:
    case ResultBox::RdtTotalTime:
      return report_text::RestAfterEquals(work);
    case ResultBox::BbSource:
    case ResultBox::RdtVersion:
      return report_text::WordRightAfterEquals(work);
    default:
      return report_text::WordAfterEquals(work);
  }
}

}  // namespace

CScanReportReader::CScanReportReader(CResultView& view, bool shortcut) : m_view(view), m_shortcut(shortcut) {}

void CScanReportReader::Begin() {
  m_view.ClearReportLines();
  for (ResultList list : {ResultList::PerPlane, ResultList::LaterPerPlane, ResultList::CeChannel0,
                          ResultList::CeChannel1, ResultList::EarlyBad, ResultList::LaterBad}) {
    m_view.ClearRows(list);
  }
  for (ResultBox box : {ResultBox::EarlyTotal, ResultBox::LaterTotal}) m_view.SetBox(box, "0");
  for (ResultBox box : {ResultBox::EraseFail, ResultBox::ProgramFail, ResultBox::ReadFail}) m_view.SetBox(box, " 0");
  for (ResultBox box : {ResultBox::GoodBlockCount, ResultBox::ObOlbCount, ResultBox::RdtBadCount,
                        ResultBox::LaterBadCount}) {
    m_view.SetBox(box, "0");
  }
  for (ResultBox box : {ResultBox::ReadRetry, ResultBox::MultiPlane, ResultBox::ProgramMode, ResultBox::EraseMode}) {
    m_view.SetBox(box, "Enable");
  }
  m_view.SetBox(ResultBox::MpVersion, " ");
  for (ResultBox box : {ResultBox::CeMap, ResultBox::XlcEcc, ResultBox::EccXs, ResultBox::RdtLoop}) {
    m_view.SetBox(box, "0");
  }
  static constexpr std::array<std::string_view, 3> kCeRows = {"All Bad", "OB + OLB", "RBB"};
  InsertCeRows(m_view, kCeRows);

  m_counts = Counts{};
  m_pending = PendingCounts{};
  m_linesSinceFlush = 0;
  m_remembered = RememberedCe{};
}

void CScanReportReader::End() {
  Flush();
  m_view.SelectLastReportLine();
}

void CScanReportReader::Flush() {
  m_linesSinceFlush = 0;
  if (!m_pending.any) return;
  for (int list = 0; list < 2; ++list) {
    for (int row = 0; row < 3; ++row) {
      for (int column = 0; column < 9; ++column) {
        if (!m_pending.ceDirty[list][row][column]) continue;
        m_view.SetCell(list == 0 ? ResultList::CeChannel0 : ResultList::CeChannel1, row, column,
                       NumberText(m_pending.ceCells[list][row][column]));
      }
    }
  }
  if (m_pending.earlyTotal) m_view.SetBox(ResultBox::EarlyTotal, NumberText(m_counts.earlyCount));
  if (m_pending.failBoxes) {
    const FailCounts& f = m_counts.fails;
    m_view.SetBox(ResultBox::EraseFail, NumberText(f.eraseRdt, f.eraseRun));
    m_view.SetBox(ResultBox::ProgramFail, NumberText(f.programRdt, f.programRun));
    m_view.SetBox(ResultBox::ReadFail, NumberText(f.readRdt, f.readRun));
  }
  m_pending = PendingCounts{};
}

bool CScanReportReader::CountIndex(std::string_view channel, std::string_view ce, int& channelIndex,
                                   int& ceIndex) const {
  return CeIndexOf(channel, ce, channelIndex, ceIndex);
}

void CScanReportReader::PlaceCount(int channel, int ce, int row, long long value) {
  CePlace place;
  if (!PlaceCe(channel, ce, place)) return;
  const int list = place.list == ResultList::CeChannel0 ? 0 : 1;
  m_pending.ceCells[list][row][place.column] = value;
  m_pending.ceDirty[list][row][place.column] = true;
  m_pending.any = true;
}

void CScanReportReader::Line(std::string_view line) {
  m_view.AddReportLine(line);
  if (++m_linesSinceFlush == kFlushLines) Flush();
  EngineBadBlockLine& parsed = m_parsed;
  if (m_shortcut && ParseEngineBadBlockLine(line, parsed)) {
    ShortcutLine(parsed);
    return;
  }
  m_work.assign(line);

  const bool hasDie = Contains(line, "/Die_");
  const bool hasAllBadCount = Contains(line, "All Bad Block Count");
  const bool hasLaterBad = Contains(line, "LaterBad:");
  if (hasDie && !hasAllBadCount && !hasLaterBad) PerPlaneLine();
  if (hasDie || hasAllBadCount) AllBadLine(hasAllBadCount);
  if (hasLaterBad) LaterPlaneLine();

  const bool early = Contains(line, "Early Bad Block_");
  const bool later = Contains(line, "Later Bad Block_");
  const std::uint32_t marks = KindMarksOf(line);
  if (early || later || (marks & kFailKindMarks) != 0) {
    m_earlyCopy = m_work;
    m_laterCopy = m_work;
    const BadBlockFields earlyFields = ReadBadBlockFields(m_earlyCopy, true);
    const BadBlockFields laterFields = ReadBadBlockFields(m_laterCopy, false);
    if (early || later) {
      BadBlockLine(early, later, marks, earlyFields, laterFields);
      // The reading of the list the line went to stays in the working copy.
      m_work = early && ((marks & kKindOlb) == 0 || !later) ? m_earlyCopy : m_laterCopy;
    }
    if ((marks & kFailKindMarks) != 0) CountFailKind(ScanFailKindOf(early ? earlyFields.type : laterFields.type));
  }
  ValueLines(line);
}

void CScanReportReader::ShortcutLine(const EngineBadBlockLine& parsed) {
  const BadBlockFields fields{parsed.channel, parsed.ce,      parsed.die,         parsed.plane,
                              parsed.block,   parsed.address, parsed.compactKind, (parsed.marks & kKindRdtWord) != 0};
  BadBlockLine(parsed.early, !parsed.early, parsed.marks, fields, fields);
  if ((parsed.marks & kFailKindMarks) != 0) CountFailKind(parsed.failKind);
}

void CScanReportReader::PerPlaneLine() {
  const int row = m_counts.perPlaneRow++;
  RemoveBlanks(m_work);
  RemoveWords(m_work, {"Die_", "CENo_", "Plane:", "EarlyBad:", "Channel:"});
  RemovePlaneWords(m_work);
  const PerPlaneFields fields = ReadPerPlaneFields(m_work);
  const std::array<std::string_view, 7> perPlane = {fields.Channel(), fields.Ce(),    fields.Die(),   fields.Plane(0),
                                                    fields.Plane(1),  fields.Plane(2), fields.Plane(3)};
  m_view.InsertRow(ResultList::PerPlane, row, perPlane);
  m_view.InsertRow(ResultList::LaterPerPlane, row, std::span(perPlane).first(3));
  long long sum = 0;
  for (int p = 0; p < 4; ++p) sum += ReadDecimal(fields.Plane(p));
  int channel = 0;
  int ce = 0;
  if (CountIndex(fields.Channel(), fields.Ce(), channel, ce)) PlaceCount(channel, ce, 1, sum);
}

void CScanReportReader::AllBadLine(bool allBadCount) {
  RemoveBlanks(m_work);
  RemoveWords(m_work, {"Die_", "CENo_", "Plane:", "EarlyBad:", "AllBadBlockCount=", "Channel:"});
  RemovePlaneWords(m_work);
  if (!allBadCount) {
    const PerPlaneFields fields = ReadPerPlaneFields(m_work);
    Remember(fields.Channel(), fields.Ce());
  }
  if (!m_remembered.counted) return;
  const int channel = m_remembered.channel;
  const int ce = m_remembered.ce;
  if (allBadCount) {
    std::array<std::string_view, 4> fields{};  // ce, die, count, percentage
    report_text::ScanText(m_work, "%[^/]/%[^-]->%[^(](%[^)]", fields);
    m_counts.allBad[channel][ce] += static_cast<std::uint32_t>(ReadDecimal(fields[2]));
  }
  PlaceCount(channel, ce, 0, m_counts.allBad[channel][ce]);
}

void CScanReportReader::LaterPlaneLine() {
  RemoveBlanks(m_work);
  RemoveWords(m_work, {"Channel:", "LaterBad:"});
  RemovePlaneWords(m_work);
  std::array<std::string_view, 5> fields{};
  report_text::SplitFields(m_work, ',', fields);
  const int row = m_counts.laterPlaneRow++;
  for (int p = 0; p < 4; ++p) m_view.SetCell(ResultList::LaterPerPlane, row, 3 + p, fields[static_cast<std::size_t>(1 + p)]);
}

CScanReportReader::BadBlockFields CScanReportReader::ReadBadBlockFields(std::string& copy, bool early) {
  RemoveBlanks(copy);
  RemoveWords(copy, {"Channel:", "CE:", "Die:", "Plane:"});
  RemoveWord(copy, early ? "EarlyBadBlock_" : "LaterBadBlock_");
  std::array<std::string_view, 7> fields{};
  report_text::ScanText(copy, "%[^,],%[^,],%[^,],%[^;];%[^(](%[^)])%s", fields);
  return BadBlockFields{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6],
                        Contains(fields[6], "RDT")};
}

bool CScanReportReader::Remember(std::string_view channel, std::string_view ce) {
  m_remembered.counted = CountIndex(channel, ce, m_remembered.channel, m_remembered.ce);
  return m_remembered.counted;
}

void CScanReportReader::BadBlockLine(bool early, bool later, std::uint32_t marks, const BadBlockFields& earlyFields,
                                     const BadBlockFields& laterFields) {
  if ((marks & kRdtKindMarks) != 0 && Remember(earlyFields.channel, earlyFields.ce)) {
    PlaceCount(m_remembered.channel, m_remembered.ce, 2, ++m_counts.rdtBad[m_remembered.channel][m_remembered.ce]);
  }
  if (early && (marks & kKindOlb) == 0) {
    const BadBlockFields& f = earlyFields;
    const bool counted = Remember(f.channel, f.ce);
    const std::array<std::string_view, 7> cells = {f.channel, f.ce, f.die, f.plane, f.block, f.address, f.type};
    m_view.InsertRow(ResultList::EarlyBad, m_counts.earlyRow++, cells);
    ++m_counts.earlyCount;
    m_pending.earlyTotal = m_pending.any = true;
    if (!f.typeHoldsRdt && counted) {
      PlaceCount(m_remembered.channel, m_remembered.ce, 1, ++m_counts.ob[m_remembered.channel][m_remembered.ce]);
    }
  } else if (later) {
    const BadBlockFields& f = laterFields;
    const std::array<std::string_view, 7> cells = {f.channel, f.ce, f.die, f.plane, f.block, f.address, f.type};
    m_view.InsertRow(ResultList::LaterBad, m_counts.laterRow++, cells);
  }
}

void CScanReportReader::CountFailKind(ScanFailKind kind) {
  FailCounts& f = m_counts.fails;
  switch (kind) {
    case ScanFailKind::EraseRdt: ++f.eraseRdt; break;
    case ScanFailKind::ProgramRdt: ++f.programRdt; break;
    case ScanFailKind::ReadRdt: ++f.readRdt; break;
    case ScanFailKind::EraseRun: ++f.eraseRun; break;
    case ScanFailKind::ProgramRun: ++f.programRun; break;
    case ScanFailKind::ReadRun: ++f.readRun; break;
    case ScanFailKind::None: break;
  }
  m_pending.failBoxes = m_pending.any = true;
}

void CScanReportReader::ValueLines(std::string_view line) {
  const std::string_view work = report_text::TrimLeftBlanks(m_work);
  if (const ValueKey* key = FirstKeyOf(line, kCountKeys)) {
    const std::string_view value = ValueOf(work, key->box);
    m_view.SetBox(key->box, value);
    if (key->secondBox != key->box) m_view.SetBox(key->secondBox, value);
  }
  if (const ValueKey* key = FirstKeyOf(line, kSettingKeys)) m_view.SetBox(key->box, ValueOf(work, key->box));
  if (const ValueKey* key = FirstKeyOf(line, kFurtherKeys)) m_view.SetBox(key->box, ValueOf(work, key->box));
}

bool ParseScanReport(std::string_view path, CResultView& view) {
  CReportLines lines;
  if (!lines.Open(path)) return false;
  CScanReportReader reader(view);
  reader.Begin();
  std::string_view line;
  while (lines.Next(line)) reader.Line(line);
  reader.End();
  return true;
}
