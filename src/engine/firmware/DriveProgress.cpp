#include "engine/firmware/DriveProgress.h"

#include <algorithm>
#include <array>

#include "device/DeviceCommand.h"
#include "device/ReplyLayouts.h"
#include "platform/Clock.h"
#include "ui/ProgressCtrl.h"

namespace engine::firmware {

void ProgressShare::AdvanceTo(int percent) {
  if (percent > 100) percent = 100;
  const int target = m_points * percent / 100;
  if (target <= m_added) return;
  if (m_bar != nullptr) m_bar->OffsetPos(target - m_added);
  m_added = target;
}

PollOutcome PollUntilReady(CDeviceCommand& command, std::uint32_t limitSeconds, ProgressShare& share) {
  const std::uint64_t polls = static_cast<std::uint64_t>(limitSeconds) * 1000 / kStatusPollIntervalMs + 1;
  std::array<std::uint8_t, device::kSectorSize> reply{};
  for (std::uint64_t poll = 0; poll < polls; ++poll) {
    if (command.ReadDeviceStatus(reply) == 0) return PollOutcome::CommandFailed;
    device::DeviceStatusReply status{};
    static_assert(sizeof(status) <= reply.size());
    std::copy_n(reply.begin(), sizeof(status), reinterpret_cast<std::uint8_t*>(&status));
    share.AdvanceTo(status.progress);
    if (status.ready != 0) {
      share.Finish();
      return PollOutcome::Ready;
    }
    platform::Sleep(kStatusPollIntervalMs);
  }
  return PollOutcome::TimedOut;
}

}  // namespace engine::firmware
