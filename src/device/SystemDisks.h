#pragma once
// The disks that hold the running system or the station's records. A disk holds the system
// when a file system mounted at "/", "/boot", "/usr" or "/var", or an active swap area, lies on
// it; it holds the records when a folder they go to lies on it. The SCSI generic transport never
// lists such a disk, so the station never maps it to a port and never sends it a command.
//
// A disk is named by its canonical block folder in sysfs ("/sys/devices/.../block/sda"). A
// mounted file system is traced down to its disks: by its device number
// (/sys/dev/block/<major>:<minor>) or, without one of its own, by the device its mount names
// (btrfs, with every other device of the same btrfs, and each device of a bcachefs); an overlay
// by the mounts that hold its lower, upper and work folders; a file (a swap file, a loop
// device's backing file, a folder) by the mount that holds it; a block device by the devices it
// is built on (device-mapper, LVM and md "slaves"), a partition by its disk, a loop device by
// the mount that holds its backing file.
//
// A network or memory file system (NFS, SMB, tmpfs, ...) lies on no disk here. Anything else
// that cannot be traced (a ZFS pool, a device missing from sysfs, a loop device without a
// backing file, a layer that lies on the file system it makes up) leaves the disks unknown,
// and then no disk can be known to be free of the system.
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace device {

struct SystemDisks {
  std::set<std::string> disks;  // canonical sysfs block folders
  std::string untraceable;      // why some disk could not be found; empty when all were
};

// The disks under the system's mounts, its swap areas and the record folders, from the mount
// table and the swap table under procRoot and the sysfs tree under sysfsRoot. An unreadable
// mount table leaves them unknown too.
SystemDisks FindSystemDisks(const std::filesystem::path& sysfsRoot, const std::filesystem::path& procRoot,
                            const std::vector<std::filesystem::path>& recordFolders);

}  // namespace device
