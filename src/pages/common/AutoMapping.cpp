#include "pages/common/AutoMapping.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <mutex>
#include <vector>

#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace {

constexpr std::size_t kTextLimit = kDeviceTextLength;  // 259 characters and the NUL

// One port's record while the file is refreshed.
struct DiskPortRecord {
  std::string node;
  std::string link;
};

struct ListedDevice {
  std::uint32_t listingIndex;  // 0-based place in the listing
  std::string node;
  std::string path;
};

std::string FieldText(const char (&field)[kDeviceTextLength]) {
  return std::string(field, strnlen(field, kDeviceTextLength));
}

// The listed devices that are present (their path is not "NULL"), in listing order.
std::vector<ListedDevice> PresentDevices(const ROOT_Device& listing) {
  std::vector<ListedDevice> devices;
  const std::uint32_t count = std::min<std::uint32_t>(listing.deviceCount, kMaxListedDevices);
  for (std::uint32_t j = 0; j < count; ++j) {
    std::string path = FieldText(listing.devices[j].devicePath);
    if (path == kNoDevicePath) continue;
    devices.push_back({j, FieldText(listing.devices[j].nodeText), std::move(path)});
  }
  return devices;
}

std::string PortSection(int index) { return platform::Format("Port%d", index); }

bool MappingFileExists(const std::string& file) {
  std::ifstream stream(platform::ToNativePath(file), std::ios::binary);
  return stream.is_open();
}

void WriteKey(const std::string& file, int port, const char* key, const std::string& value) {
  platform::WriteProfileString(file, PortSection(port), key, value);
}

void WriteNodeAndLink(const std::string& file, int port, const DiskPortRecord& record) {
  WriteKey(file, port, "SymbolicLink", record.link);
  WriteKey(file, port, "PortNode", record.node);
}

}  // namespace

std::recursive_mutex& PortMappingLock() {
  static std::recursive_mutex lock;
  return lock;
}

ROOT_Device ListDevicesNow() {
  std::lock_guard<std::recursive_mutex> mapping(PortMappingLock());
  {
    std::lock_guard<std::mutex> guard(DeviceListingLock());
    g_RootDevice.request = kListRequest;
  }
  g_GetDevLibrary.ListTvDevice(&g_RootDevice);
  return CopyRootDevice();
}

PortDeviceTable RefreshAutoMapping(const ROOT_Device& listing, int mappingType, const std::string& file) {
  std::lock_guard<std::recursive_mutex> mapping(PortMappingLock());
  PortDeviceTable table{};
  if (!MappingFileExists(file)) return table;
  const std::vector<ListedDevice> devices = PresentDevices(listing);

  // The node each port was given earlier.
  std::array<DiskPortRecord, kMappedPorts> records;
  for (int i = 0; i < kMappedPorts; ++i) {
    records[i].node = platform::Trim(platform::ReadProfileString(file, PortSection(i), "PortNode", "", kTextLimit));
  }

  // The link of every port with a node: the first present device at exactly that node.
  for (int i = 0; i < kMappedPorts; ++i) {
    DiskPortRecord& record = records[i];
    if (record.node.empty()) {
      WriteNodeAndLink(file, i, record);
      continue;
    }
    const auto hit = std::find_if(devices.begin(), devices.end(),
                                  [&](const ListedDevice& device) { return device.node == record.node; });
    if (hit == devices.end()) continue;
    record.link = hit->path;
    WriteKey(file, i, "SymbolicLink", record.link);
  }

  switch (mappingType) {
    case kMappingNone: {
      records = {};
      const std::size_t taken = std::min<std::size_t>(devices.size(), kMappedPorts);
      for (std::size_t k = 0; k < taken; ++k) {
        records[k] = {devices[k].node, devices[k].path};
        table[k + 1] = devices[k].listingIndex + 1;
      }
      for (int p = 0; p < kMappedPorts; ++p) {
        if (!records[p].link.empty() && !records[p].node.empty()) WriteKey(file, p, "Symbolic_temp", records[p].link);
      }
      break;
    }
    case kMappingByHub: {
      records = {};
      for (int p = 0; p < kMappedPorts; ++p) WriteNodeAndLink(file, p, records[p]);
      for (const ListedDevice& device : devices) {
        if (device.listingIndex >= static_cast<std::uint32_t>(kMappedPorts)) break;
        DiskPortRecord& record = records[device.listingIndex];
        record = {device.node, device.path};
        WriteNodeAndLink(file, static_cast<int>(device.listingIndex), record);
        table[device.listingIndex + 1] = device.listingIndex + 1;
      }
      break;
    }
    case kMappingByDriveNumber: {
      for (const ListedDevice& device : devices) {
        const bool known = std::any_of(records.begin(), records.end(), [&](const DiskPortRecord& record) {
          return !record.node.empty() && record.node == device.node;
        });
        if (known) continue;
        const auto free = std::find_if(records.begin(), records.end(), [](const DiskPortRecord& record) {
          return record.link.empty() && record.node.empty();
        });
        if (free == records.end()) continue;
        *free = {device.node, device.path};
        WriteNodeAndLink(file, static_cast<int>(free - records.begin()), *free);
      }
      break;
    }
    default:
      break;
  }

  // Ports whose link is known get the drive at their node (case ignored; the later drive wins).
  for (const ListedDevice& device : devices) {
    for (int p = 0; p < kMappedPorts; ++p) {
      if (records[p].link.empty()) continue;
      if (platform::EqualsNoCase(device.node, records[p].node)) table[p + 1] = device.listingIndex + 1;
    }
  }
  return table;
}

PortDeviceTable RefreshPortMapping(int mappingType, const std::string& mappingFile) {
  std::lock_guard<std::recursive_mutex> mapping(PortMappingLock());
  return RefreshAutoMapping(ListDevicesNow(), mappingType, mappingFile);
}
