#pragma once
// The volume lock behind CMPDevice::LockDiskVolumes and CMPDevice::UnlockDiskVolumes. On Linux
// a mounted partition of the drive (or the whole drive mounted as one file system) is its
// volume. Lock finds the first such volume in the mount table, opens it and holds an
// exclusive lock on the open node; Unlock dismounts it (a plain unmount: a file system that a
// program still uses is busy and stays mounted, and the unlock fails, as a volume in use
// cannot be locked), releases the lock and closes the node; Close only releases and closes, as
// a failed flow does. The engine holds one object and keeps it across its steps.
//
// The mount table and the system calls go through VolumeSystem, so tests run without root.
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

  // Locks the first volume of the disk that the drive's commands go to (its block device found
  // through the disk's identity, never through a listing made since). Non-zero when the lock
  // succeeded; 0 when no volume lies on the drive or the open or the lock failed. A volume
  // still held from an earlier call is closed first.
  int LockDrive(CDeviceCommand& drive);
  // The same for a block device ("/dev/sdb").
  int Lock(const std::string& blockDevice);
  // Dismounts, unlocks and closes the held volume. Non-zero on success; 0 when none is held or
  // the dismount failed (the volume is closed either way).
  int Unlock();
  // Unlocks and closes the held volume without dismounting it.
  void Close();

  bool IsHeld() const { return m_fd >= 0; }
  const std::string& VolumePath() const { return m_volume.source; }
  const std::string& LastErrorMessage() const { return m_lastError; }

 private:
  std::shared_ptr<device::VolumeSystem> m_system;
  int m_fd = -1;
  device::MountEntry m_volume;
  std::string m_lastError;
};
