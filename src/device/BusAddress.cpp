#include "device/BusAddress.h"

#include <algorithm>
#include <optional>
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
fs::path OnePortOfThePair(const fs::path& port) {
  const fs::path peer = CanonicalOrEmpty(port / "peer");
  if (peer.empty()) return port;
  const std::optional<int> portSpeed = RootHubSpeed(port);
  const std::optional<int> peerSpeed = RootHubSpeed(peer);
  if (portSpeed && peerSpeed && *portSpeed != *peerSpeed) return *peerSpeed < *portSpeed ? peer : port;
  return std::min(port, peer);
}

}  // namespace

BusPlace BusPlaceOf(const fs::path& scsiDevice) {
  const std::string text = scsiDevice.generic_string();
  constexpr std::string_view kDevices = "/devices/";
  const std::size_t devices = text.find(kDevices);
  if (devices == std::string::npos) return {text, text};
  const fs::path devicesRoot = text.substr(0, devices + kDevices.size() - 1);
  std::vector<std::string> parts = platform::Split(std::string_view(text).substr(devices + kDevices.size()), '/');
  std::vector<std::size_t> hosts;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (IsHostFolder(parts[i])) hosts.push_back(i);
  }
  if (hosts.empty()) {
    const std::string whole = Joined(parts, 0, parts.size());
    return {whole, whole};
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
  const fs::path port = CanonicalOrEmpty(devicesRoot / Joined(parts, 0, at) / "port");
  if (port.empty()) return found;
  // "2-2:1.0" -> "1.0": the interface without the device's name, which holds its bus.
  std::string place = OnePortOfThePair(port).lexically_relative(devicesRoot).generic_string() + "/" +
                      parts[at].substr(parts[at].find(':') + 1);
  if (at + 1 < end) place += "/" + Joined(parts, at + 1, end);
  found.address = withLun(std::move(place));
  return found;
}

std::string BusAddressOf(const fs::path& scsiDevice) { return BusPlaceOf(scsiDevice).address; }

}  // namespace device
