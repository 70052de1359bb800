// The disk the machine runs from is never listed and never sent a request, however it holds
// the system: a file system at "/", "/boot", "/usr" or "/var" on the disk, on a partition, on
// LVM, device-mapper or md devices built on it, or active swap on it.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "FakeSgStation.h"

namespace {

using devicetest::FakeSgStation;

struct SystemCase {
  const char* what;
  std::function<void(FakeSgStation&)> stage;  // how sda (8:0) holds the system
};

const SystemCase kSystemCases[] = {
    {"root file system on a partition",
     [](FakeSgStation& s) {
       s.AddPartition("sda", "sda1", 8, 1);
       s.Mount(8, 1, "/dev/sda1", "/");
     }},
    {"/boot on a partition",
     [](FakeSgStation& s) {
       s.AddPartition("sda", "sda1", 8, 1);
       s.Mount(8, 1, "/dev/sda1", "/boot");
     }},
    {"/usr on LVM on a LUKS partition",
     [](FakeSgStation& s) {
       s.AddPartition("sda", "sda2", 8, 2);
       s.AddStackedDevice("dm-0", 253, 0, {"sda2"});
       s.AddStackedDevice("dm-1", 253, 1, {"dm-0"});
       s.Mount(253, 1, "/dev/mapper/vg-usr", "/usr");
     }},
    {"/var on md",
     [](FakeSgStation& s) {
       s.AddPartition("sda", "sda1", 8, 1);
       s.AddStackedDevice("md0", 9, 0, {"sda1"});
       s.Mount(9, 0, "/dev/md0", "/var");
     }},
    {"btrfs root, named by its source",
     [](FakeSgStation& s) {
       s.AddPartition("sda", "sda2", 8, 2);
       s.Mount(0, 31, "/dev/sda2", "/");
     }},
    {"the whole disk as the root file system",
     [](FakeSgStation& s) { s.Mount(8, 0, "/dev/sda", "/"); }},
    {"swap partition",
     [](FakeSgStation& s) {
       s.AddPartition("sda", "sda3", 8, 3);
       s.Swap("/dev/sda3", false);
     }},
    {"swap file",
     [](FakeSgStation& s) {
       s.AddPartition("sda", "sda1", 8, 1);
       s.Mount(8, 1, "/dev/sda1", "/data");
       s.Swap("/data/swap\\040file", true);
     }},
};

TEST(SystemDisks, TheSystemsDiskIsNeverListedNorSentARequest) {
  for (const bool sgDriver : {true, false}) {
    for (const SystemCase& c : kSystemCases) {
      SCOPED_TRACE(std::string(c.what) + (sgDriver ? "" : ", without the sg driver"));
      FakeSgStation kernel;
      if (sgDriver) {
        kernel.AddDisk("sg0", {"2-1/2-1:1.0", 6}, "sda", 8, 0);
        kernel.AddDisk("sg1", {"2-2/2-2:1.0", 7}, "sdb", 8, 16);
      } else {
        kernel.AddBlockDisk("sda", {"2-1/2-1:1.0", 6}, 8, 0);
        kernel.AddBlockDisk("sdb", {"2-2/2-2:1.0", 7}, 8, 16);
      }
      // A file system of another disk mounted elsewhere does not make it the system's.
      kernel.AddPartition("sdb", "sdb1", 8, 17);
      kernel.Mount(8, 17, "/dev/sdb1", "/media/usb");
      c.stage(kernel);
      device::SgTransport transport(kernel.System());
      const auto disks = transport.ListDisks();
      ASSERT_EQ(disks.size(), 1u);
      EXPECT_EQ(disks[0].devicePath, sgDriver ? "/dev/sg1" : "/dev/sdb");

      device::PassThroughRequest request;
      request.cdbLength = 16;
      EXPECT_EQ(transport.Execute(sgDriver ? "/dev/sg0" : "/dev/sda", request).systemError, ENODEV);
      EXPECT_EQ(transport.IdentityOf(sgDriver ? "/dev/sg0" : "/dev/sda"), "");
      EXPECT_TRUE(kernel.opened.empty());
    }
  }
}

TEST(SystemDisks, WithoutAMountTableNoDiskIsListed) {
  FakeSgStation kernel;
  kernel.AddDisk("sg0", {"2-1/2-1:1.0", 6}, "sda", 8, 0);
  kernel.RemoveMountTable();
  device::SgTransport transport(kernel.System());
  EXPECT_TRUE(transport.ListDisks().empty());
}

}  // namespace
