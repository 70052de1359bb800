// The disks a listing keeps out and names for the operator: a disk held by a device built on it
// or on a partition, a disk whose holders cannot be read, a member of an imported ZFS pool with
// nothing mounted, and a disk with ZFS signs that name no pool while a pool is imported; the
// machine's own disks under its mounts stay unnamed. A folder of ZFS's statistics that no pool
// can have is no pool. In both modes, against the fake kernel.
#include <gtest/gtest.h>

#include <functional>

#include "FakeSgStation.h"

namespace {

using devicetest::FakeSgStation;

struct KeptCase {
  const char* what;
  std::function<void(FakeSgStation&)> stage;  // beside sda (8:0), sdb (8:16) and sdc (8:32)
  std::vector<std::string> listed;            // by their sd names
  std::vector<std::string> named;
};

void PoolMemberRecord(FakeSgStation& s, int minor, const std::string& pool) {
  s.UdevRecord(8, minor, {"E:ID_FS_LABEL=" + pool, "E:ID_FS_LABEL_ENC=" + pool, "E:ID_FS_TYPE=zfs_member"});
}

// The pool tank imported, its member on sdb1 (8:17), and an ext4 root on sda1 (8:1).
void TankOnSdb1(FakeSgStation& s) {
  s.AddPartition("sda", "sda1", 8, 1);
  s.Mount(8, 1, "/dev/sda1", "/");
  s.AddPartition("sdb", "sdb1", 8, 17);
  PoolMemberRecord(s, 17, "tank");
  s.ImportZfsPool("tank");
}

TEST(SgTransportListing, TheDisksKeptOutAreNamedWithWhatHoldsThemOrMayHoldThem) {
  const KeptCase cases[] = {
      {"holders of the disk that cannot be read", [](FakeSgStation& s) { s.MakeHoldersUnreadable("sdb"); },
       {"sda", "sdc"},
       {"sdb's holders cannot be read (sdb/holders: Not a directory)"}},
      {"holders of a partition that cannot be read",
       [](FakeSgStation& s) {
         s.AddPartition("sdc", "sdc2", 8, 34);
         s.MakeHoldersUnreadable("sdc2");
       },
       {"sda", "sdb"},
       {"sdc's holders cannot be read (sdc/sdc2/holders: Not a directory)"}},
      {"members of a mounted md array",
       [](FakeSgStation& s) {
         s.AddPartition("sdb", "sdb1", 8, 17);
         s.AddPartition("sdc", "sdc1", 8, 33);
         s.AddStackedDevice("md0", 9, 0, {"sdb1", "sdc1"});
         s.Mount(9, 0, "/dev/md0", "/home");
       },
       {"sda"},
       {}},
      {"a disk held whole and through a partition",
       [](FakeSgStation& s) {
         s.AddPartition("sdb", "sdb1", 8, 17);
         s.AddStackedDevice("md0", 9, 0, {"sdb"});
         s.AddStackedDevice("dm-0", 253, 0, {"sdb1"}, "vg0-vm1");
       },
       {"sda", "sdc"},
       {"sdb is held by dm-0 (vg0-vm1) and md0"}},
      {"a member of an imported pool with nothing mounted", TankOnSdb1, {"sdc"},
       {"sdb is a member of the imported ZFS pool tank"}},
      {"a member of an imported pool with a dataset mounted",
       [](FakeSgStation& s) {
         TankOnSdb1(s);
         s.Mount(0, 30, "tank/data", "/srv/data", "zfs");
       },
       {"sdc"},
       {}},
      {"a ZFS member without a label while two pools are imported",
       [](FakeSgStation& s) {
         TankOnSdb1(s);
         s.AddPartition("sda", "sda2", 8, 2);
         PoolMemberRecord(s, 2, "rpool");
         s.ImportZfsPool("rpool");
         s.UdevRecord(8, 32, {"E:ID_FS_TYPE=zfs_member", "E:ID_FS_USAGE=raid"});
       },
       {},
       {"sdb is a member of the imported ZFS pool tank",
        "sdc shows ZFS signs without a pool's name while the pools rpool and tank are imported"}},
      {"zpool import examining the pools it could import",
       [](FakeSgStation& s) { s.ImportZfsPool("$import"); },
       {"sda", "sdb", "sdc"},
       {}},
  };
  for (const bool generic : {true, false}) {
    for (const KeptCase& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (generic ? ", sg nodes" : ", sd nodes"));
      FakeSgStation kernel;
      const std::string disks[] = {"sda", "sdb", "sdc"};
      for (int i = 0; i < 3; ++i) {
        const std::string port = "2-" + std::to_string(i + 1);
        const FakeSgStation::Address address{port + "/" + port + ":1.0", 6 + i};
        generic ? kernel.AddDisk("sg" + std::to_string(i), address, disks[i], 8, 16 * i)
                : kernel.AddBlockDisk(disks[i], address, 8, 16 * i);
      }
      c.stage(kernel);
      device::SgTransport transport(kernel.System());
      std::vector<std::string> listed;
      for (const auto& disk : transport.ListDisks()) listed.push_back(disk.devicePath);
      std::vector<std::string> expected;
      for (const std::string& disk : c.listed) {
        expected.push_back(generic ? "/dev/sg" + std::to_string(disk[2] - 'a') : "/dev/" + disk);
      }
      EXPECT_EQ(listed, expected);
      EXPECT_EQ(devicetest::HeldTexts(transport.HeldDisks()), c.named);
      EXPECT_EQ(transport.ListingProblem(), "");
    }
  }
}

}  // namespace
