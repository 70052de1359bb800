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
#include <filesystem>
#include <map>
#include <string>

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

// The places of every SCSI device that sysfs under sysfsRoot shows now (bus/scsi/devices, and
// the devices of the sg and sd nodes), by the device's canonical folder; no two alike.
using BusPlaces = std::map<std::filesystem::path, BusPlace>;
BusPlaces BusPlacesNow(const std::filesystem::path& sysfsRoot);

}  // namespace device
