#include "device/SystemDisks.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <string_view>

#include "device/MountTable.h"
#include "platform/Text.h"

namespace device {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSystemMountPoints[] = {"/", "/boot", "/usr", "/var"};
// File systems that lie on no disk of this machine: network and memory file systems, and the
// automounter's placeholder (the file system it mounts on demand is a mount of its own).
constexpr std::string_view kDisklessTypes[] = {"nfs",        "nfs4",  "cifs",  "smb3",   "smbfs",     "9p",
                                               "virtiofs",   "ceph",  "afs",   "lustre", "glusterfs", "fuse.glusterfs",
                                               "fuse.sshfs", "tmpfs", "ramfs", "rootfs", "autofs"};
// File systems, devices and mounts stack on one another; deeper than this is a loop.
constexpr int kMaxStackDepth = 32;
// Overlay options that name a folder the overlay is made of; "lowerdir" names a list.
constexpr std::string_view kLowerLayers = "lowerdir=";
constexpr std::string_view kOverlayFolders[] = {"lowerdir+=", "datadir+=", "upperdir=", "workdir="};

fs::path Canonical(const fs::path& path) {
  std::error_code error;
  fs::path real = fs::canonical(path, error);
  return error ? fs::path() : real;
}

template <std::size_t N>
bool IsOneOf(std::string_view text, const std::string_view (&list)[N]) {
  return std::find(std::begin(list), std::end(list), text) != std::end(list);
}

bool StartsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

// The folders of an overlay's "lowerdir" list: ":" separates them, "\" takes the next
// character as it is, and "::" marks the data-only layers.
void AddLowerLayers(std::string_view list, std::vector<std::string>& folders) {
  std::string folder;
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i] == '\\' && i + 1 < list.size()) {
      folder.push_back(list[++i]);
    } else if (list[i] == ':') {
      if (!folder.empty()) folders.push_back(std::move(folder));
      folder.clear();
    } else {
      folder.push_back(list[i]);
    }
  }
  if (!folder.empty()) folders.push_back(std::move(folder));
}

// The folders an overlay's options name.
std::vector<std::string> OverlayFolders(const MountInfoEntry& mount) {
  std::vector<std::string> folders;
  for (const std::string& option : mount.options) {
    if (StartsWith(option, kLowerLayers)) AddLowerLayers(std::string_view(option).substr(kLowerLayers.size()), folders);
    for (const std::string_view name : kOverlayFolders) {
      if (StartsWith(option, name)) folders.push_back(option.substr(name.size()));
    }
  }
  return folders;
}

// The first line of a small sysfs file; empty when it cannot be read.
std::string ReadLine(const fs::path& path) {
  std::ifstream file(path);
  std::string line;
  std::getline(file, line);
  return line;
}

class SystemDiskSearch {
 public:
  SystemDiskSearch(fs::path sysfsRoot, std::vector<MountInfoEntry> mounts)
      : m_sysfsRoot(std::move(sysfsRoot)), m_mounts(std::move(mounts)), m_state(m_mounts.size(), State::NotTraced) {}

  const std::vector<MountInfoEntry>& Mounts() const { return m_mounts; }

  // The disks under a mount, under the mount that holds a file, or under a block device
  // given by its node; `what` names it when it cannot be traced.
  void AddMount(std::size_t mount, const std::string& what) {
    m_what = what;
    TraceMount(mount, 0);
  }
  void AddFile(const std::string& file, const std::string& what) {
    m_what = what;
    TraceFile(file, 0);
  }
  void AddDeviceNode(const std::string& node, const std::string& what) {
    m_what = what;
    TraceNode(node, 0);
  }

  SystemDisks Take() { return {std::move(m_disks), std::move(m_untraceable)}; }

 private:
  enum class State { NotTraced, Tracing, Traced };

  // The first reason is kept: it names the system mount, swap area or folder it was found for.
  void Untraceable(const std::string& reason) {
    if (m_untraceable.empty()) {
      m_untraceable = platform::Format("%s cannot be traced to its disks (%s)", m_what.c_str(), reason.c_str());
    }
  }

  bool TooDeep(int depth) {
    if (depth <= kMaxStackDepth) return false;
    Untraceable(platform::Format("it is stacked more than %d deep", kMaxStackDepth));
    return true;
  }

  void TraceMount(std::size_t index, int depth) {
    if (TooDeep(depth) || m_state[index] == State::Traced) return;
    const MountInfoEntry& mount = m_mounts[index];
    if (m_state[index] == State::Tracing) {
      Untraceable(platform::Format("the file system at %s lies on itself", mount.mountPoint.c_str()));
      return;
    }
    m_state[index] = State::Tracing;
    if (IsOneOf(mount.type, kDisklessTypes)) {
      // on no disk
    } else if (mount.type == "overlay") {
      const std::vector<std::string> folders = OverlayFolders(mount);
      if (folders.empty()) Untraceable(platform::Format("the overlay at %s names no layer", mount.mountPoint.c_str()));
      for (const std::string& folder : folders) TraceFile(folder, depth + 1);
    } else if (mount.major != 0) {
      TraceBlockLink(m_sysfsRoot / "dev" / "block" / platform::Format("%u:%u", mount.major, mount.minor), depth + 1);
    } else if (StartsWith(mount.source, "/")) {
      // bcachefs names all its devices, separated by ":".
      for (const std::string& node :
           mount.type == "bcachefs" ? platform::Split(mount.source, ':') : std::vector<std::string>{mount.source}) {
        TraceNode(node, depth + 1);
      }
      if (mount.type == "btrfs") TraceBtrfsDevices(mount.source, depth + 1);
    } else {
      Untraceable(
          platform::Format("a %s file system, %s, names no block device", mount.type.c_str(), mount.source.c_str()));
    }
    m_state[index] = State::Traced;
  }

  // The mount with the longest mount point above the file (the last such, which covers those
  // mounted there before it).
  void TraceFile(const std::string& file, int depth) {
    const fs::path path = fs::path(file).lexically_normal();
    if (!path.is_absolute()) return Untraceable(platform::Format("%s is not a full path", file.c_str()));
    std::string text = path.string();
    if (text.size() > 1 && text.back() == '/') text.pop_back();
    std::optional<std::size_t> holder;
    for (std::size_t i = 0; i < m_mounts.size(); ++i) {
      const std::string& point = m_mounts[i].mountPoint;
      const bool above =
          point == "/" || (StartsWith(text, point) && (text.size() == point.size() || text[point.size()] == '/'));
      if (above && (!holder || point.size() >= m_mounts[*holder].mountPoint.size())) holder = i;
    }
    if (!holder) return Untraceable(platform::Format("no mount holds %s", text.c_str()));
    TraceMount(*holder, depth + 1);
  }

  // A block device by its node ("/dev/sda2", "/dev/mapper/vg-swap", "/dev/dm-1").
  void TraceNode(const std::string& node, int depth) {
    std::error_code error;
    const fs::path real = fs::canonical(node, error);
    const std::string name = (error ? fs::path(node) : real).filename().string();
    if (name.empty()) return Untraceable(platform::Format("%s is no block device", node.c_str()));
    TraceBlockLink(m_sysfsRoot / "class" / "block" / name, depth + 1);
  }

  // Every device of the btrfs that the device lies in (/sys/fs/btrfs/<fsid>/devices).
  void TraceBtrfsDevices(const std::string& node, int depth) {
    std::error_code error;
    const fs::path real = fs::canonical(node, error);
    const fs::path name = (error ? fs::path(node) : real).filename();
    for (const auto& btrfs : fs::directory_iterator(m_sysfsRoot / "fs" / "btrfs", error)) {
      const fs::path devices = btrfs.path() / "devices";
      std::error_code missing;
      if (name.empty() || !fs::exists(devices / name, missing)) continue;
      for (const auto& device : fs::directory_iterator(devices, missing)) TraceBlockLink(device.path(), depth + 1);
    }
  }

  void TraceBlockLink(const fs::path& link, int depth) {
    const fs::path folder = Canonical(link);
    if (folder.empty()) {
      return Untraceable(platform::Format("%s is not in sysfs", link.lexically_relative(m_sysfsRoot).c_str()));
    }
    TraceBlockFolder(folder, depth);
  }

  // The whole disks under a block folder: the devices it is built on, the disk of a
  // partition, the disks under a loop device's backing file, or the disk itself.
  void TraceBlockFolder(const fs::path& folder, int depth) {
    if (TooDeep(depth)) return;
    std::error_code error;
    bool stacked = false;
    for (const auto& slave : fs::directory_iterator(folder / "slaves", error)) {
      stacked = true;
      TraceBlockLink(slave.path(), depth + 1);
    }
    if (stacked) return;
    if (fs::exists(folder / "partition", error)) return TraceBlockFolder(folder.parent_path(), depth + 1);
    if (fs::exists(folder / "loop", error)) {
      const std::string backingFile = ReadLine(folder / "loop" / "backing_file");
      if (backingFile.empty()) {
        return Untraceable(platform::Format("the loop device %s has no backing file", folder.filename().c_str()));
      }
      return TraceFile(backingFile, depth + 1);
    }
    m_disks.insert(folder.string());
  }

  fs::path m_sysfsRoot;
  std::vector<MountInfoEntry> m_mounts;
  std::vector<State> m_state;  // of each mount
  std::string m_what;
  std::set<std::string> m_disks;
  std::string m_untraceable;
};

}  // namespace

SystemDisks FindSystemDisks(const fs::path& sysfsRoot, const fs::path& procRoot,
                            const std::vector<fs::path>& recordFolders) {
  const std::optional<std::string> mountInfo = ReadKernelTable((procRoot / "self" / "mountinfo").string());
  if (!mountInfo) return {{}, "the mount table cannot be read"};
  SystemDiskSearch search(sysfsRoot, ParseMountInfo(*mountInfo));
  for (std::size_t i = 0; i < search.Mounts().size(); ++i) {
    const std::string& point = search.Mounts()[i].mountPoint;
    if (IsOneOf(point, kSystemMountPoints)) search.AddMount(i, "the file system at " + point);
  }
  // Without swap support the kernel has no swap table, and then no swap area is active.
  for (const SwapEntry& swap : ParseSwaps(ReadKernelTable((procRoot / "swaps").string()).value_or(""))) {
    if (swap.isFile) {
      search.AddFile(swap.path, "the swap file " + swap.path);
    } else {
      search.AddDeviceNode(swap.path, "the swap area " + swap.path);
    }
  }
  for (const fs::path& folder : recordFolders) {
    std::error_code error;
    const fs::path real = fs::weakly_canonical(folder, error);
    const std::string text = (error ? folder : real).string();
    search.AddFile(text, "the records folder " + text);
  }
  return search.Take();
}

}  // namespace device
