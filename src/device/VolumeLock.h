#pragma once
// The volume lock behind CMPDevice::LockDiskVolumes and CMPDevice::UnlockDiskVolumes. On Linux
// a mounted partition of the drive (or the whole drive mounted as one file system) is its
// volume, and a locked volume is one taken out of the kernel's hands: Lock unmounts every
// mounted volume of the drive (a plain unmount: a file system that a program still uses is
// busy and stays mounted, and the lock fails, as a volume in use cannot be locked), then opens
// the drive's own node and holds an exclusive lock on it, the lock that keeps udev from probing
// the disk while it is written. The node is held whether or not anything was mounted (a new
// drive has no partitions), though a drive without a mounted volume has none locked. The
// volumes it could unmount stay unmounted whether the lock succeeds or not. Unlock unmounts
// whatever was mounted on the drive again meanwhile (an automounter), releases the lock and
// closes the node, and fails when such a volume is busy; Close only releases and closes, as a
// failed flow does. The engine holds one object for a drive's test and keeps it across its
// steps; when it ends with the test, a node still held is released.
//
// The mount table and the system calls go through VolumeSystem, so tests run without root.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/MountTable.h"

namespace device {

// Whether a mount source is the block device itself or one of its partitions
// ("/dev/sdb1" for "/dev/sdb", "/dev/nvme0n1p2" for "/dev/nvme0n1").
bool IsVolumeOf(std::string_view source, std::string_view blockDevice);

class VolumeSystem {
 public:
  virtual ~VolumeSystem() = default;
  virtual std::vector<MountEntry> MountTable() = 0;
  // An open node, or -1 with errno set.
  virtual int OpenVolume(const std::string& path) = 0;
  virtual bool LockExclusive(int fd) = 0;
  // False with errno set (EBUSY: the file system is in use).
  virtual bool Unmount(const std::string& mountPoint) = 0;
  virtual void CloseVolume(int fd) = 0;
};

// /proc/self/mounts, open(2), flock(2), umount2(2) without flags, close(2); the unmount call
// can be given, so that a test sees what would be asked of the kernel.
using UnmountCall = int (*)(const char* target, int flags);
std::shared_ptr<VolumeSystem> LinuxVolumeSystem();
std::shared_ptr<VolumeSystem> LinuxVolumeSystem(UnmountCall unmount);

}  // namespace device

class CDeviceCommand;

class CVolumeLock {
 public:
  CVolumeLock();
  explicit CVolumeLock(std::shared_ptr<device::VolumeSystem> system);
  ~CVolumeLock();
  CVolumeLock(const CVolumeLock&) = delete;
  CVolumeLock& operator=(const CVolumeLock&) = delete;

  // Locks the volumes of the disk that the drive's commands go to (its block device found
  // through the disk's identity, never through a listing made since). Unlock finds the block
  // device the same way again, so the drive must outlive what is held.
  int LockDrive(CDeviceCommand& drive);
  // The same for a block device ("/dev/sdb"). Non-zero when every mounted volume of it was
  // unmounted and its node is held; 0 when none is mounted (its node is held all the same),
  // one could not be unmounted, or the open or the lock of the node failed. Whatever was held
  // from an earlier call is released first.
  int Lock(const std::string& blockDevice);
  // Unmounts the volumes of the drive mounted since the lock, unlocks and closes its node. A
  // drive that dropped off and came back meanwhile has another name (the node held keeps its
  // old one taken): the volumes of both are unmounted. Non-zero on success; 0 when nothing is
  // held or a volume could not be unmounted (the node is closed either way).
  int Unlock();
  // Unlocks and closes the held node without unmounting anything.
  void Close();

  bool IsHeld() const { return m_fd >= 0; }
  // The block device whose node is held; empty when none is.
  const std::string& DrivePath() const { return m_drive; }
  const std::string& LastErrorMessage() const { return m_lastError; }

 private:
  // Lock, with how Unlock finds the drive's block device again.
  int Hold(const std::string& blockDevice, std::function<std::string()> findBlockDevice);
  // Unmounts every volume of the block devices in the mount table, the last mounted first (a
  // file system mounted inside another goes before it); false when one stays mounted.
  bool UnmountVolumes(const std::vector<device::MountEntry>& mounts, const std::vector<std::string>& blockDevices);

  std::shared_ptr<device::VolumeSystem> m_system;
  int m_fd = -1;
  std::string m_drive;
  std::function<std::string()> m_findBlockDevice;  // while the node is held
  std::string m_lastError;
};
