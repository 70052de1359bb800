// The flow of the erase station: whatever code the drive runs, bring it down to its boot
// code, load the MP firmware into controller RAM, optionally set the CE map, erase every
// flash block, power-cycle the slot and check that the drive is back on its boot code.
#include "device/DevicePaths.h"
#include "device/StationHelpers.h"
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"
#include "run/FlowDriveFacts.h"
#include "run/SlotTestTask.h"

namespace {

// Progress points of the flow.
constexpr int kProgressDriveFound = 15;
constexpr int kProgressImageLoaded = 20;
constexpr int kProgressErased = 90;

constexpr int kEraseProgressPoints = 70;

}  // namespace

std::uint8_t CSlotTestTask::RunEraseAllFlow() {
  CMPDevice& device = *m_pDevice;
  const bool testerMode = g_U2AMode == 0;
  const std::uint8_t usePolling = settings::ReadInt(settings::keys::UsePolling) == 1 ? 1 : 0;
  const std::uint64_t start = platform::TickCountMs();
  device.WriteReportLine("START", CMPDevice::kSuccessLine);
  SetProgress(kProgressStarted);

  if (testerMode && !device.CheckIOState(kTaskInit)) {
    return IsNoDriveTag(device.m_ErrorTag) ? NoDriveOut(0) : FailOut();
  }

  SetProgress(kProgressDriveFound);
  if (!ControllerIsSupported()) return FailOut();
  if (!device.ChkRC(CMPDevice::kRequireAnyCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "", nullptr)) {
    return FailOut();
  }
  if (!NoteRunningCode()) return FailOut();

  if (device.m_RunOnFlashCode) {
    if (!ForceDriveToBootCode()) return FailOut();
  } else if (device.m_RunOnBurnerCode) {
    if (!device.JumpToBootAndWait(CMPDevice::kJumpToBootPauseMs)) {
      device.WriteFailReport();
      return FailOut();
    }
  }
  if (!device.ChkRC(CMPDevice::kRequireBootCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "",
                    nullptr)) {
    return FailOut();
  }

  // The PRAM load compares the number of flash chips with the second bin type's CE limit.
  CountFlashChips();

  if (!device.LoadPRAMCode(CMPDevice::kMpImage, "")) return FailOut();
  SetProgress(kProgressImageLoaded);
  const int eraseType = GetPretestEraseType();

  if (settings::ReadInt(settings::keys::SkipCEMapAtEraseAll) == 0) {
    // The whole value is tested before it is cut to the 16 bits the drive takes.
    const unsigned long ceMap = ParseCeMapText(settings::ReadText(settings::keys::CHCEMap, 10));
    if (ceMap != 0) device.SetCEMap(static_cast<std::uint16_t>(ceMap), 0);
  }

  if (!device.DoEraseAllBlock(static_cast<std::uint8_t>(eraseType), 1, m_pProgress, kEraseProgressPoints,
                              usePolling)) {
    return FailOut();
  }
  if (testerMode && !device.ResetCardPower(1)) {
    TurnErrorTagPhase('I');
    return FailOut();
  }
  if (!device.ChkRC(CMPDevice::kRequireBootCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "",
                    nullptr)) {
    return FailOut();
  }

  SetProgress(kProgressErased);
  WriteTotalTimeLine("Erase Progress OK,", start);
  return PassOut("Pass");
}
