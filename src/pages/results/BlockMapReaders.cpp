#include "pages/results/BlockMapReaders.h"

#include <algorithm>
#include <array>

#include "pages/results/ReportLines.h"
#include "pages/results/ReportText.h"
#include "pages/results/ScanBadBlockLine.h"

using report_text::Contains;
using report_text::ReadDecimal;

namespace {

constexpr ui::COLORREF kWhite = ui::RGB(255, 255, 255);
constexpr ui::COLORREF kBlack = ui::RGB(0, 0, 0);
constexpr ui::COLORREF kPresentCe = ui::RGB(100, 255, 255);

constexpr BlockCellMark kEarlyMark{"0_Early Bad", kBlack, kWhite};
constexpr ui::COLORREF kLaterBackground = ui::RGB(99, 55, 255);

struct KindCell {
  std::string_view kind;  // the kind as the line reads without blanks
  BlockCellMark mark;
};

constexpr ui::COLORREF kRdtKindBackground = ui::RGB(55, 0, 255);
constexpr ui::COLORREF kOlbBackground = ui::RGB(100, 100, 100);
constexpr ui::COLORREF kRunBackground = ui::RGB(204, 0, 0);

constexpr KindCell kEarlyKinds[] = {
    {"EraseBad-RDT", {"1_Erase-RDT", kRdtKindBackground, kWhite}},
    {"ProgramBad-RDT", {"2_Program-RDT", kRdtKindBackground, kWhite}},
    {"ReadBad-RDT", {"3_Read-RDT", kRdtKindBackground, kWhite}},
    {"RaidReadBad-RDT", {"4_RaidRead-RDT", kRdtKindBackground, kWhite}},
    {"Erase-OLB", {"1_Erase-OLB", kOlbBackground, kWhite}},
    {"Program-OLB", {"2_Program-OLB", kOlbBackground, kWhite}},
    {"Read-OLB", {"3_Read-OLB", kOlbBackground, kWhite}},
    {"Raid-OLB", {"4_RaidRead-OLB", kOlbBackground, kWhite}},
};

constexpr KindCell kLaterKinds[] = {
    {"EraseBad-Run", {"1_Erase-Run", kRunBackground, kWhite}},
    {"ProgramBad-Run", {"2_Program-Run", kRunBackground, kWhite}},
    {"ReadBad-Run", {"3_Read-Run", kRunBackground, kWhite}},
    {"RaidReadBad-Run", {"4_RaidRead-Run", kRunBackground, kWhite}},
};

constexpr BlockCellMark kEraseFailMark{"1_Erase Fail", ui::RGB(187, 187, 0), kBlack};
constexpr BlockCellMark kProgramFailMark{"2_Program Fail", ui::RGB(55, 0, 255), kBlack};
constexpr BlockCellMark kReadFailMark{"3_Read Fail", ui::RGB(204, 0, 0), kBlack};

// The number between the first "=" and the next ";" of a geometry line (0 without one).
int GeometryValue(std::string_view line) {
  std::array<std::string_view, 2> field{};
  report_text::ScanText(line, "%[^=]=%[^;];", field);
  return ReadDecimal(field[1]);
}

}  // namespace

CBlockMapReader::CBlockMapReader(CBlockGridView& view, BlockMapLegend kind, bool shortcut)
    : m_view(view), m_kind(kind), m_shortcut(shortcut) {}

void CBlockMapReader::Begin() {
  m_view.SetUpGrids();
  m_view.ShowLegend(m_kind);
  m_planes = m_dies = m_rows = 0;
  m_blocks = 0;
  m_records = CRdtFailRecords();
}

void CBlockMapReader::Line(std::string_view line) {
  if (m_kind == BlockMapLegend::Scan) {
    ScanLine(line);
  } else {
    RdtLine(line);
  }
}

void CBlockMapReader::GeometryLine(std::string_view line) {
  // "Plane Number" holds an "N", "Die Per Flash" an "F", "Max Block Per CE" an "M".
  if (!report_text::HoldsAnyByte(line, "NFM")) return;
  if (Contains(line, "Plane Number")) m_planes = GeometryValue(line);
  if (Contains(line, "Die Per Flash")) m_dies = GeometryValue(line);
  if (Contains(line, "Max Block Per CE")) {
    m_blocks = static_cast<long long>(GeometryValue(line)) * m_dies;
    m_rows = m_view.FillBlockGrid(m_planes, m_blocks);
  }
}

void CBlockMapReader::ScanLine(std::string_view line) {
  EngineBadBlockLine& parsed = m_parsed;
  if (m_shortcut && ParseEngineBadBlockLine(line, parsed)) {
    MarkBadBlock(parsed.channel, ReadDecimal(parsed.ce), ReadDecimal(parsed.block), parsed.early, parsed.compactKind);
    return;
  }
  if (Contains(line, "CENo_") && Contains(line, "/Die_")) CePresence(line);
  GeometryLine(line);
  const bool early = Contains(line, "Early Bad Block_");
  if (!early && !Contains(line, "Later Bad Block_")) return;
  m_work.assign(line);
  report_text::RemoveBlanks(m_work);
  for (std::string_view word : {"Channel:", "CE:", "Die:", "Plane:"}) report_text::RemoveWord(m_work, word);
  report_text::RemoveWord(m_work, early ? "EarlyBadBlock_" : "LaterBadBlock_");
  std::array<std::string_view, 7> field{};  // channel, CE, die, plane, block, address, kind
  report_text::ScanText(m_work, "%[^,],%[^,],%[^,],%[^;];%[^(](%[^)])%s", field);
  if (field[0].empty() || field[1].empty() || field[4].empty()) return;
  MarkBadBlock(field[0], ReadDecimal(field[1]), ReadDecimal(field[4]), early, field[6]);
}

void CBlockMapReader::CePresence(std::string_view line) {
  std::array<std::string_view, 4> field{};
  report_text::ScanText(line, "%[^_]_%[^/]/%[^_]_%[^-]-", field);
  const int ce = ReadDecimal(field[1]);
  if (ce < 0 || ce > 15) return;
  const int grid = ce < 8 ? 0 : 1;
  const int column = kBlockGroupColumns * (ce % 8) + 1;
  const long long lastRow = std::min<long long>(m_blocks / 16, m_rows - 1LL);
  for (long long row = 0; row <= lastRow; ++row) m_view.ColourCell(grid, static_cast<int>(row), column, kPresentCe);
}

bool CBlockMapReader::PlaceBlock(std::string_view channel, int ce, long long block, int& grid, int& row,
                                 int& column) const {
  if (channel == "0") {
    grid = 0;
  } else if (channel == "1") {
    grid = 1;
  } else {
    return false;
  }
  if (block < 0 || block / 16 >= m_rows) return false;
  row = static_cast<int>(block / 16);
  column = 2 + kBlockGroupColumns * (ce % 8) + static_cast<int>(block % 16);
  return column >= 0 && column < kBlockGridColumns;
}

void CBlockMapReader::MarkBadBlock(std::string_view channel, int ce, long long block, bool early,
                                   std::string_view kind) {
  int grid = 0;
  int row = 0;
  int column = 0;
  if (!PlaceBlock(channel, ce, block, grid, row, column)) return;
  if (early) {
    m_view.MarkCell(grid, row, column, kEarlyMark);
  } else {
    m_view.MarkCell(grid, row, column, BlockCellMark{"1_Later Bad", kLaterBackground, grid == 0 ? kBlack : kWhite});
  }
  for (const KindCell& known : early ? std::span<const KindCell>(kEarlyKinds) : std::span<const KindCell>(kLaterKinds)) {
    if (known.kind == kind) {
      m_view.MarkCell(grid, row, column, known.mark);
      break;
    }
  }
}

void CBlockMapReader::RdtLine(std::string_view line) {
  RdtFailRecord& record = m_record;
  // The log reader's own bad-block rows hold no geometry key: only their record counts.
  if (m_shortcut && m_records.EngineRow(line, record)) {
    MarkFailRecord(record);
    return;
  }
  GeometryLine(line);
  if (m_records.Line(line, record)) MarkFailRecord(record);
}

void CBlockMapReader::MarkFailRecord(const RdtFailRecord& record) {
  std::uint32_t block = 0;
  if (record.channel.empty() || record.ce.empty() || !report_text::ReadBlockNumber(record.block, block)) return;
  int grid = 0;
  int row = 0;
  int column = 0;
  if (!PlaceBlock(record.channel, ReadDecimal(record.ce), block, grid, row, column)) return;
  switch (record.kind) {
    case RdtFailKind::FactoryBad:
      m_view.MarkCell(grid, row, column, kEarlyMark);
      break;
    case RdtFailKind::EraseFail:
      m_view.MarkCell(grid, row, column, kEraseFailMark);
      break;
    case RdtFailKind::ProgramFail:
      m_view.MarkCell(grid, row, column, kProgramFailMark);
      break;
    case RdtFailKind::ReadUncorrectable:
    case RdtFailKind::ReadOverThreshold:
    case RdtFailKind::ReadCompare:
      m_view.MarkCell(grid, row, column, kReadFailMark);
      break;
    case RdtFailKind::TriggerTimeOut:
      break;  // not a kind of the block map
  }
}

namespace {

bool ReadBlockReport(std::string_view path, CBlockGridView& view, BlockMapLegend kind) {
  CBlockMapReader reader(view, kind);
  reader.Begin();
  CReportLines lines;
  if (!lines.Open(path)) return false;
  std::string_view line;
  while (lines.Next(line)) reader.Line(line);
  return true;
}

}  // namespace

bool ParseScanBlockReport(std::string_view path, CBlockGridView& view) {
  return ReadBlockReport(path, view, BlockMapLegend::Scan);
}

bool ParseRdtBlockReport(std::string_view path, CBlockGridView& view) {
  return ReadBlockReport(path, view, BlockMapLegend::Rdt);
}
