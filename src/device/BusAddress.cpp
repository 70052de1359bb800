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

std::size_t HostFoldersIn(const fs::path& folder) {
  std::size_t hosts = 0;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    if (IsHostFolder(entry.path().filename().string())) ++hosts;
  }
  return hosts;
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
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(hub, error)) {
    if (!IsUsbInterface(entry.path().filename().string())) continue;
    const fs::path found = CanonicalOrEmpty(entry.path() / port);
    if (!found.empty()) return found;
  }
  return {};
}

// "7:0:1:2" and the like: a SCSI device's own folder.
bool IsScsiDeviceName(const std::string& name) { return !ChannelTargetLun(name).empty(); }

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
                         HostFoldersIn(devicesRoot / above) > 1;
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

BusPlaces BusPlacesNow(const fs::path& sysfsRoot) {
  std::set<fs::path> devices;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(sysfsRoot / "bus" / "scsi" / "devices", error)) {
    if (IsScsiDeviceName(entry.path().filename().string())) devices.insert(CanonicalOrEmpty(entry.path()));
  }
  for (const fs::path& nodes : {sysfsRoot / "class" / "scsi_generic", sysfsRoot / "block"}) {
    for (const auto& entry : fs::directory_iterator(nodes, error)) {
      const fs::path device = CanonicalOrEmpty(entry.path() / "device");
      if (IsScsiDeviceName(device.filename().string())) devices.insert(device);
    }
  }
  devices.erase(fs::path());
  BusPlaces places;
  std::map<std::string, int> alike;
  for (const fs::path& device : devices) {
    const BusPlace& place = places[device] = BusPlaceOf(device);
    ++alike[place.address];
  }
  // Disks that merged ports would make alike keep their own ports.
  for (auto& [device, place] : places) {
    if (alike[place.address] > 1 && !place.ownPortAddress.empty()) place.address = place.ownPortAddress;
  }
  return places;
}

}  // namespace device
