#include "device/SgTransport.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/ioctl.h>
#include <unistd.h>

#include "device/RecordFolders.h"
#include "device/SystemDisks.h"
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

// The first line of a small sysfs file as a number; -1 when it cannot be read.
int ReadNumberFile(const fs::path& path) {
  std::ifstream file(path);
  int value = -1;
  if (!(file >> value)) return -1;
  return value;
}

bool ValidCdbLength(std::uint8_t length) { return length == 6 || length == 10 || length == 12 || length == 16; }

fs::path Canonical(const fs::path& path) {
  std::error_code error;
  fs::path real = fs::canonical(path, error);
  return error ? fs::path() : real;
}

// Whether a SCSI device's block device is one of the system's disks.
bool HoldsSystem(const fs::path& scsiDevice, const std::set<std::string>& systemDisks) {
  std::error_code error;
  for (const auto& block : fs::directory_iterator(scsiDevice / "block", error)) {
    if (systemDisks.count(Canonical(block.path()).string()) != 0) return true;
  }
  return false;
}

// "7:0:1:2" (host:channel:target:LUN) -> "0:1:2"; empty for any other name.
std::string ChannelTargetLun(const std::string& name) {
  const std::size_t colon = name.find(':');
  if (colon == 0 || colon == std::string::npos) return {};
  int colons = 0;
  for (const char c : name) {
    if (c == ':') {
      ++colons;
    } else if (c < '0' || c > '9') {
      return {};
    }
  }
  return colons == 3 ? name.substr(colon + 1) : std::string();
}

// What a SCSI device's place on the bus keeps of its host: nothing (the node text), or the host
// folder where it hangs below no port of its own (the address).
enum class HostFolder : std::uint8_t { LeftOut, KeptWhereNoPortIsAbove };

// Where a SCSI device hangs: its path below /sys/devices up to its SCSI host, whose number
// changes when the disk is plugged in again, then channel:target:LUN ("7:0:1:2" -> ".../0:1:2");
// the whole path below /sys/devices when no host is in it.
std::string PlaceOnTheBus(const fs::path& scsiDevice, HostFolder host) {
  const std::string text = scsiDevice.generic_string();
  const std::size_t devices = text.find("/devices/");
  std::string place = devices == std::string::npos ? text : text.substr(devices + 9);
  for (std::size_t at = place.find("/host"); at != std::string::npos; at = place.find("/host", at + 1)) {
    if (at + 5 < place.size() && place[at + 5] >= '0' && place[at + 5] <= '9') {
      const std::string above = place.substr(0, at);
      const bool keepHost =
          host == HostFolder::KeptWhereNoPortIsAbove && (above == "platform" || above == "virtual");
      const std::string address = ChannelTargetLun(scsiDevice.filename().string());
      place.resize(keepHost ? std::min(place.find('/', at + 1), place.size()) : at);
      if (!address.empty()) place += "/" + address;
      break;
    }
  }
  return place;
}

std::string AddressOf(const fs::path& scsiDevice) {
  return PlaceOnTheBus(scsiDevice, HostFolder::KeptWhereNoPortIsAbove);
}

std::string NodeTextOf(const fs::path& scsiDevice) { return PlaceOnTheBus(scsiDevice, HostFolder::LeftOut); }

}  // namespace

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
  const RequestNode opened = Open(identity, result.systemError);
  if (!opened.node) return result;
  result = Send(*opened.node, request);
  if (result.systemError != ENODEV && result.systemError != ENXIO) return result;
  // The node's device has gone. A kept node, opened for an earlier request, never took this one
  // to the disk: when the disk is at its address again, the request goes once more, on its node
  // looked up and opened anew.
  Forget(identity, opened.node);
  if (!opened.kept) return result;
  int error = 0;
  const RequestNode reopened = Open(identity, error);
  return reopened.node ? Send(*reopened.node, request) : result;
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

SgTransport::RequestNode SgTransport::Open(const std::string& identity, int& error) {
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
  // The disk's first request, or its first since its kept node went: the node is looked up.
  const bool generic = GenericDriverLoaded();
  const std::string devicePath = NodeOf(identity, generic);
  if (devicePath.empty()) {
    error = ENODEV;
    return {};
  }
  const std::shared_ptr<const OpenNode> node = OpenChecked(devicePath, identity, generic ? O_RDWR : O_RDONLY, error);
  if (!node) return {};
  // A node that another request opened meanwhile is kept instead; this one is closed when the
  // request lets it go, after the lock.
  std::lock_guard<std::mutex> guard(m_lock);
  const auto [kept, added] = m_kept.try_emplace(identity, node);
  return {kept->second, !added};
}

std::shared_ptr<const SgTransport::OpenNode> SgTransport::OpenChecked(const std::string& devicePath,
                                                                      const std::string& identity, int access,
                                                                      int& error) const {
  // Checked before the open, so that no other disk's node is opened, and once the node is
  // open, for the open node cannot pass to another disk any more.
  if (CurrentIdentity(devicePath) != identity) {
    error = ENODEV;
    return nullptr;
  }
  const int fd = m_system.open(devicePath.c_str(), access | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = errno != 0 ? errno : EIO;
    return nullptr;
  }
  auto node = std::make_shared<const OpenNode>(fd, devicePath, m_system.close);
  if (CurrentIdentity(devicePath) != identity) {
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

std::string SgTransport::CurrentIdentity(const std::string& devicePath) const {
  const fs::path path(devicePath);
  if (path.parent_path() != m_system.deviceRoot) return {};
  const std::string name = path.filename().string();
  fs::path link;
  if (GenericNumber(name) >= 0) {
    link = m_system.sysfsRoot / "class" / "scsi_generic" / name / "device";
  } else if (IsBlockName(name)) {
    link = m_system.sysfsRoot / "block" / name / "device";
  } else {
    return {};
  }
  const fs::path scsiDevice = Canonical(link);
  return scsiDevice.empty() ? std::string() : AddressOf(scsiDevice);
}

std::string SgTransport::NodeOf(const std::string& identity, bool generic) const {
  if (identity.empty()) return {};
  const fs::path folder = generic ? m_system.sysfsRoot / "class" / "scsi_generic" : m_system.sysfsRoot / "block";
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string devicePath = (m_system.deviceRoot / entry.path().filename()).string();
    if (CurrentIdentity(devicePath) == identity) return devicePath;
  }
  return {};
}

bool SgTransport::GenericDriverLoaded() const {
  std::error_code error;
  return fs::exists(m_system.sysfsRoot / "class" / "scsi_generic", error);
}

// ---- the listing -----------------------------------------------------------------------------

std::vector<SgTransport::Place> SgTransport::FindGenericDisks(const std::set<std::string>& systemDisks) const {
  const fs::path folder = m_system.sysfsRoot / "class" / "scsi_generic";
  std::vector<std::pair<int, Place>> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    const int number = GenericNumber(name);
    if (number < 0) continue;
    const int type = ReadNumberFile(folder / name / "device" / "type");
    if (type != kDiskType && type != kSimplifiedDirectAccessType) continue;
    const fs::path scsiDevice = Canonical(folder / name / "device");
    if (scsiDevice.empty() || HoldsSystem(scsiDevice, systemDisks)) continue;
    found.emplace_back(number,
                       Place{(m_system.deviceRoot / name).string(), NodeTextOf(scsiDevice), AddressOf(scsiDevice)});
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Place> disks;
  for (auto& [number, place] : found) disks.push_back(std::move(place));
  return disks;
}

std::vector<SgTransport::Place> SgTransport::FindBlockDisks(const std::set<std::string>& systemDisks) const {
  const fs::path folder = m_system.sysfsRoot / "block";
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (IsBlockName(name) && systemDisks.count(Canonical(folder / name).string()) == 0) names.push_back(name);
  }
  // sda..sdz before sdaa..: shorter names first.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  std::vector<Place> disks;
  for (const std::string& name : names) {
    const fs::path scsiDevice = Canonical(folder / name / "device");
    if (scsiDevice.empty()) continue;
    disks.push_back({(m_system.deviceRoot / name).string(), NodeTextOf(scsiDevice), AddressOf(scsiDevice)});
  }
  return disks;
}

std::vector<SgTransport::Place> SgTransport::FindDisks(std::string& problem) const {
  const SystemDisks system =
      FindSystemDisks(m_system.sysfsRoot, m_system.procRoot, m_system.udevDataRoot,
                      m_system.recordFolders ? m_system.recordFolders() : std::vector<fs::path>());
  if (!system.untraceable.empty()) {
    problem = platform::Format("%s, so no disk can be told apart from the machine's own and none is listed",
                               system.untraceable.c_str());
    platform::DebugOutput("SgTransport: " + problem + "\n");
    return {};
  }
  return GenericDriverLoaded() ? FindGenericDisks(system.disks) : FindBlockDisks(system.disks);
}

std::vector<TransportDisk> SgTransport::ListDisks() {
  std::string problem;
  std::vector<Place> found = FindDisks(problem);
  // The kept nodes of disks that have gone, or are listed under another node, closed once the
  // lock is let go and no request uses them any more.
  std::vector<std::shared_ptr<const OpenNode>> closing;
  std::vector<TransportDisk> disks;
  std::lock_guard<std::mutex> guard(m_lock);
  // Disks still there keep their places; the places of disks that have gone are emptied.
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
  // Disks not seen before take the empty places, then places after the last.
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (placed[i]) continue;
    const auto empty =
        std::find_if(m_places.begin(), m_places.end(), [](const Place& place) { return place.identity.empty(); });
    if (empty != m_places.end()) {
      *empty = std::move(found[i]);
    } else {
      m_places.push_back(std::move(found[i]));
    }
  }
  while (!m_places.empty() && m_places.back().identity.empty()) m_places.pop_back();
  m_listed = true;
  m_listingProblem = std::move(problem);
  for (auto kept = m_kept.begin(); kept != m_kept.end();) {
    const bool listed = std::any_of(m_places.begin(), m_places.end(), [&](const Place& place) {
      return place.identity == kept->first && place.devicePath == kept->second->path;
    });
    if (listed) {
      ++kept;
    } else {
      closing.push_back(std::move(kept->second));
      kept = m_kept.erase(kept);
    }
  }
  for (const Place& place : m_places) disks.push_back({place.devicePath, place.nodeText, place.identity});
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
  if (driveNumber < 1 || static_cast<std::size_t>(driveNumber) > m_places.size()) return {};
  return m_places[static_cast<std::size_t>(driveNumber) - 1];
}

std::string SgTransport::DevicePathOfDrive(int driveNumber) { return PlaceOfDrive(driveNumber).devicePath; }

std::string SgTransport::IdentityOfDrive(int driveNumber) { return PlaceOfDrive(driveNumber).identity; }

std::string SgTransport::IdentityOf(const std::string& devicePath) {
  if (devicePath.empty()) return {};
  ListIfNeverListed();
  std::lock_guard<std::mutex> guard(m_lock);
  const auto place = std::find_if(m_places.begin(), m_places.end(),
                                  [&](const Place& listed) { return listed.devicePath == devicePath; });
  return place == m_places.end() ? std::string() : place->identity;
}

std::string SgTransport::BlockDeviceOf(const std::string& identity) { return NodeOf(identity, false); }

std::string SgTransport::ListingProblem() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_listingProblem;
}

}  // namespace device
