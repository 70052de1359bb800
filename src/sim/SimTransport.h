#pragma once
// The simulated station behind the pass-through interface. ListDisks gives every tester slot
// in drive-number order; Execute decodes the request, lets the station's and the slot's fault
// rules act on it, runs it on the slot (under the slot's lock, so 24 workers can talk to 24
// drives at once) and waits the command's simulated time through platform::Sleep.
#include <memory>
#include <string>
#include <vector>

#include "device/Transport.h"
#include "sim/SimStation.h"

namespace sim {

inline constexpr char kSimulatedStationLabel[] = "Simulated station";

class SimTransport : public device::Transport {
 public:
  explicit SimTransport(std::shared_ptr<SimStation> station);

  std::vector<device::TransportDisk> ListDisks() override;
  device::PassThroughResult Execute(const std::string& devicePath, device::PassThroughRequest& request) override;
  std::string DevicePathOfDrive(int driveNumber) override;
  // "Simulated station": the caption says so whenever the simulator serves the drives.
  std::string OperatorLabel() const override;

  SimStation& Station() { return *m_station; }
  const std::shared_ptr<SimStation>& SharedStation() const { return m_station; }

 private:
  std::shared_ptr<SimStation> m_station;
};

}  // namespace sim
