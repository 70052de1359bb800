#include "pages/results/LaterBadResultPage.h"

#include <vector>

#include "engine/scan/LaterBadRequest.h"
#include "pages/common/DiskSelectClaim.h"
#include "pages/common/PageGlobals.h"
#include "pages/results/BadBlockLists.h"
#include "pages/results/CeMapDlg.h"
#include "pages/results/RdtReportReader.h"
#include "pages/results/RdtSummaryFile.h"
#include "pages/results/ReportKinds.h"
#include "pages/results/ReportLines.h"
#include "pages/results/ScanReportReader.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace {

namespace ids = lb_ids;

}  // namespace

const ResultPageSetup kLaterBadPageSetup{"later-bad result page",
                                 kLaterBadLogKind,
                                 kActiveLaterBadResultPage,
                                 "LaterBad Result",
                                 ids::kDiskLabel,
                                 "IDC_STATIC_LB_DISK",
                                 "ID_BTN_LB_SHOW_RESULT",
                                 ids::kResultLabel,
                                 "IDC_STATIC_LB_RESULT",
                                 "Later Bad Result :",
                                 ids::kPerPlaneHint,
                                 ids::kDisk,
                                 ids::kShowResult,
                                 ids::kStatus,
                                 ids::kProgress,
                                 ids::kLimitCheck,
                                 ids::kLimit,
                                 ids::kOpenFile,
                                 ids::kLoadData,
                                 ids::kBlockMap,
                                 ids::kReportLines,
                                 {ids::kEarlyList, ids::kLaterList}};

namespace {

// The page's list of each role, in ResultList order.
constexpr int kListIds[kResultListCount] = {ids::kPerPlaneList, ids::kLaterPerPlaneList, ids::kCeList0,
                                            ids::kCeList1,      ids::kEarlyList,         ids::kLaterList};

// The page's box of each role, in ResultBox order.
constexpr int kBoxIds[kResultBoxCount] = {
    ids::kEraseFail,   ids::kProgramFail, ids::kReadFail,  ids::kObOlbCount,  ids::kRdtBadCount, ids::kLaterBadCount,
    ids::kGoodBlockCount, ids::kRdtLoop,  ids::kEccXs,     ids::kXlcEcc,      ids::kCeMapBox,    ids::kMpVersion,
    ids::kEraseMode,   ids::kProgramMode, ids::kMultiPlane, ids::kReadRetry,  ids::kSpareBlock,  ids::kMaxBad,
    ids::kBbSource,    ids::kRdtVersion,  ids::kRdtTemperature, ids::kRdtTotalTime, ids::kCacheMode, ids::kReRdt,
    ids::kLaterCount,  ids::kEarlyCount};

// Boxes FillBadBlockLists sets to "0" whatever the kind.
constexpr int kZeroedBoxes[] = {ids::kObOlbCount,  ids::kRdtBadCount, ids::kLaterBadCount, ids::kGoodBlockCount,
                                ids::kRdtLoop,     ids::kEccXs,       ids::kCeMapBox,      ids::kMpVersion,
                                ids::kEraseMode,   ids::kProgramMode, ids::kMultiPlane,    ids::kReadRetry,
                                ids::kSpareBlock,  ids::kMaxBad,      ids::kBbSource,      ids::kRdtVersion,
                                ids::kRdtTemperature, ids::kRdtTotalTime, ids::kCacheMode, ids::kReRdt,
                                ids::kLaterCount,  ids::kEarlyCount};

constexpr int kFailBoxes[] = {ids::kEraseFail, ids::kProgramFail, ids::kReadFail};

// Characters of the MP firmware's file name that the parameter file gives at most.
constexpr std::size_t kFileNameBuffer = 260;

void TurnOnGridLines(ui::CListCtrl& list) { list.SetExtendedStyle(list.GetExtendedStyle() | ui::LVS_EX_GRIDLINES); }

}  // namespace

CPropertyPage_LBResult::CPropertyPage_LBResult() : CResultPage(&LaterBadPageTemplate(), kLaterBadPageSetup) {
  for (int role = 0; role < kResultListCount; ++role) {
    m_view.BindList(static_cast<ResultList>(role), &m_lists[static_cast<std::size_t>(role)]);
  }
  for (int role = 0; role < kResultBoxCount; ++role) {
    m_view.BindBox(static_cast<ResultBox>(role), &m_boxes[static_cast<std::size_t>(role)]);
  }
}

// The worker writes into this page's own controls: it must end before they go.
CPropertyPage_LBResult::~CPropertyPage_LBResult() { WaitForWorker(); }

void CPropertyPage_LBResult::DoDataExchange(ui::CDataExchange* exchange) {
  CResultPage::DoDataExchange(exchange);
  for (int role = 0; role < kResultListCount; ++role) {
    ui::DDX_Control(exchange, kListIds[role], m_lists[static_cast<std::size_t>(role)]);
  }
  for (int role = 0; role < kResultBoxCount; ++role) {
    ui::DDX_Control(exchange, kBoxIds[role], m_boxes[static_cast<std::size_t>(role)]);
  }
}

bool CPropertyPage_LBResult::OnInitDialog() {
  CResultPage::OnInitDialog();
  m_layoutReady = false;
  LoadPageCaptions();
  m_limit.SetWindowText("0");
  m_disk.ClearSelection();
  m_layoutReady = true;
  ArrangeForScanReport();
  return true;
}

void CPropertyPage_LBResult::InsertScanColumns() {
  InsertColumns(List(ResultList::PerPlane), PerPlaneColumns(kScanReportKind));
  InsertColumns(List(ResultList::LaterPerPlane), PerPlaneColumns(kScanReportKind));
  InsertColumns(List(ResultList::CeChannel0), CeChannel0Columns());
  InsertColumns(List(ResultList::CeChannel1), CeChannel1Columns());
  InsertColumns(List(ResultList::EarlyBad), EarlyBadColumns(kScanReportKind));
  InsertColumns(List(ResultList::LaterBad), LaterBadColumns(kScanReportKind));
  for (ui::CListCtrl& list : m_lists) TurnOnGridLines(list);
}

void CPropertyPage_LBResult::ArrangeForScanReport() {
  for (ui::CListCtrl& list : m_lists) RemoveColumns(list);
  InsertScanColumns();
  SetReportKind(kScanReportKind);
  LayoutBadBlockSummary(kScanReportKind);
}

void CPropertyPage_LBResult::EmptyResult() {
  CResultPage::EmptyResult();
  ArrangeForScanReport();
}

bool CPropertyPage_LBResult::OnCommand(int id, int code) {
  if (id == ids::kCeMap && code == ui::BN_CLICKED) {
    OnBtnCeMap();
    return true;
  }
  return CResultPage::OnCommand(id, code);
}

void CPropertyPage_LBResult::OnSize(unsigned type, int width, int height) {
  CResultPage::OnSize(type, width, height);
  if (m_layoutReady) LayoutBadBlockSummary(ReportKind() == kRdtReportKind ? kRdtReportKind : kScanReportKind);
}

void CPropertyPage_LBResult::EnableRunControls(bool enable) {
  CResultPage::EnableRunControls(enable);
  if (ui::CWnd* ceMap = GetDlgItem(ids::kCeMap)) ceMap->EnableWindow(enable);
}

void CPropertyPage_LBResult::SetRequest(const std::string& limitText) {
  g_LaterBadRequest = 1;
  g_LaterBadLimitText = limitText;
}

void CPropertyPage_LBResult::ClearRequest() {
  g_LaterBadRequest = 0;
  g_LaterBadLimitText.clear();
}

void CPropertyPage_LBResult::RunWorker(const ResultRun& run) { LaterBadResultThread(*this, run); }

void CPropertyPage_LBResult::FillBadBlockLists(int kind) {
  for (ui::CListCtrl& list : m_lists) RemoveColumns(list);
  for (int box : kFailBoxes) SetDlgItemText(box, " 0");
  for (int box : kZeroedBoxes) SetDlgItemText(box, "0");
  if (kind == kScanReportKind) {
    for (ui::CListCtrl& list : m_lists) list.DeleteAllItems();
    for (int box : kFailBoxes) SetDlgItemText(box, " 0");
    InsertScanColumns();
    for (int box : {ids::kObOlbCount, ids::kRdtBadCount, ids::kLaterBadCount, ids::kGoodBlockCount}) {
      SetDlgItemText(box, "0");
    }
    for (int box : {ids::kEraseMode, ids::kProgramMode, ids::kMultiPlane, ids::kReadRetry}) SetDlgItemText(box, "Enable");
    SetDlgItemText(ids::kMpVersion, " ");
    for (int box : {ids::kRdtLoop, ids::kEccXs, ids::kXlcEcc, ids::kCeMapBox, ids::kRdtVersion, ids::kRdtTemperature,
                    ids::kRdtTotalTime}) {
      SetDlgItemText(box, "0");
    }
    for (ResultList role : {ResultList::CeChannel0, ResultList::CeChannel1}) {
      List(role).InsertItem(0, "All Bad");
      List(role).InsertItem(1, "OBB");
    }
    return;
  }
  InsertColumns(List(ResultList::PerPlane), PerPlaneColumns(kind));
  InsertColumns(List(ResultList::CeChannel0), CeChannel0Columns());
  InsertColumns(List(ResultList::CeChannel1), CeChannel1Columns());
  InsertColumns(List(ResultList::EarlyBad), EarlyBadColumns(kind));
  InsertColumns(List(ResultList::LaterBad), LaterBadColumns(kind));
  for (ResultList role : {ResultList::PerPlane, ResultList::CeChannel0, ResultList::CeChannel1, ResultList::EarlyBad,
                          ResultList::LaterBad}) {
    TurnOnGridLines(List(role));
  }
}

void CPropertyPage_LBResult::LayoutBadBlockSummary(int kind) {
  m_reportLines.ResetContent();
  m_reportLines.SetHorizontalExtent(256);
  m_disk.ClearSelection();
  const ui::CRect client = GetClientRect();
  const BadBlockArrangement a = ArrangeBadBlockLists(kind, client.Width(), client.Height(),
                                                     ui::GetSystemMetrics(ui::SystemMetric::VerticalScrollWidth),
                                                     MapDialogRect(0, 0, 0, LaterBadTopAreaFoot()).Height());
  auto place = [this](int id, const ui::CRect& rect) {
    if (ui::CWnd* control = GetDlgItem(id)) control->MoveWindow(rect, true);
  };
  place(ids::kPerPlaneList, a.perPlane);
  place(ids::kCeList0, a.ce0);
  place(ids::kCeList1, a.ce1);
  place(ids::kEarlyList, a.early);
  place(ids::kLaterList, a.later);
  place(ids::kEarlyLabel, a.earlyLabel);
  place(ids::kLaterLabel, a.laterLabel);
  place(ids::kPerPlaneLabel, a.perPlaneLabel);
  place(ids::kCeLabel, a.ceLabel);
  const bool scanKind = kind == kScanReportKind;
  if (scanKind) {
    place(ids::kLaterPerPlaneList, a.laterPerPlane);
    place(ids::kEarlyCount, a.earlyCount);
    place(ids::kLaterCount, a.laterCount);
    place(ids::kLaterPerPlaneLabel, a.laterPerPlaneLabel);
    ApplyColumnWidths(List(ResultList::LaterPerPlane), a.perPlaneWidths);
  }
  ApplyColumnWidths(List(ResultList::PerPlane), a.perPlaneWidths);
  ApplyColumnWidths(List(ResultList::CeChannel0), a.ceWidths);
  ApplyColumnWidths(List(ResultList::CeChannel1), a.ceWidths);
  ApplyColumnWidths(List(ResultList::EarlyBad), a.badBlockWidths);
  ApplyColumnWidths(List(ResultList::LaterBad), a.badBlockWidths);
  if (scanKind) {
    SetDlgItemText(ids::kPerPlaneLabel, "Early Bad");
    SetDlgItemText(ids::kLaterLabel, "Total Later Bad Count:");
    SetDlgItemText(ids::kObOlbLabel, "OB + OLB    Count:");
  } else {
    SetDlgItemText(ids::kLaterLabel, "RDT Bad");
    SetDlgItemText(ids::kPerPlaneLabel, "Bad Block(Plane)");
    SetDlgItemText(ids::kObOlbLabel, "OB               Count:");
  }
  for (int id : {ids::kLaterPerPlaneList, ids::kLaterPerPlaneLabel, ids::kEarlyCount, ids::kLaterCount}) {
    if (ui::CWnd* control = GetDlgItem(id)) control->ShowWindow(scanKind ? ui::SW_SHOW : ui::SW_HIDE);
  }
  Invalidate(true);
  UpdateWindow();
}

void CPropertyPage_LBResult::ParseReport(const std::string& path, int kind, int sectionStyle) {
  if (kind == kRdtReportKind) {
    std::vector<std::string> summary;
    if (ParseRdtReport(path, m_view, sectionStyle, RdtReading::LaterBadPage, &summary)) WriteRdtSummary(path, summary);
  } else {
    ParseScanReport(path, m_view);
  }
}

void CPropertyPage_LBResult::ReadReportBack(const std::string& reportPath) {
  if (!ReportCanBeOpened(reportPath)) return;
  SetReportKind(kScanReportKind);
  const std::optional<int> marker = FirstReportMarker(reportPath);
  if (marker) {
    SetReportKind(*marker);
    FillBadBlockLists(*marker);
    LayoutBadBlockSummary(*marker);
  }
  // An RDT report read back after a run carries the OB/RB sections.
  ParseReport(reportPath, ReportKind(), 0);
}

void CPropertyPage_LBResult::LoadReport(const std::string& path) {
  const LoadDataScan scan = ScanForLoadData(path);
  if (!scan.opened) return;
  SetReportKind(kScanReportKind);
  for (int kind : scan.layouts) {
    FillBadBlockLists(kind);
    LayoutBadBlockSummary(kind);
  }
  SetReportKind(scan.kind);
  ParseReport(path, scan.kind, scan.slcSections ? 0 : 1);
}

void CPropertyPage_LBResult::OnBtnCeMap() {
  if (IsBusy()) return;
  const int drive = ResolveDrive();
  if (drive < 1) return;
  const ResultReportLocation location = ChosenReport();
  SetReportPath(location.reportPath);
  std::string holder;
  CDiskClaim claim = CDiskClaim::Take(drive, "later-bad result page's CE map", &holder);
  if (!claim) {
    m_status.SetWindowText(DiskInUseText(location.port, holder));
    return;
  }
  CCeMapDlg dialog(this);
  dialog.m_mpFirmwareName = platform::Trim(settings::ReadText(settings::keys::IspMPBinCode, kFileNameBuffer));
  dialog.m_selectedIndex = m_disk.GetCurSel();
  dialog.m_driveNumber = drive;
  dialog.DoModal();
}
