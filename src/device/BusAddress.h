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
// cycle enumerates below the USB 2 root hub, at its connector's other port. The node text, which
// the port-mapping records keep, names the USB device where it is plugged in now.
#include <filesystem>
#include <string>

namespace device {

struct BusPlace {
  // Stays the same while the disk stays connected where it is; no two disks have the same.
  std::string address;
  // The place with the USB device where it is plugged in now.
  std::string nodeText;
};

// The address and node text of the SCSI device in this sysfs folder, read from sysfs once.
BusPlace BusPlaceOf(const std::filesystem::path& scsiDevice);
// Its address alone.
std::string BusAddressOf(const std::filesystem::path& scsiDevice);

}  // namespace device
