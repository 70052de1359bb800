#include "device/SystemDisks.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string_view>

#include "device/MountTable.h"
#include "device/SysfsFiles.h"
#include "device/UdevRecords.h"
#include "platform/Text.h"

namespace device {
namespace fs = std::filesystem;

namespace {

// File systems that lie on no disk: the kernel's own, memory and network file systems, and the
// automounter's placeholder (the file system it mounts on demand is a mount of its own). A FUSE
// file system lies on a disk only when the kernel gives it a block device (fuseblk).
constexpr std::string_view kDisklessTypes[] = {
    // the kernel's own
    "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "cpuset", "tracefs", "debugfs", "securityfs", "pstore",
    "efivarfs", "bpf", "binfmt_misc", "configfs", "fusectl", "mqueue", "hugetlbfs", "nsfs", "selinuxfs", "smackfs",
    "apparmorfs", "rpc_pipefs", "nfsd", "resctrl", "autofs",
    // memory
    "tmpfs", "ramfs", "rootfs",
    // network
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "9p", "virtiofs", "vboxsf", "ceph", "afs", "lustre", "glusterfs"};
constexpr std::string_view kFuseType = "fuse";
// A file system stacked on a folder, which its source names (an encrypted home folder).
constexpr std::string_view kFolderStackedType = "ecryptfs";
constexpr std::string_view kFuseSubtypes = "fuse.";
// Options that name a block device the file system keeps part of itself on: an XFS's log and
// realtime section, an ext4's journal.
constexpr std::string_view kDeviceOptions[] = {"logdev=", "rtdev=", "journal_path="};
// Where the automounter mounts the file systems of removable media, one folder below for each
// user or medium. A file system there on a USB, FireWire or removable drive is a drive the
// operator plugged in, maybe the one to test.
constexpr std::string_view kRemovableMediaPlaces[] = {"/media/", "/run/media/"};
// The folders of sysfs a drive attached through USB or FireWire lies below: a USB root hub
// ("usb2") and a FireWire node ("fw1"), each followed by its number.
constexpr std::string_view kHotplugBusFolders[] = {"usb", "fw"};
// A ZFS file system names its dataset ("rpool/ROOT/ubuntu", "tank/media@daily"), whose pool is
// the name before the first "/" or "@"; blkid tells the pool's members by their type and gives
// the pool's name as their label.
constexpr std::string_view kZfsType = "zfs";
constexpr std::string_view kZfsMemberType = "zfs_member";
// OpenZFS keeps a folder of statistics for every imported pool, named as the pool, beside the
// module's own files ("arcstats", ...). A pool's name begins with a letter and holds only letters,
// digits and "-", "_", ".", ":" and blanks; a folder named otherwise is no pool's ("$import", which
// `zpool import` adds while it examines the pools it could import).
constexpr std::string_view kZfsPoolStatistics = "spl/kstat/zfs";
constexpr std::string_view kPoolNameMarks = "-_.: ";
// Signs of a ZFS member that name no pool: blkid found a second signature beside the member's
// and gives all of them, "usage:type[:version]" each, instead of a type and a label; or the
// partition carries ZFS's partition type.
constexpr std::string_view kAmbivalentSignatures = "ID_FS_AMBIVALENT";
constexpr std::string_view kZfsPartitionType = "6a898cc3-1dd2-11b2-99a6-080020736631";
// A ZFS volume's block device ("zd0"; "zd0p1" is a partition of it) and the links that udev's
// rules give it ("zvol/tank/swap").
constexpr std::string_view kZfsVolumeName = "zd";
constexpr std::string_view kZfsVolumeLinks = "zvol/";
// File systems, devices and mounts stack on one another; deeper than this is a loop.
constexpr int kMaxStackDepth = 32;
// Overlay options that name a folder the overlay is made of; "lowerdir" names a list.
constexpr std::string_view kLowerLayers = "lowerdir=";
constexpr std::string_view kOverlayFolders[] = {"lowerdir+=", "datadir+=", "upperdir=", "workdir="};

template <std::size_t N>
bool IsOneOf(std::string_view text, const std::string_view (&list)[N]) {
  return std::find(std::begin(list), std::end(list), text) != std::end(list);
}

bool StartsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool CanBePoolName(std::string_view name) {
  return !name.empty() && IsAsciiLetter(name.front()) && std::all_of(name.begin(), name.end(), [](char c) {
           return IsAsciiLetter(c) || (c >= '0' && c <= '9') || kPoolNameMarks.find(c) != std::string_view::npos;
         });
}

// The pool a ZFS dataset lies in: the name before the first "/" or "@" ("rpool/ROOT/ubuntu").
std::string PoolOfDataset(const std::string& dataset) { return dataset.substr(0, dataset.find_first_of("/@")); }

// "pool tank", "pools rpool and tank".
std::string PoolsNamed(const std::vector<std::string>& pools) {
  return (pools.size() > 1 ? "pools " : "pool ") + platform::JoinAsList(pools);
}

// Whether a path is the folder or lies below it (both normal, without a trailing "/").
bool AtOrBelow(std::string_view path, std::string_view folder) {
  return folder == "/" || (StartsWith(path, folder) && (path.size() == folder.size() || path[folder.size()] == '/'));
}

// A full path as the mount table writes it: normal, without a trailing "/".
std::string MountTableForm(const fs::path& path) {
  std::string text = path.lexically_normal().string();
  if (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

bool LiesOnNoDisk(const MountInfoEntry& mount) {
  const bool fuse = mount.type == kFuseType || StartsWith(mount.type, kFuseSubtypes);
  return IsOneOf(mount.type, kDisklessTypes) || (fuse && mount.major == 0);
}

bool IsRemovableMediaPlace(std::string_view mountPoint) {
  return std::any_of(std::begin(kRemovableMediaPlaces), std::end(kRemovableMediaPlaces), [&](std::string_view place) {
    return StartsWith(mountPoint, place) && mountPoint.size() > place.size();
  });
}

// The values of the options that start with one of the names ("upperdir=/x" gives "/x").
template <std::size_t N>
std::vector<std::string> OptionValues(const MountInfoEntry& mount, const std::string_view (&names)[N]) {
  std::vector<std::string> values;
  for (const std::string& option : mount.options) {
    for (const std::string_view name : names) {
      if (StartsWith(option, name)) values.push_back(option.substr(name.size()));
    }
  }
  return values;
}

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
  std::vector<std::string> folders = OptionValues(mount, kOverlayFolders);
  for (const std::string& option : mount.options) {
    if (StartsWith(option, kLowerLayers)) AddLowerLayers(std::string_view(option).substr(kLowerLayers.size()), folders);
  }
  return folders;
}

// Whether the automounter mounts a disk (its canonical sysfs block folder) for the operator: a
// drive with removable media, or one attached through USB or FireWire (below a USB root hub or a
// FireWire node in /sys/devices). Any other disk (ATA, SAS, NVMe) is built into the machine.
bool IsOperatorsDrive(const fs::path& devicesFolder, const fs::path& disk) {
  if (ReadFirstLine(disk / "removable") == "1") return true;
  for (const fs::path& folder : disk.lexically_relative(devicesFolder)) {
    const std::string name = folder.string();
    if (std::any_of(std::begin(kHotplugBusFolders), std::end(kHotplugBusFolders),
                    [&](std::string_view bus) { return IsNumberedName(name, bus); })) {
      return true;
    }
  }
  return false;
}

// Which mounts a search traces. The automounter's mounts are traced apart so that their drives
// can be told from the machine's; a device of theirs missing from sysfs is a drive that was
// pulled before its mount was cleaned up, and lies on no disk.
enum class MountOwner { Machine, Automounter };

class SystemDiskSearch {
 public:
  SystemDiskSearch(fs::path sysfsRoot, fs::path udevDataRoot, const std::vector<MountInfoEntry>& mounts,
                   MountOwner owner)
      : m_sysfsRoot(std::move(sysfsRoot)),
        m_udevDataRoot(std::move(udevDataRoot)),
        m_mounts(mounts),
        m_owner(owner),
        m_state(m_mounts.size(), State::NotTraced) {}

  // The disks under a mount, under the mount that holds a file, or under a block device
  // given by its node; `what` names it when it cannot be traced.
  void AddMount(std::size_t mount, const std::string& what) {
    Begin(Claim::Used, what);
    TraceMount(mount, 0);
  }
  void AddFile(const std::string& file, const std::string& what) {
    Begin(Claim::Used, what);
    TraceFile(file, 0);
  }
  void AddDeviceNode(const std::string& node, const std::string& what) {
    Begin(Claim::Used, what);
    TraceNode(node, 0);
  }
  // The members of an imported ZFS pool, and, while the pools in use are imported, the block
  // devices with signs of a ZFS member that name no pool, which may belong to any of them.
  void AddImportedZfsPool(const std::string& pool) {
    Begin(Claim::ImportedPool, "the imported ZFS pool " + pool);
    m_pool = pool;
    TraceZfsPool(pool, 0);
  }
  void AddZfsMembersOfNoNamedPool(std::vector<std::string> poolsInUse) {
    Begin(Claim::ZfsSigns, "a block device with signs of a ZFS member");
    m_poolsInUse = std::move(poolsInUse);
    for (const std::string& number : ZfsMembersInUdev().unnamed) TraceBlockLink(m_sysfsRoot / "dev" / "block" / number, 0);
  }

  // The disks found; those found only for ZFS are named with what keeps them.
  SystemDisks Take() {
    SystemDisks found;
    for (const auto& [disk, claims] : m_disks) {
      found.disks.insert(disk);
      if (claims.used) continue;
      const std::string name = fs::path(disk).filename().string();
      if (!claims.pools.empty()) {
        const std::string pools = PoolsNamed({claims.pools.begin(), claims.pools.end()});
        found.keptForZfs[disk] = {HeldDisk::Kind::ZfsPoolMember, name + " is a member of the imported ZFS " + pools};
      } else if (claims.zfsSigns) {
        const std::string pools = PoolsNamed(m_poolsInUse) + (m_poolsInUse.size() > 1 ? " are" : " is");
        found.keptForZfs[disk] = {HeldDisk::Kind::ZfsSigns,
                                  name + " shows ZFS signs without a pool's name while the " + pools + " imported"};
      }
    }
    found.untraceable = std::move(m_untraceable);
    return found;
  }

 private:
  enum class State { NotTraced, Tracing, Traced };
  // What the search traces now: what the machine uses (mounts, swap, records), an imported ZFS
  // pool, or the block devices with ZFS signs that name no pool.
  enum class Claim { Used, ImportedPool, ZfsSigns };
  // What a disk was found for.
  struct Claims {
    bool used = false;
    std::set<std::string> pools;  // the imported pools it is a member of
    bool zfsSigns = false;
  };

  void Begin(Claim claim, const std::string& what) {
    m_claim = claim;
    m_what = what;
  }

  // The first reason is kept: it names the mount, swap area or folder it was found for.
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
    if (LiesOnNoDisk(mount)) {
      // on no disk
    } else if (mount.type == "overlay") {
      const std::vector<std::string> folders = OverlayFolders(mount);
      if (folders.empty()) Untraceable(platform::Format("the overlay at %s names no layer", mount.mountPoint.c_str()));
      for (const std::string& folder : folders) TraceFile(folder, depth + 1);
    } else if (mount.type == kFolderStackedType) {
      TraceFile(mount.source, depth + 1);
    } else if (mount.type == kZfsType) {
      TraceZfsPool(mount.source, depth + 1);
    } else {
      TraceFileSystemDevices(mount, depth + 1);
    }
    for (const std::string& node : OptionValues(mount, kDeviceOptions)) TraceNode(node, depth + 1);
    m_state[index] = State::Traced;
  }

  // The devices of a file system: its device number and, when it has several devices, every one
  // it names. bcachefs names them all in its source, separated by ":", and takes the first one's
  // number (or none); btrfs names one and keeps them all in sysfs; a file system without a
  // number of its own is found by the device its source names.
  void TraceFileSystemDevices(const MountInfoEntry& mount, int depth) {
    const bool bcachefs = mount.type == "bcachefs";
    if (mount.major != 0) {
      TraceBlockLink(m_sysfsRoot / "dev" / "block" / platform::Format("%u:%u", mount.major, mount.minor), depth);
      if (!bcachefs) return;
    } else if (!StartsWith(mount.source, "/")) {
      return Untraceable(
          platform::Format("a %s file system, %s, names no block device", mount.type.c_str(), mount.source.c_str()));
    }
    for (const std::string& node : bcachefs ? platform::Split(mount.source, ':') : std::vector{mount.source}) {
      TraceNode(node, depth);
    }
    if (mount.type == "btrfs") TraceBtrfsDevices(mount.source, depth);
  }

  // The mount with the longest mount point above the file (the last such, which covers those
  // mounted there before it).
  void TraceFile(const std::string& file, int depth) {
    if (!fs::path(file).is_absolute()) return Untraceable(platform::Format("%s is not a full path", file.c_str()));
    const std::string text = MountTableForm(file);
    std::optional<std::size_t> holder;
    for (std::size_t i = 0; i < m_mounts.size(); ++i) {
      const std::string& point = m_mounts[i].mountPoint;
      if (AtOrBelow(text, point) && (!holder || point.size() >= m_mounts[*holder].mountPoint.size())) holder = i;
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

  // The members of the ZFS pool a dataset lies in.
  void TraceZfsPool(const std::string& dataset, int depth) {
    const std::string pool = PoolOfDataset(dataset);
    const auto [first, last] = ZfsMembersInUdev().members.equal_range(pool);
    if (first == last) {
      return Untraceable(platform::Format("no member of the ZFS pool %s is in udev's records of the block devices",
                                          pool.c_str()));
    }
    for (auto member = first; member != last; ++member) {
      TraceBlockLink(m_sysfsRoot / "dev" / "block" / member->second, depth + 1);
    }
  }

  // A ZFS volume (zd0, a block device the pool serves) lies on the members of its pool, which
  // udev's rules name in the volume's link "zvol/<pool>/<volume>".
  void TraceZfsVolume(const fs::path& folder, int depth) {
    const std::vector<std::string> links = ReadUdevLinks(m_udevDataRoot, ReadFirstLine(folder / "dev"));
    const auto link = std::find_if(links.begin(), links.end(),
                                   [](const std::string& name) { return StartsWith(name, kZfsVolumeLinks); });
    if (link == links.end()) {
      return Untraceable(platform::Format("the pool of the ZFS volume %s is not in udev's records of the block devices",
                                          folder.filename().c_str()));
    }
    TraceZfsPool(link->substr(kZfsVolumeLinks.size()), depth + 1);
  }

  // The device numbers ("8:1") of the block devices in sysfs whose udev record shows a ZFS
  // member: by the pool's name, or among those that name none; read once.
  struct ZfsMembers {
    std::multimap<std::string, std::string> members;
    std::vector<std::string> unnamed;
  };
  const ZfsMembers& ZfsMembersInUdev() {
    if (m_zfsMembers) return *m_zfsMembers;
    m_zfsMembers.emplace();
    std::error_code error;
    for (const auto& device : fs::directory_iterator(m_sysfsRoot / "dev" / "block", error)) {
      const std::string number = device.path().filename().string();
      const UdevProperties properties = ReadUdevProperties(m_udevDataRoot, number);
      const auto type = properties.find("ID_FS_TYPE");
      const std::string pool = FileSystemLabel(properties);
      if (type != properties.end() && type->second == kZfsMemberType && !pool.empty()) {
        m_zfsMembers->members.emplace(pool, number);
      } else if (HasZfsSigns(properties)) {
        m_zfsMembers->unnamed.push_back(number);
      }
    }
    return *m_zfsMembers;
  }

  // Whether a block device's udev record shows a ZFS member in any form: its type, one of the
  // signatures blkid could not choose between, or ZFS's partition type.
  static bool HasZfsSigns(const UdevProperties& properties) {
    const auto type = properties.find("ID_FS_TYPE");
    if (type != properties.end() && type->second == kZfsMemberType) return true;
    const auto ambivalent = properties.find(std::string(kAmbivalentSignatures));
    if (ambivalent != properties.end()) {
      for (const std::string& signature : platform::Split(ambivalent->second, ' ')) {
        const std::vector<std::string> fields = platform::Split(signature, ':');
        if (fields.size() >= 2 && fields[1] == kZfsMemberType) return true;
      }
    }
    const auto partitionType = properties.find("ID_PART_ENTRY_TYPE");
    return partitionType != properties.end() && platform::ToLower(partitionType->second) == kZfsPartitionType;
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
    const fs::path folder = CanonicalOrEmpty(link);
    if (folder.empty() && m_owner == MountOwner::Automounter) return;
    if (folder.empty()) {
      return Untraceable(platform::Format("the block device %s is not in sysfs", link.filename().c_str()));
    }
    TraceBlockFolder(folder, depth);
  }

  // The whole disks under a block folder: the devices it is built on, the disk of a
  // partition, the disks under a loop device's backing file, the members of a ZFS volume's pool,
  // or the disk itself.
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
      const std::string backingFile = ReadFirstLine(folder / "loop" / "backing_file");
      if (backingFile.empty()) {
        return Untraceable(platform::Format("the loop device %s has no backing file", folder.filename().c_str()));
      }
      return TraceFile(backingFile, depth + 1);
    }
    if (IsNumberedName(folder.filename().string(), kZfsVolumeName)) return TraceZfsVolume(folder, depth + 1);
    Claims& claims = m_disks[folder.string()];
    switch (m_claim) {
      case Claim::Used: claims.used = true; break;
      case Claim::ImportedPool: claims.pools.insert(m_pool); break;
      case Claim::ZfsSigns: claims.zfsSigns = true; break;
    }
  }

  fs::path m_sysfsRoot;
  fs::path m_udevDataRoot;
  const std::vector<MountInfoEntry>& m_mounts;
  MountOwner m_owner;
  std::vector<State> m_state;  // of each mount
  std::optional<ZfsMembers> m_zfsMembers;
  Claim m_claim = Claim::Used;
  std::string m_what;
  std::string m_pool;                     // the imported pool traced now
  std::vector<std::string> m_poolsInUse;  // the pools a ZFS sign without a pool's name may be of
  std::map<std::string, Claims> m_disks;
  std::string m_untraceable;
};

// The pools that ZFS has imported: the folders of its pools' statistics.
std::vector<std::string> ImportedZfsPools(const fs::path& procRoot) {
  std::vector<std::string> pools;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(procRoot / kZfsPoolStatistics, error)) {
    std::error_code notFolder;
    std::string name = entry.path().filename().string();
    if (entry.is_directory(notFolder) && CanBePoolName(name)) pools.push_back(std::move(name));
  }
  std::sort(pools.begin(), pools.end());
  return pools;
}

}  // namespace

SystemDisks FindSystemDisks(const fs::path& sysfsRoot, const fs::path& procRoot,
                            const std::vector<fs::path>& recordFolders, const fs::path& udevDataRoot) {
  const std::optional<std::string> mountInfo = ReadKernelTable((procRoot / "self" / "mountinfo").string());
  if (!mountInfo) {
    SystemDisks unknown;
    unknown.untraceable = "the mount table cannot be read";
    return unknown;
  }
  std::vector<std::string> records;
  for (const fs::path& folder : recordFolders) {
    std::error_code error;
    const fs::path real = fs::weakly_canonical(folder, error);
    records.push_back(MountTableForm(error ? folder : real));
  }
  const std::vector<MountInfoEntry> mounts = ParseMountInfo(*mountInfo);
  SystemDiskSearch search(sysfsRoot, udevDataRoot, mounts, MountOwner::Machine);
  SystemDiskSearch automounted(sysfsRoot, udevDataRoot, mounts, MountOwner::Automounter);
  for (std::size_t i = 0; i < mounts.size(); ++i) {
    // The operator's drives that the automounter mounted are left to the volume lock, unless
    // records go there: to a folder on the drive (found below) or to a folder it is mounted in.
    const std::string& point = mounts[i].mountPoint;
    const bool inRecords = std::any_of(records.begin(), records.end(),
                                       [&](const std::string& folder) { return AtOrBelow(point, folder); });
    (IsRemovableMediaPlace(point) && !inRecords ? automounted : search).AddMount(i, "the file system at " + point);
  }
  // Without swap support the kernel has no swap table, and then no swap area is active.
  for (const SwapEntry& swap : ParseSwaps(ReadKernelTable((procRoot / "swaps").string()).value_or(""))) {
    if (swap.isFile) {
      search.AddFile(swap.path, "the swap file " + swap.path);
    } else {
      search.AddDeviceNode(swap.path, "the swap area " + swap.path);
    }
  }
  for (const std::string& folder : records) search.AddFile(folder, "the records folder " + folder);
  // An imported pool uses its members whether or not a dataset of it is mounted (its volumes may
  // serve virtual machines); while any pool is imported, a member whose pool udev cannot name may
  // be one of its.
  const std::vector<std::string> pools = ImportedZfsPools(procRoot);
  for (const std::string& pool : pools) search.AddImportedZfsPool(pool);
  std::set<std::string> poolsInUse(pools.begin(), pools.end());
  for (const MountInfoEntry& mount : mounts) {
    if (mount.type == kZfsType) poolsInUse.insert(PoolOfDataset(mount.source));
  }
  if (!poolsInUse.empty()) search.AddZfsMembersOfNoNamedPool({poolsInUse.begin(), poolsInUse.end()});
  SystemDisks disks = search.Take();
  SystemDisks automountedDisks = automounted.Take();
  // An internal disk is the machine's wherever it is mounted.
  const fs::path devicesFolder = CanonicalOrEmpty(sysfsRoot / "devices");
  for (const std::string& disk : automountedDisks.disks) {
    if (IsOperatorsDrive(devicesFolder, disk)) continue;
    disks.disks.insert(disk);
    disks.keptForZfs.erase(disk);
  }
  if (disks.untraceable.empty()) disks.untraceable = std::move(automountedDisks.untraceable);
  return disks;
}

}  // namespace device
