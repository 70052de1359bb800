#pragma once
// A transport that holds every request at its door until the test lets them through, so a test
// can look at a page while its worker is still on the drive, however fast the machine.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

#include "support/ForwardingTransport.h"

namespace testsupport {

class HeldTransport : public ForwardingTransport {
 public:
  using ForwardingTransport::ForwardingTransport;
  ~HeldTransport() override { Release(); }

  device::PassThroughResult Execute(const std::string& devicePath, device::PassThroughRequest& request) override {
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      ++m_arrived;
      m_changed.notify_all();
      m_changed.wait(lock, [this] { return m_released; });
    }
    return ForwardingTransport::Execute(devicePath, request);
  }

  // Waits until a request is held at the door: the worker is then busy with the drive. False
  // when none came within a minute.
  bool WaitForRequest() {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::minutes(1), [this] { return m_arrived > 0; });
  }
  // Lets every request through, the held ones and all later ones.
  void Release() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_released = true;
    m_changed.notify_all();
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  int m_arrived = 0;
  bool m_released = false;
};

}  // namespace testsupport
