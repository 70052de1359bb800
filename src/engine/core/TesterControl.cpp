// Tester-board control: card detect, slot power, device readiness, IO state, DEVSLP, current
// and the tester's USB page.
#include <array>
#include <cstddef>
#include <cstring>

#include "device/DevicePaths.h"
#include "device/ReplyLayouts.h"
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/Text.h"

namespace {

// Polls of the device status: one every kPollIntervalMs, so a limit in seconds is ten polls a
// second. Counting polls (not clock time) keeps the wait the same at every time scale.
constexpr std::uint32_t kPollIntervalMs = 100;
constexpr std::uint32_t kPollsPerSecond = 1000 / kPollIntervalMs;
// Pause between switching a slot off and on again, and before the first status poll.
constexpr std::uint32_t kPowerSettleMs = 500;
// Card-detect tries are spaced by this pause.
constexpr std::uint32_t kCardDetectRetryMs = 100;
// IO state: the drive must answer within this many seconds after its slot is powered.
constexpr std::uint32_t kIoStateAnswerSeconds = 20;
// DEVSLP: how long the device is held asleep and how long it may take to wake.
constexpr std::uint32_t kDevSleepHoldMs = 500;
constexpr std::uint32_t kDevSleepWakeSeconds = 5;
// Tester firmware from which types 3 and 4 carry the extra value at page byte 256.
constexpr unsigned kExtraValueVersion = 0x0303;

}  // namespace

CMPDevice::ReadyState CMPDevice::WaitDeviceReady(std::uint32_t limitSeconds) {
  const std::uint32_t polls = limitSeconds * kPollsPerSecond;
  ReadyState state = ReadyState::NoAnswer;
  std::array<std::uint8_t, kSectorBytes> reply{};
  for (std::uint32_t poll = 0; poll <= polls; ++poll) {
    if (Command().ReadDeviceStatus(reply)) {
      if (reply[offsetof(device::DeviceStatusReply, ready)] != 0) return ReadyState::Ready;
      state = ReadyState::Busy;
    } else {
      state = ReadyState::NoAnswer;
    }
    if (poll < polls) platform::Sleep(kPollIntervalMs);
  }
  return state;
}

std::uint8_t CMPDevice::PollDeviceStatus(std::uint32_t limitSeconds) {
  switch (WaitDeviceReady(limitSeconds)) {
    case ReadyState::Ready: return 1;
    case ReadyState::Busy:
      return FailWithRecord("I_x24", platform::Format("Wait Device Ready Time Out(%u sec)", limitSeconds));
    case ReadyState::NoAnswer: break;
  }
  return FailWithRecord("I_x87", "Issue Read Device Status command Fail.");
}

std::uint8_t CMPDevice::DetectCard(int tries) {
  const int attempts = tries < 1 ? 1 : tries;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    std::uint8_t state = 0;
    if (Command().TesterCardDetect(state)) {
      if (state == device::kCardPresent || state == device::kCardEmpty || state == device::kCardNoPower) return state;
      Fail("T_x07", "UnKnown Card Detect State");
      return device::kCardUnknown;
    }
    if (attempt + 1 < attempts) platform::Sleep(kCardDetectRetryMs);
  }
  return Fail("T_x07", "Issue Card Detect command Fail");
}

std::uint8_t CMPDevice::PowerOffOnCard(std::uint8_t mode, std::uint8_t value1, std::uint8_t value2,
                                       std::uint8_t devSleep) {
  if (Command().TesterSetPower(mode, value1, value2, devSleep)) return 1;
  return mode == 0 ? Fail("T_x06", "Power off Failed") : Fail("T_x02", "Power on Failed");
}

std::uint8_t CMPDevice::PowerCycleAndWait(std::uint8_t value1, std::uint8_t value2, std::uint8_t devSleep) {
  if (!PowerOffOnCard(0, value1, value2, devSleep)) return RecordFailure();
  platform::Sleep(kPowerSettleMs);
  if (!PowerOffOnCard(1, value1, value2, devSleep)) return RecordFailure();
  platform::Sleep(kPowerSettleMs);
  return PollDeviceStatus(kIoStateAnswerSeconds);
}

std::uint8_t CMPDevice::ResetCardAndTesterPower(std::uint8_t value1, std::uint8_t value2, std::uint8_t devSleep) {
  return PowerCycleAndWait(value1, value2, devSleep);
}

std::uint8_t CMPDevice::ResetCardPower(std::uint8_t value1) { return PowerCycleAndWait(value1, 0, 0); }

std::uint8_t CMPDevice::CheckIOState(int taskKind) {
  // Behind a USB-to-ATA bridge there is no tester to power the slot or detect the card: only
  // the drive's own answer is checked.
  if (g_U2AMode.load() == 0) {
    if (!PowerOffOnCard(1, 0, 0, 0)) return RecordFailure();
    const std::uint8_t card = DetectCard(2);
    if (card == device::kCardEmpty) return FailWithRecord("P_A01", "No Device in the slot.");
    if (card == device::kCardNoPower) return FailWithRecord("P_x01", "Device is not powered.");
    if (card != device::kCardPresent) return RecordFailure();
  }
  switch (WaitDeviceReady(kIoStateAnswerSeconds)) {
    case ReadyState::Ready: break;
    case ReadyState::Busy:
      return FailWithRecord("I_x24", platform::Format("Wait Device Ready Time Out(%u sec)", kIoStateAnswerSeconds));
    case ReadyState::NoAnswer: return FailWithRecord("P_x01", "Device no response.");
  }
  if (taskKind == 4) {
    if (!IdentifyDrive("I_x06")) return RecordFailure();
    if (!CompareSerialWithBarCode()) return RecordFailure();
  }
  return 1;
}

std::uint8_t CMPDevice::CheckDEVSLP() {
  if (!Command().TesterSetDevSleep(true)) return FailWithRecord("T_x05", "Issue DEVSLP command Fail.");
  platform::Sleep(kDevSleepHoldMs);
  if (!Command().TesterSetDevSleep(false)) return FailWithRecord("T_x05", "Issue DEVSLP command Fail.");
  if (WaitDeviceReady(kDevSleepWakeSeconds) != ReadyState::Ready) {
    return FailWithRecord("P_x05", "Device not wake up from DEVSLP.");
  }
  return 1;
}

std::uint8_t CMPDevice::ReadMaxCurrent(double& milliamps, std::uint8_t selector) {
  const std::uint8_t which = selector == 0 ? device::kCurrentMaximum : device::kCurrentPresent;
  if (!Command().TesterReadCurrent(which, milliamps)) return Fail("T_x04", "Issue Read Current command Fail.");
  return 1;
}

std::uint8_t CMPDevice::GetTesterFWVersion() {
  if (!Command().TesterReadUsbPage(m_TesterPage)) return Fail("T_A13", "Read Tester USB Page Fail.");
  device::TesterUsbPage page;
  std::memcpy(&page, m_TesterPage.data(), sizeof(page));
  m_TesterType = page.testerType;
  m_TesterVersionText = platform::Format("%d.%02x", page.firmwareMajor, page.firmwareMinor);
  return 1;
}

std::uint8_t CMPDevice::ReadTesterInfo() {
  if (!GetTesterFWVersion()) return 0;
  device::TesterUsbPage page;
  std::memcpy(&page, m_TesterPage.data(), sizeof(page));
  const unsigned version = (static_cast<unsigned>(page.firmwareMajor) << 8) | page.firmwareMinor;
  m_TesterExtraValue = 0;
  if ((m_TesterType == 3 || m_TesterType == 4) && version >= kExtraValueVersion) m_TesterExtraValue = page.extraValue;
  return 1;
}
