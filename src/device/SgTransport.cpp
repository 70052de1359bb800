#include "device/SgTransport.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/ioctl.h>
#include <unistd.h>

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

// The first line of a small sysfs file as a number; -1 when it cannot be read.
int ReadNumberFile(const fs::path& path) {
  std::ifstream file(path);
  int value = -1;
  if (!(file >> value)) return -1;
  return value;
}

bool ValidCdbLength(std::uint8_t length) { return length == 6 || length == 10 || length == 12 || length == 16; }

}  // namespace

SgSystem SgSystem::Linux() {
  SgSystem system;
  system.open = [](const char* path, int flags) { return ::open(path, flags); };
  system.close = [](int fd) { return ::close(fd); };
  system.ioctl = [](int fd, unsigned long request, void* argument) { return ::ioctl(fd, request, argument); };
  return system;
}

SgTransport::SgTransport() : SgTransport(SgSystem::Linux()) {}

SgTransport::SgTransport(SgSystem system) : m_system(std::move(system)) {}

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

PassThroughResult SgTransport::Execute(const std::string& devicePath, PassThroughRequest& request) {
  PassThroughResult result;
  if (!ValidCdbLength(request.cdbLength) ||
      (request.direction != DataDirection::None && request.data == nullptr && request.dataLength != 0)) {
    result.systemError = EINVAL;
    return result;
  }
  const int fd = m_system.open(devicePath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    result.systemError = errno != 0 ? errno : EIO;
    return result;
  }
  unsigned char sense[32] = {};
  sg_io_hdr_t header;
  FillHeader(header, request, sense, sizeof(sense));
  if (m_system.ioctl(fd, SG_IO, &header) < 0) {
    result.systemError = errno != 0 ? errno : EIO;
  } else {
    result = ResultOf(header, sense);
  }
  m_system.close(fd);
  return result;
}

std::string SgTransport::NodeTextOf(const fs::path& deviceLink) const {
  std::error_code error;
  const fs::path real = fs::canonical(deviceLink, error);
  if (error) return {};
  const std::string text = real.generic_string();
  const std::size_t devices = text.find("/devices/");
  std::string node = devices == std::string::npos ? text : text.substr(devices + 9);
  // Up to the SCSI host: the host number changes when a disk is plugged in again.
  for (std::size_t at = node.find("/host"); at != std::string::npos; at = node.find("/host", at + 1)) {
    if (at + 5 < node.size() && node[at + 5] >= '0' && node[at + 5] <= '9') {
      node.resize(at);
      break;
    }
  }
  return node;
}

std::vector<TransportDisk> SgTransport::ListGenericDevices() {
  const fs::path folder = m_system.sysfsRoot / "class" / "scsi_generic";
  std::vector<std::pair<int, std::string>> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    const int number = GenericNumber(name);
    if (number < 0) continue;
    const int type = ReadNumberFile(folder / name / "device" / "type");
    if (type != kDiskType && type != kSimplifiedDirectAccessType) continue;
    found.emplace_back(number, name);
  }
  std::sort(found.begin(), found.end());
  std::vector<TransportDisk> disks;
  for (const auto& [number, name] : found) {
    disks.push_back({(m_system.deviceRoot / name).string(), NodeTextOf(folder / name / "device")});
  }
  return disks;
}

std::vector<TransportDisk> SgTransport::ListBlockDevices() {
  const fs::path folder = m_system.sysfsRoot / "block";
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() > 2 && name.compare(0, 2, "sd") == 0) names.push_back(name);
  }
  // sda..sdz before sdaa..: shorter names first.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  std::vector<TransportDisk> disks;
  for (const std::string& name : names) {
    disks.push_back({(m_system.deviceRoot / name).string(), NodeTextOf(folder / name / "device")});
  }
  return disks;
}

std::vector<TransportDisk> SgTransport::ListDisks() {
  std::vector<TransportDisk> disks = ListGenericDevices();
  if (disks.empty()) disks = ListBlockDevices();
  return disks;
}

std::string SgTransport::BlockDeviceOf(const std::string& devicePath) {
  const fs::path path(devicePath);
  if (path.parent_path() != m_system.deviceRoot) return {};
  const std::string name = path.filename().string();
  if (name.size() > 2 && name.compare(0, 2, "sd") == 0) return devicePath;
  if (GenericNumber(name) < 0) return {};
  std::error_code error;
  const fs::path blockFolder = m_system.sysfsRoot / "class" / "scsi_generic" / name / "device" / "block";
  const fs::directory_iterator first(blockFolder, error);
  if (error || first == fs::directory_iterator()) return {};
  return (m_system.deviceRoot / first->path().filename()).string();
}

}  // namespace device
