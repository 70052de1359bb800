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

constexpr int kDramTestProgressPoints = 30;

}  // namespace

std::uint8_t CSlotTestTask::RunZeroMBCheckFlow() {
  CMPDevice& device = *m_pDevice;
  const std::uint64_t start = platform::TickCountMs();
  device.WriteReportLine("START", CMPDevice::kSuccessLine);

  SetProgress(5);
  if (!device.CheckIOState(kTaskInit)) return IsNoDriveTag(device.m_ErrorTag) ? NoDriveOut(0) : StatusOnlyFail();
  SetProgress(10);
  if (!device.ChkRC(CMPDevice::kRequireBootCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "",
                    nullptr)) {
    return StatusOnlyFail();
  }
  SetProgress(50);
  if (!device.LoadPRAMCode(CMPDevice::kMpImage, "")) return StatusOnlyFail();
  SetProgress(60);
  if (!device.DoSDRWriteReadTest(m_pProgress, kDramTestProgressPoints, 0)) return StatusOnlyFail();

  SetProgress(95);
  WriteTotalTimeLine("0MB Check Process", start);
  return PassOut("Pass");
}
