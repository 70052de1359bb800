// The 0MB check: a short health check of a drive that runs its boot code. The IO state (behind
// a bridge too), boot code required, the MP firmware loaded into the controller's program RAM
// and the controller's DRAM written, read back and compared; then "Pass". Nothing is erased,
// scanned, preformatted or programmed, and no serial number is handed out. Failures show the
// step's tag and message in the slot's cell directly; every step has written its own fail
// record.
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "run/SlotTestTask.h"

namespace {

// Progress points of the flow.
constexpr int kProgressDriveFound = 10;
constexpr int kProgressOnBootCode = 50;
constexpr int kProgressImageLoaded = 60;
constexpr int kProgressDramTested = 95;

constexpr int kDramTestProgressPoints = 30;

}  // namespace

std::uint8_t CSlotTestTask::RunZeroMBCheckFlow() {
  CMPDevice& device = *m_pDevice;
  const std::uint64_t start = platform::TickCountMs();
  device.WriteReportLine("START", CMPDevice::kSuccessLine);

  SetProgress(kProgressStarted);
  if (!device.CheckIOState(kTaskInit)) return IsNoDriveTag(device.m_ErrorTag) ? NoDriveOut(0) : StatusOnlyFail();
  SetProgress(kProgressDriveFound);
  if (!device.ChkRC(CMPDevice::kRequireBootCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "",
                    nullptr)) {
    return StatusOnlyFail();
  }
  SetProgress(kProgressOnBootCode);
  if (!device.LoadPRAMCode(CMPDevice::kMpImage, "")) return StatusOnlyFail();
  SetProgress(kProgressImageLoaded);
  if (!device.DoSDRWriteReadTest(m_pProgress, kDramTestProgressPoints, 0)) return StatusOnlyFail();

  SetProgress(kProgressDramTested);
  WriteTotalTimeLine("0MB Check Process", start);
  return PassOut("Pass");
}
