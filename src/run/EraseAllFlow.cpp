// The flow of the erase station: whatever code the drive runs, bring it down to its boot
// code, load the MP firmware into controller RAM, optionally set the CE map, erase every
// flash block, power-cycle the slot and check that the drive is back on its boot code.
#include <array>

#include "device/DevicePaths.h"
#include "device/StationHelpers.h"
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "run/SlotTestTask.h"

namespace {

constexpr std::uint8_t kAnyCode = 4;
constexpr std::uint8_t kBootCode = 0;
constexpr std::uint32_t kJumpToBootPauseMs = 5000;
constexpr int kEraseProgressPoints = 70;

bool IsNoDriveTag(const std::string& tag) { return tag == "P_A01" || tag == "P_x01"; }

// Flash chips in a scan-all-flash-ID table: entries of 8 bytes whose 7 ID bytes are not all 0.
std::uint32_t CountFlashChips(const std::array<std::uint8_t, 512>& table) {
  std::uint32_t count = 0;
  for (std::size_t entry = 0; entry < table.size(); entry += 8) {
    for (std::size_t i = 0; i < 7; ++i) {
      if (table[entry + i] != 0) {
        ++count;
        break;
      }
    }
  }
  return count;
}

}  // namespace

std::uint8_t CSlotTestTask::RunEraseAllFlow() {
  CMPDevice& device = *m_pDevice;
  const bool testerMode = g_U2AMode == 0;
  const std::uint8_t usePolling = settings::ReadInt(settings::keys::UsePolling) == 1 ? 1 : 0;
  const std::uint64_t start = platform::TickCountMs();
  device.WriteReportLine("START", 1);
  SetProgress(5);

  if (testerMode && !device.CheckIOState(kTaskInit)) {
    TakeEngineErrorTag();
    if (IsNoDriveTag(m_ErrorTag)) {
      FinishSlotStatus(0, kSlotWaiting, m_ErrorTag, "", "");
      return 0;
    }
    return FailOut();
  }

  SetProgress(15);
  if (!device.CheckICVer()) {
    device.m_ErrorTag = "I_V01";
    device.m_ErrorMessage = "IC ver error!!";
    device.WriteFailReport();
    return FailOut();
  }
  if (!device.ChkRC(kAnyCode, 0, 1, "", nullptr)) return FailOut();

  if (device.m_RunOnFlashCode) {
    if (device.LockDiskVolumes() != 0) {
      m_VolumesLocked = 1;
      device.WriteReportLine("Drive Letter are Locked.", 1);
    } else {
      device.WriteReportLine("Drive Letter are Not Locked.", 1);
    }
    device.WriteReportLine("ROM mode", 1);
  } else if (device.m_RunOnBootCode) {
    device.WriteReportLine("Boot mode", 1);
    if (!device.CheckFlashID()) {
      device.m_ErrorTag = "I_V02";
      device.m_ErrorMessage = "Controller version is not correct!!";
      device.WriteFailReport();
      return FailOut();
    }
  }

  if (device.m_RunOnFlashCode) {
    if (!device.ForceToBootCode()) return FailOut();
  } else if (device.m_RunOnBurnerCode) {
    if (!device.JumpToBootAndWait(kJumpToBootPauseMs)) {
      device.WriteFailReport();
      return FailOut();
    }
  }
  if (!device.ChkRC(kBootCode, 0, 1, "", nullptr)) return FailOut();

  // The PRAM load compares the number of flash chips with the second bin type's CE limit.
  std::array<std::uint8_t, 512> flashIds{};
  if (device.ReadAllFlashID(flashIds.data())) device.m_CECount = CountFlashChips(flashIds);

  if (!device.LoadPRAMCode(0, "")) return FailOut();
  SetProgress(20);
  const int eraseType = GetPretestEraseType();

  if (settings::ReadInt(settings::keys::SkipCEMapAtEraseAll) == 0) {
    const std::string mapText = platform::Trim(settings::ReadText(settings::keys::CHCEMap, 10));
    // The whole value is tested before it is cut to the 16 bits the drive takes.
    const unsigned long ceMap = mapText.empty() ? 0 : platform::ParseHex(mapText, 0);
    if (ceMap != 0) device.SetCEMap(static_cast<std::uint16_t>(ceMap), 0);
  }

  if (!device.DoEraseAllBlock(static_cast<std::uint8_t>(eraseType), 1, m_pProgress, kEraseProgressPoints,
                              usePolling)) {
    return FailOut();
  }
  if (testerMode && !device.ResetCardPower(1)) {
    for (char& c : device.m_ErrorTag) {
      if (c == 'x') c = 'I';
    }
    return FailOut();
  }
  if (!device.ChkRC(kBootCode, 0, 1, "", nullptr)) return FailOut();

  SetProgress(90);
  const double elapsed = static_cast<double>(platform::TickCountMs() - start) / 1000.0;
  device.WriteReportLine(platform::Format("Erase Progress OK, Total take(sec): %.3f sec.", elapsed), 0);
  SetSlotStatus(kSlotPass, "Pass", "");
  SetProgress(100);
  if (m_VolumesLocked) {
    if (device.UnlockDiskVolumes() != 0) {
      m_VolumesLocked = 0;
    } else {
      device.WriteReportLine("UN Lock Drive Fail", 1);
    }
  }
  device.WriteReportLine("END", 1);
  platform::Sleep(100);
  SetProgress(0);
  SetResultText("0_00");
  return 1;
}
