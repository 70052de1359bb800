#pragma once
// The disks the machine uses itself. A disk is one when it, one of its partitions or a device
// built on it holds a mounted file system (wherever it is mounted), an active swap area, a
// device a mounted file system's options name, a member of a mounted file system of several
// devices, or a folder the station's records go to. The SCSI generic transport never lists such
// a disk, so the station never maps it to a port and never sends it a command. A file system
// mounted below /media or /run/media, where the automounter mounts removable media, is on a
// drive the operator plugged in, perhaps to test it, when the drive is attached through USB or
// FireWire or has removable media; the volume lock unmounts it, and it counts only when a record
// folder lies on it or it is mounted at or below one. An internal disk (ATA, SAS, NVMe) mounted
// there is the machine's, also when the file system spans it and a plugged-in drive.
//
// A disk is named by its canonical block folder in sysfs ("/sys/devices/.../block/sda"). A
// mounted file system is traced down to its disks: by its device number
// (/sys/dev/block/<major>:<minor>) and by the devices it names: without a number of its own,
// the device of its source (btrfs, with every other device of the same btrfs); each device of a
// bcachefs, whose number is its first device's; the devices of an XFS's "logdev=" and "rtdev="
// and of an ext4's "journal_path="; the members of a ZFS pool, the block devices whose udev
// record says they hold a member of the pool its dataset lies in (udev's records are read, no
// device is opened). Every pool that ZFS has imported (a folder of its statistics in
// /proc/spl/kstat/zfs) uses its members, mounted or not; while any pool is imported or mounted,
// a block device whose udev record shows a ZFS member without a pool's name (blkid found a second
// signature beside it, or only ZFS's partition type is there) may be any pool's, and counts too. A
// member of a pool that is not imported (a customer's pool on a drive back for repair) is a
// drive to test. A folder of ZFS's statistics whose name no pool can have is none: while
// `zpool import` examines the pools it could import, ZFS keeps one named "$import". An overlay is
// traced by the mounts that hold its lower, upper and work folders, an ecryptfs by the mount that
// holds the folder it encrypts; a file (a swap file, a loop device's backing file, a folder) by
// the mount that holds it; a block device by the devices it is built on (device-mapper, LVM,
// dm-crypt and md "slaves"), a partition by its disk, a loop device by the mount that holds its
// backing file, a ZFS volume (zd0) by the members of the pool that its udev link
// ("zvol/<pool>/<volume>") names.
//
// The disks kept only for ZFS (no mounted file system, swap area or record folder lies on them)
// are named for the operator, with the pool: a member of an imported pool none of whose datasets
// is mounted, and a disk with ZFS signs that name no pool.
//
// The kernel's own file systems (proc, sysfs, cgroup2, tracefs, ...), memory and network file
// systems (tmpfs, NFS, SMB, ...) and FUSE file systems without a block device lie on no disk.
// Anything else that cannot be traced (a mounted or imported ZFS pool none of whose members is
// in udev's records, a device missing from sysfs, a loop device without a backing file, a layer
// that lies on the file system it makes up) leaves the disks unknown, and then no disk can be
// known to be free of the system. A device of a file system the automounter mounted that is missing from sysfs is a
// drive pulled before its mount was cleaned up, and lies on no disk.
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "device/Transport.h"

namespace device {

struct SystemDisks {
  std::set<std::string> disks;  // canonical sysfs block folders
  // Those of the disks kept only for ZFS, by folder, with what keeps each ("sdd is a member of the
  // imported ZFS pool tank", "sde shows ZFS signs without a pool's name while the pool rpool is
  // imported").
  std::map<std::string, HeldDisk> keptForZfs;
  std::string untraceable;  // why some disk could not be found; empty when all were
};

// The disks under the mounts, the swap areas and the record folders, from the mount table and
// the swap table under procRoot, the sysfs tree under sysfsRoot and udev's records of the block
// devices under udevDataRoot ("b<major>:<minor>" files). An unreadable mount table leaves them
// unknown too.
SystemDisks FindSystemDisks(const std::filesystem::path& sysfsRoot, const std::filesystem::path& procRoot,
                            const std::vector<std::filesystem::path>& recordFolders,
                            const std::filesystem::path& udevDataRoot = "/run/udev/data");

}  // namespace device
