#pragma once
// The device listing: the record of the outside listing library (ROOT_Device), its one export
// ListTvDevice, the wrapper that the program loads at start-up (g_GetDevLibrary), and the
// per-drive path records built from every listing (g_DevicePathTable). Our listing code fills
// the record from the installed transport's disk list, in drive-number order: entry j is drive
// number j + 1 (see Transport.h).
//
// Threads. The production page's mapping worker and the pages' drop-downs list on different
// threads, and the engine reads device paths on the worker threads, so every fill and every
// read goes under one listing lock: ListTvDevice builds the new record aside and copies it in
// under the lock; other threads read through CopyRootDevice(), DevicePathOfListedDrive(),
// IdentityOfListedDrive() and WhyListedDriveIsKeptOut().
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/Transport.h"

inline constexpr std::size_t kDeviceTextLength = 260;   // node text and device path, NUL included
inline constexpr std::size_t kMaxListedDevices = 64;
inline constexpr const char* kNoDevicePath = "NULL";     // the path of an entry without a device
inline constexpr std::uint8_t kListRequest = 1;          // request byte: list the drives

// One listed device: where it hangs and its path.
struct DeviceNodeRecord {
  char nodeText[kDeviceTextLength];
  char devicePath[kDeviceTextLength];
};
static_assert(sizeof(DeviceNodeRecord) == 520);

struct ROOT_Device {
  std::uint8_t reserved0[2];        // 0..1
  std::uint8_t request;             // 2: kListRequest asks for a fresh listing
  std::uint8_t reserved3;           // 3
  std::uint32_t deviceCount;        // 4: entries of devices[] in use
  DeviceNodeRecord devices[kMaxListedDevices];  // 8: in listing order
};
static_assert(offsetof(ROOT_Device, request) == 2);
static_assert(offsetof(ROOT_Device, deviceCount) == 4);
static_assert(offsetof(ROOT_Device, devices) == 8);
static_assert(sizeof(ROOT_Device) == 8 + kMaxListedDevices * sizeof(DeviceNodeRecord));

// The per-drive record of g_DevicePathTable: the device path first (the field the engine reads).
struct DevicePathRecord {
  char devicePath[kDeviceTextLength];
  char nodeText[kDeviceTextLength];
};
static_assert(offsetof(DevicePathRecord, devicePath) == 0);

extern ROOT_Device g_RootDevice;
// Entry j: the device path of drive number j + 1 in the last listing ("NULL" or empty when none).
extern DevicePathRecord g_DevicePathTable[kMaxListedDevices];

// The listing library's export. With the request byte at kListRequest it lists the transport's
// disks into the record (at most kMaxListedDevices; the rest are left out) and rebuilds
// g_DevicePathTable; with any other request byte it leaves the record as it is. Without an
// installed transport the listing is empty.
void ListTvDevice(ROOT_Device* root);

// A copy of g_RootDevice taken under the listing lock.
ROOT_Device CopyRootDevice();
// The device path of a drive number (1-based) in the last listing; empty when the number is
// outside the listing or its entry holds no device.
std::string DevicePathOfListedDrive(int driveNumber);
// What the transport knew the disk of a drive number by at the last listing (its identity,
// Transport.h), kept beside the drive's path and read under the same lock; empty when the
// drive's entry holds no device.
std::string IdentityOfListedDrive(int driveNumber);
// What kept the disk of a drive number out of the last listing, whose entry holds no device while
// the disk is there (TransportDisk::whyKeptOut, kept beside the drive's path and read under the
// same lock); empty for any other entry or a number outside the listing.
std::string WhyListedDriveIsKeptOut(int driveNumber);
// Why the last listing listed no disk although there may be disks to list (the transport's
// ListingProblem, kept beside the listing and read under the same lock); empty when nothing
// kept it from listing them.
std::string ListingProblemOfLastListing();
// The disks the last listing left out and named for the operator, with what holds them or may
// hold them (the transport's HeldDisks, kept beside the listing); none when it named none.
std::vector<device::HeldDisk> HeldDisksOfLastListing();
// The lock that guards g_RootDevice, g_DevicePathTable and what the listing kept of the drives'
// disks beside them.
std::mutex& DeviceListingLock();

// The wrapper around the listing library. The program loads it at start-up and unloads it at
// the end; a call through an unloaded wrapper loads it first. Loading binds the wrapper to the
// installed transport and fails when there is none.
class CGetDevLibrary {
 public:
  bool Load();
  void Unload();
  bool IsLoaded() const;
  // Calls ListTvDevice on the record; false when the library cannot be loaded (the record is
  // then left as it is).
  bool ListTvDevice(ROOT_Device* root);

 private:
  mutable std::mutex m_lock;
  std::shared_ptr<device::Transport> m_transport;
};

extern CGetDevLibrary g_GetDevLibrary;
