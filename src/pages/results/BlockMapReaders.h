#pragma once
// The block map's report readers: they fill the two block grids of CBlockMapDlg (one per
// flash channel, 137 columns: a hidden label column, then eight CE groups of a label column
// and 16 block columns) through a view, so that they run without a window.
//  - ParseScanBlockReport (scan reports): the geometry, the CEs present (their label columns
//    coloured), one cell per early or later bad block with its kind;
//  - ParseRdtBlockReport (RDT reports): the geometry and one cell per failed block of the
//    fail records (RdtFailRecords.h).
// A bad block of channel text "0" goes to grid 0, of "1" to grid 1, at row block / 16 and
// column 2 + 17 x (CE mod 8) + block mod 16. A cell outside the grid made so far, and a line
// without its channel, CE and block, mark nothing.
#include <string>
#include <string_view>

#include "pages/results/RdtFailRecords.h"
#include "pages/results/ScanBadBlockLine.h"
#include "ui/Types.h"

enum class BlockMapLegend { Scan, Rdt };

struct BlockCellMark {
  std::string_view text;
  ui::COLORREF background = 0;
  ui::COLORREF textColor = 0;
};

inline constexpr int kBlockGridColumns = 137;
inline constexpr int kBlockGroupColumns = 17;
inline constexpr int kBlockGridGroups = 8;
// Blocks in one grid at most. A CE's block count is its blocks per die times its dies, and no
// flash has a quarter million blocks behind one chip enable (eight dies of 32,768 blocks): a
// report that claims more is garbled, and its grids get no rows, as for an unknown plane count.
// Its rows, 137 cells each in both grids, would take over 180 MB and long to fill.
inline constexpr long long kMaxGridBlocks = 262144;
inline constexpr int kMaxGridRows = static_cast<int>(kMaxGridBlocks / 16) + 1;

class CBlockGridView {
 public:
  virtual ~CBlockGridView() = default;
  // The columns of both grids and their grid lines.
  virtual void SetUpGrids() = 0;
  virtual void ShowLegend(BlockMapLegend legend) = 0;
  // FillBlockGrid of the dialog: rows for a plane count of 2 or 4; returns the rows each grid
  // has afterwards.
  virtual int FillBlockGrid(int planes, long long blocks) = 0;
  // Background of one cell of a CE's label column.
  virtual void ColourCell(int grid, int row, int column, ui::COLORREF background) = 0;
  // Background, text colour and text of one cell, in that order.
  virtual void MarkCell(int grid, int row, int column, const BlockCellMark& mark) = 0;
};

class CBlockMapReader {
 public:
  // shortcut: recognise the scan's bad-block lines and the RDT log reader's bad-block rows in
  // one pass (ScanBadBlockLine.h, RdtFailRecords.h); off, every line takes the general reading.
  CBlockMapReader(CBlockGridView& view, BlockMapLegend kind, bool shortcut = true);
  void Begin();
  void Line(std::string_view line);

 private:
  void GeometryLine(std::string_view line);
  void ScanLine(std::string_view line);
  void RdtLine(std::string_view line);
  void MarkFailRecord(const RdtFailRecord& record);
  void CePresence(std::string_view line);
  void MarkBadBlock(std::string_view channel, int ce, long long block, bool early, std::string_view kind);
  bool PlaceBlock(std::string_view channel, int ce, long long block, int& grid, int& row, int& column) const;

  CBlockGridView& m_view;
  const BlockMapLegend m_kind;
  const bool m_shortcut;
  int m_planes = 0;
  int m_dies = 0;
  long long m_blocks = 0;
  int m_rows = 0;
  std::string m_work;
  CRdtFailRecords m_records;
  // The readings of the current line, kept to spare their set-up per line.
  RdtFailRecord m_record;
  EngineBadBlockLine m_parsed;
};

// Both read the report at the path into the view; the grids are set up and the legend shown
// also when there is no report. False when the report cannot be opened.
bool ParseScanBlockReport(std::string_view path, CBlockGridView& view);
bool ParseRdtBlockReport(std::string_view path, CBlockGridView& view);
