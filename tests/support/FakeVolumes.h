#pragma once
// Volumes of drives as a test stages them, so the volume lock runs without root: a mount table
// the test gives and that unmounts change, system calls that succeed unless the test makes one
// fail, and every call noted; and a transport whose drives are seen as a block device with volumes.
#include <algorithm>
#include <cerrno>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "device/VolumeLock.h"
#include "support/ForwardingTransport.h"

namespace testsupport {

class FakeVolumes : public device::VolumeSystem {
 public:
  // The volumes of the mount table; the n-th open answers the handle firstHandle + n - 1.
  static std::shared_ptr<FakeVolumes> Mounted(std::vector<device::MountEntry> mountTable, int firstHandle = 101) {
    auto volumes = std::make_shared<FakeVolumes>();
    volumes->mounts = std::move(mountTable);
    volumes->m_firstHandle = firstHandle;
    return volumes;
  }

  std::vector<device::MountEntry> MountTable() override { return mounts; }
  int OpenVolume(const std::string& path) override {
    opened.push_back(path);
    if (openFails) {
      errno = EACCES;
      return -1;
    }
    return m_firstHandle + static_cast<int>(opened.size()) - 1;
  }
  bool LockExclusive(int) override {
    if (lockFails) return false;
    ++locked;
    return true;
  }
  // A successful unmount takes the file system mounted last at the point out of the table.
  bool Unmount(const std::string& mountPoint) override {
    unmounted.push_back(mountPoint);
    if (unmountFails || busy.count(mountPoint) != 0) {
      errno = unmountFails ? EPERM : EBUSY;
      return false;
    }
    const auto last = std::find_if(mounts.rbegin(), mounts.rend(),
                                   [&](const device::MountEntry& entry) { return entry.mountPoint == mountPoint; });
    if (last != mounts.rend()) mounts.erase(std::next(last).base());
    return true;
  }
  void CloseVolume(int fd) override { closed.push_back(fd); }

  std::vector<device::MountEntry> mounts;
  bool openFails = false;
  bool lockFails = false;
  bool unmountFails = false;
  std::set<std::string> busy;  // mount points whose unmount fails as in use
  std::vector<std::string> opened;
  std::vector<std::string> unmounted;
  std::vector<int> closed;
  int locked = 0;

 private:
  int m_firstHandle = 101;
};

// Another transport whose drives are all seen as one block device (a FakeVolumes mount table
// names its partitions).
class VolumeTransport : public ForwardingTransport {
 public:
  VolumeTransport(std::shared_ptr<device::Transport> inner, std::string blockDevice)
      : ForwardingTransport(std::move(inner)), m_blockDevice(std::move(blockDevice)) {}
  device::BlockDeviceLookup BlockDeviceOf(const std::string&) override { return {m_blockDevice}; }

 private:
  std::string m_blockDevice;
};

}  // namespace testsupport
