#pragma once
// The transport of real drives: the Linux SCSI generic driver. Every request is one SG_IO
// ioctl on the disk's node: /dev/sgN, opened read and write, or, when the sg driver is not
// loaded, /dev/sdX, opened read-only (every close of a writable block device makes udev probe
// the disk again, which a drive on boot or vendor code may not answer); both non-blocking. A
// node is opened at the first request to its disk and kept for the next ones, until the disk
// has gone or the transport ends: an sg open allocates the driver's reserve buffer, and a
// request then costs one system call.
//
// The disks. A listing reads sysfs: every SCSI generic device of type disk (0) or simplified
// direct access (0x0E), in the order of its sg number; without the sg driver, the sd block
// devices in name order (sda, ..., sdz, sdaa). While the sd driver is loaded
// (<sysfs>/bus/scsi/drivers/sd), a disk that it has not taken (no block device) is not listed:
// a hardware array's member that the HBA keeps from sd, on which the machine may run, or a disk
// that sd is still attaching, listed by the next listing. A disk that the machine uses itself (a
// mounted file system, swap, the station's records, an imported ZFS pool: SystemDisks.h) is never
// listed, nor one that a device built on it holds (md, device mapper, bcache: DiskHolders.h), nor
// one whose holders cannot be read, nor any disk while the machine's disks cannot all be found
// (ListingProblem then says why). HeldDisks names for the operator the held disks with their
// holders, the disks kept only for ZFS with the pool, and the disks whose holders cannot be read.
//
// A disk's address is its place on the bus (BusAddress.h): the path of its SCSI device below
// /sys/devices down to its SCSI host, with the host left out where it is the one host below a
// port of its own, then channel:target:LUN; a USB device is named by its hub port, and a USB 3
// port and its USB 2 peer are one port, unless that makes two disks on the bus alike. No two
// disks have the same address, and a disk back at its port keeps its address under whatever host
// the kernel gives it. A listing reads the place of every SCSI device on the bus; a lookup reads
// only the devices that decide its own disk's address.
//
// Drive numbers. A disk is known by its address, its identity, which stays the same for as long
// as the disk stays where it is connected; its sg or sd name may pass to another disk (Linux
// gives a freed number to the next disk that arrives), and a disk that the kernel drops and
// attaches again at its address (after a firmware jump, a power cycle of its slot or of its
// bridge) comes back under other host, sg and sd numbers. Drive number n names the disk in
// place n of the listing. A later listing keeps every disk that is still there in its place,
// leaves the place of a disk that has gone empty, and gives empty places (the first one first,
// in node order) only to disks it has not seen before. A disk that it keeps out (held, a member
// of an imported ZFS pool, ZFS signs, holders that cannot be read, a mount of the machine's, a
// disk sd has not taken) is still there: its place waits for it, named by no drive number and
// given to no other disk, until a listing lists it again at its number or finds it gone; the place
// keeps what keeps the disk out (WhyDriveIsKeptOut), for a command made for its number. A disk
// kept out before any listing placed it has no place to keep. A listing that cannot tell the
// machine's disks apart lists no disk and leaves the places as they were; until a listing can,
// no drive number names a disk, and the first one that can finds every disk still there in its
// place.
//
// A request names the disk by its identity and goes through the disk's kept node. The node is
// looked up only when the disk has none: at the first request, after the kept node answered ENODEV
// or ENXIO, and after a listing that did not find the disk under that node (the listing closes
// such kept nodes). The lookup goes from the address to the SCSI device there and reads, once,
// only what decides the address: the device's place, and the devices at its USB port and at the
// port's peer (BusAddress.h), so its cost does not grow with the other disks on the bus. The
// device's own node (its sg node, or its sd disk without the sg driver) is the disk's; the disk is
// checked as a listing checks it, and the node is checked to be the device's
// (<sysfs>/class/scsi_generic/sgN/device, or <sysfs>/block/sdX/device) before it is opened and
// once it is open. When the disk is not at its address, the request fails with ENODEV, as for a
// pulled drive, and when it has come back as a disk the machine uses, or one that cannot be told
// apart from the machine's own now, with EPERM and the machine's claim set, which says which of the
// two and why: nothing is sent to it, and BlockDeviceOf names no block device for it, so the volume
// lock unmounts nothing of it. An open node pins its device (its sg or sd number is freed only when
// the last descriptor closes), so a kept node that answers is still its disk. A disk that comes
// back elsewhere on the bus (another port) is another disk to the station, found by the next
// listing. A kept node whose disk was dropped answers ENODEV without reaching the disk: the request
// is then sent once more on the node looked up and opened anew, when the disk is at its address
// again.
//
// Threads. The transport's own lock guards the places and the kept nodes only while they are
// read or changed; an open, a close and an SG_IO, which can block in the kernel for as long as
// a host recovers from errors, run outside it, so that a disk that hangs holds no other.
//
// A disk's node text, which the port-mapping records keep, is where it hangs: its address with
// the USB device where it is plugged in now.
//
// The system calls go through SgSystem, so tests run the transport against a fake kernel and
// fake sysfs and /proc trees.
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <scsi/sg.h>
#include <set>

#include "device/BusAddress.h"
#include "device/SystemDisks.h"
#include "device/Transport.h"

namespace device {

struct SgSystem {
  std::function<int(const char* path, int flags)> open;
  std::function<int(int fd)> close;
  std::function<int(int fd, unsigned long request, void* argument)> ioctl;
  std::filesystem::path sysfsRoot = "/sys";
  std::filesystem::path deviceRoot = "/dev";
  std::filesystem::path procRoot = "/proc";  // the mount table and the swap table
  std::filesystem::path udevDataRoot = "/run/udev/data";  // udev's record of every block device
  // The folders the station's records go to (SystemDisks.h); none when not given.
  std::function<std::vector<std::filesystem::path>()> recordFolders;
  // The real system calls and folders.
  static SgSystem Linux();
};

class SgTransport : public Transport {
 public:
  SgTransport();
  explicit SgTransport(SgSystem system);
  ~SgTransport() override;
  SgTransport(const SgTransport&) = delete;
  SgTransport& operator=(const SgTransport&) = delete;

  std::vector<TransportDisk> ListDisks() override;
  PassThroughResult Execute(const std::string& devicePath, PassThroughRequest& request) override;
  // The place's node of the last listing (a first listing is made when there was none); none
  // while the last listing could not tell the machine's disks apart or kept the place's disk out.
  std::string DevicePathOfDrive(int driveNumber) override;
  // The address of the disk that the last listing found at the node; empty for a node the
  // listing does not hold.
  std::string IdentityOf(const std::string& devicePath) override;
  // The address of the disk in the place of the last listing; none while that listing could not
  // tell the machine's disks apart or kept the place's disk out.
  std::string IdentityOfDrive(int driveNumber) override;
  PassThroughResult ExecuteOn(const std::string& identity, PassThroughRequest& request) override;
  // The sd block device of the SCSI device at the address now; none when there is none or the
  // machine claims it (said so, with why).
  BlockDeviceLookup BlockDeviceOf(const std::string& identity) override;
  // What kept the last listing from listing any disk (a mount that cannot be traced).
  std::string ListingProblem() override;
  // The disks the last listing left out and names: held, kept for ZFS, holders unreadable.
  std::vector<HeldDisk> HeldDisks() override;
  // What keeps the disk of the place out of the last listing (a first listing is made when there
  // was none); none for a place that names its disk or is empty.
  std::string WhyDriveIsKeptOut(int driveNumber) override;

  // The SG_IO header of a request: direction, CDB, data, sense buffer and the time-out in ms.
  static void FillHeader(sg_io_hdr_t& header, PassThroughRequest& request, unsigned char* sense,
                         unsigned char senseSize);
  // The outcome that a completed SG_IO header reports.
  static PassThroughResult ResultOf(const sg_io_hdr_t& header, const unsigned char* sense);

 private:
  // A disk as a listing finds it, or an empty place (empty identity).
  struct Place {
    std::string devicePath;
    std::string nodeText;
    std::string identity;
    // A disk that the listing kept out but whose place waits for it (its identity alone).
    bool keptOut = false;
    // What keeps it out, as a command for its drive number is told; set with keptOut.
    std::string whyKeptOut;
  };
  // An open node; closed once the transport no longer keeps it and no request uses it.
  struct OpenNode {
    OpenNode(int fd, std::string path, std::function<int(int)> close)
        : fd(fd), path(std::move(path)), close(std::move(close)) {}
    ~OpenNode() { close(fd); }
    OpenNode(const OpenNode&) = delete;
    OpenNode& operator=(const OpenNode&) = delete;
    int fd;
    std::string path;
    std::function<int(int)> close;
  };
  // The node a request goes through, and whether it was kept (opened for an earlier request,
  // or by another thread meanwhile) rather than opened for this one.
  struct RequestNode {
    std::shared_ptr<const OpenNode> node;
    bool kept = false;
  };

  // What a listing makes of a SCSI device.
  enum class DiskStanding : std::uint8_t {
    ToList,
    NotADisk,      // another type of device (a CD drive, an enclosure), or none
    HiddenFromSd,  // a disk that the sd driver, while loaded, has not taken: an array member it
                   // was kept from, or a disk it is still attaching (listed once it has)
    MachinesOwn,   // the machine uses it: it is one of the machine's own disks, or a device built
                   // on it or on a partition of it holds it (md, device mapper)
    Undetermined,  // whether the machine uses it cannot be told: its holders cannot be read, or
                   // the machine's disks cannot all be found
  };
  struct Standing {
    Standing(DiskStanding standing, std::string why = {}, std::optional<HeldDisk::Kind> toldAs = std::nullopt,
             std::string disk = {})
        : standing(standing), why(std::move(why)), toldAs(toldAs), disk(std::move(disk)) {}
    DiskStanding standing;
    // What keeps the disk out ("sdc is held by md127", "the file system at /usr cannot be traced
    // to its disks (...)"); empty for one under a mount, swap or the records.
    std::string why;
    // Set for a disk kept out that the listing names for the operator.
    std::optional<HeldDisk::Kind> toldAs;
    // The block device ("sdb") of a disk the machine uses that why leaves unnamed.
    std::string disk;
  };
  static Standing StandingOf(const std::filesystem::path& scsiDevice, bool sdDriverLoaded, const SystemDisks& machine);
  // What keeps a disk of this standing out of a listing, as a command for its drive number is
  // told: why, or, where why names nothing, what the disk (node: the name of its node) is.
  static std::string WhyKeptOut(const Standing& standing, const std::string& node);
  // The machine's claim on a disk of this standing; none for a disk that is free of it.
  static MachineClaim ClaimOf(const Standing& standing);

  // The disks to list, and the disks kept out that keep their places (keptOut); problem tells why
  // none is listed when the machine's own disks cannot all be found, and held names the disks
  // left out that the operator is told of.
  std::vector<Place> FindDisks(std::string& problem, std::vector<HeldDisk>& held) const;
  // The disks the machine uses now (SystemDisks.h).
  SystemDisks MachinesDisks() const;
  // The standing of the SCSI device's disk now, as a listing would find it.
  Standing CheckedNow(const std::filesystem::path& scsiDevice) const;
  // Whether the sg driver is loaded: the disks are then reached through their sg nodes.
  bool GenericDriverLoaded() const;
  // Whether the sd driver is loaded: a disk is then listed once it has taken it.
  bool SdDriverLoaded() const;
  // The sysfs folder of the SCSI device that owns the node now; empty when none does.
  std::filesystem::path ScsiDeviceOf(const std::string& devicePath) const;
  // A disk found at its address: its node and its SCSI device's folder.
  struct Located {
    std::string devicePath;
    std::filesystem::path scsiDevice;
  };
  // The node (sg, or sd without the sg driver) of the SCSI device at the address now, found from
  // the address (BusAddress.h); empty when there is none.
  Located NodeOf(const std::string& identity, bool generic) const;
  // Gives the disks of a listing their places (called under the lock): a disk still there keeps
  // its place, listed or kept out, the place of one that has gone is emptied, and a disk not seen
  // before takes the first empty place, or one after the last, unless it is kept out.
  void PlaceDisks(std::vector<Place> found);
  // Whether the places name their disks: not while the last listing could not tell the machine's
  // disks apart (called under the lock).
  bool PlacesNameDisks() const { return m_listingProblem.empty(); }
  void ListIfNeverListed();
  // What a drive number names in the place: its disk, or an empty place while the disk is kept
  // out.
  static Place NamedBy(const Place& place);
  // Place n - 1 of the last listing (a first listing is made when there was none), a place that
  // waits for a disk kept out as well; an empty place for a number outside the listing or while
  // the places name no disk.
  Place PlaceOfDrive(int driveNumber);
  // The node a request to the disk with this identity goes through: its kept node, or one
  // looked up, checked and opened now; a null node with errno's value when there is none, and
  // the machine's claim set when the machine claims the disk at the address.
  RequestNode Open(const std::string& identity, int& error, MachineClaim& machineClaim);
  // A kept node that answered as a node whose device has gone is looked up anew by the next
  // open.
  void Forget(const std::string& identity, const std::shared_ptr<const OpenNode>& node);
  // Opens the disk's node (access: O_RDWR or O_RDONLY; always non-blocking) and checks that it
  // belongs to the disk's SCSI device.
  std::shared_ptr<const OpenNode> OpenChecked(const Located& disk, int access, int& error) const;
  // One SG_IO on the open node.
  PassThroughResult Send(const OpenNode& node, PassThroughRequest& request) const;

  SgSystem m_system;
  // Guards the members below; held only while they are read or changed, never across an open,
  // a close or an SG_IO (a node that goes is moved out and closed once the lock is let go).
  std::mutex m_lock;
  bool m_listed = false;
  std::vector<Place> m_places;       // entry n - 1: drive number n
  std::string m_listingProblem;      // why the last listing listed no disk
  std::vector<HeldDisk> m_heldDisks;  // the disks it left out and names
  std::map<std::string, std::shared_ptr<const OpenNode>> m_kept;  // the kept nodes, by identity
};

}  // namespace device
