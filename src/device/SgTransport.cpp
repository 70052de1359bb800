#include "device/SgTransport.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/ioctl.h>
#include <unistd.h>

#include "device/BusAddress.h"
#include "device/DiskHolders.h"
#include "device/RecordFolders.h"
#include "device/SysfsFiles.h"
#include "platform/Debug.h"
#include "platform/Text.h"

namespace device {
namespace fs = std::filesystem;

namespace {

constexpr int kDiskType = 0x00;
constexpr int kSimplifiedDirectAccessType = 0x0E;

// The number of an sg name ("sg12" -> 12); -1 for any other name.
int GenericNumber(const std::string& name) {
  if (name.size() < 3 || name.compare(0, 2, "sg") != 0) return -1;
  int number = 0;
  for (std::size_t i = 2; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || number > 1000000) return -1;
    number = number * 10 + (name[i] - '0');
  }
  return number;
}

bool IsBlockName(const std::string& name) { return name.size() > 2 && name.compare(0, 2, "sd") == 0; }

bool ValidCdbLength(std::uint8_t length) { return length == 6 || length == 10 || length == 12 || length == 16; }

}  // namespace

SgTransport::Standing SgTransport::StandingOf(const fs::path& scsiDevice, bool sdDriverLoaded,
                                              const SystemDisks& machine) {
  const int type = ReadNumberFile(scsiDevice / "type");
  if (type != kDiskType && type != kSimplifiedDirectAccessType) return {DiskStanding::NotADisk};
  std::error_code error;
  bool hasBlockDevice = false;
  std::string held;
  std::string unreadable;
  for (const auto& block : fs::directory_iterator(scsiDevice / "block", error)) {
    hasBlockDevice = true;
    const fs::path disk = CanonicalOrEmpty(block.path());
    const std::string name = block.path().filename().string();
    if (machine.disks.count(disk.string()) != 0) {
      // Named only when ZFS alone keeps it; the disks under the machine's mounts go unnamed.
      const auto zfs = machine.keptForZfs.find(disk.string());
      if (zfs == machine.keptForZfs.end()) return {DiskStanding::MachinesOwn, {}, std::nullopt, name};
      return {DiskStanding::MachinesOwn, zfs->second.text, zfs->second.kind};
    }
    const DiskHolders holders = HoldersOf(disk);
    if (!holders.holders.empty()) held += (held.empty() ? "" : "; ") + HeldDiskText(name, holders.holders);
    if (!holders.unreadable.empty() && unreadable.empty()) unreadable = UnreadableHoldersText(name, holders.unreadable);
  }
  // A holder that is known outweighs one that may be there.
  if (!held.empty()) return {DiskStanding::MachinesOwn, std::move(held), HeldDisk::Kind::ByDevice};
  if (!unreadable.empty()) {
    return {DiskStanding::Undetermined, std::move(unreadable), HeldDisk::Kind::HoldersUnreadable};
  }
  return {sdDriverLoaded && !hasBlockDevice ? DiskStanding::HiddenFromSd : DiskStanding::ToList};
}

std::string SgTransport::WhyKeptOut(const Standing& standing, const std::string& node) {
  if (!standing.why.empty()) return standing.why;
  if (standing.standing == DiskStanding::HiddenFromSd) {
    return node + " has not been taken by the sd driver (a member of a hardware array that its host adapter keeps "
                  "from it, or a disk that it is still attaching)";
  }
  return (standing.disk.empty() ? node : standing.disk) + " is one that the machine uses (" + kWhatTheMachineUses + ")";
}

MachineClaim SgTransport::ClaimOf(const Standing& standing) {
  switch (standing.standing) {
    case DiskStanding::MachinesOwn: return {MachineClaim::Kind::Uses, standing.why};
    case DiskStanding::Undetermined: return {MachineClaim::Kind::Unknown, standing.why};
    default: return {};
  }
}

SgSystem SgSystem::Linux() {
  SgSystem system;
  system.open = [](const char* path, int flags) { return ::open(path, flags); };
  system.close = [](int fd) { return ::close(fd); };
  system.ioctl = [](int fd, unsigned long request, void* argument) { return ::ioctl(fd, request, argument); };
  system.recordFolders = StationRecordFolders;
  return system;
}

SgTransport::SgTransport() : SgTransport(SgSystem::Linux()) {}

SgTransport::SgTransport(SgSystem system) : m_system(std::move(system)) {}

SgTransport::~SgTransport() = default;

void SgTransport::FillHeader(sg_io_hdr_t& header, PassThroughRequest& request, unsigned char* sense,
                             unsigned char senseSize) {
  std::memset(&header, 0, sizeof(header));
  header.interface_id = 'S';
  switch (request.direction) {
    case DataDirection::None: header.dxfer_direction = SG_DXFER_NONE; break;
    case DataDirection::In: header.dxfer_direction = SG_DXFER_FROM_DEV; break;
    case DataDirection::Out: header.dxfer_direction = SG_DXFER_TO_DEV; break;
  }
  header.cmd_len = request.cdbLength;
  header.cmdp = request.cdb.data();
  header.mx_sb_len = senseSize;
  header.sbp = sense;
  if (request.direction != DataDirection::None && request.data != nullptr) {
    header.dxfer_len = request.dataLength;
    header.dxferp = request.data;
  }
  const std::uint64_t milliseconds = static_cast<std::uint64_t>(request.timeoutSeconds) * 1000u;
  header.timeout = static_cast<unsigned int>(std::min<std::uint64_t>(milliseconds, UINT_MAX));
}

PassThroughResult SgTransport::ResultOf(const sg_io_hdr_t& header, const unsigned char* sense) {
  PassThroughResult result;
  result.scsiStatus = header.status;
  result.hostStatus = static_cast<std::uint8_t>(header.host_status);
  result.driverStatus = static_cast<std::uint8_t>(header.driver_status);
  const std::size_t senseLength = std::min<std::size_t>(header.sb_len_wr, result.sense.size());
  if (sense != nullptr) std::memcpy(result.sense.data(), sense, senseLength);
  result.senseLength = static_cast<std::uint8_t>(senseLength);
  // resid: bytes asked for but not moved; anything outside 0..dxfer_len is read as its bound.
  const unsigned int asked = header.dxfer_len;
  if (header.resid <= 0) {
    result.transferred = asked;
  } else if (static_cast<unsigned int>(header.resid) >= asked) {
    result.transferred = 0;
  } else {
    result.transferred = asked - static_cast<unsigned int>(header.resid);
  }
  return result;
}

// ---- requests ------------------------------------------------------------------------------

PassThroughResult SgTransport::Execute(const std::string& devicePath, PassThroughRequest& request) {
  return ExecuteOn(IdentityOf(devicePath), request);
}

PassThroughResult SgTransport::ExecuteOn(const std::string& identity, PassThroughRequest& request) {
  PassThroughResult result;
  if (!ValidCdbLength(request.cdbLength) ||
      (request.direction != DataDirection::None && request.data == nullptr && request.dataLength != 0)) {
    result.systemError = EINVAL;
    return result;
  }
  const RequestNode opened = Open(identity, result.systemError, result.machineClaim);
  if (!opened.node) return result;
  result = Send(*opened.node, request);
  if (result.systemError != ENODEV && result.systemError != ENXIO) return result;
  // The node's device has gone. A kept node, opened for an earlier request, never took this one
  // to the disk: when the disk is at its address again, the request goes once more, on its node
  // looked up and opened anew.
  Forget(identity, opened.node);
  if (!opened.kept) return result;
  PassThroughResult refused;
  const RequestNode reopened = Open(identity, refused.systemError, refused.machineClaim);
  if (reopened.node) return Send(*reopened.node, request);
  // A disk back as one the machine claims is reported so; any other failed lookup as the gone node.
  return refused.machineClaim ? refused : result;
}

PassThroughResult SgTransport::Send(const OpenNode& node, PassThroughRequest& request) const {
  PassThroughResult result;
  unsigned char sense[32] = {};
  sg_io_hdr_t header;
  FillHeader(header, request, sense, sizeof(sense));
  if (m_system.ioctl(node.fd, SG_IO, &header) < 0) {
    result.systemError = errno != 0 ? errno : EIO;
  } else {
    result = ResultOf(header, sense);
  }
  return result;
}

SgTransport::RequestNode SgTransport::Open(const std::string& identity, int& error, MachineClaim& machineClaim) {
  // A disk that no listing found (the system's own disk among them) has no identity and is
  // never opened.
  if (identity.empty()) {
    error = ENODEV;
    return {};
  }
  {
    std::lock_guard<std::mutex> guard(m_lock);
    const auto kept = m_kept.find(identity);
    if (kept != m_kept.end()) return {kept->second, true};
  }
  // The disk's first request, or its first since its kept node went: the node is looked up, and
  // the disk at the address is checked as a listing checks it, for it may have come back as one
  // that the machine uses (a disk with a file system in the machine's mount table, one that a
  // device built on it holds, a member of an imported ZFS pool) or that cannot be told apart from
  // the machine's own.
  const bool generic = GenericDriverLoaded();
  const Located disk = NodeOf(identity, generic);
  const Standing standing = disk.devicePath.empty() ? Standing{DiskStanding::NotADisk} : CheckedNow(disk.scsiDevice);
  if (standing.standing != DiskStanding::ToList) {
    machineClaim = ClaimOf(standing);
    error = machineClaim ? EPERM : ENODEV;
    return {};
  }
  const std::shared_ptr<const OpenNode> node = OpenChecked(disk, generic ? O_RDWR : O_RDONLY, error);
  if (!node) return {};
  // A node that another request opened meanwhile is kept instead; this one is closed when the
  // request lets it go, after the lock.
  std::lock_guard<std::mutex> guard(m_lock);
  const auto [kept, added] = m_kept.try_emplace(identity, node);
  return {kept->second, !added};
}

std::shared_ptr<const SgTransport::OpenNode> SgTransport::OpenChecked(const Located& disk, int access,
                                                                      int& error) const {
  // The node still belongs to the SCSI device found at the address: checked before the open, so
  // that no other disk's node is opened, and once the node is open, for the open node cannot pass
  // to another disk any more.
  if (ScsiDeviceOf(disk.devicePath) != disk.scsiDevice) {
    error = ENODEV;
    return nullptr;
  }
  const int fd = m_system.open(disk.devicePath.c_str(), access | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = errno != 0 ? errno : EIO;
    return nullptr;
  }
  auto node = std::make_shared<const OpenNode>(fd, disk.devicePath, m_system.close);
  if (ScsiDeviceOf(disk.devicePath) != disk.scsiDevice) {
    error = ENODEV;
    return nullptr;
  }
  return node;
}

void SgTransport::Forget(const std::string& identity, const std::shared_ptr<const OpenNode>& node) {
  std::lock_guard<std::mutex> guard(m_lock);
  const auto kept = m_kept.find(identity);
  // The caller still holds the node, so it is not closed here, under the lock.
  if (kept != m_kept.end() && kept->second == node) m_kept.erase(kept);
}

fs::path SgTransport::ScsiDeviceOf(const std::string& devicePath) const {
  const fs::path path(devicePath);
  if (path.parent_path() != m_system.deviceRoot) return {};
  const std::string name = path.filename().string();
  if (GenericNumber(name) >= 0) return CanonicalOrEmpty(m_system.sysfsRoot / "class" / "scsi_generic" / name / "device");
  if (IsBlockName(name)) return CanonicalOrEmpty(m_system.sysfsRoot / "block" / name / "device");
  return {};
}

SgTransport::Located SgTransport::NodeOf(const std::string& identity, bool generic) const {
  if (identity.empty()) return {};
  const fs::path scsiDevice = ScsiDeviceAt(m_system.sysfsRoot, identity);
  if (scsiDevice.empty()) return {};
  // The device's own node, in its folder: "scsi_generic/sg3" or "block/sdb".
  for (const auto& entry : FolderEntries(scsiDevice / (generic ? "scsi_generic" : "block"))) {
    const std::string name = entry.path().filename().string();
    if (generic ? GenericNumber(name) >= 0 : IsBlockName(name)) {
      return {(m_system.deviceRoot / name).string(), scsiDevice};
    }
  }
  return {};
}

bool SgTransport::GenericDriverLoaded() const {
  std::error_code error;
  return fs::exists(m_system.sysfsRoot / "class" / "scsi_generic", error);
}

bool SgTransport::SdDriverLoaded() const {
  std::error_code error;
  return fs::exists(m_system.sysfsRoot / "bus" / "scsi" / "drivers" / "sd", error);
}

SystemDisks SgTransport::MachinesDisks() const {
  return FindSystemDisks(m_system.sysfsRoot, m_system.procRoot,
                         m_system.recordFolders ? m_system.recordFolders() : std::vector<fs::path>(),
                         m_system.udevDataRoot);
}

SgTransport::Standing SgTransport::CheckedNow(const fs::path& scsiDevice) const {
  if (scsiDevice.empty()) return {DiskStanding::NotADisk};
  SystemDisks machine = MachinesDisks();
  // While the machine's disks cannot all be found, no disk can be told apart from them.
  if (!machine.untraceable.empty()) return {DiskStanding::Undetermined, std::move(machine.untraceable)};
  return StandingOf(scsiDevice, SdDriverLoaded(), machine);
}

// ---- the listing -----------------------------------------------------------------------------

std::vector<SgTransport::Place> SgTransport::FindDisks(std::string& problem, std::vector<HeldDisk>& held) const {
  const SystemDisks machine = MachinesDisks();
  if (!machine.untraceable.empty()) {
    problem = platform::Format("%s, so no disk can be told apart from the machine's own and none is listed",
                               machine.untraceable.c_str());
    platform::DebugOutput("SgTransport: " + problem + "\n");
    return {};
  }
  // With the sg driver, every SCSI generic device in the order of its number; without it, the
  // sd disks in name order: sda..sdz before sdaa...
  const bool generic = GenericDriverLoaded();
  const fs::path folder = generic ? m_system.sysfsRoot / "class" / "scsi_generic" : m_system.sysfsRoot / "block";
  const auto before = [generic](const std::string& a, const std::string& b) {
    if (generic) return GenericNumber(a) < GenericNumber(b);
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  };
  std::vector<std::string> names;
  for (const auto& entry : FolderEntries(folder)) {
    std::string name = entry.path().filename().string();
    if (generic ? GenericNumber(name) >= 0 : IsBlockName(name)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end(), before);
  const bool sdDriverLoaded = SdDriverLoaded();
  std::vector<fs::path> devices;
  for (const std::string& name : names) devices.push_back(CanonicalOrEmpty(folder / name / "device"));
  // The bus is read after the nodes, so that every device named is on it unless it went meanwhile.
  const BusPlaces places = PlacesOnTheBus(m_system.sysfsRoot, devices);
  std::vector<Place> disks;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    const auto place = places.find(devices[i]);
    if (place == places.end()) continue;
    const Standing standing = StandingOf(place->first, sdDriverLoaded, machine);
    if (standing.toldAs) held.push_back({*standing.toldAs, standing.why});
    if (standing.standing == DiskStanding::ToList) {
      disks.push_back(
          {(m_system.deviceRoot / name).string(), place->second.nodeText, place->second.address, false, {}});
    } else if (standing.standing != DiskStanding::NotADisk) {
      disks.push_back({{}, {}, place->second.address, true, WhyKeptOut(standing, name)});
    }
  }
  return disks;
}

void SgTransport::PlaceDisks(std::vector<Place> found) {
  // Disks still there keep their places, listed or kept out; the places of disks that have gone
  // are emptied.
  std::vector<bool> placed(found.size(), false);
  for (Place& place : m_places) {
    const auto same = std::find_if(found.begin(), found.end(),
                                   [&](const Place& disk) { return disk.identity == place.identity; });
    if (same == found.end()) {
      place = Place{};
    } else {
      place = *same;
      placed[static_cast<std::size_t>(same - found.begin())] = true;
    }
  }
  // Disks not seen before take the empty places, then places after the last; one kept out has no
  // place to keep.
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (placed[i] || found[i].keptOut) continue;
    const auto empty =
        std::find_if(m_places.begin(), m_places.end(), [](const Place& place) { return place.identity.empty(); });
    if (empty != m_places.end()) {
      *empty = std::move(found[i]);
    } else {
      m_places.push_back(std::move(found[i]));
    }
  }
  while (!m_places.empty() && m_places.back().identity.empty()) m_places.pop_back();
}

std::vector<TransportDisk> SgTransport::ListDisks() {
  std::string problem;
  std::vector<HeldDisk> held;
  std::vector<Place> found = FindDisks(problem, held);
  // The kept nodes of disks that have gone, or are listed under another node, closed once the
  // lock is let go and no request uses them any more.
  std::vector<std::shared_ptr<const OpenNode>> closing;
  std::vector<TransportDisk> disks;
  std::lock_guard<std::mutex> guard(m_lock);
  // A listing that cannot tell the machine's disks apart knows nothing of the places: they stay as
  // they were, for the next listing to keep every disk still there in its place, but none of them
  // names a disk meanwhile.
  if (problem.empty()) PlaceDisks(std::move(found));
  m_listed = true;
  m_listingProblem = std::move(problem);
  m_heldDisks = std::move(held);
  for (auto kept = m_kept.begin(); kept != m_kept.end();) {
    const bool listed = PlacesNameDisks() && std::any_of(m_places.begin(), m_places.end(), [&](const Place& place) {
      return place.identity == kept->first && place.devicePath == kept->second->path;
    });
    if (listed) {
      ++kept;
    } else {
      closing.push_back(std::move(kept->second));
      kept = m_kept.erase(kept);
    }
  }
  if (PlacesNameDisks()) {
    for (const Place& place : m_places) {
      const Place named = NamedBy(place);
      disks.push_back({named.devicePath, named.nodeText, named.identity, place.whyKeptOut});
    }
  }
  return disks;
}

void SgTransport::ListIfNeverListed() {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_listed) return;
  }
  ListDisks();
}

SgTransport::Place SgTransport::PlaceOfDrive(int driveNumber) {
  ListIfNeverListed();
  std::lock_guard<std::mutex> guard(m_lock);
  if (!PlacesNameDisks() || driveNumber < 1 || static_cast<std::size_t>(driveNumber) > m_places.size()) return {};
  return m_places[static_cast<std::size_t>(driveNumber) - 1];
}

SgTransport::Place SgTransport::NamedBy(const Place& place) { return place.keptOut ? Place{} : place; }

std::string SgTransport::DevicePathOfDrive(int driveNumber) { return NamedBy(PlaceOfDrive(driveNumber)).devicePath; }

std::string SgTransport::IdentityOfDrive(int driveNumber) { return NamedBy(PlaceOfDrive(driveNumber)).identity; }

std::string SgTransport::WhyDriveIsKeptOut(int driveNumber) { return PlaceOfDrive(driveNumber).whyKeptOut; }

std::string SgTransport::IdentityOf(const std::string& devicePath) {
  if (devicePath.empty()) return {};
  ListIfNeverListed();
  std::lock_guard<std::mutex> guard(m_lock);
  if (!PlacesNameDisks()) return {};
  const auto place = std::find_if(m_places.begin(), m_places.end(),
                                  [&](const Place& listed) { return listed.devicePath == devicePath; });
  return place == m_places.end() ? std::string() : place->identity;
}

BlockDeviceLookup SgTransport::BlockDeviceOf(const std::string& identity) {
  // The volume lock unmounts the volumes of this device: never those of a disk the machine claims.
  const Located disk = NodeOf(identity, false);
  if (disk.devicePath.empty()) return {};
  const Standing standing = CheckedNow(disk.scsiDevice);
  if (standing.standing == DiskStanding::ToList) return {disk.devicePath, {}};
  return {{}, ClaimOf(standing)};
}

std::string SgTransport::ListingProblem() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_listingProblem;
}

std::vector<HeldDisk> SgTransport::HeldDisks() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_heldDisks;
}

}  // namespace device
