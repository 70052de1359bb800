#pragma once
// Where a SCSI device hangs on the bus, read from its folder in sysfs
// ("/sys/devices/pci0000:00/0000:00:14.0/usb2/2-2/2-2:1.0/host7/target7:0:0/7:0:0:0").
//
// The place is the device's path below /sys/devices down to its SCSI host, then
// channel:target:LUN ("pci0000:00/0000:00:14.0/usb2/2-2/2-2:1.0/0:0:0"; the whole path when no
// host is in it). The kernel gives a SCSI host the lowest free number and every USB enumeration
// makes a new host, so the host is left out where it is the one host below a port of its own (a
// USB interface, an ATA link): a disk back at its port is at the same place under any host. The
// hosts are kept, with the path down to the last of them, where leaving them out could make two
// disks alike or where nothing else tells them apart:
//  - several hosts below one device (two hosts of one isci or SAS controller function);
//  - a host below another host (an FC port's NPIV host below the physical port's host);
//  - a host directly below /sys/devices/platform or /sys/devices/virtual, as an iSCSI session's,
//    which hangs below no port.
//
// A disk's address names its USB device by the hub port that it is plugged in, and a USB 3 port
// and its USB 2 peer (the ports of one connector, which sysfs links as each other's "peer") as
// one port, the one on the slower hub: a bridge whose link trains at USB 2 speed after a power
// cycle enumerates below the USB 2 root hub, at its connector's other port. Where that would make
// two disks alike (the kernel peers ports by their numbers where the firmware gives no connector
// locations, and a hub's USB 2 and USB 3 halves always, so a port's peer may be another connector
// or a dock's internal device), each of them is named by its own port instead, in a form that no
// merged address takes; a disk bound while it was alone looks gone then, and its commands never
// reach the other. The port is read from the USB device's "port" link, or from its name while
// the kernel has not made the link yet ("2-1.4" is port 4 of the hub "2-1": "2-1:1.0/2-1-port4";
// the link comes only once the device's drivers are bound). The node text, which the
// port-mapping records keep, names the USB device where it is plugged in now.
//
// A listing reads the place of every SCSI device on the bus; a lookup of one address reads only
// the devices that decide it, so its cost does not grow with the other disks on the bus.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace device {

struct BusPlace {
  // Stays the same while the disk stays connected where it is; no two disks have the same.
  std::string address;
  // The place with the USB device where it is plugged in now.
  std::string nodeText;
  // The address with the USB device's own port where its port was merged with a peer, written
  // so that it never equals a merged address; empty where no peer was merged.
  std::string ownPortAddress;
};

// The address and node text of the SCSI device in this sysfs folder, read from sysfs once, as if
// no other disk were on the bus.
BusPlace BusPlaceOf(const std::filesystem::path& scsiDevice);

// The places of the SCSI devices of the nodes listed (their canonical folders; an empty one, or
// one that is no SCSI device, is left out), by folder, as the bus shows them side by side with
// every other SCSI device that sysfs under sysfsRoot names on the bus (bus/scsi/devices): a device
// without a node of the kind listed (a disk that sd has not attached yet, a CD drive beside sd
// disks) may still share a port with a listed disk. A device whose merged port would make it alike
// another is named by its own port. Only devices at one USB port or at its peer can be alike.
using BusPlaces = std::map<std::filesystem::path, BusPlace>;
BusPlaces PlacesOnTheBus(const std::filesystem::path& sysfsRoot, const std::vector<std::filesystem::path>& nodeDevices);

// The canonical folder of the SCSI device at the address now; empty when no device is there. It is
// found from the address, reading only the devices that decide it: for a USB port's address, the SCSI
// devices below the USB devices plugged in the port and in its peer (the port's "device" link, or
// the device its name gives while the kernel has not linked it yet); for any other, the device
// on the bus below the host named in the address, or below the one host at its place.
std::filesystem::path ScsiDeviceAt(const std::filesystem::path& sysfsRoot, const std::string& address);

}  // namespace device
