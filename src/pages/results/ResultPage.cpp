#include "pages/results/ResultPage.h"

#include <memory>
#include <utility>

#include "device/StationHelpers.h"
#include "pages/common/DiskSelectClaim.h"
#include "pages/common/PageGlobals.h"
#include "pages/results/BadBlockLists.h"
#include "pages/results/BlockMapDlg.h"
#include "pages/results/ReportLines.h"
#include "pages/results/ResultPageItems.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "ui/FileDialog.h"
#include "ui/Host.h"
#include "ui/ListCtrl.h"

namespace {

// Characters of a caption that the caption file gives at most (a buffer of 260).
constexpr std::size_t kCaptionBuffer = 260;

}  // namespace

CResultPage::CResultPage(const ui::DialogTemplate* dialogTemplate, const ResultPageSetup& setup)
    : CPropertyPage(dialogTemplate), m_setup(setup) {
  m_view.BindReportLines(&m_reportLines);
  // Choosing a port shows its result at once.
  m_disk.SetAfterSelection([this] { OnBtnShowResult(); });
  // Typing starts no reading; a field that no longer names the shown port takes its result away.
  m_disk.SetAfterEdit([this] { ForgetResultUnlessOf(m_disk.ChosenPort()); });
}

CResultPage::~CResultPage() { WaitForWorker(); }

void CResultPage::WaitForWorker() {
  if (m_worker.Joinable()) m_worker.Join();
}

void CResultPage::DoDataExchange(ui::CDataExchange* exchange) {
  ui::DDX_Control(exchange, m_setup.disk, m_disk);
  ui::DDX_Control(exchange, m_setup.showResult, m_showResult);
  ui::DDX_Control(exchange, m_setup.status, m_status);
  ui::DDX_Control(exchange, m_setup.progress, m_progress);
  ui::DDX_Control(exchange, m_setup.limitCheck, m_limitCheck);
  ui::DDX_Control(exchange, m_setup.limit, m_limit);
  ui::DDX_Control(exchange, m_setup.reportLines, m_reportLines);
}

void AddResultPageTopArea(std::vector<ui::DialogItem>& list, const ResultPageSetup& setup) {
  result_items::Items items(list);
  items.Label(setup.diskLabel, "Disk :", 13, 6, 28, 10);
  items.DiskCombo(setup.disk, 43, 4, 45);
  items.Push(setup.showResult, "Show Result", 95, 3);
  items.Push(setup.openFile, "Open File", 95, 21);
  items.Push(setup.loadData, "Load Data", 95, 38);
  items.Push(setup.blockMap, "Block Map", 95, kBlockMapY);
  items.LimitChoice(setup.limitCheck, setup.limit, setup.perPlaneHint, 11, 24, 61, 30, 22, 42);
  items.Label(setup.resultLabel, setup.resultLabelText, 149, 6, 62, 10);
  items.StatusAndProgress(setup.status, 212, 3, 267, setup.progress, 480, 5);
}

const char* CResultPage::CaptionKey(int id) const {
  if (id == m_setup.diskLabel) return m_setup.diskLabelKey;
  if (id == m_setup.showResult) return m_setup.showResultKey;
  if (id == m_setup.resultLabel) return m_setup.resultLabelKey;
  return "Unknown";
}

void CResultPage::LoadPageCaptions() {
  LoadCaptions(m_setup.diskLabel);
  LoadCaptions(m_setup.showResult);
  LoadCaptions(m_setup.resultLabel);
}

std::string CResultPage::LoadCaptions(int id) {
  const std::string caption = platform::Trim(platform::ReadProfileString(
      GetLanguageIniPath(), m_setup.captionSection, CaptionKey(id), "", kCaptionBuffer));
  if (id != 0) SetDlgItemText(id, caption);
  return caption;
}

bool CResultPage::OnSetActive() {
  g_ActivePage.store(m_setup.activePageCode);
  m_disk.OnDropDownDisk();
  // Chosen without a selection-change notice: coming back starts no reading.
  const int item = ItemOfShownPort();
  if (item != ui::CB_ERR) {
    m_disk.SetCurSel(item);
    SetTimer(kSelectTimer, kSelectTimerMs);
  }
  return CPropertyPage::OnSetActive();
}

int CResultPage::ItemOfShownPort() {
  {
    std::lock_guard<std::mutex> guard(m_shownLock);
    if (m_shownPort > 0) {
      const int item = m_disk.FindStringExact(-1, platform::Format("%d", m_shownPort));
      if (item != ui::CB_ERR) return item;
    }
  }
  ForgetResult();
  return m_disk.GetCount() > 0 ? 0 : ui::CB_ERR;
}

void CResultPage::ForgetResult() {
  std::lock_guard<std::mutex> guard(m_shownLock);
  m_shownPort = kNoPortShown;
  EmptyResult();
}

void CResultPage::ForgetResultUnlessOf(int port) {
  std::lock_guard<std::mutex> guard(m_shownLock);
  if (m_shownPort == kNoPortShown || m_shownPort == port) return;
  // A loaded report stands under any text that names no listed port.
  if (m_shownPort == kLoadedReport && port == 0) return;
  m_shownPort = kNoPortShown;
  EmptyResult();
}

int CResultPage::ShowResultOf(int port) {
  std::lock_guard<std::mutex> guard(m_shownLock);
  return std::exchange(m_shownPort, port);
}

void CResultPage::KeepResultOnlyUnder(int port) {
  std::lock_guard<std::mutex> guard(m_shownLock);
  if (m_shownPort != port) EmptyResult();
}

void CResultPage::EmptyResult() {
  for (const ui::DialogItem& item : GetTemplate()->items) {
    ui::CWnd* control = GetDlgItem(item.id);
    if (!control) continue;
    switch (item.kind) {
      case ui::ControlKind::Edit:
        if (item.id != m_setup.limit) control->SetWindowText(item.caption);
        break;
      case ui::ControlKind::ListCtrl:
        if (auto* list = dynamic_cast<ui::CListCtrl*>(control)) list->DeleteAllItems();
        break;
      default:
        break;
    }
  }
  m_reportLines.ResetContent();
  m_progress.SetPos(0);
}

bool CResultPage::OnKillActive() {
  KillTimer(kSelectTimer);
  // A running worker enables them itself when it ends.
  if (!IsBusy()) {
    m_disk.EnableWindow(true);
    m_showResult.EnableWindow(true);
  }
  return CPropertyPage::OnKillActive();
}

bool CResultPage::OnQueryCancel() {
  if (!IsBusy()) return CPropertyPage::OnQueryCancel();
  MessageBox("The page is reading a drive; close the program when it has ended.");
  return false;
}

void CResultPage::OnTimer(std::uintptr_t id) {
  if (id == kSelectTimer) KillTimer(kSelectTimer);
}

void CResultPage::OnDestroy() {
  KillTimer(kSelectTimer);
  CPropertyPage::OnDestroy();
}

bool CResultPage::OnCommand(int id, int code) {
  if (m_disk.HandleCommand(id, code)) return true;
  if (code == ui::BN_CLICKED) {
    if (id == m_setup.showResult) {
      OnBtnShowResult();
      return true;
    }
    if (id == m_setup.limitCheck) {
      OnCheckBadBlockLimit();
      return true;
    }
    if (id == m_setup.openFile) {
      OnBtnOpenFile();
      return true;
    }
    if (id == m_setup.loadData) {
      OnBtnLoadData();
      return true;
    }
    if (id == m_setup.blockMap) {
      OnBtnBlockMap();
      return true;
    }
  }
  return CPropertyPage::OnCommand(id, code);
}

bool CResultPage::OnNotify(const ui::NotifyMessage& message) {
  if (message.code == ui::LVN_COLUMNCLICK &&
      (message.idFrom == m_setup.sortableLists[0] || message.idFrom == m_setup.sortableLists[1])) {
    if (auto* list = dynamic_cast<ui::CListCtrl*>(GetDlgItem(message.idFrom))) SortBadBlockList(*list, message.subItem);
    return true;
  }
  return CPropertyPage::OnNotify(message);
}

int CResultPage::ResolveDrive() const {
  const std::int32_t chosen = m_disk.SelectedDevice();
  if (chosen != CDiskSelectCombo::kNoDevice) return chosen;
  const int port = m_disk.ChosenPort();
  const PortDeviceTable& table = m_disk.PortDevices();
  if (port < 0 || static_cast<std::size_t>(port) >= table.size() || table[static_cast<std::size_t>(port)] < 1) {
    return CDiskSelectCombo::kNoDevice;
  }
  return static_cast<int>(table[static_cast<std::size_t>(port)]);
}

ResultReportLocation CResultPage::ChosenReport() const { return LocateResultReport(m_setup.logKind, m_disk.ChosenPort()); }

void CResultPage::SetReportPath(const std::string& path) {
  std::lock_guard<std::mutex> guard(m_pathLock);
  m_reportPath = path;
}

std::string CResultPage::ReportPath() const {
  std::lock_guard<std::mutex> guard(m_pathLock);
  return m_reportPath;
}

void CResultPage::EnableRunControls(bool enable) {
  m_disk.EnableWindow(enable);
  m_showResult.EnableWindow(enable);
  if (ui::CWnd* loadData = GetDlgItem(m_setup.loadData)) loadData->EnableWindow(enable);
}

bool CResultPage::OnBtnShowResult() {
  if (IsBusy()) return false;
  const int drive = ResolveDrive();
  if (drive < 1) return false;
  ResultRun run;
  run.driveNumber = drive;
  run.location = ChosenReport();
  std::string holder;
  auto claim = std::make_shared<CDiskClaim>(CDiskClaim::Take(drive, m_setup.owner, &holder));
  if (!*claim) {
    // The refusal stands alone: no earlier port's result stays beside it.
    ForgetResult();
    m_status.SetWindowText(DiskInUseText(run.location.port, holder));
    return false;
  }
  EnableRunControls(false);
  m_progress.SetPos(0);
  SetRequest(platform::Trim(m_limit.GetWindowText()));
  SetReportPath(run.location.reportPath);
  WaitForWorker();  // a worker that has ended may still be leaving its thread
  const int shownBefore = ShowResultOf(run.location.port);
  m_busy.store(true);
  const bool started = m_worker.Start([this, run, claim] {
    RunWorker(run);
    claim->Release();
    ClearRequest();
    KeepResultOnlyUnder(run.location.port);
    EnableRunControls(true);
    // Said last: whoever sees the page free finds the drive given back and the controls enabled,
    // and a next run that disables them is not undone by this worker.
    m_busy.store(false);
  });
  if (started) return true;
  ShowResultOf(shownBefore);
  m_busy.store(false);
  ClearRequest();
  EnableRunControls(true);
  return false;
}

void CResultPage::OnCheckBadBlockLimit() {
  if (m_limitCheck.GetCheck() == ui::BST_CHECKED) {
    m_limit.EnableWindow(true);
  } else {
    m_limit.EnableWindow(false);
    m_limit.SetWindowText("0");
  }
}

void CResultPage::OnBtnOpenFile() {
  const ResultReportLocation location = ChosenReport();
  if (location.port == 0) {
    MessageBox(kNoListedPortText);
    return;
  }
  SetReportPath(location.reportPath);
  ui::OpenFileOrSaySo(location.reportPath, this);
}

bool CResultPage::OnBtnLoadData() {
  if (IsBusy()) return false;
  const std::string folder = ResultLogFolder(m_setup.logKind) + "\\D_Reports";
  SetReportPath(folder);
  ui::CFileDialog dialog(true, {}, {}, ui::OFN_HIDEREADONLY | ui::OFN_PATHMUSTEXIST | ui::OFN_FILEMUSTEXIST,
                         "(*.txt)|*.txt||", this);
  dialog.SetInitialFolder(folder);
  if (dialog.DoModal() != ui::IDOK) return false;
  const std::string path = dialog.GetPathName();
  if (path.empty() || !ReportCanBeOpened(path)) return false;
  // A saved report is no listed port's result: it stands under a field that names no port.
  ShowResultOf(kLoadedReport);
  m_disk.ShowNoPort();
  LoadReport(path);
  return true;
}

void CResultPage::OnBtnBlockMap() {
  CBlockMapDlg dialog;
  const ResultReportLocation location = ChosenReport();
  // Under a field that names no listed port the operator chooses the report.
  const bool portNamed = location.port != 0;
  dialog.m_nPort = portNamed ? location.port : CDiskSelectCombo::kNoDevice;
  dialog.SetReportLocation(portNamed ? location.reportPath : std::string(), location.reportFolder);
  dialog.DoModal();
}
