#pragma once
// A Linux machine as the SCSI generic transport sees it, staged in a temporary folder: a sysfs
// tree laid out as the kernel lays it out (SCSI devices below their USB port or ATA link and named
// in bus/scsi/devices, their sg and sd devices below them and named in class/scsi_generic and
// block, partitions, device-mapper and md devices with their slaves and their slaves' holders,
// device numbers under dev/block, loop devices with their backing files, btrfs devices under
// fs/btrfs), a /proc tree with the mount table, the swap table and ZFS's pool statistics, and
// system calls that note every open, close and SG_IO with the node it went
// to and answer as the test says; a descriptor of a disk that has gone answers ENODEV, as the
// kernel's does. The system calls may come from many threads at once; the tree is staged by one.
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <scsi/sg.h>
#include <string>
#include <vector>

#include "device/SgTransport.h"

namespace devicetest {

class FakeSgStation {
 public:
  FakeSgStation();
  ~FakeSgStation();
  FakeSgStation(const FakeSgStation&) = delete;
  FakeSgStation& operator=(const FakeSgStation&) = delete;

  // A SCSI host numbered as the kernel numbers a new one: the lowest number that no host holds.
  // Every USB enumeration makes a new host.
  static constexpr int kNewHost = -1;
  // Where a SCSI device hangs: below a USB port ("2-2/2-2:1.0"), or below another folder of
  // /sys/devices when the port begins with "/" ("/platform" for an iSCSI session's host), with
  // host:channel:target:LUN.
  struct Address {
    std::string port;
    int host = 0;
    int channel = 0;
    int target = 0;
    int lun = 0;
  };

  // A SCSI device of the type (0 disk) with its sg node and, when block is given, its sd disk
  // with that device number. Returns the SCSI device's folder. A USB device that holds the
  // device's interface is linked to its hub port ("port") and the port to it ("device"), as the
  // kernel links them once the device's drivers are bound, unless linkUsbPorts is false (then
  // LinkUsbPort links them later).
  std::filesystem::path AddDisk(const std::string& sgName, const Address& address, const std::string& block = "",
                                int major = 8, int minor = 0, int type = 0);
  // The same without the sg driver: the sd disk alone.
  std::filesystem::path AddBlockDisk(const std::string& block, const Address& address, int major = 8, int minor = 0);
  // A SCSI device of the type that no driver has given a node yet (the sd driver is still
  // attaching it). Returns its folder.
  std::filesystem::path AddNodelessDevice(const Address& address, int type = 0);
  // The SCSI device and every name of it go, as when the disk is pulled, and its host with it
  // when the host holds no other device; descriptors still open on its nodes answer ENODEV from
  // then on.
  void RemoveDisk(const std::string& sgName, const std::filesystem::path& scsiDevice, const std::string& block = "");
  // A partition of an sd disk.
  void AddPartition(const std::string& block, const std::string& partition, int major, int minor);
  // A device-mapper or md device built on the named block devices, each of which names it among
  // its holders; a device-mapper device's own name ("vg0-vm1") when given.
  void AddStackedDevice(const std::string& name, int major, int minor, const std::vector<std::string>& slaves,
                        const std::string& mappedName = "");
  // The stacked device stopped (mdadm --stop, dmsetup remove): it goes, and with it its name in
  // the holders of what it was built on.
  void RemoveStackedDevice(const std::string& name);
  // A loop device whose backing file is the given path ("" for none).
  void AddLoopDevice(const std::string& name, int major, int minor, const std::string& backingFile);
  // A btrfs made of the named block devices (/sys/fs/btrfs/<fsid>/devices).
  void AddBtrfs(const std::string& fsid, const std::vector<std::string>& devices);
  // The sd driver is loaded (bus/scsi/drivers/sd): the disks it did not take have no block device.
  void LoadSdDriver();
  // The sd driver lets the disk go (as an unbind does): its block device and the names of it go;
  // its SCSI device and its sg node stay.
  void UnbindFromSd(const std::string& block);
  // A USB 3 root hub port and its USB 2 peer, each the other's "peer", on the hubs of the USB
  // controller that the ports without a leading "/" hang below: ("usb2-port3", "usb1-port3").
  // The root hubs tell their speeds (5000 and 480) unless told not to.
  void PeerUsbPorts(const std::string& superSpeedPort, const std::string& highSpeedPort, bool speeds = true);
  bool linkUsbPorts = true;
  // Links the USB device that holds the SCSI device's interface to its hub port ("port"), and
  // the port to the device ("device"), as the kernel links them.
  void LinkUsbPort(const std::filesystem::path& scsiFolder);
  // An imported ZFS pool: its folder of statistics in /proc/spl/kstat/zfs, beside the module's.
  void ImportZfsPool(const std::string& pool);
  // The pool exported: its folder of statistics goes.
  void ExportZfsPool(const std::string& pool);
  // A line of /proc/self/mountinfo (type and the file system's options as the kernel writes
  // them) and of /proc/swaps.
  void Mount(int major, int minor, const std::string& source, const std::string& mountPoint,
             const std::string& type = "ext4", const std::string& options = "rw");
  // The lines of /proc/self/mountinfo that name the mount point go.
  void Unmount(const std::string& mountPoint);
  // A line of /proc/self/mountinfo written out whole, as a real machine's table has it.
  void MountInfoLine(const std::string& line);
  void Swap(const std::string& path, bool isFile);
  void RemoveMountTable();

  const std::filesystem::path& Root() const { return m_root; }
  // The calls of the transport: system calls into this kernel, folders of this machine.
  device::SgSystem System();

  // ---- the kernel side ----
  int openErrno = 0;    // non-zero: open fails with it
  int ioctlErrno = 0;   // non-zero: SG_IO fails with it
  std::function<void(sg_io_hdr_t&)> answer;
  // Run with the node before every open, close and SG_IO, outside the kernel's lock, as the kernel runs
  // calls on different disks side by side; a test holds a call there to stage one that hangs.
  std::function<void(const std::string& node)> beforeOpen;
  std::function<void(const std::string& node)> beforeClose;
  std::function<void(const std::string& node)> beforeIoctl;
  std::vector<std::string> opened;        // every node opened, in order
  std::vector<int> openFlags;             // and its flags
  std::vector<std::string> sentTo;        // the node of every SG_IO that reached a disk
  int closes = 0;
  sg_io_hdr_t seen{};                     // the last SG_IO header
  std::vector<unsigned char> seenCdb;     // and its CDB
  int OpenDescriptors() const { return static_cast<int>(m_open.size()); }

  // ---- what the machine knows of its disks beside their place ----
  // udev's record of the block device numbered major:minor in the database folder that System()
  // names, written with these lines as udev writes them ("E:ID_FS_TYPE=zfs_member").
  void UdevRecord(int major, int minor, const std::vector<std::string>& lines);
  // An sd disk's "removable" attribute: set for a drive whose media can be taken out.
  void SetRemovable(const std::string& block);
  // The holders folder of a disk or partition cannot be read: a file stands in its place.
  void MakeHoldersUnreadable(const std::string& block);
  // The holders folder can be read again (empty).
  void MakeHoldersReadable(const std::string& block);

 private:
  std::filesystem::path ScsiFolder(const Address& address) const;
  // The address with a kNewHost host given its number.
  Address Numbered(const Address& address) const;
  void LinkBlockNames(const std::string& name, const std::filesystem::path& folder, int major, int minor);
  // The names that LinkBlockNames gave the block device in the folder go.
  void UnlinkBlockNames(const std::string& name, const std::filesystem::path& folder);
  // The port folder of the hub that the USB device of a SCSI device's interface is plugged in,
  // made when missing, and the USB device's folder; empty when the device hangs on no USB port.
  std::pair<std::filesystem::path, std::filesystem::path> UsbPortOf(const std::filesystem::path& scsiFolder);
  // Names the SCSI device in bus/scsi/devices and, with linkUsbPorts, links its USB device's port.
  void LinkScsiDevice(const std::filesystem::path& scsiFolder);
  std::string NodeOfDescriptor(int fd);
  // A port folder of a hub ("usb2" and "usb2-port3", "2-3" and "2-3-port1").
  std::filesystem::path HubPort(const std::filesystem::path& hub, const std::string& port) const;
  void AppendLine(const std::filesystem::path& file, const std::string& line);

  std::filesystem::path m_root;
  std::mutex m_callLock;              // guards the kernel side while system calls run
  std::map<int, std::string> m_open;  // descriptor -> node
  std::set<int> m_gone;               // descriptors whose disk has gone
  int m_nextDescriptor = 100;
};

// The texts of the disks a listing named ("sdc is held by md127").
std::vector<std::string> HeldTexts(const std::vector<device::HeldDisk>& held);

}  // namespace devicetest
