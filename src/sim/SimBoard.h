#pragma once
// A simulated tester board: a product ("SATA TESTER-S" or "SATA3-TESTER") with a number of
// slots. Like the real boards it shows each slot as a device of its own, which answers
// INQUIRY as the tester (vendor "TERVID"), takes the tester commands for that slot (power,
// card detect, current, the 528-byte USB page, DEVSLP) and passes ATA and vendor commands
// on to the drive in the slot, if there is one.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/ReplyLayouts.h"
#include "sim/FaultInjector.h"
#include "sim/SimDrive.h"

namespace sim {

// Current the tester measures on a slot, in mA.
inline constexpr std::uint32_t kIdleCurrentMa = 180;
inline constexpr std::uint32_t kPeakCurrentMa = 420;

// One slot of a board: the device the station reaches, and the drive in it (or none).
class SimSlot {
 public:
  SimSlot(std::string devicePath, std::string nodeText, unsigned boardNumber, unsigned slotNumber,
          unsigned testerNumber);

  const std::string& DevicePath() const { return m_devicePath; }
  const std::string& NodeText() const { return m_nodeText; }
  unsigned BoardNumber() const { return m_boardNumber; }
  unsigned TesterNumber() const { return m_testerNumber; }
  unsigned SlotNumber() const { return m_slotNumber; }

  // Held for the whole of one command: commands to one slot run one at a time.
  std::mutex& Lock() { return m_mutex; }
  FaultInjector& Faults() { return m_faults; }

  // The drive in the slot, or null. Changes only under Lock().
  std::shared_ptr<SimDrive> Drive() const { return m_drive; }
  // Whether the slot holds a drive, readable without Lock(): what the operator sees of a slot
  // while it runs a command.
  bool HoldsDrive() const { return m_holdsDrive.load(); }
  // A drive plugged in: like the real boards, the board powers the slot for it, so the drive
  // boots as from power-on whatever the slot's power was (a slot the last test switched off
  // included). Out of its slot a drive has no power.
  void Insert(std::shared_ptr<SimDrive> drive);
  void Pull();
  // The operator pulls the drive and plugs it in again; false when the slot is empty.
  bool Replug();

  bool SlotPowered() const { return m_powered; }
  void SetPower(bool on);
  bool DevSleep() const { return m_devSleep; }
  void SetDevSleep(bool on) { m_devSleep = on; }

  // A card state that the slot's card detect reports instead of its own (a state the tester
  // does not name, for example); none by default.
  std::optional<std::uint8_t> ReportedCardState() const { return m_reportedCardState; }
  void SetReportedCardState(std::optional<std::uint8_t> state) { m_reportedCardState = state; }

 private:
  std::string m_devicePath;
  std::string m_nodeText;
  unsigned m_boardNumber;
  unsigned m_testerNumber;
  unsigned m_slotNumber;
  std::mutex m_mutex;
  FaultInjector m_faults;
  std::shared_ptr<SimDrive> m_drive;
  std::atomic<bool> m_holdsDrive{false};  // follows m_drive
  bool m_powered = true;
  bool m_devSleep = false;
  std::optional<std::uint8_t> m_reportedCardState;
};

struct BoardProfile {
  std::string product{device::kTesterProductSataS};
  unsigned slots = 24;
  unsigned firstTesterNumber = 1;    // tester number of slot 1; slot n reports first + n - 1
  std::uint8_t testerType = 3;
  std::uint8_t versionMajor = 3;
  std::uint8_t versionMinor = 0x05;  // printed "%d.%02x": 3.05
  std::uint8_t extraValue = 0;       // USB page byte 256 (types 3 and 4 from version 3.03)
};

class SimBoard {
 public:
  SimBoard(unsigned boardNumber, const BoardProfile& profile);

  unsigned BoardNumber() const { return m_boardNumber; }
  const BoardProfile& Profile() const { return m_profile; }
  std::size_t SlotCount() const { return m_slots.size(); }
  // Slots count from 1, as the board labels them.
  SimSlot& Slot(unsigned slotNumber) { return *m_slots.at(slotNumber - 1); }
  const SimSlot& Slot(unsigned slotNumber) const { return *m_slots.at(slotNumber - 1); }

 private:
  unsigned m_boardNumber;
  BoardProfile m_profile;
  std::vector<std::unique_ptr<SimSlot>> m_slots;
};

}  // namespace sim
