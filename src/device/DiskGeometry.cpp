#include "device/DiskGeometry.h"

#include <cstring>
#include <limits>
#include <string>

#include "device/DeviceCommand.h"

int GetDiskGeometryEx(std::string_view devicePath, DiskGeometryEx* geometry) {
  CDeviceCommand command{std::string(devicePath)};
  return GetDiskGeometryEx(command, geometry);
}

int GetDiskGeometryEx(CDeviceCommand& command, DiskGeometryEx* geometry) {
  if (geometry == nullptr) return 0;
  std::memset(geometry, 0, sizeof(*geometry));
  std::uint64_t lastLba = 0;
  std::uint32_t blockLength = 0;
  // Some USB bridges refuse READ CAPACITY (16) or answer it with nothing; READ CAPACITY (10)
  // tells the size of any disk up to 2 TiB.
  if (!command.ReadCapacity16(lastLba, blockLength) && !command.ReadCapacity10(lastLba, blockLength)) return 0;
  // Block sizes of real disks; anything else is not a size to trust.
  if (blockLength < 512 || blockLength > 65536 || (blockLength & (blockLength - 1)) != 0) return 0;
  const std::uint64_t maxBlocks = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) / blockLength;
  if (lastLba >= maxBlocks) return 0;
  const std::uint64_t blocks = lastLba + 1;
  geometry->diskSize = static_cast<std::int64_t>(blocks * blockLength);
  geometry->bytesPerSector = blockLength;
  geometry->mediaType = kFixedMedia;
  geometry->tracksPerCylinder = kGeometryTracksPerCylinder;
  geometry->sectorsPerTrack = kGeometrySectorsPerTrack;
  geometry->cylinders = static_cast<std::int64_t>(blocks / (kGeometryTracksPerCylinder * kGeometrySectorsPerTrack));
  return 1;
}
