#pragma once
// One SCSI pass-through request and the interface that carries it to a device. Two
// transports implement it: the Linux SCSI generic driver (SgTransport) and the simulated
// station (sim::SimTransport). Device code above this header never knows which one runs.
//
// Drive numbers. The transport lists the disks it can reach in a fixed order; entry n of
// ListDisks() (counting from 0) is drive number n + 1, the drive that the station names
// "\\.\PhysicalDrive<n + 1>". Drive numbers are 1-based everywhere in the station (the pages
// hand the engine the 1-based index in the device listing, and g_DevicePathTable entry j is
// drive number j + 1), so "\\.\PhysicalDrive0" names no drive.
//
// How a transport reports an outcome (PassThroughResult):
//  - the request never reached a device: systemError holds an errno value
//    (ENODEV / ENOENT / ENXIO: no such device or it vanished; EACCES: no permission;
//    EIO, EBUSY, EINTR, EAGAIN: the request may succeed when sent again);
//  - the device did not answer within the request's time-out: hostStatus kHostTimeOut;
//  - the device answered: scsiStatus (0 GOOD, 2 CHECK CONDITION, 8 BUSY, ...), the sense
//    bytes it returned (senseLength of them, at most sense.size()) and the number of data
//    bytes actually moved (transferred, never more than the request's dataLength).
// Both transports must be safe to call from many threads at once: the station's worker
// threads talk to 24 drives at the same time.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace device {

enum class DataDirection : std::uint8_t { None, In, Out };

// Host status values (as the Linux SCSI midlayer reports them).
inline constexpr std::uint8_t kHostOk = 0x00;
inline constexpr std::uint8_t kHostNoConnect = 0x01;   // the device is gone
inline constexpr std::uint8_t kHostBusBusy = 0x02;
inline constexpr std::uint8_t kHostTimeOut = 0x03;     // no answer within the time-out
inline constexpr std::uint8_t kHostBadTarget = 0x04;
inline constexpr std::uint8_t kHostAbort = 0x05;
inline constexpr std::uint8_t kHostError = 0x07;
inline constexpr std::uint8_t kHostReset = 0x08;
inline constexpr std::uint8_t kHostSoftError = 0x0B;

// SCSI status byte values.
inline constexpr std::uint8_t kScsiGood = 0x00;
inline constexpr std::uint8_t kScsiCheckCondition = 0x02;
inline constexpr std::uint8_t kScsiBusy = 0x08;

// Driver status: the low nibble of the Linux driver byte; DRIVER_SENSE (0x08 in the high
// nibble) only says that sense bytes came back and is not an error by itself.
inline constexpr std::uint8_t kDriverOk = 0x00;
inline constexpr std::uint8_t kDriverBusy = 0x01;
inline constexpr std::uint8_t kDriverSoft = 0x02;
inline constexpr std::uint8_t kDriverMedia = 0x03;
inline constexpr std::uint8_t kDriverError = 0x04;
inline constexpr std::uint8_t kDriverInvalid = 0x05;
inline constexpr std::uint8_t kDriverTimeOut = 0x06;
inline constexpr std::uint8_t kDriverHard = 0x07;
inline constexpr std::uint8_t kDriverSenseFlag = 0x08;

// Why nothing of a disk may be touched: the machine uses it (a mounted file system, swap, the
// station's records, a device built on it such as an md array, an imported ZFS pool), or whether
// it does cannot be told now (a mount that cannot be traced to its disks, holders that cannot be
// read).
struct MachineClaim {
  enum class Kind : std::uint8_t { None, Uses, Unknown };
  Kind kind = Kind::None;
  // Uses: what the machine uses the disk for ("sdd is a member of the imported ZFS pool tank"),
  // empty when it is only known to be one of kWhatTheMachineUses. Unknown: what cannot be told
  // ("the file system at /usr cannot be traced to its disks (...)").
  std::string what;
  explicit operator bool() const { return kind != Kind::None; }
};

// What makes a disk one that the machine uses, as messages name it.
inline constexpr const char* kWhatTheMachineUses =
    "a mounted file system, swap, the station's records, or an md array or device-mapper device built on it";

// The claim as a message goes on after "the disk": "is one that the machine uses now (...)",
// "cannot be told apart from the machine's own disks now (...)".
std::string MachineClaimText(const MachineClaim& claim);

struct PassThroughRequest {
  std::array<std::uint8_t, 16> cdb{};
  std::uint8_t cdbLength = 0;        // 6, 10, 12 or 16
  DataDirection direction = DataDirection::None;
  std::uint8_t* data = nullptr;      // caller's buffer, dataLength bytes
  std::uint32_t dataLength = 0;
  std::uint32_t timeoutSeconds = 10;
};

struct PassThroughResult {
  // errno-style code of the system when the request could not be delivered (0 = delivered).
  int systemError = 0;
  std::uint8_t scsiStatus = kScsiGood;
  std::uint8_t hostStatus = kHostOk;
  std::uint8_t driverStatus = kDriverOk;   // DRIVER_SENSE may be set alongside
  std::array<std::uint8_t, 32> sense{};
  std::uint8_t senseLength = 0;
  std::uint32_t transferred = 0;     // bytes actually moved
  // Set when nothing was sent (systemError EPERM) because the disk at the drive's address has
  // become one that the machine uses, or cannot be told apart from the machine's own now.
  MachineClaim machineClaim{};
  bool Delivered() const { return systemError == 0; }
  bool Succeeded() const {
    return systemError == 0 && scsiStatus == kScsiGood && hostStatus == kHostOk &&
           (driverStatus & 0x07) == kDriverOk;
  }
};

// A disk the transport can reach.
struct TransportDisk {
  TransportDisk() = default;
  TransportDisk(std::string devicePath, std::string nodeText, std::string identity = {}, std::string whyKeptOut = {})
      : devicePath(std::move(devicePath)),
        nodeText(std::move(nodeText)),
        identity(std::move(identity)),
        whyKeptOut(std::move(whyKeptOut)) {}
  // The native node ("/dev/sg3") or the simulator's name. Empty for a place in the listing
  // that holds no device at the moment; the listing shows it as "NULL" and keeps the drive
  // numbers of the disks after it.
  std::string devicePath;
  std::string nodeText;     // where it hangs (bus / port), for the listing record
  // What IdentityOf answers for devicePath at this listing; a transport whose identities are
  // its paths may leave it empty.
  std::string identity;
  // For a place without a device whose disk is there but kept out of the listing, what keeps it
  // out ("sdc is held by md0"); empty otherwise.
  std::string whyKeptOut;
};

// The block device of a disk, as the volume lock asks for it.
struct BlockDeviceLookup {
  // "/dev/sdb"; empty when the disk is not there, has no volumes, or is claimed by the machine.
  std::string path;
  // Set when the disk at the address is one that the machine uses or that cannot be told apart
  // from the machine's own now: nothing of it may be unmounted.
  MachineClaim machineClaim{};
};

// A disk that a listing left out and names for the operator, and why.
struct HeldDisk {
  enum class Kind : std::uint8_t {
    ByDevice,           // a device built on it holds it: md, device mapper, bcache
    ZfsPoolMember,      // a member of an imported ZFS pool none of whose datasets is mounted
    ZfsSigns,           // it shows ZFS signs without a pool's name while a pool is imported
    HoldersUnreadable,  // what holds it cannot be read, so it may be held
  };
  Kind kind = Kind::ByDevice;
  std::string text;  // "sdc is held by md127", "sdd is a member of the imported ZFS pool tank"
  friend bool operator==(const HeldDisk&, const HeldDisk&) = default;
};

class Transport {
 public:
  virtual ~Transport() = default;
  // The disks in drive-number order: entry n is drive number n + 1.
  virtual std::vector<TransportDisk> ListDisks() = 0;
  // Sends one request to the device at devicePath (an entry of ListDisks or a bridge path).
  // The transport fills the result; it never throws.
  virtual PassThroughResult Execute(const std::string& devicePath, PassThroughRequest& request) = 0;

  // The device path of drive number driveNumber (1-based), or empty when there is none.
  // The default asks ListDisks; a transport may answer faster.
  virtual std::string DevicePathOfDrive(int driveNumber);
  // What tells the disk that devicePath names now apart from any disk that may get the same
  // path later; a command holds it from its first request to its last. A transport that never
  // hands a path to another disk answers the path itself (the default); one whose paths can
  // pass to another disk answers a token of its own, or empty when it does not know the path.
  virtual std::string IdentityOf(const std::string& devicePath);
  // The identity of drive number driveNumber's disk, found in one lookup, so that no listing
  // between finding the drive's path and finding that path's disk can give the drive another
  // place's disk; empty when there is none. The default asks DevicePathOfDrive and IdentityOf,
  // which is one lookup where the identity is the path; a transport with identities of its own
  // answers from its listing under its lock.
  virtual std::string IdentityOfDrive(int driveNumber);
  // Execute, for the disk that IdentityOf gave this identity, wherever that disk is now: a
  // transport whose paths can pass to another disk finds the disk's node from the identity (and
  // may keep it while it is the disk's), and answers ENODEV, as for a pulled drive, when the disk
  // is not there (or the identity is empty). The default sends to the path that is the identity.
  virtual PassThroughResult ExecuteOn(const std::string& identity, PassThroughRequest& request);
  // The block device whose partitions are the volumes of the disk with this identity
  // ("/dev/sdb"), or none when the disk is not there, has no volumes (the simulator) or is one
  // that the machine claims (said so, with why).
  virtual BlockDeviceLookup BlockDeviceOf(const std::string& identity);
  // Why the last listing left out every disk, for the operator: what the machine uses that
  // cannot be traced to its disks, and why ("the file system at /tank cannot be traced to its
  // disks (...)"); empty when the listing left out no disk but the machine's own (the default).
  virtual std::string ListingProblem();
  // The disks the last listing left out that the operator is told of, each with what holds it or
  // may hold it ("sdc is held by md127", "sdd is a member of the imported ZFS pool tank"); none
  // by default. A disk under a mounted file system, swap or the records is not named.
  virtual std::vector<HeldDisk> HeldDisks();
  // What keeps the disk in drive number driveNumber's place out of the last listing while the
  // place waits for it ("sdc is held by md0", "sdb is one that the machine uses (...)"); empty
  // when the number names a disk, an empty place or no place, and for a transport that keeps no
  // disk out (the default).
  virtual std::string WhyDriveIsKeptOut(int driveNumber);
  // What the operator must be told about the drives this transport serves, shown in the
  // window's caption ("Simulated station"); empty for real drives.
  virtual std::string OperatorLabel() const;
};

// The process-wide transport. The program installs one at start-up (from the station's
// platform settings), the tests install theirs; everything in src/device uses it.
void SetTransport(std::shared_ptr<Transport> transport);
// The installed transport, or null when none is installed.
std::shared_ptr<Transport> GetTransport();

}  // namespace device
