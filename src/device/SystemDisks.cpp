#include "device/SystemDisks.h"

#include <array>
#include <string_view>

#include "device/MountTable.h"
#include "platform/Text.h"

namespace device {
namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 4> kSystemMountPoints = {"/", "/boot", "/usr", "/var"};
// Device-mapper and md devices stack on one another; deeper than this is a loop in the tree.
constexpr int kMaxStackDepth = 16;

fs::path Canonical(const fs::path& path) {
  std::error_code error;
  fs::path real = fs::canonical(path, error);
  return error ? fs::path() : real;
}

class SystemDiskSearch {
 public:
  explicit SystemDiskSearch(fs::path sysfsRoot) : m_sysfsRoot(std::move(sysfsRoot)) {}

  // The block device of a mount: its device number, or the device its source names.
  void AddMount(const MountInfoEntry& mount) {
    if (mount.major != 0) {
      AddBlockFolder(m_sysfsRoot / "dev" / "block" / platform::Format("%u:%u", mount.major, mount.minor));
    } else {
      AddDeviceNode(mount.source);
    }
  }

  // A block device by its node ("/dev/sda2", "/dev/mapper/vg-swap", "/dev/dm-1").
  void AddDeviceNode(const std::string& node) {
    if (node.empty() || node.front() != '/') return;
    std::error_code error;
    const fs::path real = fs::canonical(node, error);
    const std::string name = (error ? fs::path(node) : real).filename().string();
    if (!name.empty()) AddBlockFolder(m_sysfsRoot / "class" / "block" / name);
  }

  std::set<std::string> TakeDisks() { return std::move(m_disks); }

 private:
  void AddBlockFolder(const fs::path& link) { AddDisksUnder(Canonical(link), 0); }

  // The whole disks under a block folder: the devices it is built on, the disk of a
  // partition, or the disk itself.
  void AddDisksUnder(const fs::path& folder, int depth) {
    if (folder.empty() || depth > kMaxStackDepth) return;
    std::error_code error;
    bool stacked = false;
    for (const auto& slave : fs::directory_iterator(folder / "slaves", error)) {
      stacked = true;
      AddDisksUnder(Canonical(slave.path()), depth + 1);
    }
    if (stacked) return;
    if (fs::exists(folder / "partition", error)) {
      AddDisksUnder(folder.parent_path(), depth + 1);
      return;
    }
    m_disks.insert(folder.string());
  }

  fs::path m_sysfsRoot;
  std::set<std::string> m_disks;
};

bool IsSystemMountPoint(const std::string& mountPoint) {
  for (const std::string_view point : kSystemMountPoints) {
    if (mountPoint == point) return true;
  }
  return false;
}

// The mount that holds a file: the one with the longest mount point above it.
const MountInfoEntry* MountHolding(const std::vector<MountInfoEntry>& mounts, const std::string& file) {
  const MountInfoEntry* holder = nullptr;
  for (const MountInfoEntry& mount : mounts) {
    const std::string& point = mount.mountPoint;
    const bool above = point == "/" || (file.compare(0, point.size(), point) == 0 && file.size() > point.size() &&
                                        file[point.size()] == '/');
    if (above && (holder == nullptr || point.size() > holder->mountPoint.size())) holder = &mount;
  }
  return holder;
}

}  // namespace

std::optional<std::set<std::string>> FindSystemDisks(const fs::path& sysfsRoot, const fs::path& procRoot) {
  const std::optional<std::string> mountInfo = ReadKernelTable((procRoot / "self" / "mountinfo").string());
  if (!mountInfo) return std::nullopt;
  const std::vector<MountInfoEntry> mounts = ParseMountInfo(*mountInfo);
  SystemDiskSearch search(sysfsRoot);
  for (const MountInfoEntry& mount : mounts) {
    if (IsSystemMountPoint(mount.mountPoint)) search.AddMount(mount);
  }
  // Without swap support the kernel has no swap table, and then no swap area is active.
  for (const SwapEntry& swap : ParseSwaps(ReadKernelTable((procRoot / "swaps").string()).value_or(""))) {
    if (!swap.isFile) {
      search.AddDeviceNode(swap.path);
    } else if (const MountInfoEntry* holder = MountHolding(mounts, swap.path)) {
      search.AddMount(*holder);
    }
  }
  return search.TakeDisks();
}

}  // namespace device
