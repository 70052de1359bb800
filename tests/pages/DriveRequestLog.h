#pragma once
// A transport that passes every request on and notes the device path each one went to, so that
// a page test can tell which drives a button reached.
#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/Transport.h"
#include "support/ForwardingTransport.h"

namespace pagestest {

class DriveRequestLog : public testsupport::ForwardingTransport {
 public:
  using ForwardingTransport::ForwardingTransport;

  // Installs a log over the transport in use and returns it.
  static std::shared_ptr<DriveRequestLog> Install() {
    auto log = std::make_shared<DriveRequestLog>(device::GetTransport());
    device::SetTransport(log);
    return log;
  }

  device::PassThroughResult Execute(const std::string& devicePath, device::PassThroughRequest& request) override {
    {
      std::lock_guard<std::mutex> guard(m_mutex);
      m_paths.push_back(devicePath);
    }
    return ForwardingTransport::Execute(devicePath, request);
  }

  // Requests sent to drive number driveNumber's device.
  long RequestsTo(int driveNumber) {
    const std::string path = DevicePathOfDrive(driveNumber);
    std::lock_guard<std::mutex> guard(m_mutex);
    return std::count(m_paths.begin(), m_paths.end(), path);
  }
  // Requests sent to any device.
  std::size_t Requests() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_paths.size();
  }

 private:
  mutable std::mutex m_mutex;
  std::vector<std::string> m_paths;
};

}  // namespace pagestest
