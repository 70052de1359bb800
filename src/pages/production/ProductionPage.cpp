#include "pages/production/ProductionPage.h"

#include <functional>
#include <memory>
#include <utility>

#include "device/DevicePaths.h"
#include "pages/common/PageGlobals.h"
#include "pages/production/ParameterFiles.h"
#include "pages/production/ProductionPageLayout.h"
#include "pages/production/RunFiles.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/OperatorNotice.h"
#include "run/RunGlobals.h"
#include "run/VerdictRecords.h"
#include "ui/Dispatcher.h"

namespace {

namespace ids = production_ids;

// Colours of a port cell between passes: a mapped port shows its number red on black (the
// idle colours of the slot painter), a port without a drive stays grey and empty.
constexpr ui::COLORREF kIdleText = ui::RGB(255, 0, 0);
constexpr ui::COLORREF kIdleBackground = ui::RGB(0, 0, 0);
constexpr ui::COLORREF kUnmappedText = ui::RGB(0, 0, 0);
constexpr ui::COLORREF kUnmappedBackground = ui::RGB(192, 192, 192);

void PaintPortCaption(CColorEdit& cell, int port, bool mapped) {
  cell.GetStateText() = "";
  cell.GetMainText() = "";
  cell.GetSubText() = "";
  if (mapped) {
    cell.SetColor(kIdleText, kIdleBackground);
    cell.SetWindowText(platform::Format(" %d ", port));
  } else {
    cell.SetColor(kUnmappedText, kUnmappedBackground);
    cell.Clear();
  }
  cell.RedrawWindow();
}

std::string FormatElapsed(std::uint64_t milliseconds) {
  const std::uint64_t seconds = milliseconds / 1000;
  return platform::Format("%02llu:%02llu:%02llu", static_cast<unsigned long long>(seconds / 3600),
                          static_cast<unsigned long long>(seconds / 60 % 60),
                          static_cast<unsigned long long>(seconds % 60));
}

std::size_t Index(int port) { return static_cast<std::size_t>(port - 1); }

// "tester 25" or "testers 25-32" / "testers 25, 27, 30-31".
std::string DescribeTesterNumbers(const std::vector<int>& testers) {
  std::string list;
  for (std::size_t i = 0; i < testers.size();) {
    std::size_t last = i;
    while (last + 1 < testers.size() && testers[last + 1] == testers[last] + 1) ++last;
    if (!list.empty()) list += ", ";
    list += last == i ? platform::Format("%d", testers[i]) : platform::Format("%d-%d", testers[i], testers[last]);
    i = last + 1;
  }
  return (testers.size() == 1 ? "tester " : "testers ") + list;
}

std::string UnshownTestersNotice(const std::vector<int>& testers) {
  return platform::Format("The drives of %s are not shown: the production page has %d ports (testers 1-%d).",
                          DescribeTesterNumbers(testers).c_str(), kPortCount, kPortCount);
}

// The pass helper's work, as a task of the helper's pool.
class PassHelperTask : public CPoolTask {
 public:
  explicit PassHelperTask(std::function<void()> body) : m_body(std::move(body)) {}
  void Run(std::uint32_t) override {
    const std::unique_ptr<PassHelperTask> self(this);
    m_body();
  }
  void Release() override { delete this; }

 private:
  std::function<void()> m_body;
};

}  // namespace

CProductionPage::CProductionPage() : CPropertyPage(&ProductionPageTemplate()) {
  for (std::atomic<int>& code : m_portResults) code.store(kPortResultUnmapped);
  // The slots' workers and the pass helper wait idle between passes instead of being
  // started again for each.
  m_pool.KeepWorkersBetweenPasses();
  m_helperPool.KeepWorkersBetweenPasses();
}

CProductionPage::~CProductionPage() {
  // The tasks write into this page's controls: a pass still running must end first.
  m_helperPool.Shutdown();
  m_pool.Shutdown();
}

void CProductionPage::DoDataExchange(ui::CDataExchange* exchange) {
  ui::DDX_Control(exchange, ids::kScan, m_scan);
  ui::DDX_Control(exchange, ids::kStart, m_start);
  ui::DDX_Control(exchange, ids::kParamList, m_paramList);
  ui::DDX_Control(exchange, ids::kRunOptions, m_runOptions);
  ui::DDX_Control(exchange, ids::kElapsed, m_elapsed);
  ui::DDX_Control(exchange, ids::kScanStatus, m_scanStatus);
  for (int port = 1; port <= kPortCount; ++port) {
    ui::DDX_Control(exchange, ids::PortCheck(port), m_portChecks[Index(port)]);
    ui::DDX_Control(exchange, ids::PortCell(port), m_cells[Index(port)]);
    ui::DDX_Control(exchange, ids::PortProgress(port), m_progress[Index(port)]);
  }
}

bool CProductionPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  g_MappingType.store(settings::ReadInt(settings::keys::MappingType));
  ApplyCaptions();
  for (int port = 1; port <= kPortCount; ++port) {
    m_portChecks[Index(port)].SetCheck(ui::BST_CHECKED);
    m_progress[Index(port)].SetRange32(0, 100);
    PaintPortCaption(m_cells[Index(port)], port, false);
  }
  FillParameterList();
  if (!ChosenParameterFile().empty()) NoteParameterFileCopy(CopyChosenParameterFile(), ChosenParameterFile());
  ShowRunOptions();
  SetTimer(kDiskWatchTimer, kTimerPeriodMs);
  // The first scan runs once the page is up, so that it opens ready for Start.
  if (ui::Dispatcher* dispatcher = ui::Dispatcher::Current()) {
    dispatcher->PostTo(*this, [this] { Scan(); });
  } else {
    Scan();
  }
  return true;
}

bool CProductionPage::OnSetActive() {
  g_ActivePage.store(kActiveProductionPage);
  ShowRunOptions();
  return CPropertyPage::OnSetActive();
}

bool CProductionPage::OnQueryCancel() {
  if (!m_running && !m_scanning) {
    TellOfRecordsStillWrong();
    return true;
  }
  MessageBox("A production pass is running; close the program when it has ended.");
  return false;
}

bool CProductionPage::OnCommand(int id, int code) {
  if (id == ids::kScan && code == ui::BN_CLICKED) {
    Scan();
    return true;
  }
  if (id == ids::kStart && code == ui::BN_CLICKED) {
    StartRun();
    return true;
  }
  if (id == ids::kParamList && code == ui::CBN_SELCHANGE) {
    OnParameterFileChosen();
    return true;
  }
  return CPropertyPage::OnCommand(id, code);
}

void CProductionPage::OnTimer(std::uintptr_t id) {
  if (id == kRunTimer) WatchPass();
  if (id == kDiskWatchTimer) WatchDisks();
}

void CProductionPage::ApplyCaptions() {
  m_scan.SetWindowText(ProductionCaption("Scan", m_scan.GetWindowText()));
  m_start.SetWindowText(ProductionCaption("Start", m_start.GetWindowText()));
  SetDlgItemText(ids::kParamLabel, ProductionCaption("ParamFile", GetDlgItemText(ids::kParamLabel)));
  SetDlgItemText(ids::kElapsedLabel, ProductionCaption("Time", GetDlgItemText(ids::kElapsedLabel)));
  const std::string portWord = ProductionCaption("Port", "Port");
  for (int port = 1; port <= kPortCount; ++port) {
    m_portChecks[Index(port)].SetWindowText(platform::Format("%s %d", portWord.c_str(), port));
  }
}

void CProductionPage::FillParameterList() {
  m_paramList.ResetContent();
  for (const std::string& name : ListParameterFiles()) m_paramList.AddString(name);
  m_paramList.SetCurSel(m_paramList.FindStringExact(-1, ChosenParameterFile()));
}

void CProductionPage::OnParameterFileChosen() {
  const int selected = m_paramList.GetCurSel();
  if (selected < 0) return;
  const std::string name = m_paramList.GetLBText(selected);
  NoteParameterFileCopy(ChooseParameterFile(name), name);
}

void CProductionPage::NoteParameterFileCopy(const std::string& problem, const std::string& name) {
  m_copiedParameterFile = problem.empty() ? ChosenParameterPath() : std::string();
  if (!problem.empty()) {
    MessageBox(platform::Format("Copy parameter file fail (%s): %s", name.c_str(), problem.c_str()));
  }
}

void CProductionPage::ShowRunOptions() {
  // Between runs the options shown are those a Start would read now; during a run, the run's.
  if (!m_running) m_options = ReadRunOptions();
  m_runOptions.SetWindowText(DescribeRunOptions(m_options));
}

void CProductionPage::ShowPortMapping() {
  for (int port = 1; port <= kPortCount; ++port) {
    PaintPortCaption(m_cells[Index(port)], port, m_ports.drive[port] != 0);
    m_progress[Index(port)].SetPos(0);
  }
  m_scanStatus.SetWindowText(DescribePortMapping());
}

std::string CProductionPage::DescribePortMapping() const {
  std::string text = platform::Format("%d port(s) mapped to drives (%s)", m_ports.mappedPorts,
                                      g_U2AMode.load() != 0 ? "bridge ports" : "tester boards");
  if (!m_ports.unshownTesters.empty()) {
    text += platform::Format("; not shown: the drives of %s beyond the %d ports",
                             DescribeTesterNumbers(m_ports.unshownTesters).c_str(), kPortCount);
  }
  if (!m_ports.heldDisks.empty()) text += "; not listed: " + HeldDisksList(m_ports.heldDisks);
  return text;
}

void CProductionPage::EnableChoices(bool enable) {
  m_scan.EnableWindow(enable);
  m_start.EnableWindow(enable);
  m_paramList.EnableWindow(enable);
  for (int port = 1; port <= kPortCount; ++port) {
    m_portChecks[Index(port)].EnableWindow(enable && m_ports.drive[port] != 0);
  }
}

int CProductionPage::DriveOfPort(int port) const {
  return port >= 1 && port <= kPortCount ? m_ports.drive[port] : 0;
}

std::string CProductionPage::ResultTextOfPort(int port) const {
  return port >= 1 && port <= kPortCount ? m_resultTexts[Index(port)].Get() : std::string();
}

void CProductionPage::Scan() {
  if (m_running || m_scanning) return;
  m_scanning = true;
  EnableChoices(false);
  m_scanStatus.SetWindowText("Scanning ...");
  const bool bridgeMode = g_U2AMode.load() != 0;
  const int mappingType = g_MappingType.load();
  PortScanResult result;
  auto work = [&result, bridgeMode, mappingType] { result = ScanPorts(bridgeMode, mappingType); };
  ui::Dispatcher* dispatcher = ui::Dispatcher::Current();
  if (dispatcher && dispatcher->IsUiThread()) {
    dispatcher->RunWhilePumping(work);
  } else {
    work();
  }
  m_ports = result;
  m_scanned = true;
  m_scanning = false;
  m_diskWatch.TakeNote();
  ShowPortMapping();
  EnableChoices(true);
  if (!bridgeMode && !result.testersOk) MessageBox(kNoTesterMessage);
  if (!result.listingProblem.empty()) MessageBox(ListingProblemMessage(result.listingProblem));
  // Drives that no port can show, and disks that something holds, are named once, and again
  // whenever they change.
  if (result.unshownTesters != m_unshownTestersTold) {
    m_unshownTestersTold = result.unshownTesters;
    if (!m_unshownTestersTold.empty()) ShowNoticeWithoutWaiting(UnshownTestersNotice(m_unshownTestersTold));
  }
  if (result.heldDisks != m_heldDisksTold) {
    m_heldDisksTold = result.heldDisks;
    if (!m_heldDisksTold.empty()) ShowNoticeWithoutWaiting(HeldDisksMessage(m_heldDisksTold));
  }
}

bool CProductionPage::StartRun() {
  if (m_running || m_scanning) return false;
  ShowRunOptions();
  if (!m_options.stationProblem.empty()) {
    MessageBox(m_options.stationProblem + "; the pass does not start.");
    return false;
  }
  m_passesLeft = m_options.passes;
  g_StopAll.store(0);
  return StartPass();
}

bool CProductionPage::StartPass() {
  if (!OwedTakeBacksWritten()) return false;
  std::vector<int> ports;
  for (int port = 1; port <= kPortCount; ++port) {
    if (m_ports.drive[port] != 0 && m_portChecks[Index(port)].GetCheck() == ui::BST_CHECKED) ports.push_back(port);
  }
  if (ports.empty()) {
    MessageBox("No port is mapped and selected: press Scan and select the ports to test.");
    return false;
  }
  // A setting that would fail every drive the same way starts no pass.
  const PassRecordsPlan plan{m_options.stationIndex, m_options.taskKind,
                             settings::ReadInt(settings::keys::OnlyDoISP) != 0, static_cast<int>(ports.size())};
  for (const std::string& problem : {CheckWorkingParameterFile(m_copiedParameterFile), CheckLimitSettings(plan)}) {
    if (!problem.empty()) {
      MessageBox(problem);
      return false;
    }
  }
  if (!ClaimDrives(ports)) return false;
  if (!ClearRunTempFolder()) {
    m_driveClaims.clear();
    MessageBox("Configuration\\Temp cannot be emptied; the pass does not start.");
    return false;
  }
  // Nothing changes a drive until the pass knows it can record what it does.
  const std::string logFolder = PrepareLogFolder(m_options.stationIndex);
  const std::string workOrder = PrepareWorkOrderFile(logFolder);
  const std::string problem = CheckPassRecords(plan, logFolder, workOrder);
  if (!problem.empty()) {
    m_driveClaims.clear();
    MessageBox(problem);
    return false;
  }
  m_logFolder = logFolder;
  ResetPortStates();
  ForgetRecordFailureNotice();
  for (int port = 1; port <= kPortCount; ++port) {
    m_portResults[Index(port)].store(kPortResultUnmapped);
    m_resultTexts[Index(port)].Set("");
  }
  m_running = true;
  EnableChoices(false);
  m_passStartMs = platform::TickCountMs();
  ShowElapsed();
  SetTimer(kRunTimer, kTimerPeriodMs);
  m_locks = std::make_unique<PortLocks>();

  if (!m_pool.Create(static_cast<std::uint32_t>(ports.size()), nullptr)) {
    AbandonPass("The worker pool of the pass cannot be made.");
    return false;
  }
  std::vector<CSlotTestTask*> tasks;
  for (int port : ports) {
    PaintPortCaption(m_cells[Index(port)], port, true);
    m_progress[Index(port)].SetPos(0);
    m_portResults[Index(port)].store(kPortResultPosted);
    tasks.push_back(new CSlotTestTask(m_options.taskKind, m_locks.get(), &m_cells[Index(port)],
                                      &m_progress[Index(port)], m_ports.drive[port], port, &m_autoDetect, this,
                                      m_logFolder, &m_resultTexts[Index(port)], this, &m_portResults));
    // Each slot counts its drive in the summary log with its other records, before its END.
    tasks.back()->CountDriveInSummaryLog();
  }
  m_passHelperDone.store(false);
  ++m_passesStarted;
  PostAndShutDown(std::move(tasks));
  return m_running;
}

bool CProductionPage::ClaimDrives(const std::vector<int>& ports) {
  m_driveClaims.clear();
  for (int port : ports) {
    std::string holder;
    CDiskClaim claim = CDiskClaim::Take(m_ports.drive[port], kClaimOwner, &holder);
    if (!claim) {
      m_driveClaims.clear();
      MessageBox(DiskInUseText(port, holder));
      return false;
    }
    m_driveClaims.push_back(std::move(claim));
  }
  return true;
}

void CProductionPage::AbandonPass(const std::string& message) {
  KillTimer(kRunTimer);
  m_pool.Shutdown();
  m_driveClaims.clear();
  m_running = false;
  EnableChoices(true);
  MessageBox(message);
}

void CProductionPage::PostAndShutDown(std::vector<CSlotTestTask*> tasks) {
  // The task list is shared with the helper so that the tasks are still ours to release when
  // the helper cannot be started.
  auto shared = std::make_shared<std::vector<CSlotTestTask*>>(std::move(tasks));
  const bool started = m_helperPool.Create(1, nullptr) && m_helperPool.Post(new PassHelperTask([this, shared] {
    for (CSlotTestTask* task : *shared) {
      m_pool.Post(task);
      platform::Sleep(kPostPauseMs);
    }
    // Shutdown returns once the pool's last task has ended: the pass ends now, not at the
    // next tick of the run timer.
    m_pool.Shutdown();
    m_passHelperDone.store(true);
    if (ui::Dispatcher* dispatcher = ui::Dispatcher::Current()) dispatcher->PostTo(*this, [this] { WatchPass(); });
  }));
  if (started) return;
  m_helperPool.Shutdown();  // a helper task that was not taken is released here
  for (CSlotTestTask* task : *shared) task->Release();
  AbandonPass("The pass cannot be started: no helper thread.");
}

void CProductionPage::WatchPass() {
  if (!m_running) return;
  ShowElapsed();
  if (!m_passHelperDone.load()) return;
  for (int port = 1; port <= kPortCount; ++port) {
    if (PortStateOf(port) == kPortTesting) return;
  }
  EndPass();
}

void CProductionPage::EndPass() {
  m_helperPool.Shutdown();  // the helper has ended its work: this waits for its return
  KillTimer(kRunTimer);
  m_driveClaims.clear();
  m_running = false;
  WriteOwedTakeBacks();  // a take-back the disk refused during the pass, if it takes it now
  EnableChoices(true);
  if (--m_passesLeft > 0 && g_StopAll.load() == 0) StartPass();
}

void CProductionPage::ShowElapsed() { m_elapsed.SetWindowText(FormatElapsed(platform::TickCountMs() - m_passStartMs)); }

void CProductionPage::WatchDisks() {
  if (m_running || m_scanning) return;
  if (m_diskWatch.Changed()) Scan();
}

bool CProductionPage::OwedTakeBacksWritten() {
  if (WriteOwedTakeBacks()) return true;
  MessageBox(OwedTakeBacksStartText());
  return false;
}

void CProductionPage::TellOfRecordsStillWrong() {
  if (!WriteOwedTakeBacks()) MessageBox(OwedTakeBacksClosingText());
}
