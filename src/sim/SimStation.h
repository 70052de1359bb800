#pragma once
// The simulated station: tester boards with their slots, each slot empty or holding a drive.
// The device list is every slot of every board, board after board, slot after slot; entry n
// is drive number n + 1. An empty slot is still a device (the board's slot answers), so
// pulling or inserting a drive never moves the drive numbers of the others.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "sim/FaultInjector.h"
#include "sim/SimBoard.h"

namespace sim {

class SimStation {
 public:
  SimStation() = default;
  SimStation(const SimStation&) = delete;
  SimStation& operator=(const SimStation&) = delete;

  // Adds a board; its slots take the next device numbers.
  SimBoard& AddBoard(const BoardProfile& profile);
  std::size_t BoardCount() const { return m_boards.size(); }
  SimBoard& Board(unsigned boardNumber) { return *m_boards.at(boardNumber - 1); }

  // Every slot in device order.
  const std::vector<SimSlot*>& Slots() const { return m_slots; }
  // The slot whose device path this is, or null.
  SimSlot* FindSlot(const std::string& devicePath) const;
  // The slot of a drive number (1-based), or null.
  SimSlot* SlotOfDrive(int driveNumber) const;

  // Faults that apply to every device of the station (checked before the slot's own).
  FaultInjector& Faults() { return m_faults; }

  // Multiplier of the simulated command durations (before the platform's time scale).
  double DelayScale() const { return m_delayScale; }
  void SetDelayScale(double scale) { m_delayScale = scale; }

 private:
  std::vector<std::unique_ptr<SimBoard>> m_boards;
  std::vector<SimSlot*> m_slots;                              // device order
  std::unordered_map<std::string, SimSlot*> m_slotsByPath;
  FaultInjector m_faults;
  double m_delayScale = 1.0;
};

}  // namespace sim
