// The endings that every station flow shares: the failure endings (fail-out with and without
// the serial number, the status-only fail, the empty slot), the flow's own fail record, the
// line of the flow's total time and the pass ending.
#include "controls/ColorEdit.h"
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "run/SlotTestTask.h"

namespace {

constexpr std::uint32_t kPassPauseMs = 100;

std::string EngineMessage(const std::unique_ptr<CMPDevice>& device) {
  return device ? device->m_ErrorMessage : std::string();
}

}  // namespace

void CSlotTestTask::TakeEngineErrorTag() {
  if (m_pDevice) m_ErrorTag = m_pDevice->m_ErrorTag;
  SetResultText(m_ErrorTag);
}

std::uint8_t CSlotTestTask::FailOut() {
  TakeEngineErrorTag();
  FinishSlotStatus(0, kSlotFail, m_ErrorTag, EngineMessage(m_pDevice), "");
  return 0;
}

std::uint8_t CSlotTestTask::FailOutWithSerial(std::string_view extra) {
  TakeEngineErrorTag();
  FinishSlotStatus(1, kSlotFail, m_ErrorTag, EngineMessage(m_pDevice), extra);
  return 0;
}

std::uint8_t CSlotTestTask::StatusOnlyFail() {
  TakeEngineErrorTag();
  SetSlotStatus(kSlotFail, m_ErrorTag, EngineMessage(m_pDevice));
  return 0;
}

std::uint8_t CSlotTestTask::NoDriveOut(std::uint8_t withSerial) {
  TakeEngineErrorTag();
  FinishSlotStatus(withSerial, kSlotWaiting, m_ErrorTag, "", "");
  return 0;
}

bool CSlotTestTask::IsNoDriveTag(std::string_view tag) { return tag == "P_A01" || tag == "P_x01"; }

void CSlotTestTask::SetFlowFailure(std::string_view tag, std::string message) {
  if (!m_pDevice) return;
  m_pDevice->m_ErrorTag = tag;
  m_pDevice->m_ErrorMessage = std::move(message);
  m_pDevice->WriteFailReport();
}

void CSlotTestTask::WriteTotalTimeLine(std::string_view title, std::uint64_t startMs) {
  if (!m_pDevice) return;
  const double seconds = static_cast<double>(platform::TickCountMs() - startMs) / 1000.0;
  m_pDevice->WriteReportLine(platform::Format("%s Total take(sec): %.3f sec.", std::string(title).c_str(), seconds),
                             CMPDevice::kSuccessLine);
}

std::uint8_t CSlotTestTask::PassOut(std::string_view passText, const std::vector<std::string>& wrappedTexts) {
  if (m_pStatusBox) m_pStatusBox->SetWrappedTexts(wrappedTexts);
  SetSlotStatus(kSlotPass, passText, "");
  return EndPass(false);
}

std::uint8_t CSlotTestTask::EndPass(bool copyReport) {
  if (m_VolumesLocked && m_pDevice) {
    if (m_pDevice->UnlockDiskVolumes() != 0) {
      m_VolumesLocked = 0;
    } else {
      m_pDevice->WriteReportLine("UN Lock Drive Fail", CMPDevice::kPlainLine);
    }
  }
  SetProgress(kProgressFull);
  if (RecordVerdict(1, copyReport) == 0) return 0;
  platform::Sleep(kPassPauseMs);
  SetProgress(kProgressEmpty);
  SetResultText("0_00");
  return 1;
}
