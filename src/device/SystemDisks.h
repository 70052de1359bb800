#pragma once
// The disks that hold the running system. A disk holds it when a file system mounted at "/",
// "/boot", "/usr" or "/var", or an active swap area, lies on it: on the disk itself, on one of
// its partitions, or on a device-mapper, LVM or md device built on them (sysfs "slaves"). The
// SCSI generic transport never lists such a disk, so the station never maps it to a port and
// never sends it a command.
//
// A disk is named by its canonical block folder in sysfs ("/sys/devices/.../block/sda"). The
// mounted file systems are found by their device number (/sys/dev/block/<major>:<minor>) or,
// for a file system without one of its own (btrfs), by the device its mount names; a swap file
// by the file system that holds it.
#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace device {

// The canonical sysfs block folders of the disks that hold the running system, from the
// mount table and the swap table under procRoot and the sysfs tree under sysfsRoot; nullopt
// when the mount table cannot be read, for then no disk can be known to be free of the system.
std::optional<std::set<std::string>> FindSystemDisks(const std::filesystem::path& sysfsRoot,
                                                     const std::filesystem::path& procRoot);

}  // namespace device
