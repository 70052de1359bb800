#include "sim/SimBoard.h"

#include "platform/Text.h"

namespace sim {

SimSlot::SimSlot(std::string devicePath, std::string nodeText, unsigned boardNumber, unsigned slotNumber,
                 unsigned testerNumber)
    : m_devicePath(std::move(devicePath)), m_nodeText(std::move(nodeText)), m_boardNumber(boardNumber),
      m_testerNumber(testerNumber), m_slotNumber(slotNumber) {}

void SimSlot::Insert(std::shared_ptr<SimDrive> drive) {
  m_drive = std::move(drive);
  m_holdsDrive.store(m_drive != nullptr);
  if (!m_drive) return;
  m_drive->Reinsert();
  SetPower(true);
  for (const auto& rule : m_drive->TakeProfileFaults()) m_faults.Add(rule);
}

void SimSlot::Pull() {
  if (m_drive) {
    m_drive->Pull();
    m_drive->PowerOff();
  }
  m_drive.reset();
  m_holdsDrive.store(false);
}

bool SimSlot::Replug() {
  std::shared_ptr<SimDrive> drive = m_drive;
  if (!drive) return false;
  Pull();
  Insert(std::move(drive));
  return true;
}

void SimSlot::SetPower(bool on) {
  m_powered = on;
  if (!m_drive) return;
  if (on) {
    m_drive->PowerOn();
  } else {
    m_drive->PowerOff();
  }
}

SimBoard::SimBoard(unsigned boardNumber, const BoardProfile& profile) : m_boardNumber(boardNumber), m_profile(profile) {
  for (unsigned slot = 1; slot <= profile.slots; ++slot) {
    m_slots.push_back(std::make_unique<SimSlot>(
        platform::Format("sim:/board%u/slot%02u", boardNumber, slot),
        platform::Format("SIM\\TERVID_BOARD%02u\\PORT_%02u", boardNumber, slot),
        boardNumber, slot, profile.firstTesterNumber + slot - 1));
  }
}

}  // namespace sim
