#include "sim/OperatorReplug.h"

#include <mutex>

#include "device/Transport.h"
#include "platform/Text.h"
#include "sim/SimStation.h"
#include "sim/SimTransport.h"

namespace sim {

std::vector<ReplugChoice> ReplugChoices(const std::shared_ptr<SimStation>& station) {
  std::vector<ReplugChoice> choices;
  for (SimSlot* slot : station->Slots()) {
    // Read without the slot's lock, which a running command holds.
    if (!slot->HoldsDrive()) continue;
    ReplugChoice choice;
    choice.label =
        platform::Format("Tester %u (board %u, slot %u)", slot->TesterNumber(), slot->BoardNumber(), slot->SlotNumber());
    // The station owns its slots: holding it keeps the slot alive.
    choice.replug = [station, slot] {
      std::lock_guard<std::mutex> guard(slot->Lock());
      return slot->Replug();
    };
    choices.push_back(std::move(choice));
  }
  return choices;
}

std::shared_ptr<SimStation> InstalledSimStation() {
  const auto simulated = std::dynamic_pointer_cast<SimTransport>(device::GetTransport());
  return simulated ? simulated->SharedStation() : nullptr;
}

}  // namespace sim
