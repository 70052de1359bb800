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
// ("/sys/devices/.../host6/target6:0:0/6:0:0:0"), its identity, which stays the same for as long
// as the disk stays where it is connected; its sg or sd name may pass to another disk (Linux
// gives a freed number to the next disk that arrives), and a disk that the kernel drops and
// attaches again at its own address (after a firmware jump or a power cycle of its slot) may
// come back under another name. Drive number n names the disk in place n of the listing. A
// later listing keeps every disk that is still there in its place, leaves the place of a disk
// that has gone empty, and gives empty places (the first one first, in node order) only to
// disks it has not seen before.
//
// A request names the disk by its identity, and its node is found from the identity when the
// request opens it: the sg node below the SCSI device (<identity>/scsi_generic/sgN), or, without
// the sg driver, its sd node (<identity>/block/sdX). Once the node is open, and before it is
// used, the request checks that the node still belongs to the disk meant; when the disk is not
// at its address or the node has passed to another disk, the request fails with ENODEV, as for
// a pulled drive. A disk that comes back somewhere else on the bus (another port, another SCSI
// host) is another disk to the station, found by the next listing. A kept sd node whose disk
// was dropped and attached again under the same name answers ENODEV without reaching the disk:
// the request is then sent once more on the node opened anew, when it still belongs to the disk.
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
  // The sysfs path of the SCSI device that the last listing found at the node; empty for a node
  // the listing does not hold.
  std::string IdentityOf(const std::string& devicePath) override;
  PassThroughResult ExecuteOn(const std::string& identity, PassThroughRequest& request) override;
  // The sd block device of the SCSI device while it belongs to it.
  std::string BlockDeviceOf(const std::string& identity) override;

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
    OpenNode(int fd, std::string path, std::function<int(int)> close)
        : fd(fd), path(std::move(path)), close(std::move(close)) {}
    ~OpenNode() { close(fd); }
    OpenNode(const OpenNode&) = delete;
    OpenNode& operator=(const OpenNode&) = delete;
    int fd;
    std::string path;
    std::function<int(int)> close;
  };
  // The node a request goes through, and whether it is a kept node that an earlier request
  // opened.
  struct RequestNode {
    std::shared_ptr<const OpenNode> node;
    bool kept = false;
  };

  std::vector<Place> FindDisks() const;
  std::vector<Place> FindGenericDisks(const std::set<std::string>& systemDisks) const;
  std::vector<Place> FindBlockDisks(const std::set<std::string>& systemDisks) const;
  // Whether the sg driver is loaded: the disks are then reached through their sg nodes.
  bool GenericDriverLoaded() const;
  std::string NodeTextOf(const std::filesystem::path& scsiDevice) const;
  // The sysfs path of the SCSI device that owns the node now; empty when none does.
  std::string CurrentIdentity(const std::string& devicePath) const;
  // The node of the SCSI device now (sg, or sd without the sg driver) while it belongs to the
  // device; empty when the device has none.
  std::string NodeOf(const std::string& identity, bool generic) const;
  void ListIfNeverListed();
  // The node opened for a request to the disk with this identity, or a null node with errno's
  // value.
  RequestNode Open(const std::string& identity, int& error);
  RequestNode OpenKept(const std::string& devicePath, const std::string& identity, int& error);
  // A kept node that answered as a node whose device has gone is opened anew by the next open.
  void Forget(const std::string& identity, const OpenNode* node);
  // Opens the node (access: O_RDWR or O_RDONLY; always non-blocking) and checks that it belongs
  // to the disk with this identity.
  std::shared_ptr<const OpenNode> OpenChecked(const std::string& devicePath, const std::string& identity, int access,
                                              int& error) const;
  // One SG_IO on the open node.
  PassThroughResult Send(const OpenNode& node, PassThroughRequest& request) const;

  SgSystem m_system;
  std::mutex m_lock;                 // guards the members below
  bool m_listed = false;
  std::vector<Place> m_places;       // entry n - 1: drive number n
  std::map<std::string, std::shared_ptr<const OpenNode>> m_kept;  // sd nodes, by identity
};

}  // namespace device
