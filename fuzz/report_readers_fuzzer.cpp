// libFuzzer target of the result pages' report readers: the scan-report reader, the RDT-report
// reader in its three readings and both section styles, and the block map's two readers. The
// first byte of an input chooses the section style; the rest is the report, read line by line
// as the pages read it. The readers' one-pass reading of the scan's bad-block lines and of the
// RDT log reader's bad-block rows must do exactly what their general reading does: the target
// stops on any difference.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "pages/results/BlockMapReaders.h"
#include "pages/results/RdtReportReader.h"
#include "pages/results/ReportLines.h"
#include "pages/results/ScanReportReader.h"

namespace {

// Writes every call into one text, so that two readings can be compared.
class RecordingView final : public CResultView {
 public:
  void ClearReportLines() override { m_log += "clear\n"; }
  void AddReportLine(std::string_view line) override { Add("line", line); }
  void SelectLastReportLine() override { m_log += "select\n"; }
  void DebugLine(std::string_view text) override { Add("debug", text); }
  void ClearRows(ResultList list) override { Add("rows", std::to_string(static_cast<int>(list))); }
  int InsertRow(ResultList list, int row, std::span<const std::string_view> cells) override {
    Add("insert", std::to_string(static_cast<int>(list)) + "/" + std::to_string(row));
    for (std::string_view cell : cells) Add("cell", cell);
    return row;
  }
  void SetCell(ResultList list, int row, int column, std::string_view text) override {
    Add("set", std::to_string(static_cast<int>(list)) + "/" + std::to_string(row) + "/" + std::to_string(column));
    Add("text", text);
  }
  void SetBox(ResultBox box, std::string_view text) override {
    Add("box", std::to_string(static_cast<int>(box)));
    Add("text", text);
  }
  const std::string& Log() const { return m_log; }

 private:
  void Add(const char* what, std::string_view text) {
    m_log += what;
    m_log += ':';
    m_log.append(text);
    m_log += '\n';
  }
  std::string m_log;
};

// A block grid that keeps the rows made and checks every cell the readers mark.
class RecordingGrid final : public CBlockGridView {
 public:
  void SetUpGrids() override { m_log += "grids\n"; }
  void ShowLegend(BlockMapLegend legend) override { m_log += legend == BlockMapLegend::Scan ? "scan\n" : "rdt\n"; }
  int FillBlockGrid(int planes, long long blocks) override {
    if ((planes == 2 || planes == 4) && blocks >= 0 && blocks <= kMaxGridBlocks &&
        m_rows + blocks / 16 + 1 <= kMaxGridRows) {
      m_rows += static_cast<int>(blocks / 16) + 1;
    }
    m_log += "fill:" + std::to_string(m_rows) + "\n";
    return m_rows;
  }
  void ColourCell(int grid, int row, int column, ui::COLORREF background) override {
    Check(grid, row, column);
    m_log += "colour:" + std::to_string(row) + "/" + std::to_string(column) + "/" + std::to_string(background) + "\n";
  }
  void MarkCell(int grid, int row, int column, const BlockCellMark& mark) override {
    Check(grid, row, column);
    m_log += "mark:" + std::to_string(grid) + "/" + std::to_string(row) + "/" + std::to_string(column) + ":";
    m_log.append(mark.text);
    m_log += "\n";
  }
  const std::string& Log() const { return m_log; }

 private:
  void Check(int grid, int row, int column) const {
    if (grid < 0 || grid > 1 || row < 0 || row >= m_rows || column < 0 || column >= kBlockGridColumns) std::abort();
  }
  int m_rows = 0;
  std::string m_log;
};

template <class Reader>
void ReadAll(std::string_view text, Reader& reader) {
  CReportLines lines;
  lines.OpenText(text);
  std::string_view line;
  while (lines.Next(line)) {
    if (line.size() > kReportReadChars) std::abort();
    reader.Line(line);
  }
}

std::string ScanReading(std::string_view text, bool shortcut) {
  RecordingView view;
  CScanReportReader reader(view, shortcut);
  reader.Begin();
  ReadAll(text, reader);
  reader.End();
  return view.Log();
}

std::string BlockReading(std::string_view text, BlockMapLegend kind, bool shortcut) {
  RecordingGrid grid;
  CBlockMapReader reader(grid, kind, shortcut);
  reader.Begin();
  ReadAll(text, reader);
  return grid.Log();
}

std::string RdtReportReading(std::string_view text, RdtReading reading, int style, bool shortcut) {
  RecordingView view;
  CRdtReportReader reader(view, reading, style, shortcut);
  reader.Begin();
  ReadAll(text, reader);
  reader.End();
  const std::vector<std::string> summary = reader.SummaryLines();
  if (summary.size() > kRdtSummaryCes) std::abort();
  std::string log = view.Log();
  for (const std::string& line : summary) log += "summary:" + line + "\n";
  return log;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int style = data[0] & 1;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  if (ScanReading(text, true) != ScanReading(text, false)) std::abort();
  if (BlockReading(text, BlockMapLegend::Scan, true) != BlockReading(text, BlockMapLegend::Scan, false)) std::abort();
  if (BlockReading(text, BlockMapLegend::Rdt, true) != BlockReading(text, BlockMapLegend::Rdt, false)) std::abort();
  for (RdtReading reading : {RdtReading::LaterBadPage, RdtReading::RdtPageLoadData, RdtReading::RdtPageWorker}) {
    if (RdtReportReading(text, reading, style, true) != RdtReportReading(text, reading, style, false)) std::abort();
  }
  return 0;
}
