#pragma once
// Waiting for a drive that works on a long command, and moving the slot's progress bar while
// it does.
//
// Long commands (erase, preformat, the restart after a jump or a program-RAM start) either
// return when the drive is done, or, sent with the polling flag, return at once; the station
// then asks the drive's status until it reports ready. The drive's progress in percent moves
// the caller's share of the progress bar.
#include <cstdint>

class CDeviceCommand;
namespace ui {
class CProgressCtrl;
}

namespace engine::firmware {

// The points a step may add to a progress bar (the bar may be absent).
class ProgressShare {
 public:
  ProgressShare(ui::CProgressCtrl* bar, int points) : m_bar(bar), m_points(points < 0 ? 0 : points) {}
  // Moves the bar to the given percent of the share; never back.
  void AdvanceTo(int percent);
  void Finish() { AdvanceTo(100); }

 private:
  ui::CProgressCtrl* m_bar;
  int m_points;
  int m_added = 0;
};

enum class PollOutcome : std::uint8_t { Ready, CommandFailed, TimedOut };

// Seconds the controller may take to come up on code it was told to start or jump to.
inline constexpr std::uint32_t kCodeStartLimitSeconds = 20;

// Status polls every 100 ms.
inline constexpr std::uint32_t kStatusPollIntervalMs = 100;

// Asks the drive's status until it is ready, at most limitSeconds worth of polls; the drive's
// progress moves the share.
PollOutcome PollUntilReady(CDeviceCommand& command, std::uint32_t limitSeconds, ProgressShare& share);

}  // namespace engine::firmware
