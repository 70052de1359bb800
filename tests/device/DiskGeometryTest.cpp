// GetDiskGeometryEx: the 40-byte record from READ CAPACITY (16), or (10) from a bridge that
// refuses (16), and sizes that make no sense.
#include <gtest/gtest.h>

#include <cstring>

#include "FakeTransport.h"
#include "device/ByteOrder.h"
#include "device/DeviceListing.h"
#include "device/DiskGeometry.h"
#include "device/Sense.h"

namespace {

using devicetest::InstalledFakeTransport;
using devicetest::NumberedDisks;

void AnswerCapacity(devicetest::FakeTransport& transport, std::uint64_t lastLba, std::uint32_t blockLength) {
  transport.SetAnswer([=](const std::string&, device::PassThroughRequest& request) {
    device::PassThroughResult result;
    if (request.cdb[0] != 0x9E || request.dataLength < 32) {
      result.systemError = EINVAL;
      return result;
    }
    std::memset(request.data, 0, request.dataLength);
    device::StoreBigEndian(request.data, 8, lastLba);
    device::StoreBigEndian(request.data + 8, 4, blockLength);
    result.transferred = 32;
    return result;
  });
}

TEST(DiskGeometry, RecordFromReadCapacity) {
  InstalledFakeTransport transport(NumberedDisks(2));
  AnswerCapacity(*transport, 250069679, 512);  // 128 GB (IDEMA)
  DiskGeometryEx geometry;
  std::memset(&geometry, 0xCC, sizeof(geometry));
  ASSERT_NE(GetDiskGeometryEx("\\\\.\\PhysicalDrive2", &geometry), 0);
  EXPECT_EQ(geometry.diskSize, 250069680ll * 512);
  EXPECT_EQ(geometry.bytesPerSector, 512u);
  EXPECT_EQ(geometry.mediaType, kFixedMedia);
  EXPECT_EQ(geometry.tracksPerCylinder, 255u);
  EXPECT_EQ(geometry.sectorsPerTrack, 63u);
  EXPECT_EQ(geometry.cylinders, 250069680ll / (255 * 63));
  const std::uint8_t zeros[8] = {};
  EXPECT_EQ(std::memcmp(geometry.data, zeros, 8), 0);
  EXPECT_EQ(transport->Requests().at(0).devicePath, "/dev/fake2");

  // The raw record: the size sits at byte 24, little-endian, as the station reads it.
  std::uint8_t raw[40];
  std::memcpy(raw, &geometry, sizeof(raw));
  EXPECT_EQ(device::LoadLittleEndian(raw + 24, 8), 250069680ull * 512);
}

// A bridge that refuses READ CAPACITY (16), or answers it with nothing, still tells the size by
// READ CAPACITY (10).
TEST(DiskGeometry, ReadCapacity10WhenTheBridgeRefuses16) {
  enum Refusal { kIllegalRequest, kEmptyReply };
  struct Case {
    const char* what;
    Refusal refusal;
    std::uint32_t lastLba;  // in the READ CAPACITY (10) reply
    std::int64_t size;
  };
  const Case cases[] = {
      {"invalid operation code", kIllegalRequest, 250069679, 250069680ll * 512},
      {"an all-zero reply", kEmptyReply, 250069679, 250069680ll * 512},
      {"a disk too large for READ CAPACITY (10)", kIllegalRequest, 0xFFFFFFFF, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstalledFakeTransport transport(NumberedDisks(1));
    transport->SetAnswer([&c](const std::string&, device::PassThroughRequest& request) {
      device::PassThroughResult result;
      std::memset(request.data, 0, request.dataLength);
      if (request.cdb[0] == 0x25) {
        device::StoreBigEndian(request.data, 4, c.lastLba);
        device::StoreBigEndian(request.data + 4, 4, 512);
      } else if (c.refusal == kIllegalRequest) {
        result.scsiStatus = device::kScsiCheckCondition;
        result.sense = {0x70, 0, device::kSenseIllegalRequest, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0x00};
        result.senseLength = 18;
        return result;
      }
      result.transferred = request.dataLength;
      return result;
    });
    DiskGeometryEx geometry;
    EXPECT_EQ(GetDiskGeometryEx("/dev/fake1", &geometry) != 0, c.size != 0);
    EXPECT_EQ(geometry.diskSize, c.size);
  }
}

TEST(DiskGeometry, AListedDevicePathWorksToo) {
  InstalledFakeTransport transport(NumberedDisks(1));
  AnswerCapacity(*transport, 7, 4096);
  DiskGeometryEx geometry;
  ASSERT_NE(GetDiskGeometryEx("/dev/fake1", &geometry), 0);
  EXPECT_EQ(geometry.diskSize, 8 * 4096);
  EXPECT_EQ(geometry.cylinders, 0);
}

TEST(DiskGeometry, FailuresLeaveAZeroRecord) {
  InstalledFakeTransport transport(NumberedDisks(1));
  const std::uint8_t zeros[40] = {};
  DiskGeometryEx geometry;

  for (std::uint32_t badLength : {0u, 520u, 256u, 131072u}) {
    AnswerCapacity(*transport, 1000, badLength);
    std::memset(&geometry, 0xCC, sizeof(geometry));
    EXPECT_EQ(GetDiskGeometryEx("/dev/fake1", &geometry), 0) << badLength;
    EXPECT_EQ(std::memcmp(&geometry, zeros, 40), 0);
  }
  AnswerCapacity(*transport, ~0ull, 512);  // a size beyond 64 bits
  EXPECT_EQ(GetDiskGeometryEx("/dev/fake1", &geometry), 0);

  AnswerCapacity(*transport, 1000, 512);
  std::memset(&geometry, 0xCC, sizeof(geometry));
  EXPECT_EQ(GetDiskGeometryEx("\\\\.\\PhysicalDrive5", &geometry), 0) << "no such drive";
  EXPECT_EQ(std::memcmp(&geometry, zeros, 40), 0);
  EXPECT_EQ(GetDiskGeometryEx("/dev/fake1", nullptr), 0);
}

}  // namespace
