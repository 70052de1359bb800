#pragma once
// The devices that the kernel shows holding a disk: an md array, a device-mapper device (LVM,
// dm-crypt, multipath) or a bcache device built on the disk or on one of its partitions names
// itself in the disk's or the partition's "holders" folder in sysfs. A disk held so is the
// machine's, mounted or not: the device built on it may be assembled, active or in use by a
// virtual machine without any file system mounted. Distributions assemble md arrays and activate
// LVM volumes found on any disk that is attached, so a drive that once was in an array can be
// held from the moment it is plugged in, until the operator releases it (mdadm --stop,
// vgchange -an); the station never does that itself. The kernel gives every disk and partition
// a holders folder; one that is missing belongs to a device that has gone, and holds nothing. One
// that is there but cannot be read (no descriptor left, a security policy) may name a holder, so
// its disk cannot be told free.
#include <filesystem>
#include <string>
#include <vector>

namespace device {

struct DiskHolders {
  // Each by its kernel name, with a device-mapper device's own name after it ("md127",
  // "dm-0 (vg0-vm1)"), in name order.
  std::vector<std::string> holders;
  // The first folder that could not be read, and why ("sdc1/holders: Permission denied"); empty
  // when every one was read.
  std::string unreadable;
};

// The holders of the disk in this canonical sysfs block folder ("/sys/devices/.../block/sdc") and
// of its partitions.
DiskHolders HoldersOf(const std::filesystem::path& disk);

// "sdc is held by md127", "sdd is held by dm-0 (vg0-vm1) and dm-1 (vg0-vm2)".
std::string HeldDiskText(const std::string& disk, const std::vector<std::string>& holders);
// "sdc's holders cannot be read (sdc1/holders: Permission denied)".
std::string UnreadableHoldersText(const std::string& disk, const std::string& unreadable);

}  // namespace device
