#include "pages/results/RdtFailRecords.h"

#include <array>
#include <string>

#include "engine/rdtlog/BadBlockLog.h"
#include "engine/rdtlog/SdrLog.h"
#include "engine/rdtlog/SpecialTestLog.h"
#include "engine/rdtlog/TemperatureLog.h"
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

}  // namespace

bool FailKindOf(std::string_view type, RdtFailKind& kind) {
  for (const FailName& name : kFailNames) {
    if (type.size() < name.name.size() || type[0] != name.name[0] ||
        type.compare(0, name.name.size(), name.name) != 0) {
      continue;
    }
    const std::string_view remark = type.substr(name.name.size());
    if (remark.empty() || (remark.size() >= 2 && remark.front() == '(' && remark.back() == ')')) {
      kind = name.kind;
      return true;
    }
  }
  return false;
}

bool CRdtFailRecords::Line(std::string_view line, RdtFailRecord& record) {
  const std::string_view text = report_text::TrimLeftBlanks(line);
  if (const RdtTable table = TableOfHeader(text); table != RdtTable::None) {
    m_table = table;
    return false;
  }
  std::array<std::string_view, kBadBlockFields> field{};
  const std::string_view first = text.substr(0, text.find(','));
  if (FailKindOf(first, record.kind)) {
    report_text::SplitFields(text, ',', field);
    record = RdtFailRecord{record.kind, RdtTable::BadBlock, field[0], field[1], field[2], field[3], field[4], field[5],
                           field[6], field[7], field[8], field[11], field[12]};
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
    record = RdtFailRecord{record.kind, RdtTable::SpecialTest, field[10], field[1], field[2], field[3], field[4],
                           field[5], {}, {}, {}, field[7], {}};
  } else {
    // CE_No, Channel_No, Plane_No, Block_No, Raw_bit_Error, Retry_Count, Temp., Failed_Type.
    record = RdtFailRecord{record.kind, RdtTable::BakingTest, field[7], field[0], field[1], field[2], field[3],
                           {}, {}, {}, {}, field[4], {}};
  }
  return true;
}
