#pragma once
// The transport of real drives: the Linux SCSI generic driver. Every request is one SG_IO
// ioctl on the disk's node: /dev/sgN, opened for the request (read and write, non-blocking)
// and closed after it; or, when the sg driver is not loaded, /dev/sdX, opened once read-only
// and non-blocking and kept until the disk has gone or the transport ends (every close of a
// writable block device makes udev probe the disk again, which a drive on boot or vendor code
// may not answer).
//
// The disks. A listing reads sysfs: every SCSI generic device of type disk (0) or simplified
// direct access (0x0E), in the order of its sg number; without the sg driver, the sd block
// devices in name order (sda, ..., sdz, sdaa). A disk that holds the running system or the
// station's records (SystemDisks.h) is never listed, nor any disk while those disks cannot all
// be found, and a node that the listing does not hold is never sent a request.
//
// Drive numbers. A disk is known by the sysfs path of its SCSI device
// ("/sys/devices/.../host6/target6:0:0/6:0:0:0"), which stays the same for as long as the disk
// stays where it is connected; its sg or sd name may pass to another disk (Linux gives a freed
// number to the next disk that arrives). Drive number n names the disk in place n of the
// listing. A later listing keeps every disk that is still there in its place, leaves the place
// of a disk that has gone empty, and gives empty places (the first one first, in node order)
// only to disks it has not seen before. Every request checks, once the node is open and before
// it is used, that the node still belongs to the disk meant; when it does not, the request
// fails with ENODEV, as for a pulled drive. A disk that comes back somewhere else on the bus is
// another disk to the station, found by the next listing.
//
// A disk's node text is where it hangs: its sysfs device path below /sys/devices without the
// SCSI host number (for a USB disk the USB port, then channel:target:LUN), which stays the same
// when the disk is plugged in again and tells apart the LUNs of one USB device and the disks
// behind one port multiplier.
//
// The system calls go through SgSystem, so tests run the transport against a fake ioctl and
// fake sysfs and /proc trees.
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <scsi/sg.h>
#include <set>

#include "device/Transport.h"

namespace device {

struct SgSystem {
  std::function<int(const char* path, int flags)> open;
  std::function<int(int fd)> close;
  std::function<int(int fd, unsigned long request, void* argument)> ioctl;
  std::filesystem::path sysfsRoot = "/sys";
  std::filesystem::path deviceRoot = "/dev";
  std::filesystem::path procRoot = "/proc";  // the mount table and the swap table
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
  // The place's node of the last listing (a first listing is made when there was none).
  std::string DevicePathOfDrive(int driveNumber) override;
  // The sysfs path of the SCSI device that the last listing found at the node.
  std::string IdentityOf(const std::string& devicePath) override;
  PassThroughResult ExecuteOn(const std::string& devicePath, const std::string& identity,
                              PassThroughRequest& request) override;
  // The sd block device of a listed node while the node still belongs to the listed disk.
  std::string BlockDeviceOf(const std::string& devicePath) override;

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
  };
  // An open node; closed when the last request that uses it lets it go.
  struct OpenNode {
    OpenNode(int fd, std::string identity, std::function<int(int)> close)
        : fd(fd), identity(std::move(identity)), close(std::move(close)) {}
    ~OpenNode() { close(fd); }
    OpenNode(const OpenNode&) = delete;
    OpenNode& operator=(const OpenNode&) = delete;
    int fd;
    std::string identity;
    std::function<int(int)> close;
  };

  std::vector<Place> FindDisks() const;
  std::vector<Place> FindGenericDisks(const std::set<std::string>& systemDisks) const;
  std::vector<Place> FindBlockDisks(const std::set<std::string>& systemDisks) const;
  std::string NodeTextOf(const std::filesystem::path& scsiDevice) const;
  // The sysfs path of the SCSI device that owns the node now; empty when none does.
  std::string CurrentIdentity(const std::string& devicePath) const;
  void ListIfNeverListed();
  // The node opened for a request to the disk with this identity, or null with errno's value.
  std::shared_ptr<const OpenNode> Open(const std::string& devicePath, const std::string& identity, int& error);
  std::shared_ptr<const OpenNode> OpenKept(const std::string& devicePath, const std::string& identity, int& error);
  // A kept node whose device has gone (a disk dropped and attached anew at its own address
  // keeps its identity, but not its old node) is opened again for the next request.
  void Forget(const std::string& devicePath, const OpenNode* node);
  // Opens the node (access: O_RDWR or O_RDONLY; always non-blocking) and checks that it belongs
  // to the disk with this identity.
  std::shared_ptr<const OpenNode> OpenChecked(const std::string& devicePath, const std::string& identity, int access,
                                              int& error) const;

  SgSystem m_system;
  std::mutex m_lock;                 // guards the members below
  bool m_listed = false;
  std::vector<Place> m_places;       // entry n - 1: drive number n
  std::map<std::string, std::shared_ptr<const OpenNode>> m_kept;  // sd nodes, by path
};

}  // namespace device
