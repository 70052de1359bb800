#pragma once
// The transport of real drives: the Linux SCSI generic driver. Every request is one SG_IO
// ioctl on the device node (/dev/sgN, or /dev/sdX when the sg driver is not loaded), opened
// for the request and closed after it, as the station opened the drive for each request.
//
// The disks are listed from sysfs in drive-number order: every SCSI generic device of type
// disk (0) or simplified direct access (0x0E) in the order of its sg number; without any,
// the sd block devices in name order (sda, sdb, ..., sdz, sdaa). A disk's node text is its
// place on the bus: its sysfs device path below /sys/devices up to the SCSI host (for a USB
// disk, the USB port it hangs on), which stays the same when the disk is plugged in again.
//
// The system calls go through SgSystem, so tests run the transport against a fake ioctl and a
// fake sysfs tree.
#include <filesystem>
#include <functional>
#include <scsi/sg.h>

#include "device/Transport.h"

namespace device {

struct SgSystem {
  std::function<int(const char* path, int flags)> open;
  std::function<int(int fd)> close;
  std::function<int(int fd, unsigned long request, void* argument)> ioctl;
  std::filesystem::path sysfsRoot = "/sys";
  std::filesystem::path deviceRoot = "/dev";
  // The real system calls and folders.
  static SgSystem Linux();
};

class SgTransport : public Transport {
 public:
  SgTransport();
  explicit SgTransport(SgSystem system);

  std::vector<TransportDisk> ListDisks() override;
  PassThroughResult Execute(const std::string& devicePath, PassThroughRequest& request) override;
  std::string BlockDeviceOf(const std::string& devicePath) override;

  // The SG_IO header of a request: direction, CDB, data, sense buffer and the time-out in ms.
  static void FillHeader(sg_io_hdr_t& header, PassThroughRequest& request, unsigned char* sense,
                         unsigned char senseSize);
  // The outcome that a completed SG_IO header reports.
  static PassThroughResult ResultOf(const sg_io_hdr_t& header, const unsigned char* sense);

 private:
  std::vector<TransportDisk> ListGenericDevices();
  std::vector<TransportDisk> ListBlockDevices();
  std::string NodeTextOf(const std::filesystem::path& deviceLink) const;

  SgSystem m_system;
};

}  // namespace device
