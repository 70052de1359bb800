// The disks a listing keeps out and names for the operator: a disk held by a device built on it
// or on a partition, a disk whose holders cannot be read (also where only a security policy keeps
// them from the station), a member of an imported ZFS pool with nothing mounted, whatever the
// pool's name, and a disk with ZFS signs that name no pool while a pool is imported; the
// machine's own disks under its mounts stay unnamed. A folder of ZFS's statistics that no pool
// can have is no pool. A disk kept out keeps its place, and so its drive number, while it is
// there, and a command for its drive number says what keeps it out. In both modes (sg and sd
// nodes), against the fake kernel.
#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <functional>
#include <map>
#include <memory>

#include "CommandCalls.h"
#include "FakeSgStation.h"
#include "device/DeviceCommand.h"
#include "device/DeviceListing.h"
#include "platform/FileFaults.h"

namespace {

namespace fs = std::filesystem;
using devicetest::FakeSgStation;

// Disk "sd<letter>" at USB port 2-<n> (sda at 2-1), with sg<n - 1> when generic, device number
// 8:<16 (n - 1)>.
fs::path AttachDisk(FakeSgStation& kernel, bool generic, char letter) {
  const int index = letter - 'a';
  const std::string port = "2-" + std::to_string(index + 1);
  const FakeSgStation::Address address{port + "/" + port + ":1.0", 6 + index};
  const std::string block = std::string("sd") + letter;
  return generic ? kernel.AddDisk("sg" + std::to_string(index), address, block, 8, 16 * index)
                 : kernel.AddBlockDisk(block, address, 8, 16 * index);
}

// The node of disk "sd<letter>" in the mode.
std::string NodeOf(bool generic, char letter) {
  return generic ? "/dev/sg" + std::to_string(letter - 'a') : std::string("/dev/sd") + letter;
}

// The nodes of the disks that a listing made now lists, in drive-number order.
std::vector<std::string> ListedNodes(device::SgTransport& transport) {
  std::vector<std::string> listed;
  for (const auto& disk : transport.ListDisks()) listed.push_back(disk.devicePath);
  return listed;
}

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
      for (const char letter : {'a', 'b', 'c'}) AttachDisk(kernel, generic, letter);
      c.stage(kernel);
      device::SgTransport transport(kernel.System());
      std::vector<std::string> expected;
      for (const std::string& disk : c.listed) expected.push_back(NodeOf(generic, disk[2]));
      EXPECT_EQ(ListedNodes(transport), expected);
      EXPECT_EQ(devicetest::HeldTexts(transport.HeldDisks()), c.named);
      EXPECT_EQ(transport.ListingProblem(), "");
    }
  }
}

// The members of imported pools are kept out whatever name the pool has: a pool's name begins
// with a letter and may hold digits, "-", "_", ".", ":" and blanks.
TEST(SgTransportListing, TheMembersOfPoolsOfEveryNameAPoolCanHaveAreKeptOut) {
  const struct {
    const char* pool;
    const char* encoded;  // the name as udev's "_ENC" property writes it
  } pools[] = {{"tank2", "tank2"},       {"data-pool", "data-pool"}, {"vm_store", "vm_store"},
               {"pool.1", "pool.1"},     {"backup:a", "backup:a"},   {"my pool", "my\\x20pool"}};
  for (const auto& pool : pools) {
    SCOPED_TRACE(pool.pool);
    FakeSgStation kernel;
    for (const char letter : {'a', 'b', 'c'}) AttachDisk(kernel, true, letter);
    kernel.AddPartition("sdb", "sdb1", 8, 17);
    kernel.UdevRecord(8, 17, {std::string("E:ID_FS_LABEL_ENC=") + pool.encoded, "E:ID_FS_TYPE=zfs_member"});
    kernel.ImportZfsPool(pool.pool);
    device::SgTransport transport(kernel.System());
    EXPECT_EQ(ListedNodes(transport), (std::vector<std::string>{"/dev/sg0", "/dev/sg2"}));
    EXPECT_EQ(devicetest::HeldTexts(transport.HeldDisks()),
              std::vector<std::string>{std::string("sdb is a member of the imported ZFS pool ") + pool.pool});
  }
}

// Holders that only a security policy keeps from the station (root reads every folder that a
// chmod closes): a partition whose "partition" attribute cannot be looked at (its folder may not
// be searched), and a disk folder that cannot be listed. Either keeps the disk out and is named.
TEST(SgTransportListing, HoldersThatASecurityPolicyHidesKeepTheDiskOut) {
  const struct {
    const char* what;
    platform::FileFault fault;
    const char* named;
  } cases[] = {
      {"a partition whose folder cannot be searched", {"sdc1", platform::kReadFolderSearch, EACCES},
       "sdc's holders cannot be read (sdc/sdc1: Permission denied)"},
      {"a disk folder that cannot be listed", {"sdc", platform::kReadFolderList, EACCES},
       "sdc's holders cannot be read (sdc: Permission denied)"},
  };
  for (const bool generic : {true, false}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (generic ? ", sg nodes" : ", sd nodes"));
      FakeSgStation kernel;
      for (const char letter : {'a', 'b', 'c'}) AttachDisk(kernel, generic, letter);
      kernel.AddPartition("sdc", "sdc1", 8, 33);
      device::SgTransport transport(kernel.System());
      const platform::ScopedFileFault fault(c.fault);
      EXPECT_EQ(ListedNodes(transport), (std::vector<std::string>{NodeOf(generic, 'a'), NodeOf(generic, 'b')}));
      EXPECT_EQ(devicetest::HeldTexts(transport.HeldDisks()), std::vector<std::string>{c.named});
    }
  }
}

// ---- the places of the disks kept out ---------------------------------------------------------

// What keeps a disk out ("sdc", 8:32), and what releases it.
struct Hold {
  const char* what;
  std::function<void(FakeSgStation&, const std::string& block, int minor)> keep;
  std::function<void(FakeSgStation&, const std::string& block, int minor)> release;
  const char* keepsSdcOut;  // what a command for sdc's drive number is told keeps it out
};

// What a command is told of a disk the machine uses that Scan leaves unnamed.
std::string UsedByTheMachine(const std::string& disk) {
  return disk + " is one that the machine uses (" + device::kWhatTheMachineUses + ")";
}
const std::string kSdcUsed = UsedByTheMachine("sdc");

std::string MdOf(int minor) { return "md" + std::to_string(minor); }

void HeldByMd(FakeSgStation& s, const std::string& block, int minor) {
  s.AddStackedDevice(MdOf(minor), 9, minor, {block});
}

void MdStopped(FakeSgStation& s, const std::string&, int minor) { s.RemoveStackedDevice(MdOf(minor)); }

void TankMember(FakeSgStation& s, const std::string&, int minor) {
  PoolMemberRecord(s, minor, "tank");
  s.ImportZfsPool("tank");
}

void TankExported(FakeSgStation& s, const std::string&, int) { s.ExportZfsPool("tank"); }

const Hold kHolds[] = {
    {"held by an md array", HeldByMd, MdStopped, "sdc is held by md32"},
    {"held by an LVM volume on a partition",
     [](FakeSgStation& s, const std::string& block, int minor) {
       s.AddPartition(block, block + "1", 8, minor + 1);
       s.AddStackedDevice("dm-" + std::to_string(minor), 253, minor, {block + "1"}, "vg-" + block);
     },
     [](FakeSgStation& s, const std::string&, int minor) { s.RemoveStackedDevice("dm-" + std::to_string(minor)); },
     "sdc is held by dm-32 (vg-sdc)"},
    {"held by an md array the machine mounts",
     [](FakeSgStation& s, const std::string& block, int minor) {
       HeldByMd(s, block, minor);
       s.Mount(9, minor, "/dev/" + MdOf(minor), "/srv/" + MdOf(minor));
     },
     [](FakeSgStation& s, const std::string& block, int minor) {
       s.Unmount("/srv/" + MdOf(minor));
       MdStopped(s, block, minor);
     },
     kSdcUsed.c_str()},
    {"a member of an imported pool", TankMember, TankExported, "sdc is a member of the imported ZFS pool tank"},
    {"a member of an imported pool the machine mounts a dataset of",
     [](FakeSgStation& s, const std::string& block, int minor) {
       TankMember(s, block, minor);
       s.Unmount("/srv/tank");
       s.Mount(0, 50, "tank/data", "/srv/tank", "zfs");
     },
     [](FakeSgStation& s, const std::string& block, int minor) {
       s.Unmount("/srv/tank");
       TankExported(s, block, minor);
     },
     kSdcUsed.c_str()},
    {"ZFS signs while the pool rpool (on sda2) is imported",
     [](FakeSgStation& s, const std::string&, int minor) {
       s.UdevRecord(8, minor, {"E:ID_FS_TYPE=zfs_member"});
       s.ImportZfsPool("rpool");
     },
     [](FakeSgStation& s, const std::string&, int minor) { s.UdevRecord(8, minor, {}); },
     "sdc shows ZFS signs without a pool's name while the pool rpool is imported"},
    {"holders that cannot be read",
     [](FakeSgStation& s, const std::string& block, int) { s.MakeHoldersUnreadable(block); },
     [](FakeSgStation& s, const std::string& block, int) { s.MakeHoldersReadable(block); },
     "sdc's holders cannot be read (sdc/holders: Not a directory)"},
    {"a file system the machine mounts",
     [](FakeSgStation& s, const std::string& block, int minor) {
       s.AddPartition(block, block + "1", 8, minor + 1);
       s.Mount(8, minor + 1, "/dev/" + block + "1", "/mnt/" + block);
     },
     [](FakeSgStation& s, const std::string& block, int) { s.Unmount("/mnt/" + block); },
     kSdcUsed.c_str()},
};

// A station whose machine runs on sda (its root on sda1, the pool rpool on sda2 when imported),
// with its transport installed and listed through the listing that the pages read.
struct StationOnSda {
  explicit StationOnSda(bool generic) : generic(generic) {
    AttachDisk(kernel, generic, 'a');
    kernel.AddPartition("sda", "sda1", 8, 1);
    kernel.Mount(8, 1, "/dev/sda1", "/");
    kernel.AddPartition("sda", "sda2", 8, 2);
    PoolMemberRecord(kernel, 2, "rpool");
    device::SetTransport(transport);
  }
  ~StationOnSda() { device::SetTransport(nullptr); }
  StationOnSda(const StationOnSda&) = delete;
  StationOnSda& operator=(const StationOnSda&) = delete;

  // The paths of the listing's entries, by their disks' letters: "b.d" for sdb, an entry without
  // a device ("NULL") and sdd.
  std::vector<std::string> Listed() {
    devicetest::ListDrives();
    const ROOT_Device root = CopyRootDevice();
    std::vector<std::string> paths;
    for (std::uint32_t j = 0; j < root.deviceCount; ++j) paths.emplace_back(root.devices[j].devicePath);
    return paths;
  }
  std::vector<std::string> Entries(const std::string& letters) const {
    std::vector<std::string> paths;
    for (const char letter : letters) paths.push_back(letter == '.' ? kNoDevicePath : NodeOf(generic, letter));
    return paths;
  }
  // Disk "sd<letter>" attached for every letter, in order, and pulled.
  void Attach(const std::string& letters) {
    for (const char letter : letters) scsiDevices[letter] = AttachDisk(kernel, generic, letter);
  }
  void Pull(char letter) {
    kernel.RemoveDisk(generic ? "sg" + std::to_string(letter - 'a') : "", scsiDevices.at(letter),
                      std::string("sd") + letter);
  }
  void Keep(const Hold& hold, char letter) { hold.keep(kernel, std::string("sd") + letter, 16 * (letter - 'a')); }
  void Release(const Hold& hold, char letter) { hold.release(kernel, std::string("sd") + letter, 16 * (letter - 'a')); }

  bool generic;
  FakeSgStation kernel;
  std::map<char, fs::path> scsiDevices;  // of the disks that Attach attached
  std::shared_ptr<device::SgTransport> transport = std::make_shared<device::SgTransport>(kernel.System());
};

// Drives 2 and 4 (sdc, sde) are kept out while a disk arrives (sdf), and another arrives kept out
// (sdg). The kept-out disks are still there: their places wait for them, named by no drive number
// (a request to sdc is refused as to a disk the machine claims), while sdf takes a place after
// the last; sdg, never listed, has no place yet. Released, sdc and sde are back at drives 2 and
// 4, and sdg takes the next place.
TEST(SgTransportDriveNumbers, ADiskKeptOutKeepsItsPlaceUntilItIsReleased) {
  for (const bool generic : {true, false}) {
    for (const Hold& hold : kHolds) {
      SCOPED_TRACE(std::string(hold.what) + (generic ? ", sg nodes" : ", sd nodes"));
      StationOnSda station(generic);
      for (const char letter : {'b', 'c', 'd', 'e'}) AttachDisk(station.kernel, generic, letter);
      ASSERT_EQ(station.Listed(), station.Entries("bcde"));
      const std::string second = station.transport->IdentityOfDrive(2);

      station.Keep(hold, 'c');
      station.Keep(hold, 'e');
      AttachDisk(station.kernel, generic, 'f');
      AttachDisk(station.kernel, generic, 'g');
      station.Keep(hold, 'g');
      EXPECT_EQ(station.Listed(), station.Entries("b.d.f"));
      EXPECT_EQ(station.transport->DevicePathOfDrive(2), "");
      EXPECT_EQ(station.transport->IdentityOfDrive(2), "");
      device::PassThroughRequest request;
      request.cdbLength = 16;
      const device::PassThroughResult refused = station.transport->ExecuteOn(second, request);
      EXPECT_EQ(refused.systemError, EPERM);
      EXPECT_TRUE(refused.machineClaim);
      EXPECT_TRUE(station.kernel.opened.empty());

      for (const char letter : {'c', 'e', 'g'}) station.Release(hold, letter);
      EXPECT_EQ(station.Listed(), station.Entries("bcdefg"));
      EXPECT_EQ(station.transport->IdentityOfDrive(2), second);
    }
  }
}

// A disk pulled while it is kept out has gone: its place is empty, and the next disk that arrives
// takes it.
TEST(SgTransportDriveNumbers, ADiskPulledWhileItIsKeptOutLeavesItsPlaceEmpty) {
  for (const bool generic : {true, false}) {
    SCOPED_TRACE(generic ? "sg nodes" : "sd nodes");
    StationOnSda station(generic);
    station.Attach("bcd");
    ASSERT_EQ(station.Listed(), station.Entries("bcd"));
    station.Keep(kHolds[0], 'c');
    EXPECT_EQ(station.Listed(), station.Entries("b.d"));
    station.Pull('c');
    station.Attach("e");
    EXPECT_EQ(station.Listed(), station.Entries("bed"));
  }
}

// A command made for the drive number of a disk kept out says what keeps the disk out, as Scan
// names it, or what the disk is to the machine where Scan leaves it unnamed, instead of saying
// that the drive is not connected; nothing is sent. Drive 2 (sdc) as tester mode looks it up (the
// transport's places), as bridge mode does (the last Scan's), and as a "\\.\PhysicalDrive" path.
TEST(SgTransportDriveNumbers, ACommandForADiskKeptOutSaysWhatKeepsItOut) {
  struct KeptOut {
    std::string what;
    std::function<void(StationOnSda&)> keep;
    std::string told;
  };
  const struct {
    const char* what;
    std::uint8_t bridge;
    const char* path;  // the command's path text; none for drive 2
  } modes[] = {{"tester mode", 0, nullptr}, {"bridge mode", 1, nullptr}, {"a path", 0, "\\\\.\\PhysicalDrive2"}};
  for (const bool generic : {true, false}) {
    std::vector<KeptOut> kinds;
    for (const Hold& hold : kHolds) {
      kinds.push_back({hold.what, [&hold](StationOnSda& s) { s.Keep(hold, 'c'); }, hold.keepsSdcOut});
    }
    // Only the sg nodes name a disk that has no block device.
    if (generic) {
      kinds.push_back({"let go by the sd driver",
                       [](StationOnSda& s) {
                         s.kernel.LoadSdDriver();
                         s.kernel.UnbindFromSd("sdc");
                       },
                       "sg2 has not been taken by the sd driver (a member of a hardware array that its host "
                       "adapter keeps from it, or a disk that it is still attaching)"});
    }
    for (const KeptOut& kind : kinds) {
      for (const auto& mode : modes) {
        SCOPED_TRACE(kind.what + ", " + mode.what + (generic ? ", sg nodes" : ", sd nodes"));
        StationOnSda station(generic);
        devicetest::BridgeMode bridge(mode.bridge);
        station.Attach("bcd");
        ASSERT_EQ(station.Listed(), station.Entries("bcd"));
        kind.keep(station);
        ASSERT_EQ(station.Listed(), station.Entries("b.d"));

        CDeviceCommand command = mode.path != nullptr ? CDeviceCommand(std::string(mode.path)) : CDeviceCommand(2);
        std::array<std::uint8_t, 512> buffer{};
        EXPECT_EQ(command.ReadFirmwareName(buffer), 0);
        EXPECT_EQ(command.LastError(), device::CommandError::NoDevice);
        const std::string target = mode.path != nullptr ? mode.path : "drive 2";
        const std::string told = target + " is kept out: " + kind.told;
        EXPECT_NE(command.LastErrorMessage().find(told), std::string::npos) << command.LastErrorMessage();
        EXPECT_TRUE(station.kernel.opened.empty());
        EXPECT_TRUE(station.kernel.sentTo.empty());
      }
    }
  }
}

// Drive 3's disk (sdd) comes back at its own number when it is released, whatever became of the
// places around it while it was kept out: drive 2's place emptied before it (sdc pulled), or,
// with its place the last one, a disk that arrived (sde, which takes drive 4).
TEST(SgTransportDriveNumbers, ADiskReleasedComesBackAtItsOwnNumberWhateverBecameOfThePlacesAroundIt) {
  const struct {
    const char* what;
    const char* attached;
    const char* keptOut;  // the listing once sdd is kept out
    std::function<void(StationOnSda&)> meanwhile;
    const char* then;      // the listing after that
    const char* released;  // and once sdd is released
  } cases[] = {
      {"drive 2's disk pulled", "bcde", "bc.e", [](StationOnSda& s) { s.Pull('c'); }, "b..e", "b.de"},
      {"a disk arrived after the last place", "bcd", "bc.", [](StationOnSda& s) { s.Attach("e"); }, "bc.e", "bcde"},
  };
  for (const bool generic : {true, false}) {
    for (const auto& c : cases) {
      for (const Hold& hold : kHolds) {
        SCOPED_TRACE(std::string(c.what) + ", " + hold.what + (generic ? ", sg nodes" : ", sd nodes"));
        StationOnSda station(generic);
        station.Attach(c.attached);
        ASSERT_EQ(station.Listed(), station.Entries(c.attached));
        const std::string third = station.transport->IdentityOfDrive(3);
        station.Keep(hold, 'd');
        EXPECT_EQ(station.Listed(), station.Entries(c.keptOut));
        c.meanwhile(station);
        EXPECT_EQ(station.Listed(), station.Entries(c.then));
        station.Release(hold, 'd');
        EXPECT_EQ(station.Listed(), station.Entries(c.released));
        EXPECT_EQ(station.transport->IdentityOfDrive(3), third);
      }
    }
  }
}

// A listing that keeps out a disk that a command has reached closes the node kept for it: the
// command's next request is refused as one to a disk the machine claims, and the disk is sent
// nothing more, nor is its node opened again.
TEST(SgTransportDriveNumbers, AListingThatKeepsADiskOutClosesItsNodeAndRefusesItsCommand) {
  for (const bool generic : {true, false}) {
    for (const Hold& hold : kHolds) {
      SCOPED_TRACE(std::string(hold.what) + (generic ? ", sg nodes" : ", sd nodes"));
      StationOnSda station(generic);
      station.Attach("bcd");
      ASSERT_EQ(station.Listed(), station.Entries("bcd"));
      CDeviceCommand command(2);
      std::array<std::uint8_t, 512> buffer{};
      ASSERT_EQ(command.ReadFirmwareName(buffer), 1) << command.LastErrorMessage();
      const std::vector<std::string> reached{NodeOf(generic, 'c')};
      ASSERT_EQ(station.kernel.sentTo, reached);

      station.Keep(hold, 'c');
      EXPECT_EQ(station.Listed(), station.Entries("b.d"));
      EXPECT_EQ(station.kernel.OpenDescriptors(), 0);
      EXPECT_EQ(command.ReadFirmwareName(buffer), 0);
      EXPECT_EQ(command.LastError(), device::CommandError::NoDevice);
      EXPECT_EQ(command.LastSystemError(), EPERM);
      EXPECT_NE(command.LastErrorMessage().find("nothing is sent to it"), std::string::npos)
          << command.LastErrorMessage();
      EXPECT_EQ(station.kernel.sentTo, reached);
      EXPECT_EQ(station.kernel.opened, reached);
    }
  }
}

// A command for a number that names no disk says that the drive is not connected: drive 2, whose
// disk was pulled while it was kept out, and drive 5, past the last place; in tester and bridge
// mode.
TEST(SgTransportDriveNumbers, ACommandForANumberWithoutADiskSaysTheDriveIsNotConnected) {
  for (const bool generic : {true, false}) {
    for (const std::uint8_t bridge : {0, 1}) {
      SCOPED_TRACE(std::string(bridge != 0 ? "bridge mode" : "tester mode") + (generic ? ", sg nodes" : ", sd nodes"));
      StationOnSda station(generic);
      devicetest::BridgeMode mode(bridge);
      station.Attach("bcde");
      ASSERT_EQ(station.Listed(), station.Entries("bcde"));
      station.Keep(kHolds[0], 'c');
      ASSERT_EQ(station.Listed(), station.Entries("b.de"));
      station.Pull('c');
      ASSERT_EQ(station.Listed(), station.Entries("b.de"));
      for (const int number : {2, 5}) {
        CDeviceCommand command(number);
        std::array<std::uint8_t, 512> buffer{};
        EXPECT_EQ(command.ReadFirmwareName(buffer), 0);
        const std::string told = "drive " + std::to_string(number) + " is not connected";
        EXPECT_NE(command.LastErrorMessage().find(told), std::string::npos) << command.LastErrorMessage();
      }
      EXPECT_TRUE(station.kernel.sentTo.empty());
    }
  }
}

}  // namespace
