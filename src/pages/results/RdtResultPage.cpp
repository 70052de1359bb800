#include "pages/results/RdtResultPage.h"

#include <algorithm>
#include <vector>

#include "engine/rdtlog/RdtLimitRequest.h"
#include "pages/common/PageGlobals.h"
#include "pages/results/BadBlockLists.h"
#include "pages/results/RdtReportReader.h"
#include "pages/results/RdtSummaryFile.h"
#include "pages/results/ReportKinds.h"
#include "pages/results/ResultPageItems.h"

namespace {

namespace ids = rdt_ids;

const ResultPageSetup kRdtPageSetup{"RDT result page",
                                 kRdtLogKind,
                                 kActiveRdtResultPage,
                                 "RDT Result",
                                 ids::kDiskLabel,
                                 "IDC_STATIC_DISK",
                                 "ID_BTN_SHOW_RESULT",
                                 ids::kResultLabel,
                                 "IDC_STATIC_RDT_RESULT",
                                 "RDT Result :",
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
                                 {ids::kLaterList, ids::kFactoryList}};

struct BoxRole {
  ResultBox role;
  int id;
  const char* label;
  int labelX;
  int labelWidth;
  int boxX;
  int boxWidth;
  int y;
};

// The page's value boxes, the reader's role of each and its label.
constexpr BoxRole kBoxes[] = {
    {ResultBox::EraseFail, ids::kEraseFail, "Erase      Fail Count:", 149, 72, 224, 30, 21},
    {ResultBox::ProgramFail, ids::kProgramFail, "Program Fail Count:", 149, 72, 224, 30, 33},
    {ResultBox::ReadFail, ids::kReadFail, "Read      Fail Count:", 149, 72, 224, 30, 45},
    {ResultBox::RdtTotalTime, ids::kTotalTime, "Total Time:", 262, 44, 308, 50, 21},
    {ResultBox::RdtTemperature, ids::kTemperature, "Temp.(\xA2\x58" "C):", 262, 44, 308, 50, 33},
    {ResultBox::RdtVersion, ids::kFirmware, "RDT FW:", 366, 30, 398, 40, 21},
    {ResultBox::EccXs, ids::kEcc, "ECC:", 366, 30, 398, 40, 33},
};

// The value boxes end above the Block Map button: the shared top area's foot is the page's.
static_assert(std::ranges::all_of(kBoxes, [](const BoxRole& box) {
  return box.y + result_items::kValueBoxHeight <= kResultTopAreaFoot;
}));

ui::DialogTemplate MakeTemplate() {
  ui::DialogTemplate page{ids::kTemplate, "RDT Result", kResultPageWidth, kResultPageHeight, ui::DialogFont{}, {}};
  AddResultPageTopArea(page.items, kRdtPageSetup);
  result_items::Items items(page.items);
  for (const BoxRole& box : kBoxes) {
    items.ValueBox(box.id + 1000, box.label, box.labelX, box.labelWidth, box.id, box.boxX, box.boxWidth, box.y);
  }
  for (int list : {ids::kCeList1, ids::kLaterList, ids::kFactoryList, ids::kCeList0, ids::kPerPlaneList}) {
    items.ReportList(list);
  }
  items.Label(ids::kCeLabel, "Total Bad Block :", 5, 90, 75, 8);
  items.Label(ids::kPerPlaneLabel, "Bad Block per Plane :", 200, 90, 90, 8);
  items.Label(ids::kFactoryLabel, "Factory Bad :", 5, 170, 75, 8);
  items.Label(ids::kLaterLabel, "Later Bad :", 5, 260, 75, 8);
  items.HiddenLines(ids::kReportLines);
  return page;
}

}  // namespace

const ui::DialogTemplate& RdtResultPageTemplate() {
  static const ui::DialogTemplate page = MakeTemplate();
  return page;
}

CPropertyPage_RDTResult::CPropertyPage_RDTResult() : CResultPage(&RdtResultPageTemplate(), kRdtPageSetup) {
  m_view.BindList(ResultList::PerPlane, &m_perPlane);
  m_view.BindList(ResultList::CeChannel0, &m_channel0);
  m_view.BindList(ResultList::CeChannel1, &m_channel1);
  m_view.BindList(ResultList::EarlyBad, &m_factoryList);
  m_view.BindList(ResultList::LaterBad, &m_laterList);
  for (std::size_t i = 0; i < m_boxes.size(); ++i) m_view.BindBox(kBoxes[i].role, &m_boxes[i]);
}

// The worker writes into this page's own controls: it must end before they go.
CPropertyPage_RDTResult::~CPropertyPage_RDTResult() { WaitForWorker(); }

ui::CListCtrl& CPropertyPage_RDTResult::List(ResultList role) {
  switch (role) {
    case ResultList::PerPlane: return m_perPlane;
    case ResultList::CeChannel0: return m_channel0;
    case ResultList::CeChannel1: return m_channel1;
    case ResultList::EarlyBad: return m_factoryList;
    default: return m_laterList;
  }
}

void CPropertyPage_RDTResult::DoDataExchange(ui::CDataExchange* exchange) {
  CResultPage::DoDataExchange(exchange);
  ui::DDX_Control(exchange, ids::kCeList1, m_channel1);
  ui::DDX_Control(exchange, ids::kLaterList, m_laterList);
  ui::DDX_Control(exchange, ids::kFactoryList, m_factoryList);
  ui::DDX_Control(exchange, ids::kCeList0, m_channel0);
  ui::DDX_Control(exchange, ids::kPerPlaneList, m_perPlane);
  for (std::size_t i = 0; i < m_boxes.size(); ++i) ui::DDX_Control(exchange, kBoxes[i].id, m_boxes[i]);
}

bool CPropertyPage_RDTResult::OnInitDialog() {
  CResultPage::OnInitDialog();
  m_layoutReady = false;
  LoadPageCaptions();
  InsertColumns(m_perPlane, PerPlaneColumns(kRdtReportKind));
  InsertColumns(m_channel0, CeChannel0Columns());
  InsertColumns(m_channel1, CeChannel1Columns());
  InsertColumns(m_laterList, LaterBadColumns(kRdtReportKind));
  InsertColumns(m_factoryList, RdtPageFactoryColumns());
  m_limit.SetWindowText("0");
  for (ui::CListCtrl* list : {&m_perPlane, &m_channel0, &m_channel1, &m_laterList, &m_factoryList}) {
    list->SetExtendedStyle(ui::LVS_EX_GRIDLINES);
  }
  m_disk.ClearSelection();
  m_layoutReady = true;
  LayoutBadBlockSummary();
  return true;
}

void CPropertyPage_RDTResult::OnSize(unsigned type, int width, int height) {
  CResultPage::OnSize(type, width, height);
  if (m_layoutReady) LayoutBadBlockSummary();
}

void CPropertyPage_RDTResult::LayoutBadBlockSummary() {
  m_reportLines.ResetContent();
  m_reportLines.SetHorizontalExtent(256);
  m_status.SetWindowText("");
  m_disk.ForgetList();
  const ui::CRect client = GetClientRect();
  const BadBlockArrangement a = ArrangeBadBlockLists(kRdtReportKind, client.Width(), client.Height(),
                                                     ui::GetSystemMetrics(ui::SystemMetric::VerticalScrollWidth),
                                                     MapDialogRect(0, 0, 0, kResultTopAreaFoot).Height());
  m_channel0.MoveWindow(a.ce0, true);
  m_channel1.MoveWindow(a.ce1, true);
  m_perPlane.MoveWindow(a.perPlane, true);
  m_factoryList.MoveWindow(a.early, true);
  m_laterList.MoveWindow(a.later, true);
  const std::pair<int, ui::CRect> labels[] = {{ids::kCeLabel, a.ceLabel},
                                              {ids::kPerPlaneLabel, a.perPlaneLabel},
                                              {ids::kFactoryLabel, a.earlyLabel},
                                              {ids::kLaterLabel, a.laterLabel}};
  for (const auto& [id, rect] : labels) {
    if (ui::CWnd* label = GetDlgItem(id)) label->MoveWindow(rect, true);
  }
  ApplyColumnWidths(m_perPlane, a.perPlaneWidths);
  ApplyColumnWidths(m_channel0, a.ceWidths);
  ApplyColumnWidths(m_channel1, a.ceWidths);
  ApplyColumnWidths(m_factoryList, a.badBlockWidths);
  ApplyColumnWidths(m_laterList, a.badBlockWidths);
}

void CPropertyPage_RDTResult::SetRequest(const std::string& limitText) {
  g_RdtRequest = 1;
  g_RdtLimitText = limitText;
}

void CPropertyPage_RDTResult::ClearRequest() { g_RdtRequest = 0; }

void CPropertyPage_RDTResult::RunWorker(const ResultRun& run) { RdtResultThread(*this, run); }

void CPropertyPage_RDTResult::LoadReport(const std::string& path) {
  const int style = ReportHoldsText(path, kSlcSectionMarker) ? 0 : 1;
  m_status.SetWindowText("");
  std::vector<std::string> summary;
  if (ParseRdtReport(path, m_view, style, RdtReading::RdtPageLoadData, &summary)) WriteRdtSummary(path, summary);
}
