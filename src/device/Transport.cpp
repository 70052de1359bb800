#include "device/Transport.h"

#include <mutex>

#include "platform/Text.h"

namespace device {

std::string MachineClaimText(const MachineClaim& claim) {
  if (claim.kind == MachineClaim::Kind::Unknown) {
    return platform::Format("cannot be told apart from the machine's own disks now (%s)", claim.what.c_str());
  }
  return platform::Format("is one that the machine uses now (%s)",
                          claim.what.empty() ? kWhatTheMachineUses : claim.what.c_str());
}

std::string Transport::DevicePathOfDrive(int driveNumber) {
  if (driveNumber < 1) return {};
  const std::vector<TransportDisk> disks = ListDisks();
  if (static_cast<std::size_t>(driveNumber) > disks.size()) return {};
  return disks[static_cast<std::size_t>(driveNumber) - 1].devicePath;
}

std::string Transport::IdentityOf(const std::string& devicePath) { return devicePath; }

std::string Transport::IdentityOfDrive(int driveNumber) { return IdentityOf(DevicePathOfDrive(driveNumber)); }

PassThroughResult Transport::ExecuteOn(const std::string& identity, PassThroughRequest& request) {
  return Execute(identity, request);
}

BlockDeviceLookup Transport::BlockDeviceOf(const std::string& /*identity*/) { return {}; }

std::string Transport::ListingProblem() { return {}; }

std::vector<HeldDisk> Transport::HeldDisks() { return {}; }

std::string Transport::WhyDriveIsKeptOut(int /*driveNumber*/) { return {}; }

std::string Transport::OperatorLabel() const { return {}; }

namespace {

std::mutex& RegistryLock() {
  static std::mutex lock;
  return lock;
}

std::shared_ptr<Transport>& InstalledTransport() {
  static std::shared_ptr<Transport> transport;
  return transport;
}

}  // namespace

void SetTransport(std::shared_ptr<Transport> transport) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  InstalledTransport() = std::move(transport);
}

std::shared_ptr<Transport> GetTransport() {
  std::lock_guard<std::mutex> guard(RegistryLock());
  return InstalledTransport();
}

}  // namespace device
