#pragma once
// udev's records of the block devices, read as the files of its database: one for each device
// it has handled, named "b<major>:<minor>" (/run/udev/data/b8:1), with a line "E:<KEY>=<value>"
// for each property ("E:ID_FS_TYPE=zfs_member") and "S:<link>" for each link its rules made in
// /dev ("S:zvol/tank/swap"). Reading them opens no device, so no command
// reaches a drive. The "_ENC" properties write a byte outside blkid's safe set as "\xNN"
// ("my\x20pool"); the plain ones put "_" for blanks ("my_pool").
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace device {

using UdevProperties = std::map<std::string, std::string>;

// The properties of the block device numbered "<major>:<minor>"; none when udev keeps no record
// of it (udev does not run, as in a container).
UdevProperties ReadUdevProperties(const std::filesystem::path& udevDataRoot, const std::string& number);

// The links below /dev that udev made for the block device numbered "<major>:<minor>"; none when
// udev keeps no record of it.
std::vector<std::string> ReadUdevLinks(const std::filesystem::path& udevDataRoot, const std::string& number);

// The label blkid read from the file system or member the device holds (for a ZFS member, the
// pool's name), as it stands on the device; empty when there is none.
std::string FileSystemLabel(const UdevProperties& properties);

}  // namespace device
