#include "pages/results/BlockMapDlg.h"

#include "pages/results/ReportKinds.h"
#include "pages/results/ReportLines.h"
#include "platform/Text.h"
#include "ui/FileDialog.h"

namespace {

namespace ids = blockmap_ids;

constexpr int kLabelColumnWidth = 60;
constexpr int kBlockColumnWidth = 20;
constexpr char kHexDigits[] = "0123456789abcdef";
constexpr ui::COLORREF kWhite = ui::RGB(255, 255, 255);

ui::DialogTemplate MakeTemplate() {
  using ui::ControlKind;
  using ui::DialogItem;
  ui::DialogTemplate dialog{ids::kTemplate, "BLOCK_MAP", 409, 247, ui::DialogFont{}, {}};
  auto& items = dialog.items;
  items.push_back(DialogItem{ui::IDOK, ControlKind::Button, "OK", 341, 231, 50, 14, ui::BS_DEFPUSHBUTTON, true});
  items.push_back(DialogItem{ui::IDCANCEL, ControlKind::Button, "Close", 341, 216, 50, 14,
                             ui::BS_PUSHBUTTON | ui::WS_TABSTOP});
  constexpr std::uint32_t kGridStyle = ui::LVS_REPORT | ui::LVS_NOSORTHEADER | ui::WS_BORDER | ui::WS_TABSTOP;
  items.push_back(DialogItem{ids::kChannel0, ControlKind::ListCtrl, "", 2, 16, 199, 198, kGridStyle});
  items.push_back(DialogItem{ids::kChannel1, ControlKind::ListCtrl, "", 205, 16, 199, 198, kGridStyle});
  items.push_back(DialogItem{2201, ControlKind::Static, "CH0", 14, 5, 16, 10, ui::SS_LEFT});
  items.push_back(DialogItem{2202, ControlKind::Static, "CH1", 217, 5, 16, 8, ui::SS_LEFT});
  items.push_back(DialogItem{ids::kCh0CeLeft, ControlKind::Button, "<- CE", 30, 4, 30, 10, ui::BS_PUSHBUTTON});
  items.push_back(DialogItem{ids::kCh0CeRight, ControlKind::Button, "CE ->", 161, 4, 30, 10, ui::BS_PUSHBUTTON});
  items.push_back(DialogItem{ids::kCh1CeLeft, ControlKind::Button, "<- CE", 234, 4, 30, 10, ui::BS_PUSHBUTTON});
  items.push_back(DialogItem{ids::kCh1CeRight, ControlKind::Button, "CE ->", 364, 4, 30, 10, ui::BS_PUSHBUTTON});
  items.push_back(DialogItem{ids::kLegend, ControlKind::ListCtrl, "", 2, 216, 199, 29,
                             ui::LVS_REPORT | ui::LVS_NOCOLUMNHEADER | ui::WS_BORDER | ui::WS_DISABLED});
  return dialog;
}

const ui::DialogTemplate& BlockMapTemplate() {
  static const ui::DialogTemplate dialog = MakeTemplate();
  return dialog;
}

// The shade of grid column c (1..136) of a row: the label column, then the block columns by
// their plane (block position mod the plane count).
ui::COLORREF ShadeOf(int column, int planes) {
  const int j = (column - 1) % kBlockGroupColumns;
  if (j == 0) return planes == 2 ? ui::RGB(100, 255, 255) : kWhite;
  switch ((j - 1) % 4) {
    case 0: return kWhite;
    case 1: return ui::RGB(230, 230, 230);
    case 2: return planes == 2 ? kWhite : ui::RGB(220, 220, 220);
    default: return planes == 2 ? ui::RGB(230, 230, 230) : ui::RGB(215, 215, 215);
  }
}

}  // namespace

std::string BlockRowLabel(int row) { return platform::Format("%04X h", static_cast<unsigned>(row) * 16u); }

CBlockMapDlg::CBlockMapDlg(ui::CWnd* parent) : CDialog(&BlockMapTemplate(), parent) {}

void CBlockMapDlg::DoDataExchange(ui::CDataExchange* exchange) {
  ui::DDX_Control(exchange, ids::kLegend, m_listLegend);
  ui::DDX_Control(exchange, ids::kChannel1, m_listCh1);
  ui::DDX_Control(exchange, ids::kChannel0, m_listCh0);
}

void CBlockMapDlg::SetReportLocation(const std::string& reportPath, const std::string& reportFolder) {
  m_reportPath = reportPath;
  m_reportFolder = reportFolder;
}

std::string CBlockMapDlg::FindReport() {
  if (ReportCanBeOpened(m_reportPath)) return m_reportPath;
  ui::CFileDialog dialog(true, {}, {}, ui::OFN_HIDEREADONLY | ui::OFN_FILEMUSTEXIST | ui::OFN_NOCHANGEDIR,
                         "(*.txt)|*.txt||", this);
  dialog.SetInitialFolder(m_reportFolder);
  if (dialog.DoModal() != ui::IDOK) return {};
  return dialog.GetPathName();
}

bool CBlockMapDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  const std::string path = FindReport();
  m_bRdtReport = !path.empty() && FirstReportMarker(path) == kRdtReportKind ? 1 : 0;
  const bool read = m_bRdtReport ? ParseRdtBlockReport(path, *this) : ParseScanBlockReport(path, *this);
  m_reportRead = read ? path : std::string();
  return true;
}

bool CBlockMapDlg::OnCommand(int id, int code) {
  if (code == ui::BN_CLICKED) {
    switch (id) {
      case ids::kCh0CeLeft: OnCh0CeLeft(); return true;
      case ids::kCh0CeRight: OnCh0CeRight(); return true;
      case ids::kCh1CeLeft: OnCh1CeLeft(); return true;
      case ids::kCh1CeRight: OnCh1CeRight(); return true;
      default: break;
    }
  }
  return CDialog::OnCommand(id, code);
}

void CBlockMapDlg::SetUpGrids() {
  for (int grid = 0; grid < 2; ++grid) {
    CReportListCtrl& list = Grid(grid);
    list.DeleteAllItems();
    while (list.GetColumnCount() > 0) list.DeleteColumn(list.GetColumnCount() - 1);
    list.InsertColumn(0, "", ui::LVCFMT_CENTER, 0);
    for (int group = 0; group < kBlockGridGroups; ++group) {
      list.InsertColumn(list.GetColumnCount(), platform::Format("CE_%d", group + 8 * grid), ui::LVCFMT_CENTER,
                        kLabelColumnWidth);
      for (int k = 0; k < 16; ++k) {
        list.InsertColumn(list.GetColumnCount(), std::string(1, kHexDigits[k]), ui::LVCFMT_CENTER, kBlockColumnWidth);
      }
    }
    list.SetExtendedStyle(ui::LVS_EX_GRIDLINES);
  }
}

void CBlockMapDlg::ShowLegend(BlockMapLegend legend) {
  CReportListCtrl& list = m_listLegend;
  if (legend == BlockMapLegend::Scan) {
    list.SetHeadings("Color,20;Type,45;Color,65;Type,60;Color,60;Type,60");
    for (int row = 0; row < 4; ++row) list.InsertItem(row, "");
    list.SetItemBkColor(0, 0, ui::RGB(0, 0, 0), true);
    list.SetItemBkColor(1, 0, ui::RGB(100, 100, 100), true);
    list.SetItemText(1, 1, "OLB");
    list.SetItemBkColor(2, 0, ui::RGB(55, 0, 255), true);
    list.SetItemText(2, 1, "RDT");
    list.SetItemText(2, 2, "1:Erase");
    list.SetItemText(2, 3, "2:Prog");
    list.SetItemText(2, 4, "3:Read");
    list.SetItemText(2, 5, "4:Raid");
    list.SetItemBkColor(3, 0, ui::RGB(204, 0, 0), true);
    list.SetItemText(3, 1, "RUN");
    return;
  }
  list.SetHeadings("Color,20;Type,110;Color,20;Type,120");
  for (int row = 0; row < 3; ++row) list.InsertItem(row, "");
  list.SetItemBkColor(0, 0, ui::RGB(0, 0, 0), true);
  list.SetItemText(0, 1, "0_Factory Bad");
  list.SetItemBkColor(1, 0, ui::RGB(187, 187, 0), true);
  list.SetItemText(1, 1, "1_Erase  Fail");
  list.SetItemBkColor(1, 2, ui::RGB(55, 0, 255), true);
  list.SetItemText(1, 3, "2_Program Fail");
  list.SetItemBkColor(2, 0, ui::RGB(204, 0, 0), true);
  list.SetItemText(2, 1, "3_Read   Fail");
}

int CBlockMapDlg::FillBlockGrid(int planes, long long blocks) {
  const int rows = m_listCh0.GetItemCount();
  if (planes != 2 && planes != 4) return rows;
  const long long lastRow = blocks / 16;
  if (blocks > kMaxGridBlocks || lastRow < 0 || rows + lastRow + 1 > kMaxGridRows) return rows;
  for (int row = 0; row <= static_cast<int>(lastRow); ++row) {
    const std::string label = BlockRowLabel(row);
    for (int grid = 0; grid < 2; ++grid) {
      CReportListCtrl& list = Grid(grid);
      list.InsertItem(row, label);
      for (int group = 0; group < kBlockGridGroups; ++group) list.SetItemText(row, kBlockGroupColumns * group + 1, label);
    }
    for (int grid = 0; grid < 2; ++grid) {
      for (int column = 1; column < kBlockGridColumns; ++column) {
        Grid(grid).SetItemBkColor(row, column, ShadeOf(column, planes), true);
      }
    }
  }
  return m_listCh0.GetItemCount();
}

void CBlockMapDlg::ColourCell(int grid, int row, int column, ui::COLORREF background) {
  Grid(grid).SetItemBkColor(row, column, background, true);
}

void CBlockMapDlg::MarkCell(int grid, int row, int column, const BlockCellMark& mark) {
  CReportListCtrl& list = Grid(grid);
  list.SetItemBkColor(row, column, mark.background, true);
  list.SetItemTextColor(row, column, mark.textColor, true);
  list.SetItemText(row, column, mark.text);
}
