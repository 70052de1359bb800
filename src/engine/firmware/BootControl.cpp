// The controller's running code: down to boot code (ForceToBootCode, JumpToBootAndWait), the
// wait until started code answers, and the drive's stand-by.
#include "engine/MPDevice.h"
#include "engine/firmware/DriveProgress.h"
#include "platform/Clock.h"
#include "platform/Text.h"

namespace fw = engine::firmware;

namespace {

constexpr char kTagJumpToBoot[] = "I_x05";
constexpr char kTagNotReady[] = "I_x24";
constexpr char kTagForceToBoot[] = "I_x33";
constexpr char kTagStatusFailed[] = "I_x87";
constexpr char kTagStandby[] = "M_x75";

}  // namespace

std::uint8_t CMPDevice::WaitForStartedCode() {
  switch (WaitDeviceReady(fw::kCodeStartLimitSeconds)) {
    case ReadyState::Ready: return 1;
    case ReadyState::Busy:
      return Fail(kTagNotReady, platform::Format("Wait Device Ready Time Out(%u sec)", fw::kCodeStartLimitSeconds));
    case ReadyState::NoAnswer: break;
  }
  return Fail(kTagStatusFailed, "Issue Read Device Status command Fail.");
}

std::uint8_t CMPDevice::ForceToBootCode() {
  if (Command().ForceToBoot() == 0) return Fail(kTagForceToBoot, "Issue Force to Boot Code command Fail.");
  return WaitForStartedCode();
}

// The controller jumps to its boot entry from any code it runs (burner code, boot code or the
// firmware from flash), restarts there and answers again once its boot code runs.
std::uint8_t CMPDevice::JumpToBootAndWait(std::uint32_t pauseMs) {
  if (Command().JumpToBoot() == 0) return Fail(kTagJumpToBoot, "Issue Jump to Boot command Fail.");
  platform::Sleep(pauseMs);
  return WaitForStartedCode();
}

std::uint8_t CMPDevice::StandByImmediate() {
  if (Command().StandbyImmediate() == 0) return FailWithRecord(kTagStandby, "Issue StandBy Immediate command Fail.");
  WriteReportLine("StandBy.", kPlainLine);
  return 1;
}
