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
#include "support/ForwardingTransport.h"

namespace testsupport {

class CommandTrace : public ForwardingTransport {
 public:
  CommandTrace(std::shared_ptr<device::Transport> inner, std::string tracedDevicePath)
      : ForwardingTransport(std::move(inner)), m_traced(std::move(tracedDevicePath)) {}

  device::PassThroughResult Execute(const std::string& devicePath, device::PassThroughRequest& request) override {
    if (devicePath == m_traced) {
      std::lock_guard guard(m_mutex);
      m_names.push_back(sim::DecodeCommand(request).Name());
      m_readsData.push_back(request.direction == device::DataDirection::In && request.data != nullptr);
    }
    return ForwardingTransport::Execute(devicePath, request);
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
  std::string m_traced;
  mutable std::mutex m_mutex;
  std::vector<std::string> m_names;
  std::vector<bool> m_readsData;
};

}  // namespace testsupport
