#pragma once
// A transport that passes everything on to another. The tests' transports derive from it and
// change only what they stage (the data of a command, the block device behind a drive, a
// driver layer that throws) or note.
#include <memory>
#include <string>
#include <vector>

#include "device/Transport.h"

namespace testsupport {

class ForwardingTransport : public device::Transport {
 public:
  explicit ForwardingTransport(std::shared_ptr<device::Transport> inner) : m_inner(std::move(inner)) {}

  std::vector<device::TransportDisk> ListDisks() override { return m_inner->ListDisks(); }
  device::PassThroughResult Execute(const std::string& devicePath, device::PassThroughRequest& request) override {
    return m_inner->Execute(devicePath, request);
  }
  std::string DevicePathOfDrive(int driveNumber) override { return m_inner->DevicePathOfDrive(driveNumber); }
  device::BlockDeviceLookup BlockDeviceOf(const std::string& identity) override {
    return m_inner->BlockDeviceOf(identity);
  }
  std::string ListingProblem() override { return m_inner->ListingProblem(); }
  std::vector<device::HeldDisk> HeldDisks() override { return m_inner->HeldDisks(); }
  std::string OperatorLabel() const override { return m_inner->OperatorLabel(); }

 private:
  std::shared_ptr<device::Transport> m_inner;
};

}  // namespace testsupport
