#pragma once
// A transport for the device tests: it lists the disks a test gives it, records every request
// it is handed (device, CDB, direction, length, time-out, bytes sent) and answers with the
// test's answer function, by default GOOD with the whole transfer moved. Installed for the
// lifetime of an InstalledFakeTransport.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/Transport.h"

namespace devicetest {

struct RecordedRequest {
  std::string devicePath;
  std::array<std::uint8_t, 16> cdb{};
  std::uint8_t cdbLength = 0;
  device::DataDirection direction = device::DataDirection::None;
  std::uint32_t dataLength = 0;
  std::uint32_t timeoutSeconds = 0;
  std::vector<std::uint8_t> dataOut;
};

class FakeTransport : public device::Transport {
 public:
  using Answer = std::function<device::PassThroughResult(const std::string&, device::PassThroughRequest&)>;

  std::vector<device::TransportDisk> ListDisks() override {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_disks;
  }

  device::PassThroughResult Execute(const std::string& devicePath, device::PassThroughRequest& request) override {
    Answer answer;
    {
      std::lock_guard<std::mutex> guard(m_lock);
      RecordedRequest record;
      record.devicePath = devicePath;
      record.cdb = request.cdb;
      record.cdbLength = request.cdbLength;
      record.direction = request.direction;
      record.dataLength = request.dataLength;
      record.timeoutSeconds = request.timeoutSeconds;
      if (request.direction == device::DataDirection::Out && request.data != nullptr) {
        record.dataOut.assign(request.data, request.data + request.dataLength);
      }
      m_requests.push_back(std::move(record));
      answer = m_answer;
    }
    if (answer) return answer(devicePath, request);
    device::PassThroughResult result;
    result.transferred = request.dataLength;
    return result;
  }

  void SetDisks(std::vector<device::TransportDisk> disks) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_disks = std::move(disks);
  }
  void SetAnswer(Answer answer) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_answer = std::move(answer);
  }
  std::vector<RecordedRequest> Requests() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_requests;
  }
  void ClearRequests() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_requests.clear();
  }

 private:
  mutable std::mutex m_lock;
  std::vector<device::TransportDisk> m_disks;
  std::vector<RecordedRequest> m_requests;
  Answer m_answer;
};

// Installs a fake transport (with the given disks) for the lifetime of the object and removes
// it afterwards.
class InstalledFakeTransport {
 public:
  explicit InstalledFakeTransport(std::vector<device::TransportDisk> disks = {})
      : m_transport(std::make_shared<FakeTransport>()) {
    m_transport->SetDisks(std::move(disks));
    device::SetTransport(m_transport);
  }
  ~InstalledFakeTransport() { device::SetTransport(nullptr); }
  InstalledFakeTransport(const InstalledFakeTransport&) = delete;
  InstalledFakeTransport& operator=(const InstalledFakeTransport&) = delete;

  FakeTransport& operator*() const { return *m_transport; }
  FakeTransport* operator->() const { return m_transport.get(); }

 private:
  std::shared_ptr<FakeTransport> m_transport;
};

// Disks "/dev/fake1" .. "/dev/fakeN" on nodes "port1" .. "portN".
std::vector<device::TransportDisk> NumberedDisks(int count);

}  // namespace devicetest
