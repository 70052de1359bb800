#include "device/DeviceListing.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "device/Transport.h"
#include "platform/Debug.h"
#include "platform/Text.h"

ROOT_Device g_RootDevice{};
DevicePathRecord g_DevicePathTable[kMaxListedDevices]{};
CGetDevLibrary g_GetDevLibrary;

namespace {

// Copies a text into a fixed field, cut to leave room for the terminating NUL.
void CopyText(char (&field)[kDeviceTextLength], const std::string& text) {
  const std::size_t length = std::min(text.size(), kDeviceTextLength - 1);
  std::memset(field, 0, kDeviceTextLength);
  std::memcpy(field, text.data(), length);
}

std::string FieldText(const char (&field)[kDeviceTextLength]) {
  return std::string(field, strnlen(field, kDeviceTextLength));
}

// What the last listing knew of drive number j + 1's disk beside its path (entry j): its
// identity, and what kept it out when its entry holds no device while it is there.
struct ListedDisk {
  std::string identity;
  std::string whyKeptOut;
};
using ListedDisks = std::array<ListedDisk, kMaxListedDevices>;
ListedDisks& Listed() {
  static ListedDisks listed;
  return listed;
}

// Why the last listing listed no disk.
std::string& ListingProblem() {
  static std::string problem;
  return problem;
}

// The disks the last listing left out and named.
std::vector<device::HeldDisk>& HeldDisks() {
  static std::vector<device::HeldDisk> held;
  return held;
}

// The entry of a drive number, or null when the number is outside the table or the entry holds
// no device; called under the listing lock.
const DevicePathRecord* ListedEntry(int driveNumber) {
  if (driveNumber < 1 || static_cast<std::size_t>(driveNumber) > kMaxListedDevices) return nullptr;
  const DevicePathRecord& entry = g_DevicePathTable[driveNumber - 1];
  const std::string path = FieldText(entry.devicePath);
  return path.empty() || path == kNoDevicePath ? nullptr : &entry;
}

}  // namespace

std::mutex& DeviceListingLock() {
  static std::mutex lock;
  return lock;
}

void ListTvDevice(ROOT_Device* root) {
  if (root == nullptr) return;
  {
    std::lock_guard<std::mutex> guard(DeviceListingLock());
    if (root->request != kListRequest) return;
  }
  std::vector<device::TransportDisk> disks;
  std::string problem;
  std::vector<device::HeldDisk> held;
  if (auto transport = device::GetTransport()) {
    disks = transport->ListDisks();
    problem = transport->ListingProblem();
    held = transport->HeldDisks();
  }
  if (disks.size() > kMaxListedDevices) {
    platform::DebugOutput(platform::Format("ListTvDevice: %zu disks found, only the first %zu are listed\n",
                                           disks.size(), kMaxListedDevices));
    disks.resize(kMaxListedDevices);
  }

  // Built aside, so that a reader never sees half a listing.
  auto listing = std::make_unique<ROOT_Device>();
  auto table = std::make_unique<DevicePathRecord[]>(kMaxListedDevices);
  ListedDisks listed;
  listing->deviceCount = static_cast<std::uint32_t>(disks.size());
  for (std::size_t j = 0; j < disks.size(); ++j) {
    const std::string path = disks[j].devicePath.empty() ? std::string(kNoDevicePath) : disks[j].devicePath;
    CopyText(listing->devices[j].nodeText, disks[j].nodeText);
    CopyText(listing->devices[j].devicePath, path);
    CopyText(table[j].devicePath, path);
    CopyText(table[j].nodeText, disks[j].nodeText);
    listed[j].identity = disks[j].identity.empty() ? disks[j].devicePath : std::move(disks[j].identity);
    listed[j].whyKeptOut = std::move(disks[j].whyKeptOut);
  }

  std::lock_guard<std::mutex> guard(DeviceListingLock());
  listing->request = root->request;
  std::memcpy(listing->reserved0, root->reserved0, sizeof(listing->reserved0));
  listing->reserved3 = root->reserved3;
  std::memcpy(root, listing.get(), sizeof(ROOT_Device));
  std::memcpy(g_DevicePathTable, table.get(), sizeof(g_DevicePathTable));
  Listed().swap(listed);
  ListingProblem().swap(problem);
  HeldDisks().swap(held);
}

ROOT_Device CopyRootDevice() {
  std::lock_guard<std::mutex> guard(DeviceListingLock());
  return g_RootDevice;
}

std::string DevicePathOfListedDrive(int driveNumber) {
  std::lock_guard<std::mutex> guard(DeviceListingLock());
  const DevicePathRecord* entry = ListedEntry(driveNumber);
  return entry == nullptr ? std::string() : FieldText(entry->devicePath);
}

std::string IdentityOfListedDrive(int driveNumber) {
  std::lock_guard<std::mutex> guard(DeviceListingLock());
  return ListedEntry(driveNumber) == nullptr ? std::string() : Listed()[driveNumber - 1].identity;
}

std::string WhyListedDriveIsKeptOut(int driveNumber) {
  if (driveNumber < 1 || static_cast<std::size_t>(driveNumber) > kMaxListedDevices) return {};
  std::lock_guard<std::mutex> guard(DeviceListingLock());
  return Listed()[driveNumber - 1].whyKeptOut;
}

std::string ListingProblemOfLastListing() {
  std::lock_guard<std::mutex> guard(DeviceListingLock());
  return ListingProblem();
}

std::vector<device::HeldDisk> HeldDisksOfLastListing() {
  std::lock_guard<std::mutex> guard(DeviceListingLock());
  return HeldDisks();
}

bool CGetDevLibrary::Load() {
  std::lock_guard<std::mutex> guard(m_lock);
  if (!m_transport) m_transport = device::GetTransport();
  return m_transport != nullptr;
}

void CGetDevLibrary::Unload() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_transport.reset();
}

bool CGetDevLibrary::IsLoaded() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_transport != nullptr;
}

bool CGetDevLibrary::ListTvDevice(ROOT_Device* root) {
  if (!Load()) return false;
  ::ListTvDevice(root);
  return true;
}
