// The flow of the firmware-update station: a drive on any code but the RDT firmware is
// brought to its boot code, gets the MP firmware in controller RAM, has its flash IDs and its
// info code checked and updated, its ISP (firmware) area erased and the MP firmware written
// into flash again. Failures end through FinishSlotStatus, which also releases the volume
// lock that a drive coming in on code from flash was given.
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "run/SlotTestTask.h"

namespace {

// Progress points of the flow.
constexpr int kProgressIdentified = 20;
constexpr int kProgressImageLoaded = 40;
constexpr int kProgressIspErased = 70;
constexpr int kProgressProgrammed = 90;

// The RDT firmware is not rewritten here: the drive fails with a tag of its own, its message
// and its fail record (an empty tag would show no reason and count under no name).
constexpr char kRdtFirmwareTag[] = "I_B68";
constexpr char kRdtFirmwareMessage[] = "[ChkRC]Running on RDT Firmware, ISP rewrite not allowed";

}  // namespace

std::uint8_t CSlotTestTask::RunRewriteISPFlow() {
  CMPDevice& device = *m_pDevice;
  const std::uint64_t start = platform::TickCountMs();
  device.WriteReportLine("START", CMPDevice::kSuccessLine);
  SetProgress(kProgressStarted);
  if (!IdentifyForBootCodeWork()) return 0;
  if (device.m_RunRDTFirmware) {
    SetFlowFailure(kRdtFirmwareTag, kRdtFirmwareMessage);
    return FailOut();
  }

  SetProgress(kProgressIdentified);
  if (device.m_RunOnFlashCode) {
    LockDriveVolumes();
    if (!BringFlashCodeToBootCode()) return 0;
  }
  if (!device.LoadPRAMCode(CMPDevice::kMpImage, "")) return FailOut();

  SetProgress(kProgressImageLoaded);
  device.WriteReportLine("Check Card info", CMPDevice::kPlainLine);
  if (!device.CheckAllFlashID(0, 0, 1, 0)) return FailOut();
  {
    // The info code is rewritten by one slot at a time, as the info blocks of the other flows.
    platform::CriticalSectionGuard guard(PageLock(kLockSerialNumber));
    device.WriteReportLine("Check Info Block", CMPDevice::kPlainLine);
    if (!device.UpdateInfoCode()) return FailOut();
  }
  device.WriteReportLine("Do Erase ISP Code", CMPDevice::kPlainLine);
  if (!device.DoEraseISPCode()) return FailOut();

  SetProgress(kProgressIspErased);
  device.WriteReportLine("Do Write Run Code", CMPDevice::kPlainLine);
  if (!device.ProgramFlashFirmware(CMPDevice::kMpImage, 1, "")) return FailOut();

  SetProgress(kProgressProgrammed);
  // Two blanks between the first two words, as the station has always written this line.
  WriteTotalTimeLine("Upgrade  Firmware", start);
  return PassOut("Pass");
}
