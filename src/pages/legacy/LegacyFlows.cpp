// The four test flows of the legacy slot page (QC, Initial, Bad Block, Pretest) and the
// drive-exchange phase that follows a single pass of QC or Initial.
//
// A flow checks param.ini, then runs passes: tester detection, one slot task per slot with a
// drive on the page's pool, the wait that pumps messages, the total logs. Settings of
// [RD Debug]: TestLoop (passes of a cycle; any non-zero value is loop mode for QC and
// Initial, which then run no exchange phase) and TestInFinity (1: cycles repeat until a task
// stops the run under StopIfFail).
#include <algorithm>

#include "device/DevicePaths.h"
#include "pages/legacy/FirstPropertyPage.h"
#include "pages/legacy/HostInfo.h"
#include "pages/legacy/LegacyGlobals.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/Files.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "run/FlowDispatch.h"
#include "run/OperatorNotice.h"
#include "run/RunGlobals.h"

namespace {

namespace ids = legacy_ids;

constexpr const char* kNotTested = "H_F8";
constexpr const char* kNoDrive = "H_AF";
constexpr int kFinishIcon = 283;
constexpr int kIconAboveCaption = 1;
constexpr const char* kPcMacFile = ".\\PC_MAC_Address.txt";
constexpr std::size_t kControllerTypeBuffer = 20;  // at most 19 characters
constexpr const char* kSupportedController = "TV3160";

int ReadDebugInt(const char* key, int defaultValue) {
  return platform::ReadProfileInt(g_ParamIniPath, "RD Debug", key, defaultValue);
}

}  // namespace

// What sets the four flows apart.
struct CFirstPropertyPage::FlowTraits {
  const char* name;
  int buttonId;
  int icon;
  int taskKind;
  int logKind;
  bool loopModeRead;         // TestLoop / TestInFinity make loop mode (QC, Initial)
  bool exchangeCheckFirst;   // the exchange-phase check comes before the logo repaint (QC)
  bool timerEveryCycle;      // "00:00" and timer 2 at every cycle; else once at the start
  bool selectedOnly;         // only selected slots; else every slot with a drive
  bool bridgeSlotOne;        // bridge mode: slot 1 is drive 1
  bool testerCheckInBridge;  // the tester firmware check also runs in bridge mode
  bool loopCheckEnds;        // "Loop" ticked and no worker ends the flow
  std::uint32_t afterPassMs;
  bool showPassTime;         // the Time button shows the pass time after the logs
  bool exchangePhase;
};

static const CFirstPropertyPage::FlowTraits kQcFlow{"QC", ids::kQc, 141, kTaskQC, CFirstPropertyPage::kLogQc,
                                                    true, true, true, true, true, false, true, 1000, false, true};
static const CFirstPropertyPage::FlowTraits kInitialFlow{
    "Initial", ids::kInitial, 150, kTaskInit, CFirstPropertyPage::kLogInit, true, false, true, true, false, true, true,
    500, false, true};
static const CFirstPropertyPage::FlowTraits kBadBlockFlow{
    "Bad Block", ids::kBadBlock, 139, kTaskBadBlock, CFirstPropertyPage::kLogQc, false, false, false, false, false,
    true, false, 1000, true, false};
static const CFirstPropertyPage::FlowTraits kPretestFlow{
    "Pretest", ids::kPretest, 194, kTaskRDTResult, CFirstPropertyPage::kLogQc, false, false, false, false, false,
    true, false, 1000, true, false};

void CFirstPropertyPage::OnQc() { RunFlow(kQcFlow); }
void CFirstPropertyPage::OnInitial() { RunFlow(kInitialFlow); }
void CFirstPropertyPage::OnBadBlock() { RunFlow(kBadBlockFlow); }
void CFirstPropertyPage::OnPretest() { RunFlow(kPretestFlow); }

void CFirstPropertyPage::RunFlow(const FlowTraits& flow) {
  bool loopMode = false;
  if (flow.loopModeRead) loopMode = ReadDebugInt("TestInFinity", 0) == 1 || ReadDebugInt("TestLoop", 0) != 0;
  if (!flow.exchangeCheckFirst) RepaintLogoButton();
  if (g_ExchangePhase.load() == 1) {
    // A press during the exchange phase only ends that phase.
    EndExchangePhase(flow);
    return;
  }
  // One flow at a time on the page's one pool: a start request (F8, F4) while a pass runs is
  // ignored.
  if (m_FlowRunning) return;
  if (flow.exchangeCheckFirst) RepaintLogoButton();
  m_FlowRunning = true;
  if (!flow.timerEveryCycle) StartElapsedTimer();

  for (CSharedText& result : m_Results) result.Set(kNotTested);
  const bool autoDetect = m_AutoDetect != 0;
  m_SlotCount = ConfiguredSlotCount();
  m_LogKind = flow.logKind;

  auto endFlow = [this] {
    KillTimer(kElapsedTimer);
    EnableFunctionButtons();
    g_IsTesting = 0;
    m_FlowRunning = false;
  };
  if (!platform::FileExists(g_ParamIniPath)) {
    MessageBox("Don't found param.ini file !!!", {}, ui::MB_OK);
    KillTimer(kElapsedTimer);
    m_FlowRunning = false;
    return;
  }
  if (!platform::FileExists(kPcMacFile)) {
    const std::string mac = GetHostMacText();
    if (!mac.empty()) platform::WriteProfileString(kPcMacFile, "PC Info", "MAC_Address", mac);
  }
  m_ProfileBuffer =
      platform::Trim(platform::ReadProfileString(g_ParamIniPath, "Device Info", "ControllerType", "", kControllerTypeBuffer));
  if (!platform::StartsWithNoCase(m_ProfileBuffer, kSupportedController)) {
    MessageBox(platform::Format("[Device Info]\r\nControllerType=%s\r\non param.ini file NOT correctly !!!",
                                m_ProfileBuffer.c_str()));
    KillTimer(kElapsedTimer);
    m_FlowRunning = false;
    return;
  }

  g_StopAll = 0;
  bool infinite = false;
  // A negative count is no count at all.
  const std::uint32_t configuredPasses = static_cast<std::uint32_t>(std::max(0, ReadDebugInt("TestLoop", 1)));
  bool endNow = false;
  do {
    std::uint32_t passCount = configuredPasses;
    if (flow.timerEveryCycle) StartElapsedTimer();
    infinite = ReadDebugInt("TestInFinity", 0) == 1;
    if (infinite) passCount = 1;
    for (std::uint32_t pass = 0; pass < passCount && !endNow; ++pass) {
      const PassEnd end = RunPass(flow, autoDetect, loopMode);
      if (end == PassEnd::Abandon) {
        // A tester needs new firmware: the buttons come back and the next press detects again.
        KillTimer(kElapsedTimer);
        EnableFunctionButtons();
        m_TestersOk = 1;
        g_IsTesting = 0;
        m_FlowRunning = false;
        return;
      }
      if (end == PassEnd::EndFlow) endNow = true;
    }
    if (g_StopAll.load() != 0) endNow = true;
  } while (!endNow && infinite);
  endFlow();
}

CFirstPropertyPage::PassEnd CFirstPropertyPage::RunPass(const FlowTraits& flow, bool autoDetect, bool loopMode) {
  ShowTimeText("");
  const std::uint64_t passStart = platform::TickCountMs();
  g_IsTesting = 1;
  DisableFunctionButtons();

  DetectTesters();
  ResetSlotCaptions();
  ReadProductInfo();
  UpdateData(false);
  const bool bridgeMode = g_U2AMode.load() != 0;
  if ((!bridgeMode || flow.testerCheckInBridge) && m_TestersOk == 0) return PassEnd::Abandon;

  if (bridgeMode && flow.bridgeSlotOne) m_Testers.m_TesterDrive[1] = 1;
  const std::uint32_t workers = CountWorkers(flow.selectedOnly);
  if (flow.loopCheckEnds && m_LoopCheck.GetCheck() == ui::BST_CHECKED && workers == 0) return PassEnd::EndFlow;

  for (CSharedPassRecord& record : m_PassRecords) record.Clear();
  ForgetRecordFailureNotice();  // each pass tells of its own lost records
  if (!CreatePoolAndPost(flow.taskKind, flow.selectedOnly, true)) return PassEnd::EndFlow;
  UpdateData(false);
  const bool noQuit = WaitWorkersWithMessagePump();
  m_SlotLocks.reset();
  ++m_PassesRun;
  platform::Sleep(flow.afterPassMs);

  // With Auto Detect the tasks log every drive they test themselves.
  if (!autoDetect) WriteTotalLogs(m_Results);
  KillTimer(kElapsedTimer);
  if (flow.showPassTime) {
    const std::uint64_t seconds = (platform::TickCountMs() - passStart) / 1000;
    ShowTimeText(platform::Format("%02d:%02d", static_cast<int>(seconds / 60), static_cast<int>(seconds % 60)));
  }
  if (noQuit && flow.exchangePhase && !autoDetect && !loopMode) RunExchangePhase(flow);
  // The program is closing: no further pass.
  if (!noQuit) return PassEnd::EndFlow;
  return g_StopAll.load() != 0 ? PassEnd::EndFlow : PassEnd::Next;
}

std::uint32_t CFirstPropertyPage::CountWorkers(bool selectedOnly) const {
  std::uint32_t workers = 0;
  for (int slot = 1; slot <= m_SlotCount; ++slot) {
    if (selectedOnly && m_SlotSelected[static_cast<std::size_t>(slot - 1)] == 0) continue;
    if (m_Testers.m_TesterDrive[slot] != 0) ++workers;
  }
  return workers;
}

bool CFirstPropertyPage::CreatePoolAndPost(int kind, bool selectedOnly, bool resetStates) {
  m_SlotLocks = std::make_unique<PortLocks>();
  const std::uint32_t workers = CountWorkers(selectedOnly);
  const bool created = !m_FailPoolCreation && m_Pool.Create(workers, nullptr);
  m_FailPoolCreation = false;
  if (!created) {
    // Nothing is posted: the slots stay idle and the flow ends.
    m_SlotLocks.reset();
    MessageBox("The worker pool of the pass cannot be made.");
    return false;
  }
  for (int slot = 1; slot <= m_SlotCount; ++slot) {
    const std::size_t index = static_cast<std::size_t>(slot - 1);
    if (selectedOnly && m_SlotSelected[index] == 0) continue;
    const std::uint32_t drive = m_Testers.m_TesterDrive[slot];
    if (drive == 0) {
      m_SlotState[index] = kPortIdle;
      m_Results[index].Set(kNoDrive);
      continue;
    }
    if (resetStates) m_SlotState[index] = kPortResultPosted;
    auto* task = new CSlotTestTask(kind, m_SlotLocks.get(), &m_SlotBoxes[index], &m_SlotBars[index],
                                   static_cast<int>(drive), slot, &m_AutoDetectCheck, this, m_LogFolder,
                                   &m_Results[index], &m_TimeButton, &m_SlotState);
    task->KeepPassRecordIn(&m_PassRecords[index]);
    m_Pool.Post(task);
  }
  return true;
}

void CFirstPropertyPage::RunExchangePhase(const FlowTraits& flow) {
  g_ExchangePhase = 1;
  ++m_ExchangePhasesRun;
  EnableFunctionButtons();
  m_ClearButton.EnableWindow(false);
  CIconButton& button = FlowButton(flow.buttonId);
  button.SetIcon(kFinishIcon, 0);
  button.SetAlign(kIconAboveCaption, true);
  button.SetWindowText("Finish");

  if (CreatePoolAndPost(kTaskExchange, true, false)) {
    UpdateData(false);
    WaitWorkersWithMessagePump();
  }
  g_ExchangePhase = 0;
  RestoreFlowButton(flow);
  m_SlotLocks.reset();
}

void CFirstPropertyPage::RestoreFlowButton(const FlowTraits& flow) {
  CIconButton& button = FlowButton(flow.buttonId);
  button.SetIcon(flow.icon, 0);
  button.SetAlign(kIconAboveCaption, true);
  button.SetWindowText(flow.name);
}

void CFirstPropertyPage::EndExchangePhase(const FlowTraits& pressed) {
  FlowButton(pressed.buttonId).EnableWindow(false);
  g_ExchangePhase = 0;
  // The QC button keeps what it shows; the running flow restores its own button.
  if (pressed.buttonId != ids::kQc) RestoreFlowButton(pressed);
}

void CFirstPropertyPage::StartElapsedTimer() {
  ShowTimeText("00:00");
  m_PassStartClock = platform::TickCountMs();
  SetTimer(kElapsedTimer, kElapsedPeriodMs);
}
