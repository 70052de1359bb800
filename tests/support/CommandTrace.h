#pragma once
// A transport that passes every request on to the simulated station and notes, for one
// device, the name of each command in the order sent (the command table's names, as the fault
// rules match them) and whether it reads data from the drive. The fault sweep takes the
// command indexes of a passing run from it.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/Transport.h"
#include "sim/SimTransport.h"
#include "sim/SlotCommands.h"

namespace testsupport {

class CommandTrace : public device::Transport {
 public:
  CommandTrace(std::shared_ptr<device::Transport> inner, std::string tracedDevicePath)
      : m_inner(std::move(inner)), m_traced(std::move(tracedDevicePath)) {}

  std::vector<device::TransportDisk> ListDisks() override { return m_inner->ListDisks(); }
  std::string DevicePathOfDrive(int driveNumber) override { return m_inner->DevicePathOfDrive(driveNumber); }
  std::string BlockDeviceOf(const std::string& devicePath) override { return m_inner->BlockDeviceOf(devicePath); }
  device::PassThroughResult Execute(const std::string& devicePath, device::PassThroughRequest& request) override {
    if (devicePath == m_traced) {
      std::lock_guard guard(m_mutex);
      m_names.push_back(sim::DecodeCommand(request).Name());
      m_readsData.push_back(request.direction == device::DataDirection::In && request.data != nullptr);
    }
    return m_inner->Execute(devicePath, request);
  }

  std::vector<std::string> Names() const {
    std::lock_guard guard(m_mutex);
    return m_names;
  }
  // Per command of Names(): whether it reads data from the drive.
  std::vector<bool> ReadsData() const {
    std::lock_guard guard(m_mutex);
    return m_readsData;
  }

 private:
  std::shared_ptr<device::Transport> m_inner;
  std::string m_traced;
  mutable std::mutex m_mutex;
  std::vector<std::string> m_names;
  std::vector<bool> m_readsData;
};

}  // namespace testsupport
