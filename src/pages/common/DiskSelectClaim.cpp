#include "pages/common/DiskSelectClaim.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/Text.h"

namespace {

struct ClaimRegistry {
  std::mutex lock;
  std::map<int, std::string> owners;  // drive number -> owner
};

ClaimRegistry& Registry() {
  static ClaimRegistry registry;
  return registry;
}

}  // namespace

CDiskClaim::CDiskClaim(CDiskClaim&& other) noexcept : m_driveNumber(std::exchange(other.m_driveNumber, 0)) {}

CDiskClaim& CDiskClaim::operator=(CDiskClaim&& other) noexcept {
  if (this != &other) {
    Release();
    m_driveNumber = std::exchange(other.m_driveNumber, 0);
  }
  return *this;
}

CDiskClaim CDiskClaim::Take(int driveNumber, const std::string& owner, std::string* holder) {
  if (driveNumber <= 0) return CDiskClaim();
  ClaimRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const auto [entry, taken] = registry.owners.emplace(driveNumber, owner);
  if (!taken) {
    if (holder) *holder = entry->second;
    return CDiskClaim();
  }
  return CDiskClaim(driveNumber);
}

void CDiskClaim::Release() {
  if (m_driveNumber <= 0) return;
  ClaimRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  registry.owners.erase(m_driveNumber);
  m_driveNumber = 0;
}

std::string DiskClaimHolder(int driveNumber) {
  ClaimRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.lock);
  const auto entry = registry.owners.find(driveNumber);
  return entry == registry.owners.end() ? std::string() : entry->second;
}

std::string DiskInUseText(int port, const std::string& holder) {
  return platform::Format("Disk %d is in use by the %s, please wait!!", port, holder.c_str());
}
