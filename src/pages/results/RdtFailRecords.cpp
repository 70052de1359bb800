#include "pages/results/RdtFailRecords.h"

#include <array>
#include <string>

#include "engine/rdtlog/BadBlockLog.h"
#include "engine/rdtlog/SdrLog.h"
#include "engine/rdtlog/SpecialTestLog.h"
#include "engine/rdtlog/TemperatureLog.h"
#include "pages/results/ReportLineCursor.h"
#include "pages/results/ReportText.h"

namespace {

struct FailName {
  std::string_view name;
  RdtFailKind kind;
};

constexpr FailName kFailNames[] = {
    {"Factory bad block", RdtFailKind::FactoryBad},
    {"Erase fail", RdtFailKind::EraseFail},
    {"Program fail", RdtFailKind::ProgramFail},
    {"Read uncorrectable fail", RdtFailKind::ReadUncorrectable},
    {"Read correctable bit over threshold", RdtFailKind::ReadOverThreshold},
    {"Read data compare fail", RdtFailKind::ReadCompare},
    {"Trigger command time out", RdtFailKind::TriggerTimeOut},
};

constexpr std::size_t kBadBlockFields = 13;
constexpr std::size_t kSpecialTestFields = 11;
constexpr std::size_t kBakingTestFields = 8;

struct TableHeader {
  std::string_view text;
  RdtTable table;
};

// The column headers the RDT log reader writes, with the table each opens.
const std::array<TableHeader, 8>& TableHeaders() {
  static const std::array<TableHeader, 8> headers = {{
      {kBadBlockReportColumns, RdtTable::BadBlock},
      {SpecialSectionColumns(SpecialSection::TlcSpecial), RdtTable::SpecialTest},
      {SpecialSectionColumns(SpecialSection::TlcBaking), RdtTable::BakingTest},
      {kLoopMarkColumns, RdtTable::Other},
      {kDdrColumns, RdtTable::Other},
      {kTemperatureColumns, RdtTable::Other},
      {kBadBlockCsvColumns, RdtTable::Other},
      {kEccBitCsvColumns, RdtTable::Other},
  }};
  return headers;
}

RdtTable TableOfHeader(std::string_view line) {
  for (const TableHeader& header : TableHeaders()) {
    if (line.size() == header.text.size() && line == header.text) return header.table;
  }
  return RdtTable::None;
}

// The fields every table gives; the others are emptied.
void SetRecord(RdtFailRecord& record, RdtTable table, std::string_view type, std::string_view ce,
               std::string_view channel, std::string_view plane, std::string_view block, std::string_view page) {
  record.table = table;
  record.type = type;
  record.ce = ce;
  record.channel = channel;
  record.plane = plane;
  record.block = block;
  record.page = page;
  // One by one: a chained assignment would read each field back right after its write.
  record.totalLoop = {};
  record.runLoop = {};
  record.runCycle = {};
  record.ecc = {};
  record.timeStamp = {};
}

}  // namespace

namespace {

// The fail-type name the text starts with (no name starts another).
const FailName* FailNameAtStart(std::string_view text) {
  for (const FailName& name : kFailNames) {
    if (text.size() >= name.name.size() && text[0] == name.name[0] &&
        CReportLineCursor::SameBytes(text.data(), name.name.data(), name.name.size())) {
      return &name;
    }
  }
  return nullptr;
}

// The fields of a bad-block log row, field(i) for column i.
template <class Field>
void SetBadBlockRecord(RdtFailRecord& record, Field field) {
  // Fail Type, CE, Channel, plane, Physical block address, page number, Total Loop, Run Loop,
  // Run Cycle, Step number, Stage number, Over threshold correctable bit, Time Stamp.
  SetRecord(record, RdtTable::BadBlock, field(0), field(1), field(2), field(3), field(4), field(5));
  record.totalLoop = field(6);
  record.runLoop = field(7);
  record.runCycle = field(8);
  record.ecc = field(11);
  record.timeStamp = field(12);
}

// The remarks the log reader writes after a fail-type name: "(9)" or "(data all 0xff)", then
// "(SLC Mode)", each one optional.
void TakeEngineRemarks(CReportLineCursor& cursor) {
  if (cursor.Rest().empty() || cursor.Rest().front() != '(') return;
  if (!cursor.Literal("(9)")) cursor.Literal("(data all 0xff)");
  cursor.Literal("(SLC Mode)");
}

// Every key the readers look for in lines other than fail records holds one of these bytes:
// "[" (section, total and summary lines), "D" and "T" ("RDT" of the RDT value and setting
// lines), "D", "F", "M" and "l" (the block map's "Die Per Flash", "Plane Number", "Max Block
// Per CE"), "F" and "T" (table headers: "Fail Type"). The log reader writes none of them after
// the type of a bad-block row. The scanner finds them and the commas in one pass.
const report_text::CSeparatorScanner& RowScanner() {
  static const report_text::CSeparatorScanner scanner(',', "[DFMTl");
  return scanner;
}

}  // namespace

bool FailKindOf(std::string_view type, RdtFailKind& kind) {
  const FailName* const name = FailNameAtStart(type);
  if (name == nullptr) return false;
  const std::string_view remark = type.substr(name->name.size());
  if (!remark.empty() && (remark.size() < 2 || remark.front() != '(' || remark.back() != ')')) return false;
  kind = name->kind;
  return true;
}

bool CRdtFailRecords::EngineRow(std::string_view line, RdtFailRecord& record) {
  CReportLineCursor cursor(line);
  cursor.SkipSpaces();
  const std::string_view text = cursor.Rest();
  const FailName* const name = FailNameAtStart(text);
  if (name == nullptr) return false;
  cursor.Skip(name->name.size());
  TakeEngineRemarks(cursor);
  const std::string_view rest = cursor.Rest();
  if (rest.empty() || rest.front() != ',') return false;
  // Twelve commas and no byte of a key after the type: the fields are those the general
  // reading splits (it reads thirteen).
  std::array<std::size_t, kBadBlockFields + 1> comma;
  const report_text::SeparatorScan scan = RowScanner().Scan(rest, comma);
  if (scan.refused || scan.separators != kBadBlockFields - 1) return false;
  comma[kBadBlockFields - 1] = rest.size();
  const auto field = [&](std::size_t i) {
    if (i == 0) return text.substr(0, text.size() - rest.size());
    return std::string_view(rest.data() + comma[i - 1] + 1, comma[i] - comma[i - 1] - 1);
  };
  SetBadBlockRecord(record, field);
  record.kind = name->kind;
  return true;
}

bool CRdtFailRecords::Line(std::string_view line, RdtFailRecord& record) {
  const std::string_view text = report_text::TrimLeftBlanks(line);
  if (const RdtTable table = TableOfHeader(text); table != RdtTable::None) {
    m_table = table;
    return false;
  }
  std::array<std::string_view, kBadBlockFields>& field = m_field;
  const std::string_view first = text.substr(0, text.find(','));
  if (FailKindOf(first, record.kind)) {
    report_text::SplitFields(text, ',', field);
    SetBadBlockRecord(record, [&field](std::size_t i) { return field[i]; });
    return true;
  }
  if (m_table != RdtTable::SpecialTest && m_table != RdtTable::BakingTest) return false;
  const std::size_t expected = m_table == RdtTable::SpecialTest ? kSpecialTestFields : kBakingTestFields;
  // One field more than the layout is read, so that a row with too many fields is refused.
  const std::size_t found = static_cast<std::size_t>(
      report_text::SplitFields(text, ',', std::span(field).first(expected + 1)));
  if (found != expected || !FailKindOf(field[expected - 1], record.kind)) return false;
  if (m_table == RdtTable::SpecialTest) {
    // Cycle, CE_No, Channel_No, Plane_No, Block_No, Page_No, Max_tProgram(ms), Raw_bit_Error,
    // Retry_Count, Temp., Failed_Type.
    SetRecord(record, RdtTable::SpecialTest, field[10], field[1], field[2], field[3], field[4], field[5]);
    record.ecc = field[7];
  } else {
    // CE_No, Channel_No, Plane_No, Block_No, Raw_bit_Error, Retry_Count, Temp., Failed_Type.
    SetRecord(record, RdtTable::BakingTest, field[7], field[0], field[1], field[2], field[3], {});
    record.ecc = field[4];
  }
  return true;
}
