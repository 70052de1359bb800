#include "sim/SimTransport.h"

#include <cerrno>

#include "platform/Clock.h"
#include "sim/ScsiReplies.h"
#include "sim/SlotCommands.h"

namespace sim {

namespace {

void Wait(const SimStation& station, double milliseconds) {
  const double scaled = milliseconds * station.DelayScale();
  platform::Sleep(scaled <= 0 ? 0 : static_cast<std::uint32_t>(scaled));
}

// Noise for the "garbage" fault: a fixed generator per call, so a test sees the same bytes.
void FillWithNoise(std::uint8_t* data, std::uint32_t length, std::uint32_t seed) {
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::uint32_t i = 0; i < length; ++i) {
    state = state * 1664525u + 1013904223u;
    data[i] = static_cast<std::uint8_t>(state >> 24);
  }
}

}  // namespace

SimTransport::SimTransport(std::shared_ptr<SimStation> station) : m_station(std::move(station)) {}

std::vector<device::TransportDisk> SimTransport::ListDisks() {
  std::vector<device::TransportDisk> disks;
  for (const SimSlot* slot : m_station->Slots()) disks.push_back({slot->DevicePath(), slot->NodeText()});
  return disks;
}

std::string SimTransport::DevicePathOfDrive(int driveNumber) {
  const SimSlot* slot = m_station->SlotOfDrive(driveNumber);
  return slot ? slot->DevicePath() : std::string();
}

device::PassThroughResult SimTransport::Execute(const std::string& devicePath, device::PassThroughRequest& request) {
  device::PassThroughResult result;
  SimSlot* slot = m_station->FindSlot(devicePath);
  if (!slot) {
    result.systemError = ENODEV;
    return result;
  }
  const BoardProfile& board = m_station->Board(slot->BoardNumber()).Profile();
  const DecodedCommand command = DecodeCommand(request);
  std::lock_guard lock(slot->Lock());

  std::optional<FaultRule> fault = m_station->Faults().OnCall(command.Name());
  if (!fault) fault = slot->Faults().OnCall(command.Name());
  if (fault && fault->action == FaultAction::Timeout) {
    Wait(*m_station, 1000.0 * request.timeoutSeconds);
    result.hostStatus = device::kHostTimeOut;
    return result;
  }
  if (fault && fault->action == FaultAction::Pull) {
    slot->Pull();
    result.systemError = ENODEV;
    return result;
  }
  if (fault && fault->action == FaultAction::Sense) {
    SetFixedSense(result, fault->senseKey, fault->asc, fault->ascq);
    return result;
  }

  Wait(*m_station, CommandDurationMs(command));
  RunSlotCommand(*slot, board, command, request, result);

  if (fault && fault->action == FaultAction::Short) {
    result.transferred = std::min(result.transferred, fault->shortBytes);
  }
  if (fault && fault->action == FaultAction::Garbage && request.direction == device::DataDirection::In &&
      request.data != nullptr) {
    FillWithNoise(request.data, result.transferred, slot->Faults().Calls());
  }
  return result;
}

std::string SimTransport::OperatorLabel() const { return kSimulatedStationLabel; }

}  // namespace sim
