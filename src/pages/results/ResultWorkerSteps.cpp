#include "pages/results/ResultWorkerSteps.h"

#include "controls/ColorEdit.h"
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/Text.h"
#include "ui/ProgressCtrl.h"

namespace {

// The failure of the IC version check is shown as a detection error.
constexpr const char* kDetectTag = "I_V01";
constexpr const char* kDetectMessage = "Detect Error Please Re-Plug!!";

}  // namespace

void CResultWorkerSteps::ShowFailure(const char* tag, const char* message) {
  m_status.SetWindowText(platform::Format("Fail, %s, %s", CMPDevice::ErrorTagToCode(tag).c_str(), message));
  m_ok = false;
}

bool CResultWorkerSteps::Fail(CMPDevice& engine) {
  ShowFailure(engine.m_ErrorTag.c_str(), engine.m_ErrorMessage.c_str());
  return false;
}

bool CResultWorkerSteps::CheckController(CMPDevice& engine, std::uint8_t runningCodeMode) {
  if (!engine.CheckICVer()) {
    ShowFailure(kDetectTag, kDetectMessage);
    return false;
  }
  m_progress.SetPos(10);
  engine.m_RunningCodeCheck = 1;
  if (!engine.ChkRC(runningCodeMode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "", nullptr)) {
    return Fail(engine);
  }
  return true;
}

void CResultWorkerSteps::Finish(bool driveDone) {
  platform::Sleep(kWorkerPauseMs);
  if (!driveDone || !m_ok) return;
  m_progress.SetPos(100);
  m_status.SetWindowText("Pass");
}
