// The firmware upgrade of a drive that runs its code from flash: the IO state (tester mode),
// code from flash required, and the MP firmware image sent to the drive with the download
// microcode command; then "Pass". Nothing is erased, scanned or preformatted and no serial
// number is handed out. Failures show the step's tag and message in the slot's cell directly;
// every step has written its own fail record.
#include <array>

#include "device/DevicePaths.h"
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "run/SlotTestTask.h"

namespace {

// Progress points of the flow.
constexpr int kProgressDriveFound = 50;
constexpr int kProgressOnFlashCode = 60;
constexpr int kProgressUpgraded = 90;

}  // namespace

std::uint8_t CSlotTestTask::RunUpgradeFirmwareFlow() {
  CMPDevice& device = *m_pDevice;
  const std::uint64_t start = platform::TickCountMs();
  device.WriteReportLine("START", CMPDevice::kSuccessLine);

  SetProgress(kProgressStarted);
  if (g_U2AMode == 0 && !device.CheckIOState(kTaskInit)) {
    return IsNoDriveTag(device.m_ErrorTag) ? NoDriveOut(0) : StatusOnlyFail();
  }
  SetProgress(kProgressDriveFound);
  // The drive on its code from flash is identified as well: its records name its serial number.
  std::array<std::uint8_t, CMPDevice::kIdentifyBytes> identify{};
  if (!device.ChkRC(CMPDevice::kRequireFlashCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "",
                    identify.data())) {
    return StatusOnlyFail();
  }
  SetProgress(kProgressOnFlashCode);
  if (!device.UpgradeFirmware()) return StatusOnlyFail();

  SetProgress(kProgressUpgraded);
  // Two blanks between the words, as the station has always written this line.
  WriteTotalTimeLine("Upgrade  Firmware", start);
  return PassOut("Pass");
}
