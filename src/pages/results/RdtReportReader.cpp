#include "pages/results/RdtReportReader.h"

#include "pages/results/ReportLines.h"
#include "pages/results/ReportText.h"
#include "platform/Text.h"

using report_text::Contains;
using report_text::NumberText;
using report_text::ReadDecimal;
using report_text::RemoveBlanks;
using report_text::RemoveWord;
using report_text::ReplaceWord;

namespace {

// Lines between two hand-overs of the fail counts to the view.
constexpr int kFlushLines = 65536;

constexpr std::array<std::string_view, 3> kCeRowNames = {"All Bad", "OBB", "RBB"};
constexpr std::string_view kSectionMarkers[2][3] = {{"[OB]", "[RB]", "[RB_SLC]"},
                                                    {"[Early Bad]", "[Later Bad]", "[A2Later Bad]"}};
constexpr std::string_view kPlaneWords[] = {"Plane0=", "Plane1=", "Plane2=", "Plane3="};

struct SettingKey {
  std::string_view key;
  ResultBox box;
};
// The RDT setting lines of the later-bad page, after the fail records.
constexpr SettingKey kSettingKeys[] = {
    {"RDT Info_Erase Mode", ResultBox::EraseMode},     {"RDT Info_Program Mode", ResultBox::ProgramMode},
    {"RDT Info_Read Mode", ResultBox::MultiPlane},     {"RDT Info_Read Retry", ResultBox::ReadRetry},
    {"RDT Info_CE Map", ResultBox::CeMap},             {"RDT Info_CacheTest", ResultBox::CacheMode},
    {"RDT Info_ReTest", ResultBox::ReRdt},
};

}  // namespace

CRdtReportReader::CRdtReportReader(CResultView& view, RdtReading reading, int sectionStyle, bool shortcut)
    : m_view(view),
      m_reading(reading),
      m_style(reading == RdtReading::RdtPageWorker || sectionStyle == 0 ? 0 : 1),
      m_shortcut(shortcut) {}

void PrepareRdtPageLists(CResultView& view) {
  for (ResultList list : {ResultList::PerPlane, ResultList::EarlyBad, ResultList::CeChannel0, ResultList::CeChannel1,
                          ResultList::LaterBad}) {
    view.ClearRows(list);
  }
  for (ResultBox box : {ResultBox::EraseFail, ResultBox::ProgramFail, ResultBox::ReadFail, ResultBox::RdtTotalTime}) {
    view.SetBox(box, "");
  }
  InsertCeRows(view, kCeRowNames);
  for (ResultBox box : {ResultBox::EccXs, ResultBox::RdtVersion, ResultBox::RdtTemperature}) view.SetBox(box, "");
}

void CRdtReportReader::Begin() {
  m_view.ClearReportLines();
  switch (m_reading) {
    case RdtReading::LaterBadPage:
      for (ResultList list : {ResultList::CeChannel0, ResultList::CeChannel1, ResultList::EarlyBad,
                              ResultList::LaterBad, ResultList::PerPlane}) {
        m_view.ClearRows(list);
      }
      for (ResultBox box : {ResultBox::EraseFail, ResultBox::ProgramFail, ResultBox::ReadFail}) m_view.SetBox(box, " 0");
      m_view.SetBox(ResultBox::RdtTotalTime, "");
      InsertCeRows(m_view, kCeRowNames);
      m_view.SetBox(ResultBox::EccXs, "");
      break;
    case RdtReading::RdtPageLoadData:
      for (ResultList list : {ResultList::PerPlane, ResultList::EarlyBad, ResultList::CeChannel0,
                              ResultList::CeChannel1, ResultList::LaterBad}) {
        m_view.ClearRows(list);
      }
      for (ResultBox box : {ResultBox::EraseFail, ResultBox::ProgramFail, ResultBox::ReadFail,
                            ResultBox::RdtTotalTime, ResultBox::EccXs}) {
        m_view.SetBox(box, "");
      }
      InsertCeRows(m_view, kCeRowNames);
      break;
    case RdtReading::RdtPageWorker:
      break;  // the worker prepared the page before it read the drive
  }
  m_records = CRdtFailRecords();
  m_sectionRows = m_dataRow = 0;
  m_obSum = 0;
  m_erase = m_program = m_read = 0;
  m_earlyRow = m_laterRow = 0;
  m_failBoxesPending = false;
  m_linesSinceFlush = 0;
  m_summary = {};
}

void CRdtReportReader::End() {
  FlushFailBoxes();
  m_view.SelectLastReportLine();
}

void CRdtReportReader::FlushFailBoxes() {
  m_linesSinceFlush = 0;
  if (!m_failBoxesPending) return;
  m_failBoxesPending = false;
  m_view.SetBox(ResultBox::EraseFail, NumberText(m_erase));
  m_view.SetBox(ResultBox::ProgramFail, NumberText(m_program));
  m_view.SetBox(ResultBox::ReadFail, NumberText(m_read));
  if (LaterBadPage()) m_view.SetBox(ResultBox::RdtBadCount, NumberText(m_erase + m_program + m_read));
}

bool CRdtReportReader::IsSectionMarker(std::string_view line) const {
  for (std::string_view marker : kSectionMarkers[m_style]) {
    if (Contains(line, marker)) return true;
  }
  return false;
}

void CRdtReportReader::Line(std::string_view line) {
  m_view.AddReportLine(line);
  if (++m_linesSinceFlush == kFlushLines) FlushFailBoxes();
  if (!LaterBadPage()) m_view.DebugLine(line);
  RdtFailRecord& record = m_record;
  // The log reader's own bad-block rows hold none of the keys below: only their record counts.
  if (m_shortcut && m_records.EngineRow(line, record)) {
    FailRecord(record);
    return;
  }
  const bool failRecord = m_records.Line(line, record);

  // Every key of the cases below but the fail records holds "[" or "RDT".
  const bool bracket = line.find('[') != std::string_view::npos;
  if (bracket) {
    const bool marker = IsSectionMarker(line);
    if (marker || (Contains(line, "[total]") && Contains(line, "CE_"))) {
      m_work.assign(line);
      SectionOrTotalLine(line, marker);
      return;
    }
  }
  if (Contains(line, "RDT")) {
    const std::string_view text = report_text::TrimLeftBlanks(line);
    if (Contains(line, "RDT Total testing time")) {
      m_view.SetBox(ResultBox::RdtTotalTime, report_text::TextAfterEqualsUpToDot(text));
      return;
    }
    if (Contains(line, "RDT_Temperature")) {
      m_view.SetBox(ResultBox::RdtTemperature, report_text::RestAfterEquals(text));
      return;
    }
    if (Contains(line, "RDT_FWVersion")) {
      m_view.SetBox(ResultBox::RdtVersion, report_text::WordRightAfterEquals(text));
      return;
    }
    if (LaterBadPage() && Contains(line, "RDT Info_RDT ECC")) {
      m_view.SetBox(ResultBox::EccXs, report_text::WordAfterEquals(text));
      return;
    }
    if (LaterBadPage() && Contains(line, "RDT Info_RDT Loop")) {
      m_view.SetBox(ResultBox::RdtLoop, report_text::WordAfterEquals(text));
      return;
    }
  }
  if (failRecord) {
    FailRecord(record);
    return;
  }
  if (LaterBadPage() && Contains(line, "RDT Info_")) {
    for (const SettingKey& key : kSettingKeys) {
      if (Contains(line, key.key)) {
        m_view.SetBox(key.box, report_text::WordAfterEquals(report_text::TrimLeftBlanks(line)));
        break;
      }
    }
  }
}

void CRdtReportReader::SectionOrTotalLine(std::string_view line, bool marker) {
  if (marker) {
    RemoveBlanks(m_work);
    RemoveWord(m_work, "[");
    if (m_reading != RdtReading::RdtPageWorker) {
      if (m_style == 1) {
        ReplaceWord(m_work, "A2LaterBad", "SLC Bad");
        ReplaceWord(m_work, "EarlyBad", "OB");
        ReplaceWord(m_work, "LaterBad", "TLC Bad");
      } else {
        ReplaceWord(m_work, "RB_SLC", "SLC Bad");
        ReplaceWord(m_work, "RB", "TLC Bad");
      }
    }
    const std::string_view name = std::string_view(m_work).substr(0, m_work.find(']'));
    const std::array<std::string_view, 1> cells = {name};
    m_view.InsertRow(ResultList::PerPlane, m_sectionRows++, cells);
  }
  if (Contains(line, "[total]") && Contains(line, "CE_") && Contains(line, "CH_")) {
    TotalLine(line);
    return;
  }
  if (marker) SectionData();
}

void CRdtReportReader::TotalLine(std::string_view) {
  RemoveBlanks(m_work);
  for (std::string_view word : {"[total]", "CE_", "CH_", "AllBad="}) RemoveWord(m_work, word);
  if (m_style == 1) {
    RemoveWord(m_work, "ManufactureBad=");
    RemoveWord(m_work, "RDTBad=");
  } else {
    RemoveWord(m_work, "OB=");
    RemoveWord(m_work, "RB=");
  }
  // The later-bad page cuts the SLC tail off in style 0 only; the RDT page always does.
  std::string tail;
  if (m_style == 0 || !LaterBadPage()) {
    const std::size_t open = m_work.find('(');
    if (open != std::string::npos && open >= 1) {
      tail = m_work.substr(open);
      m_work.resize(open);
    }
  }
  std::array<std::string_view, 5> field{};  // CE, CH, all bad, OB, RB
  report_text::ScanText(m_work, "%[^,],%[^:]:%[^,],%[^,],%[^,]", field);
  CePlace place;
  if (PlaceCe(field[1], field[0], place)) {
    for (int row = 0; row < 3; ++row) m_view.SetCell(place.list, row, place.column, field[static_cast<std::size_t>(2 + row)]);
  }
  int channel = 0;
  int ce = 0;
  if (!KeepsSummary() || !CeIndexOf(field[1], field[0], channel, ce)) return;
  RdtCeSummary& summary = m_summary[static_cast<std::size_t>(ce)];
  summary.allBad = ReadDecimal(field[2]);
  summary.ob = ReadDecimal(field[3]);
  summary.rb = ReadDecimal(field[4]);
  if (m_style == 0 && !tail.empty()) {
    for (std::string_view word : {"(SLCEB:", "SLCPB:", "SLCRB:"}) RemoveWord(tail, word);
    std::array<std::string_view, 3> slc{};
    report_text::SplitFields(tail, '/', slc);
    summary.slcEarlyBad = ReadDecimal(slc[0]);
    summary.slcProgramBad = ReadDecimal(slc[1]);
    summary.slcReadBad = ReadDecimal(slc[2]);
  }
}

void CRdtReportReader::SectionData() {
  RemoveBlanks(m_work);
  if (m_reading == RdtReading::RdtPageWorker) {
    for (std::string_view word : {"OB]", "RB_SLC]", "RB]"}) RemoveWord(m_work, word);
  } else {
    for (std::string_view word : {"OB]", "SLCBad]", "TLCBad]"}) RemoveWord(m_work, word);
  }
  RemoveWord(m_work, "CH:");
  RemoveWord(m_work, "CE:");
  for (std::string_view word : kPlaneWords) RemoveWord(m_work, word);
  std::array<std::string_view, 6> field{};  // CE, CH, Plane0..Plane3
  report_text::SplitFields(m_work, ',', field);
  const int row = m_dataRow++;
  m_view.SetCell(ResultList::PerPlane, row, 1, field[1]);
  m_view.SetCell(ResultList::PerPlane, row, 2, field[0]);
  for (int p = 0; p < 4; ++p) m_view.SetCell(ResultList::PerPlane, row, 3 + p, field[static_cast<std::size_t>(2 + p)]);
  if (!LaterBadPage()) return;
  if (row % 3 == 0) {
    for (int p = 0; p < 4; ++p) m_obSum += ReadDecimal(field[static_cast<std::size_t>(2 + p)]);
  }
  m_view.SetBox(ResultBox::ObOlbCount, NumberText(m_obSum));
  m_view.DebugLine(m_work);
}

void CRdtReportReader::FailRecord(const RdtFailRecord& record) {
  if (record.kind == RdtFailKind::FactoryBad) {
    const std::array<std::string_view, 10> cells = {record.channel,  record.ce,      record.plane,   record.block,
                                                    record.page,     record.totalLoop, record.runLoop, record.runCycle,
                                                    record.timeStamp, record.type};
    m_view.InsertRow(ResultList::EarlyBad, m_earlyRow++, cells);
    return;
  }
  const std::array<std::string_view, 10> cells = {record.channel, record.ce,       record.plane,   record.block,
                                                  record.page,    record.totalLoop, record.runLoop, record.runCycle,
                                                  record.ecc,     record.type};
  m_view.InsertRow(ResultList::LaterBad, m_laterRow++, cells);
  const int ce = ReadDecimal(record.ce);
  RdtCeSummary* summary = m_style == 1 && KeepsSummary() && ce >= 0 && ce < kRdtSummaryCes
                              ? &m_summary[static_cast<std::size_t>(ce)]
                              : nullptr;
  if (record.kind == RdtFailKind::EraseFail) {
    ++m_erase;
    if (summary) ++summary->erase;
  } else if (record.kind == RdtFailKind::ProgramFail) {
    ++m_program;
    if (summary) ++summary->program;
  } else {
    ++m_read;
    if (summary) ++summary->read;
  }
  m_failBoxesPending = true;
}

std::vector<std::string> CRdtReportReader::SummaryLines() const {
  std::vector<std::string> lines;
  for (int ce = 0; ce < kRdtSummaryCes; ++ce) {
    const RdtCeSummary& s = m_summary[static_cast<std::size_t>(ce)];
    if (s.allBad == -1) continue;
    lines.push_back(platform::Format("[total]CE%d,CH%d:AllB=%d,OB=%d,RB=%d(SLCEB:%d/SLCPB:%d/SLCRB:%d/E:%d/P:%d/R:%d)",
                                     ce, ce / 8, s.allBad, s.ob, s.rb, s.slcEarlyBad, s.slcProgramBad, s.slcReadBad,
                                     s.erase, s.program, s.read));
  }
  return lines;
}

bool ParseRdtReport(std::string_view path, CResultView& view, int sectionStyle, RdtReading reading,
                    std::vector<std::string>* summary) {
  CReportLines lines;
  if (!lines.Open(path)) return false;
  CRdtReportReader reader(view, reading, sectionStyle);
  reader.Begin();
  std::string_view line;
  while (lines.Next(line)) reader.Line(line);
  reader.End();
  if (summary) *summary = reader.SummaryLines();
  return true;
}
