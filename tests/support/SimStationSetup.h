#pragma once
// A simulated station as the engine and run tests stage it: one board of slots with drives of
// a profile, and faults armed on a slot's next calls of a command.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "sim/FaultInjector.h"
#include "sim/SimDrive.h"
#include "sim/SimStation.h"

namespace testsupport {

// One board of `slots` slots with a drive of the profile in each slot but the empty ones, the
// drive's serial number "SIMSERIAL<slot>".
inline std::shared_ptr<sim::SimStation> OneBoardStation(const sim::DriveProfile& profile, unsigned slots,
                                                        const std::vector<unsigned>& emptySlots = {}) {
  auto station = std::make_shared<sim::SimStation>();
  sim::BoardProfile board;
  board.slots = slots;
  sim::SimBoard& added = station->AddBoard(board);
  for (unsigned slot = 1; slot <= slots; ++slot) {
    if (std::find(emptySlots.begin(), emptySlots.end(), slot) != emptySlots.end()) continue;
    added.Slot(slot).Insert(std::make_shared<sim::SimDrive>(profile, "SIMSERIAL" + std::to_string(slot)));
  }
  return station;
}

// A fault on the slot's calls of a command ("Any" for every command): after `skip` matching
// calls it fires on `times` calls (0: on every call from then on).
inline void AddFault(sim::SimSlot& slot, const std::string& command, sim::FaultAction action, unsigned skip = 0,
                     unsigned times = 1) {
  sim::FaultRule rule;
  rule.command = command;
  rule.action = action;
  rule.skip = skip;
  rule.times = times;
  slot.Faults().Add(rule);
}

}  // namespace testsupport
