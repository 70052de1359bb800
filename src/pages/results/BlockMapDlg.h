#pragma once
// CBlockMapDlg: the block map (dialog 329, "BLOCK_MAP") of a drive's slot report. Two block
// grids, one per flash channel: each has a hidden label column and eight CE groups (a label
// column "CE_n" of 60 pixels and 16 block columns "0".."f" of 20 pixels); row r holds blocks
// 16r to 16r + 15 of every CE of its grid. The report's reader (BlockMapReaders.h) makes the
// rows when it meets the block count, shades them by plane and marks one cell per bad block
// with its kind's text and colours; a legend explains the colours. "<- CE" and "CE ->" page a
// grid by one CE group. The Qt front end draws the grids through its list model, one item per
// cell, so a grid of thousands of rows stays responsive.
//
// The opener hands in the chosen port's report (the page's report-path rule) and its
// D_Reports folder; a report that cannot be opened there is chosen in a file dialog instead.
#include <string>

#include "controls/ReportListCtrl.h"
#include "pages/results/BlockMapReaders.h"
#include "ui/Dialog.h"

namespace blockmap_ids {
inline constexpr int kTemplate = 329;
inline constexpr int kChannel0 = 1882;
inline constexpr int kChannel1 = 1883;
inline constexpr int kLegend = 1898;
inline constexpr int kCh0CeLeft = 1307;
inline constexpr int kCh0CeRight = 1272;
inline constexpr int kCh1CeLeft = 1897;
inline constexpr int kCh1CeRight = 1896;
}  // namespace blockmap_ids

class CBlockMapDlg : public ui::CDialog, public CBlockGridView {
 public:
  // Horizontal scroll of one CE group: 60 + 16 x 20 pixels.
  static constexpr int kGroupWidth = 380;

  explicit CBlockMapDlg(ui::CWnd* parent = nullptr);

  void DoDataExchange(ui::CDataExchange* exchange) override;
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;

  // The report to show and the folder its file dialog starts in (the opener's rule).
  void SetReportLocation(const std::string& reportPath, const std::string& reportFolder);
  // The report that was read (empty when none was found or chosen).
  const std::string& ReportRead() const { return m_reportRead; }

  void OnCh0CeLeft() { m_listCh0.Scroll(ui::CSize{-kGroupWidth, 0}); }
  void OnCh0CeRight() { m_listCh0.Scroll(ui::CSize{kGroupWidth, 0}); }
  void OnCh1CeLeft() { m_listCh1.Scroll(ui::CSize{-kGroupWidth, 0}); }
  void OnCh1CeRight() { m_listCh1.Scroll(ui::CSize{kGroupWidth, 0}); }

  // CBlockGridView: what the readers draw with.
  void SetUpGrids() override;
  void ShowLegend(BlockMapLegend legend) override;
  int FillBlockGrid(int planes, long long blocks) override;
  void ColourCell(int grid, int row, int column, ui::COLORREF background) override;
  void MarkCell(int grid, int row, int column, const BlockCellMark& mark) override;

  // The port whose report is looked for (set by the opener).
  int m_nPort = -1;
  // 1 when the report was read as an RDT report.
  int m_bRdtReport = 0;
  CReportListCtrl m_listLegend;
  CReportListCtrl m_listCh1;
  CReportListCtrl m_listCh0;

 private:
  CReportListCtrl& Grid(int grid) { return grid == 0 ? m_listCh0 : m_listCh1; }
  std::string FindReport();

  std::string m_reportPath;
  std::string m_reportFolder;
  std::string m_reportRead;
};

// The label of grid row r: block 16r in upper-case hexadecimal (at least four digits) and " h".
std::string BlockRowLabel(int row);
