// The volume lock: the first mounted volume of the drive is opened and locked, dismounted on
// unlock, and closed in every case; with a fake mount table and fake system calls.
#include <gtest/gtest.h>

#include <cerrno>

#include "FakeTransport.h"
#include "device/DeviceCommand.h"
#include "device/DevicePaths.h"
#include "device/VolumeLock.h"
#include "support/FakeVolumes.h"

namespace {

using testsupport::FakeVolumes;

std::shared_ptr<FakeVolumes> Station() {
  return FakeVolumes::Mounted({{"/dev/sda1", "/"},
                               {"/dev/sdbb1", "/media/other"},
                               {"/dev/sdb2", "/media/slot 3"},
                               {"/dev/sdb1", "/media/slot3b"}});
}

TEST(VolumeLock, LocksTheFirstVolumeOfTheDriveAndDismountsItOnUnlock) {
  auto volumes = Station();
  CVolumeLock lock(volumes);
  ASSERT_NE(lock.Lock("/dev/sdb"), 0);
  EXPECT_TRUE(lock.IsHeld());
  EXPECT_EQ(lock.VolumePath(), "/dev/sdb2");
  EXPECT_EQ(volumes->opened, std::vector<std::string>{"/dev/sdb2"});
  EXPECT_EQ(volumes->locked, 1);
  ASSERT_NE(lock.Unlock(), 0);
  EXPECT_EQ(volumes->unmounted, std::vector<std::string>{"/media/slot 3"});
  EXPECT_EQ(volumes->closed, std::vector<int>{101});
  EXPECT_FALSE(lock.IsHeld());
  EXPECT_EQ(lock.Unlock(), 0) << "nothing left to unlock";
}

TEST(VolumeLock, NoVolumeOpenFailureAndLockFailure) {
  auto volumes = Station();
  CVolumeLock lock(volumes);
  EXPECT_EQ(lock.Lock("/dev/sdc"), 0);
  EXPECT_EQ(lock.Lock(""), 0);
  EXPECT_TRUE(volumes->opened.empty());

  volumes->openFails = true;
  EXPECT_EQ(lock.Lock("/dev/sdb"), 0);
  EXPECT_NE(lock.LastErrorMessage().find("/dev/sdb2"), std::string::npos);

  volumes->openFails = false;
  volumes->lockFails = true;
  EXPECT_EQ(lock.Lock("/dev/sdb"), 0);
  EXPECT_EQ(volumes->closed.size(), 1u) << "a volume that cannot be locked is closed again";
  EXPECT_FALSE(lock.IsHeld());
}

TEST(VolumeLock, AFailedDismountStillClosesAndCloseDoesNotDismount) {
  auto volumes = Station();
  {
    CVolumeLock lock(volumes);
    ASSERT_NE(lock.Lock("/dev/sdb"), 0);
    volumes->unmountFails = true;
    EXPECT_EQ(lock.Unlock(), 0);
    EXPECT_FALSE(lock.IsHeld());
    EXPECT_EQ(volumes->closed.size(), 1u);

    ASSERT_NE(lock.Lock("/dev/sdb"), 0);
    ASSERT_NE(lock.Lock("/dev/sdb"), 0) << "locking again closes the volume held before";
    EXPECT_EQ(volumes->closed.size(), 2u);
    lock.Close();
    EXPECT_EQ(volumes->closed.size(), 3u);
    EXPECT_EQ(volumes->unmounted.size(), 1u);
    ASSERT_NE(lock.Lock("/dev/sdb"), 0);
  }
  EXPECT_EQ(volumes->closed.size(), 4u) << "the destructor closes a held volume";
}

// The dismount is a plain unmount: a file system still in use is busy and stays, and the unlock
// fails, instead of living on detached and writing to the drive during its raw tests.
TEST(VolumeLock, TheDismountIsPlain) {
  static std::vector<int> flagsSeen;
  flagsSeen.clear();
  const auto system = device::LinuxVolumeSystem([](const char*, int flags) {
    flagsSeen.push_back(flags);
    errno = EBUSY;
    return -1;
  });
  EXPECT_FALSE(system->Unmount("/media/slot 3"));
  EXPECT_EQ(flagsSeen, std::vector<int>{0});
}

class BlockTransport : public devicetest::FakeTransport {
 public:
  std::string BlockDeviceOf(const std::string& devicePath) override {
    return devicePath == "/dev/fake2" ? "/dev/sdb" : "";
  }
};

TEST(VolumeLock, LockDriveFindsTheBlockDeviceThroughTheTransport) {
  auto transport = std::make_shared<BlockTransport>();
  transport->SetDisks(devicetest::NumberedDisks(2));
  device::SetTransport(transport);
  const std::uint8_t previous = g_U2AMode.load();
  g_U2AMode = 0;
  auto volumes = Station();
  CVolumeLock lock(volumes);
  CDeviceCommand second(2), first(1), third(3);
  EXPECT_NE(lock.LockDrive(second), 0);
  EXPECT_EQ(lock.VolumePath(), "/dev/sdb2");
  EXPECT_EQ(lock.LockDrive(first), 0) << "a drive without volumes (the simulator's)";
  EXPECT_EQ(lock.LockDrive(third), 0);
  g_U2AMode = previous;
  device::SetTransport(nullptr);
}

TEST(VolumeLock, MountTableAndPartitionNames) {
  const auto entries = device::ParseMountTable(
      "/dev/sdb1 /media/my\\040disk vfat rw 0 0\n"
      "proc /proc proc rw 0 0\n"
      "\n"
      "broken-line\n"
      "/dev/nvme0n1p2 /home ext4 rw 0 0");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].mountPoint, "/media/my disk");
  EXPECT_EQ(entries[2].source, "/dev/nvme0n1p2");

  EXPECT_TRUE(device::IsVolumeOf("/dev/sdb", "/dev/sdb"));
  EXPECT_TRUE(device::IsVolumeOf("/dev/sdb12", "/dev/sdb"));
  EXPECT_TRUE(device::IsVolumeOf("/dev/nvme0n1p2", "/dev/nvme0n1"));
  EXPECT_FALSE(device::IsVolumeOf("/dev/sdba1", "/dev/sdb"));
  EXPECT_FALSE(device::IsVolumeOf("/dev/sdbp", "/dev/sdb"));
  EXPECT_FALSE(device::IsVolumeOf("/dev/sd", "/dev/sdb"));
  EXPECT_FALSE(device::IsVolumeOf("/dev/sdb1", ""));
}

}  // namespace
