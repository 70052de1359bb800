#pragma once
// The port-mapping records of the station and their refresh.
//
// "C:\MP_SSD_NODE\AutoMapping.ini" holds one section per port, "Port%d" with the index 0 to 23
// (section 0 is port 1), and in it "PortNode" (where the port's drive hangs), "SymbolicLink"
// (the device path found there in the last listing) and "Symbolic_temp" (the link a port got
// when ports are not mapped). The production page's Scan and the "Disk :" drop-downs of the
// result and bad-block-table pages refresh the file the same way, through RefreshPortMapping:
// list the drives, bring the links up to date, apply the mapping type and match the listed
// drives to the ports. The production page maps on a worker thread while a drop-down may map
// on the user-interface thread, so a refresh (its listing and its file access together) holds
// the one mapping lock: two refreshes never interleave their reads and writes of the file.
#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "device/DeviceListing.h"

inline constexpr const char* kAutoMappingIniPath = "C:\\MP_SSD_NODE\\AutoMapping.ini";

// How ports are mapped to drives (key MappingType of [General Info] in MPToolSetting.ini).
enum PortMappingType : int {
  kMappingNone = 0,           // the k-th present drive is port k + 1
  kMappingByHub = 1,          // the j-th listed drive is port j + 1, its node recorded
  kMappingByDriveNumber = 2,  // a new drive takes the first free port and keeps it
};

inline constexpr int kMappedPorts = 24;
// Entry p (1..24): the 1-based listing index (drive number) of the drive mapped to port p; 0 no
// drive. Entry 0 and the entries above 24 are never written.
inline constexpr std::size_t kPortDeviceTableSize = 49;
using PortDeviceTable = std::array<std::uint32_t, kPortDeviceTableSize>;

// The lock every refresh holds for its listing and its reads and writes of the mapping file.
std::recursive_mutex& PortMappingLock();

// Asks the device listing for a fresh list of drives into g_RootDevice and returns a copy.
ROOT_Device ListDevicesNow();

// Refreshes the mapping file from a listing by the mapping type and returns the ports' drives.
// A mapping file that does not exist is left alone and maps nothing; failed writes are ignored.
PortDeviceTable RefreshAutoMapping(const ROOT_Device& listing, int mappingType,
                                   const std::string& mappingFile = kAutoMappingIniPath);

// Both under one hold of the mapping lock: a fresh listing, then the refresh.
PortDeviceTable RefreshPortMapping(int mappingType, const std::string& mappingFile = kAutoMappingIniPath);
