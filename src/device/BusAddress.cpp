#include "device/BusAddress.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include "device/SysfsFiles.h"
#include "platform/Text.h"

namespace device {
namespace fs = std::filesystem;

namespace {

bool AllDigits(std::string_view text) { return IsNumberedName(text, ""); }

// "host7": a SCSI host's folder.
bool IsHostFolder(std::string_view name) { return IsNumberedName(name, "host"); }

// "2-2:1.0", "1-3.4:1.0": a USB interface (bus-port[.port...]:configuration.interface).
bool IsUsbInterface(std::string_view name) {
  const std::size_t colon = name.find(':');
  const std::size_t dash = name.find('-');
  return colon != std::string_view::npos && dash != std::string_view::npos && dash > 0 && dash < colon &&
         AllDigits(name.substr(0, dash)) && name.find(':', colon + 1) == std::string_view::npos;
}

// "7:0:1:2" (host:channel:target:LUN) -> "0:1:2"; empty for any other name.
std::string ChannelTargetLun(const std::string& name) {
  const std::vector<std::string> fields = platform::Split(name, ':');
  if (fields.size() != 4 || !std::all_of(fields.begin(), fields.end(), AllDigits)) return {};
  return name.substr(name.find(':') + 1);
}

// Parts [from, to) joined by "/".
std::string Joined(const std::vector<std::string>& parts, std::size_t from, std::size_t to) {
  std::string text;
  for (std::size_t i = from; i < to; ++i) text += (i == from ? "" : "/") + parts[i];
  return text;
}

// "7:0:1:2" and the like: a SCSI device's own folder.
bool IsScsiDeviceName(std::string_view name) { return !ChannelTargetLun(std::string(name)).empty(); }

// "target7:0:1": a SCSI target's folder.
bool IsTargetFolder(std::string_view name) { return name.starts_with("target"); }

// "usb2-port3", "2-1-port4": a port of a USB hub.
bool IsUsbPortName(std::string_view name) {
  const std::size_t port = name.rfind("-port");
  return port != std::string_view::npos && port > 0 && AllDigits(name.substr(port + 5));
}

// The entries of a folder whose names pass the test.
template <typename Test>
std::vector<fs::path> EntriesNamed(const fs::path& folder, Test test) {
  std::vector<fs::path> entries;
  for (const auto& entry : FolderEntries(folder)) {
    if (test(entry.path().filename().string())) entries.push_back(entry.path());
  }
  return entries;
}

// The speed of the root hub a USB port lies below, in Mb/s ("480", "5000"); none when unknown.
std::optional<int> RootHubSpeed(fs::path port) {
  for (; port.has_relative_path(); port = port.parent_path()) {
    const std::string name = port.filename().string();
    if (IsNumberedName(name, "usb")) {
      const int speed = ReadNumberFile(port / "speed");
      return speed < 0 ? std::nullopt : std::optional<int>(speed);
    }
  }
  return std::nullopt;
}

// The one port that a USB device's port and its peer are: the one on the slower hub (the USB 2
// half of the connector), or the first by name when the speeds do not tell.
fs::path OnePortOfThePair(const fs::path& port, const fs::path& peer) {
  const std::optional<int> portSpeed = RootHubSpeed(port);
  const std::optional<int> peerSpeed = RootHubSpeed(peer);
  if (portSpeed && peerSpeed && *portSpeed != *peerSpeed) return *peerSpeed < *portSpeed ? peer : port;
  return std::min(port, peer);
}

// The hub port that the USB device in this folder is plugged in: its "port" link, or, while the
// kernel has not linked it yet, the port its name gives ("2-1.4": port 4 of the hub "2-1", which
// keeps it below its interface as "2-1-port4"; "2-3": port 3 of the root hub "usb2",
// "usb2-port3"); empty when neither leads to a port.
fs::path PortOfUsbDevice(const fs::path& device) {
  const fs::path linked = CanonicalOrEmpty(device / "port");
  if (!linked.empty()) return linked;
  const std::string name = device.filename().string();
  const std::size_t last = name.find_last_of("-.");
  if (last == std::string::npos || !AllDigits(std::string_view(name).substr(last + 1))) return {};
  const fs::path hub = device.parent_path();
  const std::string port = hub.filename().string() + "-port" + name.substr(last + 1);
  for (const fs::path& interface : EntriesNamed(hub, IsUsbInterface)) {
    const fs::path found = CanonicalOrEmpty(interface / port);
    if (!found.empty()) return found;
  }
  return {};
}

// The USB device plugged in a hub port: the port's "device" link, or, while the kernel has not
// linked it yet, the device that the port's name gives, beside the hub's interface ("usb2-port3"
// of the root hub usb2: "usb2/2-3"; "2-1-port4" of the hub 2-1: "2-1/2-1.4"); empty when no
// device is plugged in.
fs::path UsbDeviceAtPort(const fs::path& port) {
  const fs::path linked = CanonicalOrEmpty(port / "device");
  if (!linked.empty()) return linked;
  const fs::path hub = port.parent_path().parent_path();
  const std::string hubName = hub.filename().string();
  const std::string portName = port.filename().string();
  const std::string prefix = hubName + "-port";
  if (!portName.starts_with(prefix) || !AllDigits(std::string_view(portName).substr(prefix.size()))) return {};
  const std::string number = portName.substr(prefix.size());
  const bool rootHub = IsNumberedName(hubName, "usb");
  return CanonicalOrEmpty(hub / (rootHub ? hubName.substr(3) + "-" + number : hubName + "." + number));
}

// The SCSI devices of a USB device: the devices of the targets of the SCSI hosts below each of
// its interfaces.
void AddScsiDevicesOf(const fs::path& usbDevice, std::vector<fs::path>& devices) {
  for (const fs::path& interface : EntriesNamed(usbDevice, IsUsbInterface)) {
    for (const fs::path& host : EntriesNamed(interface, IsHostFolder)) {
      for (const fs::path& target : EntriesNamed(host, IsTargetFolder)) {
        for (fs::path& device : EntriesNamed(target, IsScsiDeviceName)) devices.push_back(std::move(device));
      }
    }
  }
}

// The places of the SCSI devices side by side: a device whose merged port would make it alike
// another keeps its own port.
BusPlaces PlacesSideBySide(const std::vector<fs::path>& scsiDevices) {
  BusPlaces places;
  std::map<std::string, int> alike;
  for (const fs::path& device : scsiDevices) {
    if (places.count(device) == 0) ++alike[(places[device] = BusPlaceOf(device)).address];
  }
  for (auto& [device, place] : places) {
    if (alike[place.address] > 1 && !place.ownPortAddress.empty()) place.address = place.ownPortAddress;
  }
  return places;
}

}  // namespace

BusPlace BusPlaceOf(const fs::path& scsiDevice) {
  const std::string text = scsiDevice.generic_string();
  constexpr std::string_view kDevices = "/devices/";
  const std::size_t devices = text.find(kDevices);
  if (devices == std::string::npos) return {text, text, {}};
  const fs::path devicesRoot = text.substr(0, devices + kDevices.size() - 1);
  std::vector<std::string> parts = platform::Split(std::string_view(text).substr(devices + kDevices.size()), '/');
  std::vector<std::size_t> hosts;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (IsHostFolder(parts[i])) hosts.push_back(i);
  }
  if (hosts.empty()) {
    const std::string whole = Joined(parts, 0, parts.size());
    return {whole, whole, {}};
  }

  const std::string above = Joined(parts, 0, hosts.front());
  const bool keepHosts = hosts.size() > 1 || above == "platform" || above == "virtual" ||
                         EntriesNamed(devicesRoot / above, IsHostFolder).size() > 1;
  const std::size_t end = keepHosts ? hosts.back() + 1 : hosts.front();
  const std::string channelTargetLun = ChannelTargetLun(scsiDevice.filename().string());
  const auto withLun = [&](std::string place) {
    return channelTargetLun.empty() ? place : place + "/" + channelTargetLun;
  };
  BusPlace found;
  found.nodeText = withLun(Joined(parts, 0, end));
  found.address = found.nodeText;

  // The USB device that holds the host's interface, by its port.
  const auto interface = std::find_if(parts.rend() - static_cast<std::ptrdiff_t>(hosts.front()), parts.rend(),
                                      [](const std::string& part) { return IsUsbInterface(part); });
  if (interface == parts.rend()) return found;
  const std::size_t at = static_cast<std::size_t>(parts.rend() - interface) - 1;
  const fs::path port = PortOfUsbDevice(devicesRoot / Joined(parts, 0, at));
  if (port.empty()) return found;
  // "2-2:1.0" -> "1.0": the interface without the device's name, which holds its bus.
  std::string below = parts[at].substr(parts[at].find(':') + 1);
  if (at + 1 < end) below += "/" + Joined(parts, at + 1, end);
  const auto named = [&](const fs::path& onePort, std::string_view separator) {
    return withLun(onePort.lexically_relative(devicesRoot).generic_string() + std::string(separator) + below);
  };
  const fs::path peer = CanonicalOrEmpty(port / "peer");
  found.address = named(peer.empty() ? port : OnePortOfThePair(port, peer), "/");
  // No name in sysfs is empty, so no merged address holds "//".
  if (!peer.empty()) found.ownPortAddress = named(port, "//");
  return found;
}

BusPlaces PlacesOnTheBus(const fs::path& sysfsRoot, const std::vector<fs::path>& nodeDevices) {
  std::vector<fs::path> devices;
  std::set<std::string> names;
  for (const fs::path& device : nodeDevices) {
    if (!IsScsiDeviceName(device.filename().string())) continue;
    devices.push_back(device);
    names.insert(device.filename().string());
  }
  // The bus names a SCSI device as its folder is named ("7:0:0:0").
  for (const fs::path& named : EntriesNamed(sysfsRoot / "bus" / "scsi" / "devices", IsScsiDeviceName)) {
    if (names.count(named.filename().string()) == 0) devices.push_back(CanonicalOrEmpty(named));
  }
  std::erase(devices, fs::path());
  return PlacesSideBySide(devices);
}

fs::path ScsiDeviceAt(const fs::path& sysfsRoot, const std::string& address) {
  const fs::path devicesRoot = CanonicalOrEmpty(sysfsRoot / "devices");
  const std::vector<std::string> parts = platform::Split(address, '/');
  if (devicesRoot.empty() || parts.size() < 2) return {};
  std::vector<fs::path> devices;
  const auto port =
      std::find_if(parts.begin(), parts.end(), [](const std::string& part) { return IsUsbPortName(part); });
  if (port != parts.end()) {
    // The devices at the port and at its peer: the address is either one's, and only they can
    // share its merged form.
    const fs::path portFolder = devicesRoot / Joined(parts, 0, static_cast<std::size_t>(port - parts.begin()) + 1);
    for (const fs::path& onePort : {portFolder, CanonicalOrEmpty(portFolder / "peer")}) {
      const fs::path usbDevice = onePort.empty() ? fs::path() : UsbDeviceAtPort(onePort);
      if (!usbDevice.empty()) AddScsiDevicesOf(usbDevice, devices);
    }
  } else {
    // The place of the device's host, or of the port that the one host below it was left out of,
    // then channel:target:LUN: the device is the host's on the bus.
    const std::string& channelTargetLun = parts.back();
    const auto deviceOfHost = [&](const std::string& host) {
      return CanonicalOrEmpty(sysfsRoot / "bus" / "scsi" / "devices" / (host.substr(4) + ":" + channelTargetLun));
    };
    const std::string& above = parts[parts.size() - 2];
    if (IsHostFolder(above)) {
      devices.push_back(deviceOfHost(above));
    } else {
      for (const fs::path& host : EntriesNamed(devicesRoot / Joined(parts, 0, parts.size() - 1), IsHostFolder)) {
        devices.push_back(deviceOfHost(host.filename().string()));
      }
    }
    std::erase(devices, fs::path());
  }
  for (const auto& [device, place] : PlacesSideBySide(devices)) {
    if (place.address == address) return device;
  }
  return {};
}

}  // namespace device
