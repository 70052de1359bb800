// The volume lock: every mounted volume of the drive is unmounted and the drive's node opened
// and locked; what was mounted again meanwhile is unmounted on unlock, also on a drive back
// under a new name, and the node is closed in every case; with a fake mount table and fake
// system calls.
#include <gtest/gtest.h>

#include <cerrno>
#include <set>

#include "CommandCalls.h"
#include "FakeSgStation.h"
#include "FakeTransport.h"
#include "device/DeviceCommand.h"
#include "device/DevicePaths.h"
#include "device/VolumeLock.h"
#include "support/FakeVolumes.h"

namespace {

using testsupport::FakeVolumes;

// Drive sdb has two volumes mounted, among those of other drives.
std::vector<device::MountEntry> StationMounts() {
  return {{"/dev/sda1", "/"},
          {"/dev/sdbb1", "/media/other"},
          {"/dev/sdb2", "/media/slot 3"},
          {"/dev/sdb1", "/media/slot3b"}};
}

std::shared_ptr<FakeVolumes> Station() { return FakeVolumes::Mounted(StationMounts()); }

// The volumes of sdb still in the mount table.
std::vector<std::string> StillMounted(const FakeVolumes& volumes) {
  std::vector<std::string> points;
  for (const device::MountEntry& entry : volumes.mounts) {
    if (device::IsVolumeOf(entry.source, "/dev/sdb")) points.push_back(entry.mountPoint);
  }
  return points;
}

TEST(VolumeLock, LockUnmountsEveryVolumeOfTheDriveAndABusyOneFailsIt) {
  struct Case {
    const char* what;
    std::set<std::string> busy;
    std::vector<device::MountEntry> mountedLater;  // after the station's volumes
    int locked;
    std::vector<std::string> unmounted;  // every unmount asked for, in order
    std::vector<std::string> stillMounted;
  };
  const Case cases[] = {
      {"both volumes free", {}, {}, 1, {"/media/slot3b", "/media/slot 3"}, {}},
      {"one volume busy", {"/media/slot 3"}, {}, 0, {"/media/slot3b", "/media/slot 3"}, {"/media/slot 3"}},
      {"a volume under another drive's file system",
       {},
       {{"/dev/sdc1", "/media/slot3b"}},
       0,
       {"/media/slot 3"},
       {"/media/slot3b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto volumes = Station();
    volumes->busy = c.busy;
    volumes->mounts.insert(volumes->mounts.end(), c.mountedLater.begin(), c.mountedLater.end());
    CVolumeLock lock(volumes);
    EXPECT_EQ(lock.Lock("/dev/sdb"), c.locked);
    EXPECT_EQ(volumes->unmounted, c.unmounted);
    EXPECT_EQ(StillMounted(*volumes), c.stillMounted);
    EXPECT_EQ(lock.IsHeld(), c.locked != 0);
    EXPECT_EQ(volumes->opened, c.locked ? std::vector<std::string>{"/dev/sdb"} : std::vector<std::string>{});
    EXPECT_EQ(volumes->locked, c.locked);
  }
}

TEST(VolumeLock, UnlockUnmountsWhatWasMountedAgainAndReleasesTheDrive) {
  struct Case {
    const char* what;
    std::vector<device::MountEntry> mountedAgain;
    std::set<std::string> busy;
    int unlocked;
    std::vector<std::string> unmounted;  // by the unlock
  };
  const Case cases[] = {
      {"nothing mounted again", {}, {}, 1, {}},
      {"an automounter mounted a volume again", {{"/dev/sdb1", "/media/auto"}}, {}, 1, {"/media/auto"}},
      {"the volume mounted again is busy", {{"/dev/sdb1", "/media/auto"}}, {"/media/auto"}, 0, {"/media/auto"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto volumes = Station();
    CVolumeLock lock(volumes);
    ASSERT_NE(lock.Lock("/dev/sdb"), 0);
    volumes->unmounted.clear();
    volumes->mounts.insert(volumes->mounts.end(), c.mountedAgain.begin(), c.mountedAgain.end());
    volumes->busy = c.busy;
    EXPECT_EQ(lock.Unlock(), c.unlocked);
    EXPECT_EQ(volumes->unmounted, c.unmounted);
    EXPECT_EQ(volumes->closed, std::vector<int>{101}) << "the drive is released either way";
    EXPECT_FALSE(lock.IsHeld());
    EXPECT_EQ(lock.Unlock(), 0) << "nothing left to unlock";
  }
}

// No volume is locked in any of these; a drive with nothing mounted still has its node held
// (udev must not probe it while it is written), until the unlock or the close.
TEST(VolumeLock, NoVolumeOpenFailureAndLockFailure) {
  struct Case {
    const char* what;
    std::string drive;
    bool openFails;
    bool lockFails;
    bool held;
    bool closed;  // a node was opened and closed again by the end
  };
  const Case cases[] = {
      {"nothing mounted", "/dev/sdc", false, false, true, true},
      {"nothing mounted, the open fails", "/dev/sdc", true, false, false, false},
      {"nothing mounted, the lock fails", "/dev/sdc", false, true, false, true},
      {"volumes mounted, the open fails", "/dev/sdb", true, false, false, false},
      {"volumes mounted, the lock fails", "/dev/sdb", false, true, false, true},
      {"no block device", "", false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto volumes = Station();
    volumes->openFails = c.openFails;
    volumes->lockFails = c.lockFails;
    CVolumeLock lock(volumes);
    EXPECT_EQ(lock.Lock(c.drive), 0);
    EXPECT_EQ(lock.IsHeld(), c.held);
    EXPECT_EQ(volumes->opened, c.drive.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.drive});
    if (!c.drive.empty()) {
      EXPECT_NE(lock.LastErrorMessage().find(c.drive), std::string::npos);
    }
    lock.Close();
    EXPECT_EQ(volumes->closed, c.closed ? std::vector<int>{101} : std::vector<int>{});
  }
}

TEST(VolumeLock, CloseReleasesWithoutUnmounting) {
  auto volumes = Station();
  {
    CVolumeLock lock(volumes);
    ASSERT_NE(lock.Lock("/dev/sdb"), 0);
    volumes->mounts = StationMounts();
    ASSERT_NE(lock.Lock("/dev/sdb"), 0) << "locking again closes the drive held before";
    EXPECT_EQ(volumes->closed.size(), 1u);
    volumes->mounts = StationMounts();
    volumes->unmounted.clear();
    lock.Close();
    EXPECT_EQ(volumes->closed.size(), 2u);
    EXPECT_TRUE(volumes->unmounted.empty());
    ASSERT_NE(lock.Lock("/dev/sdb"), 0);
  }
  EXPECT_EQ(volumes->closed.size(), 3u) << "the destructor closes a held drive";
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
  device::BlockDeviceLookup BlockDeviceOf(const std::string& devicePath) override {
    return {devicePath == "/dev/fake2" ? "/dev/sdb" : ""};
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
  EXPECT_EQ(lock.DrivePath(), "/dev/sdb");
  EXPECT_EQ(lock.LockDrive(first), 0) << "a drive without volumes (the simulator's)";
  EXPECT_EQ(lock.LockDrive(third), 0);
  g_U2AMode = previous;
  device::SetTransport(nullptr);
}

// A drive that drops off while it is held comes back at its address under a new name (the node
// held keeps the old one taken), and an automounter mounts its partition there.
TEST(VolumeLock, UnlockUnmountsWhatIsMountedOnTheDriveUnderTheNameItCameBackUnder) {
  struct Case {
    const char* what;
    std::set<std::string> busy;
    int unlocked;
  };
  const Case cases[] = {{"free", {}, 1}, {"busy", {"/media/auto"}, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    devicetest::FakeSgStation kernel;
    kernel.AddDisk("sg0", {"ata1", 0}, "sda", 8, 0);
    const auto disk = kernel.AddDisk("sg1", {"ata2", 1}, "sdb", 8, 16);
    device::SetTransport(std::make_shared<device::SgTransport>(kernel.System()));
    devicetest::BridgeMode mode(0);
    auto volumes = FakeVolumes::Mounted({{"/dev/sda1", "/"}, {"/dev/sdb1", "/media/slot"}});
    CVolumeLock lock(volumes);
    CDeviceCommand drive(2);
    ASSERT_NE(lock.LockDrive(drive), 0);
    ASSERT_EQ(lock.DrivePath(), "/dev/sdb");

    kernel.RemoveDisk("sg1", disk, "sdb");
    kernel.AddDisk("sg2", {"ata2", 1}, "sdc", 8, 32);
    volumes->mounts.push_back({"/dev/sdc1", "/media/auto"});
    volumes->busy = c.busy;
    volumes->unmounted.clear();
    EXPECT_EQ(lock.Unlock(), c.unlocked);
    EXPECT_EQ(volumes->unmounted, std::vector<std::string>{"/media/auto"});
    EXPECT_EQ(volumes->closed, std::vector<int>{101});
    device::SetTransport(nullptr);
  }
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
