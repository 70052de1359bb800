#include "device/VolumeLock.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/mount.h>
#include <system_error>
#include <unistd.h>

#include "device/DeviceCommand.h"
#include "platform/Text.h"

namespace device {
namespace {

class LinuxVolumes : public VolumeSystem {
 public:
  explicit LinuxVolumes(UnmountCall unmount) : m_unmount(unmount) {}

  std::vector<MountEntry> MountTable() override {
    std::vector<MountEntry> entries = ParseMountTable(ReadKernelTable("/proc/self/mounts").value_or(""));
    // Sources given as links (/dev/disk/by-uuid/...) are compared by the node they name.
    for (MountEntry& entry : entries) {
      std::error_code error;
      const auto real = std::filesystem::canonical(entry.source, error);
      if (!error) entry.source = real.string();
    }
    return entries;
  }
  int OpenVolume(const std::string& path) override { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }
  bool LockExclusive(int fd) override { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }
  bool Unmount(const std::string& mountPoint) override { return m_unmount(mountPoint.c_str(), 0) == 0; }
  void CloseVolume(int fd) override { ::close(fd); }

 private:
  UnmountCall m_unmount;
};

}  // namespace

bool IsVolumeOf(std::string_view source, std::string_view blockDevice) {
  if (blockDevice.empty() || source.substr(0, blockDevice.size()) != blockDevice) return false;
  std::string_view rest = source.substr(blockDevice.size());
  if (rest.empty()) return true;
  if (rest.front() == 'p' && rest.size() > 1) rest.remove_prefix(1);
  for (char c : rest) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::shared_ptr<VolumeSystem> LinuxVolumeSystem() { return LinuxVolumeSystem(::umount2); }

std::shared_ptr<VolumeSystem> LinuxVolumeSystem(UnmountCall unmount) {
  return std::make_shared<LinuxVolumes>(unmount);
}

}  // namespace device

CVolumeLock::CVolumeLock() : CVolumeLock(device::LinuxVolumeSystem()) {}

CVolumeLock::CVolumeLock(std::shared_ptr<device::VolumeSystem> system) : m_system(std::move(system)) {}

CVolumeLock::~CVolumeLock() { Close(); }

int CVolumeLock::LockDrive(CDeviceCommand& drive) {
  const device::BlockDeviceLookup found = drive.BlockDevice();
  if (found.machineClaim) {
    Close();
    m_lastError = platform::Format("the disk %s: none of its volumes is unmounted or locked",
                                   device::MachineClaimText(found.machineClaim).c_str());
    return 0;
  }
  return Hold(found.path, [&drive] { return drive.BlockDevice().path; });
}

int CVolumeLock::Lock(const std::string& blockDevice) {
  return Hold(blockDevice, [blockDevice] { return blockDevice; });
}

int CVolumeLock::Hold(const std::string& blockDevice, std::function<std::string()> findBlockDevice) {
  Close();
  if (blockDevice.empty()) {
    m_lastError = "the drive has no volumes";
    return 0;
  }
  const std::vector<device::MountEntry> mounts = m_system->MountTable();
  const bool mounted = std::any_of(mounts.begin(), mounts.end(), [&](const device::MountEntry& entry) {
    return device::IsVolumeOf(entry.source, blockDevice);
  });
  if (!UnmountVolumes(mounts, {blockDevice})) return 0;
  const int fd = m_system->OpenVolume(blockDevice);
  if (fd < 0) {
    m_lastError = platform::Format("cannot open %s: %s", blockDevice.c_str(),
                                   std::system_category().message(errno).c_str());
    return 0;
  }
  if (!m_system->LockExclusive(fd)) {
    m_lastError = platform::Format("%s is in use", blockDevice.c_str());
    m_system->CloseVolume(fd);
    return 0;
  }
  m_fd = fd;
  m_drive = blockDevice;
  m_findBlockDevice = std::move(findBlockDevice);
  // The node is held, but there was no volume to lock: the caller hears that none is locked.
  if (!mounted) {
    m_lastError = platform::Format("no volume of %s is mounted", blockDevice.c_str());
    return 0;
  }
  m_lastError.clear();
  return 1;
}

bool CVolumeLock::UnmountVolumes(const std::vector<device::MountEntry>& mounts,
                                 const std::vector<std::string>& blockDevices) {
  const auto onDrive = [&](const device::MountEntry& entry) {
    return std::any_of(blockDevices.begin(), blockDevices.end(),
                       [&](const std::string& blockDevice) { return device::IsVolumeOf(entry.source, blockDevice); });
  };
  bool unmounted = true;
  const auto fail = [&](const device::MountEntry& entry, const std::string& reason) {
    if (unmounted) {
      m_lastError = platform::Format("cannot unmount %s from %s: %s", entry.source.c_str(), entry.mountPoint.c_str(),
                                     reason.c_str());
    }
    unmounted = false;
  };
  for (auto entry = mounts.rbegin(); entry != mounts.rend(); ++entry) {
    if (!onDrive(*entry)) continue;
    // An unmount takes the file system mounted last at a point: one of another device mounted
    // over the volume would go instead.
    const bool covered = std::any_of(mounts.rbegin(), entry, [&](const device::MountEntry& later) {
      return later.mountPoint == entry->mountPoint && !onDrive(later);
    });
    if (covered) {
      fail(*entry, "another file system is mounted over it");
    } else if (!m_system->Unmount(entry->mountPoint)) {
      fail(*entry, std::system_category().message(errno));
    }
  }
  return unmounted;
}

int CVolumeLock::Unlock() {
  if (m_fd < 0) {
    m_lastError = "no volume is locked";
    return 0;
  }
  // An open node keeps its sd number taken, so the name held is still this drive's; a drive
  // that came back at its address meanwhile is found under its new name.
  std::vector<std::string> blockDevices{m_drive};
  const std::string current = m_findBlockDevice();
  if (!current.empty() && current != m_drive) blockDevices.push_back(current);
  const bool unmounted = UnmountVolumes(m_system->MountTable(), blockDevices);
  if (unmounted) m_lastError.clear();
  Close();
  return unmounted ? 1 : 0;
}

void CVolumeLock::Close() {
  if (m_fd < 0) return;
  m_system->CloseVolume(m_fd);  // closing the node releases its lock
  m_fd = -1;
  m_drive.clear();
  m_findBlockDevice = nullptr;
}
