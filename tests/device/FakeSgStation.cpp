#include "FakeSgStation.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <unistd.h>

namespace devicetest {
namespace fs = std::filesystem;

FakeSgStation::FakeSgStation()
    : m_root(fs::temp_directory_path() / ("sgstation-" + std::to_string(::getpid()) + "-" +
                                          std::to_string(reinterpret_cast<std::uintptr_t>(this)))) {
  fs::create_directories(m_root / "proc" / "self");
  std::ofstream(m_root / "proc" / "self" / "mountinfo");
  std::ofstream(m_root / "proc" / "swaps") << "Filename\t\t\t\tType\t\tSize\t\tUsed\t\tPriority\n";
}

FakeSgStation::~FakeSgStation() {
  std::error_code error;
  fs::remove_all(m_root, error);
}

fs::path FakeSgStation::ScsiFolder(const Address& a) const {
  const std::string host = std::to_string(a.host);
  const std::string target = host + ":" + std::to_string(a.channel) + ":" + std::to_string(a.target);
  const fs::path port = a.port.starts_with("/") ? m_root / "devices" / a.port.substr(1)
                                                : m_root / "devices/pci0000:00/0000:00:14.0/usb2" / a.port;
  return port / ("host" + host) / ("target" + target) / (target + ":" + std::to_string(a.lun));
}

FakeSgStation::Address FakeSgStation::Numbered(const Address& address) const {
  if (address.host != kNewHost) return address;
  std::set<int> taken;
  std::error_code error;  // no devices yet
  for (const auto& entry : fs::recursive_directory_iterator(m_root / "devices", error)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_directory() && !entry.is_symlink() && name.starts_with("host")) taken.insert(std::stoi(name.substr(4)));
  }
  Address numbered = address;
  numbered.host = 0;
  while (taken.count(numbered.host) != 0) ++numbered.host;
  return numbered;
}

void FakeSgStation::LinkBlockNames(const std::string& name, const fs::path& folder, int major, int minor) {
  fs::create_directories(m_root / "class" / "block");
  fs::create_directories(m_root / "dev" / "block");
  fs::create_directory_symlink(folder, m_root / "class" / "block" / name);
  const std::string number = std::to_string(major) + ":" + std::to_string(minor);
  fs::create_directory_symlink(folder, m_root / "dev" / "block" / number);
  std::ofstream(folder / "dev") << number << "\n";
}

void FakeSgStation::UnlinkBlockNames(const std::string& name, const fs::path& folder) {
  std::string number;
  std::getline(std::ifstream(folder / "dev"), number);
  fs::remove(m_root / "dev" / "block" / number);
  fs::remove(m_root / "class" / "block" / name);
}

fs::path FakeSgStation::HubPort(const fs::path& hub, const std::string& port) const {
  const std::string name = hub.filename().string();
  // A root hub "usbN" keeps its ports below its interface "N-0:1.0", another hub below "<hub>:1.0".
  const std::string interface = name.starts_with("usb") ? name.substr(3) + "-0:1.0" : name + ":1.0";
  return hub / interface / port;
}

std::pair<fs::path, fs::path> FakeSgStation::UsbPortOf(const fs::path& scsiFolder) {
  for (fs::path folder = scsiFolder; folder.has_relative_path() && folder != m_root; folder = folder.parent_path()) {
    const std::string name = folder.filename().string();
    const std::string device = folder.parent_path().filename().string();
    if (name.find(':') == std::string::npos || name.substr(0, name.find(':')) != device) continue;
    // "2-3:1.0" below the USB device "2-3", plugged in port 3 of its hub.
    const fs::path hub = folder.parent_path().parent_path();
    const std::string hubName = hub.filename().string();
    const fs::path port = HubPort(hub, hubName + "-port" + device.substr(device.find_last_of("-.") + 1));
    fs::create_directories(port);
    return {port, folder.parent_path()};
  }
  return {};
}

void FakeSgStation::LinkUsbPort(const fs::path& scsiFolder) {
  const auto [port, device] = UsbPortOf(scsiFolder);
  if (port.empty()) return;
  if (!fs::exists(device / "port")) fs::create_directory_symlink(port, device / "port");
  if (!fs::exists(port / "device")) fs::create_directory_symlink(device, port / "device");
}

void FakeSgStation::LinkScsiDevice(const fs::path& scsiFolder) {
  const fs::path devices = m_root / "bus" / "scsi" / "devices";
  fs::create_directories(devices);
  if (!fs::exists(devices / scsiFolder.filename())) {
    fs::create_directory_symlink(scsiFolder, devices / scsiFolder.filename());
  }
  UsbPortOf(scsiFolder);  // the hub has the port whether or not the device is linked to it yet
  if (linkUsbPorts) LinkUsbPort(scsiFolder);
}

void FakeSgStation::PeerUsbPorts(const std::string& superSpeedPort, const std::string& highSpeedPort, bool speeds) {
  const fs::path controller = m_root / "devices/pci0000:00/0000:00:14.0";
  const auto hubOf = [&](const std::string& port) { return controller / port.substr(0, port.find('-')); };
  const fs::path superSpeed = HubPort(hubOf(superSpeedPort), superSpeedPort);
  const fs::path highSpeed = HubPort(hubOf(highSpeedPort), highSpeedPort);
  fs::create_directories(superSpeed);
  fs::create_directories(highSpeed);
  fs::create_directory_symlink(highSpeed, superSpeed / "peer");
  fs::create_directory_symlink(superSpeed, highSpeed / "peer");
  if (!speeds) return;
  std::ofstream(hubOf(superSpeedPort) / "speed") << "5000\n";
  std::ofstream(hubOf(highSpeedPort) / "speed") << "480\n";
}

void FakeSgStation::ImportZfsPool(const std::string& pool) {
  const fs::path statistics = m_root / "proc" / "spl" / "kstat" / "zfs";
  fs::create_directories(statistics / pool);
  for (const char* name : {"state", "io", "txgs"}) std::ofstream(statistics / pool / name) << "\n";
  for (const char* name : {"arcstats", "dbufstats", "zil"}) std::ofstream(statistics / name) << "\n";
}

void FakeSgStation::ExportZfsPool(const std::string& pool) {
  fs::remove_all(m_root / "proc" / "spl" / "kstat" / "zfs" / pool);
}

void FakeSgStation::LoadSdDriver() { fs::create_directories(m_root / "bus" / "scsi" / "drivers" / "sd"); }

void FakeSgStation::UnbindFromSd(const std::string& block) {
  const fs::path folder = fs::canonical(m_root / "class" / "block" / block);
  UnlinkBlockNames(block, folder);
  fs::remove(m_root / "block" / block);
  fs::remove_all(folder.parent_path());  // the SCSI device's "block" folder
}

fs::path FakeSgStation::AddNodelessDevice(const Address& address, int type) {
  const fs::path scsi = ScsiFolder(Numbered(address));
  fs::create_directories(scsi);
  LinkScsiDevice(scsi);
  std::ofstream(scsi / "type") << type << "\n";
  return scsi;
}

fs::path FakeSgStation::AddBlockDisk(const std::string& block, const Address& address, int major, int minor) {
  const fs::path scsi = AddNodelessDevice(address);
  const fs::path folder = scsi / "block" / block;
  fs::create_directories(folder);
  fs::create_directory_symlink(scsi, folder / "device");
  fs::create_directories(m_root / "block");
  fs::create_directory_symlink(folder, m_root / "block" / block);
  LinkBlockNames(block, folder, major, minor);
  return scsi;
}

fs::path FakeSgStation::AddDisk(const std::string& sgName, const Address& address, const std::string& block, int major,
                                int minor, int type) {
  const fs::path scsi = block.empty() ? AddNodelessDevice(address, type) : AddBlockDisk(block, address, major, minor);
  std::ofstream(scsi / "type") << type << "\n";
  const fs::path node = scsi / "scsi_generic" / sgName;
  fs::create_directories(node);
  fs::create_directory_symlink(scsi, node / "device");
  fs::create_directories(m_root / "class" / "scsi_generic");
  fs::create_directory_symlink(node, m_root / "class" / "scsi_generic" / sgName);
  return scsi;
}

void FakeSgStation::RemoveDisk(const std::string& sgName, const fs::path& scsiDevice, const std::string& block) {
  if (!sgName.empty()) fs::remove(m_root / "class" / "scsi_generic" / sgName);
  if (!block.empty()) fs::remove(m_root / "block" / block);
  fs::remove(m_root / "bus" / "scsi" / "devices" / scsiDevice.filename());
  fs::remove_all(scsiDevice);
  for (const fs::path& emptied : {scsiDevice.parent_path(), scsiDevice.parent_path().parent_path()}) {
    if (fs::is_empty(emptied)) fs::remove(emptied);  // the target, then the host
  }
  // The names of the disk and of its partitions lead nowhere now.
  std::vector<fs::path> dangling;
  for (const char* folder : {"class/block", "dev/block"}) {
    std::error_code error;
    for (const auto& name : fs::directory_iterator(m_root / folder, error)) {
      if (!fs::exists(name.path())) dangling.push_back(name.path());
    }
  }
  for (const fs::path& name : dangling) fs::remove(name);
  std::lock_guard<std::mutex> guard(m_callLock);
  for (const auto& [fd, node] : m_open) {
    if (node == "/dev/" + sgName || node == "/dev/" + block) m_gone.insert(fd);
  }
}

void FakeSgStation::AddPartition(const std::string& block, const std::string& partition, int major, int minor) {
  const fs::path folder = fs::canonical(m_root / "class" / "block" / block) / partition;
  fs::create_directories(folder);
  std::ofstream(folder / "partition") << 1 << "\n";
  LinkBlockNames(partition, folder, major, minor);
}

void FakeSgStation::AddStackedDevice(const std::string& name, int major, int minor,
                                     const std::vector<std::string>& slaves, const std::string& mappedName) {
  const fs::path folder = m_root / "devices" / "virtual" / "block" / name;
  fs::create_directories(folder / "slaves");
  for (const std::string& slave : slaves) {
    const fs::path slaveFolder = fs::canonical(m_root / "class" / "block" / slave);
    fs::create_directory_symlink(slaveFolder, folder / "slaves" / slave);
    fs::create_directories(slaveFolder / "holders");
    fs::create_directory_symlink(folder, slaveFolder / "holders" / name);
  }
  if (!mappedName.empty()) {
    fs::create_directories(folder / "dm");
    std::ofstream(folder / "dm" / "name") << mappedName << "\n";
  }
  LinkBlockNames(name, folder, major, minor);
}

void FakeSgStation::RemoveStackedDevice(const std::string& name) {
  const fs::path folder = m_root / "devices" / "virtual" / "block" / name;
  for (const auto& slave : fs::directory_iterator(folder / "slaves")) {
    fs::remove(fs::canonical(slave.path()) / "holders" / name);
  }
  UnlinkBlockNames(name, folder);
  fs::remove_all(folder);
}

void FakeSgStation::AddLoopDevice(const std::string& name, int major, int minor, const std::string& backingFile) {
  const fs::path folder = m_root / "devices" / "virtual" / "block" / name;
  fs::create_directories(folder / "loop");
  if (!backingFile.empty()) std::ofstream(folder / "loop" / "backing_file") << backingFile << "\n";
  LinkBlockNames(name, folder, major, minor);
}

void FakeSgStation::AddBtrfs(const std::string& fsid, const std::vector<std::string>& devices) {
  const fs::path folder = m_root / "fs" / "btrfs" / fsid / "devices";
  fs::create_directories(folder);
  for (const std::string& device : devices) {
    fs::create_directory_symlink(fs::canonical(m_root / "class" / "block" / device), folder / device);
  }
}

void FakeSgStation::AppendLine(const fs::path& file, const std::string& line) {
  std::ofstream(file, std::ios::app) << line << "\n";
}

void FakeSgStation::Mount(int major, int minor, const std::string& source, const std::string& mountPoint,
                          const std::string& type, const std::string& options) {
  AppendLine(m_root / "proc" / "self" / "mountinfo",
             "25 1 " + std::to_string(major) + ":" + std::to_string(minor) + " / " + mountPoint +
                 " rw,relatime shared:1 - " + type + " " + source + " " + options);
}

void FakeSgStation::Unmount(const std::string& mountPoint) {
  const fs::path table = m_root / "proc" / "self" / "mountinfo";
  std::ifstream in(table);
  std::string kept;
  for (std::string line; std::getline(in, line);) {
    if (line.find(" " + mountPoint + " ") == std::string::npos) kept += line + "\n";
  }
  in.close();
  std::ofstream(table) << kept;
}

void FakeSgStation::MountInfoLine(const std::string& line) {
  AppendLine(m_root / "proc" / "self" / "mountinfo", line);
}

void FakeSgStation::Swap(const std::string& path, bool isFile) {
  AppendLine(m_root / "proc" / "swaps", path + "\t" + (isFile ? "file" : "partition") + "\t8388604\t0\t-2");
}

void FakeSgStation::RemoveMountTable() { fs::remove(m_root / "proc" / "self" / "mountinfo"); }

std::string FakeSgStation::NodeOfDescriptor(int fd) {
  std::lock_guard<std::mutex> guard(m_callLock);
  const auto open = m_open.find(fd);
  return open == m_open.end() ? std::string() : open->second;
}

device::SgSystem FakeSgStation::System() {
  device::SgSystem system;
  system.sysfsRoot = m_root;
  system.procRoot = m_root / "proc";
  system.udevDataRoot = m_root / "run" / "udev" / "data";
  system.deviceRoot = "/dev";
  system.open = [this](const char* path, int flags) {
    if (beforeOpen) beforeOpen(path);
    std::lock_guard<std::mutex> guard(m_callLock);
    opened.emplace_back(path);
    openFlags.push_back(flags);
    if (openErrno != 0) {
      errno = openErrno;
      return -1;
    }
    const int fd = m_nextDescriptor++;
    m_open[fd] = path;
    return fd;
  };
  system.close = [this](int fd) {
    if (beforeClose) beforeClose(NodeOfDescriptor(fd));
    std::lock_guard<std::mutex> guard(m_callLock);
    EXPECT_EQ(m_open.erase(fd), 1u) << "a descriptor closed that is not open";
    m_gone.erase(fd);
    ++closes;
    return 0;
  };
  system.ioctl = [this](int fd, unsigned long request, void* argument) {
    if (beforeIoctl) beforeIoctl(NodeOfDescriptor(fd));
    std::lock_guard<std::mutex> guard(m_callLock);
    EXPECT_EQ(request, static_cast<unsigned long>(SG_IO));
    const auto node = m_open.find(fd);
    EXPECT_NE(node, m_open.end()) << "SG_IO on a descriptor that is not open";
    auto* header = static_cast<sg_io_hdr_t*>(argument);
    seen = *header;
    seenCdb.assign(header->cmdp, header->cmdp + header->cmd_len);
    if (m_gone.count(fd) != 0) {
      errno = ENODEV;
      return -1;
    }
    sentTo.push_back(node == m_open.end() ? std::string() : node->second);
    if (ioctlErrno != 0) {
      errno = ioctlErrno;
      return -1;
    }
    if (answer) answer(*header);
    return 0;
  };
  return system;
}

// ---- what the machine knows of its disks beside their place ----

void FakeSgStation::UdevRecord(int major, int minor, const std::vector<std::string>& lines) {
  const fs::path folder = m_root / "run" / "udev" / "data";
  fs::create_directories(folder);
  std::ofstream record(folder / ("b" + std::to_string(major) + ":" + std::to_string(minor)));
  for (const std::string& line : lines) record << line << "\n";
}

void FakeSgStation::SetRemovable(const std::string& block) {
  std::ofstream(fs::canonical(m_root / "class" / "block" / block) / "removable") << 1 << "\n";
}

void FakeSgStation::MakeHoldersUnreadable(const std::string& block) {
  const fs::path holders = fs::canonical(m_root / "class" / "block" / block) / "holders";
  fs::remove_all(holders);
  std::ofstream(holders) << "\n";
}

void FakeSgStation::MakeHoldersReadable(const std::string& block) {
  const fs::path holders = fs::canonical(m_root / "class" / "block" / block) / "holders";
  fs::remove(holders);
  fs::create_directory(holders);
}

std::vector<std::string> HeldTexts(const std::vector<device::HeldDisk>& held) {
  std::vector<std::string> texts;
  for (const device::HeldDisk& disk : held) texts.push_back(disk.text);
  return texts;
}

}  // namespace devicetest
