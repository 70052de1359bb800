#pragma once
// The kernel's tables of mounted file systems and of active swap areas, read from their text:
// /proc/self/mounts, /proc/self/mountinfo and /proc/swaps. Fields are decoded from the
// kernel's octal escapes ("\040" is a blank); lines that are not of a table's form are skipped.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace device {

// A line of /proc/self/mounts.
struct MountEntry {
  std::string source;       // "/dev/sdb1"
  std::string mountPoint;   // "/media/usb"
};

std::vector<MountEntry> ParseMountTable(std::string_view text);

// A line of /proc/self/mountinfo: the device number of the mounted file system (major 0 for
// file systems without a block device of their own, btrfs, ZFS, overlay and network file
// systems among them), where it is mounted, its type, the source the mount names and the file
// system's options, each decoded ("lowerdir=/media/root-ro", "upperdir=/media/root-rw/up").
struct MountInfoEntry {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::string mountPoint;
  std::string type;
  std::string source;
  std::vector<std::string> options;
};

std::vector<MountInfoEntry> ParseMountInfo(std::string_view text);

// A line of /proc/swaps after its heading: the swap partition or swap file.
struct SwapEntry {
  std::string path;
  bool isFile = false;
};

std::vector<SwapEntry> ParseSwaps(std::string_view text);

// The whole text of a kernel table such as /proc/swaps; nullopt when it cannot be read.
std::optional<std::string> ReadKernelTable(const std::string& path);

}  // namespace device
