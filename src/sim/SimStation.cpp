#include "sim/SimStation.h"

namespace sim {

SimBoard& SimStation::AddBoard(const BoardProfile& profile) {
  m_boards.push_back(std::make_unique<SimBoard>(static_cast<unsigned>(m_boards.size() + 1), profile));
  SimBoard& board = *m_boards.back();
  for (unsigned slot = 1; slot <= board.SlotCount(); ++slot) {
    m_slots.push_back(&board.Slot(slot));
    m_slotsByPath[board.Slot(slot).DevicePath()] = &board.Slot(slot);
  }
  return board;
}

SimSlot* SimStation::FindSlot(const std::string& devicePath) const {
  const auto found = m_slotsByPath.find(devicePath);
  return found == m_slotsByPath.end() ? nullptr : found->second;
}

SimSlot* SimStation::SlotOfDrive(int driveNumber) const {
  if (driveNumber < 1 || static_cast<std::size_t>(driveNumber) > m_slots.size()) return nullptr;
  return m_slots[static_cast<std::size_t>(driveNumber) - 1];
}

}  // namespace sim
