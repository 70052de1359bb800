#pragma once
// GetDiskGeometryEx: the size and a conventional geometry of a disk. The 40-byte record has
// the layout the station reads: the geometry, then the disk size in bytes as a 64-bit number.
// We ask the drive with READ CAPACITY (16) through the transport, so real drives and the
// simulator answer alike, and with READ CAPACITY (10) when that fails.
#include <cstddef>
#include <cstdint>
#include <string_view>

struct DiskGeometryEx {
  std::int64_t cylinders;            // 0
  std::uint32_t mediaType;           // 8: kFixedMedia
  std::uint32_t tracksPerCylinder;   // 12
  std::uint32_t sectorsPerTrack;     // 16
  std::uint32_t bytesPerSector;      // 20
  std::int64_t diskSize;             // 24: bytes
  std::uint8_t data[8];              // 32: partition and detection information, not filled
};
static_assert(sizeof(DiskGeometryEx) == 40);
static_assert(offsetof(DiskGeometryEx, bytesPerSector) == 20);
static_assert(offsetof(DiskGeometryEx, diskSize) == 24);

inline constexpr std::uint32_t kFixedMedia = 12;
inline constexpr std::uint32_t kGeometryTracksPerCylinder = 255;
inline constexpr std::uint32_t kGeometrySectorsPerTrack = 63;

class CDeviceCommand;

// Fills the record for the device at the path text ("\\.\PhysicalDrive%d" or a listed device
// path). Non-zero on success; 0 when the device cannot be reached or answers a size that makes
// no sense, and the record is then all zero.
int GetDiskGeometryEx(std::string_view devicePath, DiskGeometryEx* geometry);
// The same for the disk that the drive's commands go to, asked through them.
int GetDiskGeometryEx(CDeviceCommand& drive, DiskGeometryEx* geometry);
