// Construction, the worker entry with its three paths (single, auto-detect, drive exchange),
// the flow dispatch and the helpers the flows share.
#include "run/SlotTestTask.h"

#include <exception>
#include <utility>

#include "controls/ColorEdit.h"
#include "device/DevicePaths.h"
#include "device/ReplyLayouts.h"
#include "device/StationHelpers.h"
#include "engine/ErrorTags.h"
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/OperatorNotice.h"
#include "ui/Button.h"
#include "ui/ProgressCtrl.h"

namespace {

constexpr std::uint32_t kStartDelayMs = 1500;
constexpr std::uint32_t kDetectPollMs = 200;
constexpr std::uint32_t kExchangePollMs = 500;

// Text that a task failure shows when nothing else names it.
constexpr const char* kTaskStoppedText = "Fail";
// The slot of a pass whose station setting names no station.
constexpr const char* kUnknownStationTag = "S_x44";

std::string LocalStartTimeText() {
  const platform::LocalTime now = platform::Now();
  return platform::Format("%04d/%02d/%02d_%02d:%02d:%02d", now.year, now.month, now.day, now.hour, now.minute,
                          now.second);
}

}  // namespace

CSlotTestTask::CSlotTestTask(int kind, PortLocks* locks, CColorEdit* statusBox, ui::CProgressCtrl* progress,
                             int driveNumber, int portNumber, ui::CButton* autoDetectCheck, ui::CWnd* /*unkeptPage*/,
                             std::string logFolder, CSharedText* resultText, ui::CWnd* keptPage,
                             PortResultCodes* portResults)
    : m_pLocks(locks),
      m_pStatusBox(statusBox),
      m_pProgress(progress),
      m_PortText(platform::Format("%d", portNumber)),
      m_VersionText(platform::Format("V%d.%02x%s", 2, 10, "")),
      m_LogFolder(std::move(logFolder)),
      m_pResultText(resultText),
      m_pAutoDetectCheck(autoDetectCheck),
      m_PortNumber(portNumber),
      m_Kind(kind),
      m_DriveNumber(driveNumber),
      m_pPortResults(portResults),
      m_DevSleepControl(settings::ReadInt(settings::keys::DevslpControl) == 1 ? 1 : 0),
      m_StationMode(GetTestStationIndex()),
      m_pKeptPage(keptPage) {}

CSlotTestTask::~CSlotTestTask() = default;

void CSlotTestTask::Release() { delete this; }

void CSlotTestTask::Run(std::uint32_t /*context*/) {
  try {
    platform::Sleep(kStartDelayMs);
    // The station decides what is done to the drive: a setting that names none (changed since
    // the page started the pass) touches no drive.
    const TestStationSetting station = ReadTestStationSetting();
    if (!station.index) {
      platform::DebugOutput(platform::Format("Slot %d: %s\n", m_PortNumber, station.problem.c_str()));
      SetResultText(kUnknownStationTag);
      SetSlotStatus(kSlotFail, kUnknownStationTag, station.problem);
    } else {
      m_StationMode = *station.index;
      RunPath();
    }
  } catch (const std::exception& error) {
    platform::DebugOutput(platform::Format("Slot %d: task stopped: %s\n", m_PortNumber, error.what()));
    try {
      // A slot whose flow had started shows the failure; one where nothing started shows idle.
      if (m_FlowStarted) {
        if (m_ErrorTag.empty()) m_ErrorTag = kTaskStoppedText;
        SetResultText(m_ErrorTag);
        SetSlotStatus(kSlotFail, m_ErrorTag, error.what());
        // The drive's records say so too, unless they were being written when it stopped.
        if (!m_VerdictRecorded) RecordVerdict(0, false);
      } else {
        SetSlotStatus(kSlotWaiting, "", "");
      }
    } catch (...) {
    }
  } catch (...) {
    platform::DebugOutput(platform::Format("Slot %d: task stopped\n", m_PortNumber));
    try {
      SetSlotStatus(m_FlowStarted ? kSlotFail : kSlotWaiting, kTaskStoppedText, "");
    } catch (...) {
    }
  }
  try {
    DeleteDevice();
  } catch (...) {
  }
  delete this;
}

void CSlotTestTask::RunPath() {
  const bool stopIfFail = settings::ReadInt(settings::keys::StopIfFail) == 1;
  if (m_Kind == kTaskExchange) {
    RunExchangePath(stopIfFail);
    return;
  }
  const bool onlyDoIsp = settings::ReadInt(settings::keys::OnlyDoISP) != 0;
  m_SlotState = kPortIdle;
  const SlotFlow flow = ChooseSlotFlow(m_Kind, m_StationMode, onlyDoIsp);
  if (AutoDetectChecked()) {
    RunAutoDetectPath(flow, stopIfFail);
  } else {
    RunSinglePath(flow, stopIfFail);
  }
}

bool CSlotTestTask::AutoDetectChecked() const {
  return m_pAutoDetectCheck != nullptr && m_pAutoDetectCheck->GetCheck() == ui::BST_CHECKED;
}

void CSlotTestTask::RunSinglePath(SlotFlow flow, bool stopIfFail) {
  if (!MakeDevice(m_pKeptPage)) return;
  if (flow == SlotFlow::None) {
    // No flow runs for this kind at this station: the slot shows idle and nothing is recorded.
    SetSlotStatus(kSlotWaiting, "", "");
  } else {
    BeginTest();
    const std::uint8_t result = FailIfRecordsLost(RunFlow(flow));
    // A slot without a drive stays waiting, without a fail text; under StopIfFail its flow's
    // 0 stops the run all the same.
    const bool noDrive = m_SlotState == kPortWaiting;
    if (result == 0 && !noDrive && m_pDevice->m_HasExtraStatus) AppendFailStatusText(m_pDevice->m_ExtraStatusText);
    if (result == 0 && stopIfFail) g_StopAll = 1;
    m_EndClock = platform::TickCountMs();
    m_ElapsedSeconds = static_cast<double>(m_EndClock - m_StartClock) / 1000.0;
    // A flow that ended in its pass has recorded its verdict; every other ending is recorded here.
    const std::uint8_t recorded = m_VerdictRecorded ? result : RecordVerdict(result, false);
    if (recorded == 0 && result != 0 && stopIfFail) g_StopAll = 1;
    if (recorded != 0) KeepPassRecord();
  }
  PowerOffSlot();
  DeleteDevice();
}

void CSlotTestTask::BeginTest() {
  SetSlotStatus(kSlotTesting, "Testing", "");
  if (m_pProgress) m_pProgress->SetRange(kProgressEmpty, kProgressFull);
  m_StartTimeText = LocalStartTimeText();
  m_StartClock = platform::TickCountMs();
  m_StationLogCopyDue = false;
  BeginTestRecords();
}

void CSlotTestTask::KeepPassRecord() {
  if (m_pPassRecord == nullptr || !m_pDevice || m_SlotState != kPortPass) return;
  SlotPassRecord record;
  record.slot = m_PortNumber;
  record.serial = m_pDevice->m_SerialNumber;
  record.reportPath = m_pDevice->m_ReportFile;
  record.failLogCopy = m_pDevice->FailLogCopyPath();
  record.listLine = m_ListLine;
  record.summaryRow = m_SummaryRow;
  m_pPassRecord->Set(std::move(record));
}

void CSlotTestTask::RunAutoDetectPath(SlotFlow flow, bool stopIfFail) {
  m_AutoDetectRound = true;
  if (!MakeDevice(m_pKeptPage)) return;
  // A drive that a kind without a flow has seen is not taken up again until it is removed.
  bool seenWithoutFlow = false;
  do {
    platform::Sleep(kDetectPollMs);
    const std::uint8_t card = m_pDevice->DetectCard(2);
    bool start = false;
    if (card == device::kCardPresent) {
      start = (m_SlotState == kPortWaiting || m_SlotState == kPortIdle) && !seenWithoutFlow;
    } else if (card == device::kCardEmpty || card == device::kCardNoPower || card == device::kCardUnknown) {
      SetSlotStatus(kSlotWaiting, "", "");
      seenWithoutFlow = false;
    }
    if (!start) continue;
    if (m_pPortResults && m_PortNumber >= 1 && m_PortNumber <= kSlotCount) {
      (*m_pPortResults)[static_cast<std::size_t>(m_PortNumber - 1)] = kPortResultAutoRound;
    }
    if (flow == SlotFlow::None) {
      SetSlotStatus(kSlotWaiting, "", "");
      seenWithoutFlow = true;
      continue;
    }
    BeginTest();
    const std::uint8_t flowResult = FailIfRecordsLost(RunFlow(flow));
    // A flow that ended in its pass has written the slot logs before its END.
    const std::uint8_t result = m_VerdictRecorded ? flowResult : RecordVerdict(flowResult, false);
    if (result == 0 && m_SlotState != kPortWaiting) {
      if (stopIfFail) g_StopAll = 1;
      if (m_pDevice->m_HasExtraStatus) AppendFailStatusText(m_pDevice->m_ExtraStatusText);
    }
    m_EndClock = platform::TickCountMs();
    if (g_StopAll != 0) {
      DeleteDevice();
      return;
    }
    PowerOffSlot();
    DeleteDevice();
    if (!MakeDevice(m_pKeptPage)) return;
  } while (AutoDetectChecked());
  DeleteDevice();
}

void CSlotTestTask::RunExchangePath(bool stopIfFail) {
  if (!MakeDevice(nullptr)) return;
  // Wait until the tested drive is taken out, then show its verdict by colour.
  for (;;) {
    const std::uint8_t card = m_pDevice->DetectCard(2);
    if (g_ExchangePhase == 0) break;
    if (card == device::kCardEmpty) {
      const int state = PortStateOf(m_PortNumber);
      if (m_pStatusBox) {
        if (state == kPortFail) m_pStatusBox->SetColor(ui::RGB(0, 0, 0), ui::RGB(255, 100, 100));
        if (state == kPortPass) m_pStatusBox->SetColor(ui::RGB(0, 0, 0), ui::RGB(0, 128, 0));
        m_pStatusBox->RedrawWindow();
      }
      break;
    }
    platform::Sleep(kExchangePollMs);
  }
  // Then until the next drive is in: the slot shows it is ready.
  if (g_ExchangePhase == 1) {
    for (;;) {
      const std::uint8_t card = m_pDevice->DetectCard(2);
      const int state = PortStateOf(m_PortNumber);
      if (card == device::kCardPresent && (state == kPortFail || state == kPortPass)) {
        if (m_pStatusBox) {
          m_pStatusBox->SetColor(ui::RGB(255, 255, 255), ui::RGB(0, 100, 255));
          m_pStatusBox->SetWindowText(platform::Format(" %d ", m_PortNumber));
          m_pStatusBox->RedrawWindow();
        }
        SetProgress(kProgressEmpty);
        break;
      }
      if (g_ExchangePhase == 0) break;
      platform::Sleep(kExchangePollMs);
    }
  }
  if (!stopIfFail && g_U2AMode == 0) m_pDevice->PowerOffOnCard(0, 0, 0, m_DevSleepControl);
  DeleteDevice();
}

std::uint8_t CSlotTestTask::RunFlow(SlotFlow flow) {
  m_FlowStarted = true;
  struct FlowEntry {
    SlotFlow flow;
    std::uint8_t (CSlotTestTask::*run)();
  };
  static constexpr FlowEntry kFlows[] = {
      {SlotFlow::MP, &CSlotTestTask::RunMPFlow},
      {SlotFlow::QC, &CSlotTestTask::RunQCFlow},
      {SlotFlow::EraseAll, &CSlotTestTask::RunEraseAllFlow},
      {SlotFlow::RDT, &CSlotTestTask::RunRDTFlow},
      {SlotFlow::ZeroMBCheck, &CSlotTestTask::RunZeroMBCheckFlow},
      {SlotFlow::UpgradeFirmware, &CSlotTestTask::RunUpgradeFirmwareFlow},
      {SlotFlow::RDTResult, &CSlotTestTask::RunRDTResultFlow},
      {SlotFlow::RewriteISP, &CSlotTestTask::RunRewriteISPFlow},
      {SlotFlow::ReadRMADebug, &CSlotTestTask::RunReadRMADebugFlow},
  };
  for (const FlowEntry& entry : kFlows) {
    if (entry.flow != flow) continue;
    const std::uint8_t result = (this->*entry.run)();
    // A pass the flow painted is shown once Run has recorded it.
    if (m_SlotState != kPortTesting || (result != 0 && m_PassAfterRecords)) return result;
    // A flow that ended without showing its verdict would leave the page waiting for the slot
    // for ever: the slot shows the failure the engine stopped on.
    TakeEngineErrorTag();
    if (m_ErrorTag.empty()) {
      m_ErrorTag = kTaskStoppedText;
      SetResultText(m_ErrorTag);
    }
    SetSlotStatus(kSlotFail, m_ErrorTag, m_pDevice ? m_pDevice->m_ErrorMessage : std::string());
    return 0;
  }
  // SlotFlow::None runs no flow: Run never asks for it.
  return 0;
}

bool CSlotTestTask::MakeDevice(ui::CWnd* keptPage) {
  try {
    m_pDevice = std::make_unique<CMPDevice>(m_DriveNumber, m_Kind, m_PortNumber, m_LogFolder, m_pStatusBox, keptPage);
    return true;
  } catch (const std::exception& error) {
    platform::DebugOutput(platform::Format("Slot %d: no engine object: %s\n", m_PortNumber, error.what()));
    SetSlotStatus(kSlotWaiting, "", "");
    return false;
  }
}

void CSlotTestTask::DeleteDevice() { m_pDevice.reset(); }

void CSlotTestTask::PowerOffSlot() {
  if (m_pDevice && g_StopAll == 0 && g_U2AMode == 0) m_pDevice->PowerOffOnCard(0, 0, 0, m_DevSleepControl);
}

platform::CriticalSection& CSlotTestTask::PageLock(std::size_t index) const {
  // A task made without the page's array still serialises its shared records.
  static platform::CriticalSection standIn;
  if (m_pLocks == nullptr || index >= m_pLocks->size()) return standIn;
  return (*m_pLocks)[index];
}

void CSlotTestTask::SetProgress(int position) {
  if (m_pProgress) m_pProgress->SetPos(position);
}

void CSlotTestTask::SetResultText(std::string_view text) {
  if (m_pResultText) m_pResultText->Set(text);
}

std::string CSlotTestTask::ResultText() const { return m_pResultText ? m_pResultText->Get() : std::string(); }

std::uint8_t CSlotTestTask::FailIfRecordsLost(std::uint8_t result) {
  if (!m_pDevice || !m_pDevice->RecordsFailed()) return result;
  CMPDevice& device = *m_pDevice;
  if (!m_RecordsLostNoticed) {
    m_RecordsLostNoticed = true;
    ShowRecordFailureNotice(device.RecordFailureText());
  }
  // A slot that shows no verdict (no drive in it) has none to take back.
  if (m_SlotState == kPortWaiting || m_SlotState == kPortIdle) return result;
  if (m_FailedForLostRecords) {
    SetResultText(m_ErrorTag);  // a flow that went on to its pass ending set "0_00"
    return 0;
  }
  m_FailedForLostRecords = true;
  const std::string driveTag = result == 0 ? m_ErrorTag : std::string();
  device.m_ErrorTag = engine::kRecordWriteFailedTag;
  device.m_ErrorMessage = device.RecordFailureText();
  if (!driveTag.empty() && driveTag != device.m_ErrorTag) device.m_ErrorMessage += "; the drive failed with " + driveTag;
  device.WriteFailReport();
  return FailOut();
}

bool CSlotTestTask::NoteLostRecord(std::string_view path) {
  if (m_pDevice) m_pDevice->NoteRecordWriteFailure(path);
  return false;
}
