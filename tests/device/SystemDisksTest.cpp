// A disk the machine uses is never listed and never sent a request: one that holds the system
// however it does (a file system on the disk, on a partition, on LVM, device-mapper or md devices
// built on it, under an overlay, a loop device or a btrfs of several disks, or active swap on
// it), any other mounted file system, a device a file system's options name, or the station's
// records. A USB, FireWire or removable drive the automounter mounted below /media stays listed
// unless records go there; an internal disk mounted there does not. A ZFS pool's members are
// found in udev's records. When one of them cannot be traced to its disks, no disk is listed.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <span>

#include "FakeSgStation.h"
#include "device/RecordFolders.h"
#include "platform/Debug.h"
#include "support/ScratchStation.h"

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
       s.Mount(0, 31, "/dev/sda2", "/", "btrfs", "rw,subvol=/@");
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
      // A drive the automounter mounted for the operator is no disk of the system's.
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

// Three disks: sda (8:0), sdb (8:16) and sdc (8:32) on sg0, sg1 and sg2; the nodes listed,
// and the debugger lines of the listing.
struct Listing {
  std::vector<std::string> nodes;
  std::string debugLines;
  std::string problem;  // what the transport tells the operator
};

Listing ListThreeDisks(const std::function<void(FakeSgStation&)>& stage,
                       std::function<std::vector<std::filesystem::path>()> recordFolders = {}) {
  FakeSgStation kernel;
  kernel.AddDisk("sg0", {"2-1/2-1:1.0", 6}, "sda", 8, 0);
  kernel.AddDisk("sg1", {"2-2/2-2:1.0", 7}, "sdb", 8, 16);
  kernel.AddDisk("sg2", {"2-3/2-3:1.0", 8}, "sdc", 8, 32);
  stage(kernel);
  device::SgSystem system = kernel.System();
  system.recordFolders = std::move(recordFolders);
  device::SgTransport transport(system);
  Listing listing;
  platform::SetDebugSink([&](std::string_view text) { listing.debugLines += text; });
  for (const auto& disk : transport.ListDisks()) listing.nodes.push_back(disk.devicePath);
  platform::SetDebugSink({});
  listing.problem = transport.ListingProblem();
  return listing;
}

// The system on sda1, mounted where the case says.
void SystemPartition(FakeSgStation& s, const std::string& mountPoint, const std::string& type = "ext4") {
  s.AddPartition("sda", "sda1", 8, 1);
  s.Mount(8, 1, "/dev/sda1", mountPoint, type);
}

// An overlay mounted at `point` with the options, beside a tmpfs at `memory` and the system's
// partition at `partition` (mount points as the mount table writes them).
std::function<void(FakeSgStation&)> Overlay(std::string memory, std::string partition, std::string point,
                                            std::string options) {
  return [=](FakeSgStation& s) {
    s.Mount(0, 40, "tmpfs", memory, "tmpfs");
    SystemPartition(s, partition);
    s.Mount(0, 41, "overlay", point, "overlay", options);
  };
}

struct LayoutCase {
  const char* what;
  std::function<void(FakeSgStation&)> stage;
  std::vector<std::string> listed;
};

const std::vector<std::string> kAllButSda = {"/dev/sg1", "/dev/sg2"};

// Where the root file system is: as the case stages it, or on sda1.
enum class Root { AsStaged, OnSda1 };

// Each case lists the disks it names, with nothing said to the debugger.
void ExpectEachListed(std::span<const LayoutCase> cases, Root root) {
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Listing listing = ListThreeDisks([&](FakeSgStation& s) {
      if (root == Root::OnSda1) SystemPartition(s, "/");
      c.stage(s);
    });
    EXPECT_EQ(listing.nodes, c.listed);
    EXPECT_EQ(listing.debugLines, "");
  }
}

TEST(SystemDisks, TheDisksUnderALayeredSystemAreNeverListed) {
  const LayoutCase cases[] = {
      {"overlay root whose lower layer is a partition",
       Overlay("/media/root-rw", "/media/root-ro", "/",
               "rw,lowerdir=/media/root-ro/,upperdir=/media/root-rw/overlay,workdir=/media/root-rw/overlay-workdir"),
       kAllButSda},
      {"overlay root whose upper layer is on a partition",
       Overlay("/run/rootfsbase", "/run/persist\\040data", "/",
               "rw,lowerdir=/run/rootfsbase,upperdir=/run/persist\\040data/upper,workdir=/run/persist\\040data/work"),
       kAllButSda},
      {"overlay /usr whose second lower layer, given one by one, is on a partition",
       Overlay("/run/base", "/media/ro,disk", "/usr", "ro,lowerdir+=/run/base,lowerdir+=/media/ro\\054disk/usr"),
       kAllButSda},
      {"root on a loop device backed by a file on a partition",
       [](FakeSgStation& s) {
         SystemPartition(s, "/host");
         s.AddLoopDevice("loop0", 7, 0, "/host/disks/root.img");
         s.Mount(7, 0, "/dev/loop0", "/");
       },
       kAllButSda},
      {"live system: overlay over a squashfs on a loop device backed by a file on the stick",
       [](FakeSgStation& s) {
         SystemPartition(s, "/run/live/medium", "vfat");
         s.AddLoopDevice("loop0", 7, 0, "/run/live/medium/live/filesystem.squashfs");
         s.Mount(7, 0, "/dev/loop0", "/run/live/rootfs/filesystem.squashfs", "squashfs", "ro");
         s.Mount(0, 40, "tmpfs", "/run/live/overlay", "tmpfs");
         s.Mount(0, 41, "overlay", "/", "overlay",
                 "rw,lowerdir=/run/live/rootfs/filesystem.squashfs/,upperdir=/run/live/overlay/rw,"
                 "workdir=/run/live/overlay/work");
       },
       kAllButSda},
      {"btrfs root on a partition of sda and one of sdc",
       [](FakeSgStation& s) {
         s.AddPartition("sda", "sda2", 8, 2);
         s.AddPartition("sdc", "sdc1", 8, 33);
         s.AddBtrfs("5e1c0c3a-1f7b-4c1e-9d61-2a7c3e0b9a41", {"sda2", "sdc1"});
         s.Mount(0, 31, "/dev/sda2", "/", "btrfs", "rw,subvol=/@");
       },
       {"/dev/sg1"}},
      {"bcachefs root on sda and sdc",
       [](FakeSgStation& s) { s.Mount(0, 32, "/dev/sda:/dev/sdc", "/", "bcachefs"); },
       {"/dev/sg1"}},
  };
  ExpectEachListed(cases, Root::AsStaged);
}

// sdb1 (8:17) and sdc1 (8:33) beside the system on sda1.
void DataPartitions(FakeSgStation& s) {
  s.AddPartition("sdb", "sdb1", 8, 17);
  s.AddPartition("sdc", "sdc1", 8, 33);
}

std::function<void(FakeSgStation&)> OnSdb1(std::string point, std::string type = "ext4", std::string options = "rw") {
  return [=](FakeSgStation& s) {
    DataPartitions(s);
    s.Mount(8, 17, "/dev/sdb1", point, type, options);
  };
}

// A file system of the system disk (sda2) that keeps part of itself on sdc1, as its options say.
std::function<void(FakeSgStation&)> PartOnSdc1(std::string type, std::string options) {
  return [=](FakeSgStation& s) {
    DataPartitions(s);
    s.AddPartition("sda", "sda2", 8, 2);
    s.Mount(8, 2, "/dev/sda2", "/srv", type, options);
  };
}

TEST(SystemDisks, ADiskThatHoldsAnyMountedFileSystemIsNeverListed) {
  const LayoutCase cases[] = {
      {"the EFI system partition at /boot/efi",
       OnSdb1("/boot/efi", "vfat", "rw,fmask=0077,dmask=0077,codepage=437,iocharset=iso8859-1,shortname=mixed"),
       {"/dev/sg2"}},
      {"/var/log", OnSdb1("/var/log"), {"/dev/sg2"}},
      {"a data file system at /srv", OnSdb1("/srv", "xfs", "rw,attr2,inode64,logbufs=8,logbsize=32k,noquota"),
       {"/dev/sg2"}},
      {"an NTFS through FUSE", OnSdb1("/mnt/windows", "fuseblk", "rw,user_id=0,group_id=0,allow_other,blksize=4096"),
       {"/dev/sg2"}},
      {"/srv on LVM on LUKS",
       [](FakeSgStation& s) {
         DataPartitions(s);
         s.AddStackedDevice("dm-0", 253, 0, {"sdb1"});
         s.AddStackedDevice("dm-1", 253, 1, {"dm-0"});
         s.Mount(253, 1, "/dev/mapper/data-srv", "/srv");
       },
       {"/dev/sg2"}},
      {"/home on md built on sdb1 and sdc1",
       [](FakeSgStation& s) {
         DataPartitions(s);
         s.AddStackedDevice("md0", 9, 0, {"sdb1", "sdc1"});
         s.Mount(9, 0, "/dev/md0", "/home");
       },
       {}},
      {"bcachefs of sdb1 and sdc1, mounted with sdb1's number",
       [](FakeSgStation& s) {
         DataPartitions(s);
         s.Mount(8, 17, "/dev/sdb1:/dev/sdc1", "/srv", "bcachefs", "rw,relatime");
       },
       {}},
      {"an XFS whose log is on sdc1", PartOnSdc1("xfs", "rw,attr2,inode64,logdev=/dev/sdc1,noquota"), {"/dev/sg1"}},
      {"an XFS whose realtime section is on sdc1", PartOnSdc1("xfs", "rw,attr2,inode64,rtdev=/dev/sdc1,noquota"),
       {"/dev/sg1"}},
      {"an ext4 whose journal is on sdc1", PartOnSdc1("ext4", "rw,journal_path=/dev/sdc1"), {"/dev/sg1"}},
  };
  ExpectEachListed(cases, Root::OnSda1);
}

TEST(SystemDisks, TheAutomountersRemovableMediaStayListedUnlessTheyHoldRecords) {
  struct Case {
    const char* what;
    std::function<void(FakeSgStation&)> stage;
    std::vector<std::filesystem::path> recordFolders;
    std::vector<std::string> listed;
  };
  const Case cases[] = {
      {"a drive under /media/<user>", OnSdb1("/media/operator/SSD"), {}, kAllButSda},
      {"a drive under /run/media/<user>", OnSdb1("/run/media/operator/SSD"), {}, kAllButSda},
      {"a file system at /mediadata", OnSdb1("/mediadata"), {}, {"/dev/sg2"}},
      {"a record folder on a stick under /media", OnSdb1("/media/operator/STICK"), {"/media/operator/STICK/sn"},
       {"/dev/sg2"}},
      {"a stick under /media below a record folder", OnSdb1("/media/operator/STICK"), {"/media/operator"},
       {"/dev/sg2"}},
      {"an image on a stick under /media, mounted through a loop device",
       [](FakeSgStation& s) {
         OnSdb1("/media/operator/STICK")(s);
         s.AddLoopDevice("loop0", 7, 0, "/media/operator/STICK/tools.iso");
         s.Mount(7, 0, "/dev/loop0", "/mnt/tools", "iso9660", "ro");
       },
       {},
       {"/dev/sg2"}},
      {"an encrypted folder on a stick under /media",
       [](FakeSgStation& s) {
         OnSdb1("/media/operator/STICK")(s);
         s.Mount(0, 61, "/media/operator/STICK/.Private", "/home/operator/Private", "ecryptfs",
                 "rw,ecryptfs_sig=0123456789abcdef,ecryptfs_cipher=aes,ecryptfs_key_bytes=16");
       },
       {},
       {"/dev/sg2"}},
      {"a swap file on a stick under /media",
       [](FakeSgStation& s) {
         OnSdb1("/media/operator/STICK")(s);
         s.Swap("/media/operator/STICK/swapfile", true);
       },
       {},
       {"/dev/sg2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Listing listing = ListThreeDisks(
        [&](FakeSgStation& s) {
          SystemPartition(s, "/");
          c.stage(s);
        },
        [&] { return c.recordFolders; });
    EXPECT_EQ(listing.nodes, c.listed);
    EXPECT_EQ(listing.debugLines, "");
  }
}

// A fourth disk, sdd (8:48) on sg3, attached where the port says, with its partition sdd1 (8:49).
void FourthDisk(FakeSgStation& s, const std::string& port, int host) {
  s.AddDisk("sg3", {port, host}, "sdd", 8, 48);
  s.AddPartition("sdd", "sdd1", 8, 49);
}

// The fourth disk on a SATA port of the machine's own controller.
void InternalDisk(FakeSgStation& s) { FourthDisk(s, "/pci0000:00/0000:00:1f.2/ata3", 2); }

TEST(SystemDisks, OnlyPluggedInDrivesMountedWhereTheAutomounterMountsStayListed) {
  const LayoutCase cases[] = {
      {"an ATA disk that fstab mounts at /media/data, beside a USB stick under /media/<user>",
       [](FakeSgStation& s) {
         InternalDisk(s);
         s.Mount(8, 49, "/dev/sdd1", "/media/data");
         OnSdb1("/media/operator/STICK")(s);
       },
       kAllButSda},
      {"an ATA disk under /run/media/<user>",
       [](FakeSgStation& s) {
         InternalDisk(s);
         s.Mount(8, 49, "/dev/sdd1", "/run/media/operator/DATA");
       },
       kAllButSda},
      {"a FireWire drive under /media/<user>",
       [](FakeSgStation& s) {
         FourthDisk(s, "/pci0000:00/0000:00:1e.0/0000:05:00.0/fw1/fw1.0", 9);
         s.Mount(8, 49, "/dev/sdd1", "/media/operator/FW");
       },
       {"/dev/sg1", "/dev/sg2", "/dev/sg3"}},
      {"a drive with removable media on an ATA port under /media/<user>",
       [](FakeSgStation& s) {
         InternalDisk(s);
         s.SetRemovable("sdd");
         s.Mount(8, 49, "/dev/sdd1", "/media/operator/CARD");
       },
       {"/dev/sg1", "/dev/sg2", "/dev/sg3"}},
      {"an md array of the ATA disk and a USB drive under /media/<user>: the array holds both",
       [](FakeSgStation& s) {
         InternalDisk(s);
         DataPartitions(s);
         s.AddStackedDevice("md0", 9, 0, {"sdd1", "sdb1"});
         s.Mount(9, 0, "/dev/md0", "/media/operator/ARRAY");
       },
       {"/dev/sg2"}},
      {"a USB stick pulled while its mount under /media/<user> stays",
       [](FakeSgStation& s) { s.Mount(8, 65, "/dev/sde1", "/media/operator/GONE"); }, kAllButSda},
  };
  ExpectEachListed(cases, Root::OnSda1);
}

// An Ubuntu desktop's mount table: the system on sda, /home on sdb, snaps on loop devices whose
// files lie on the root, Docker, the desktop's FUSE file systems and the kernel's own; the drive
// to test, sdc, mounted by the automounter.
TEST(SystemDisks, ADesktopsMountTableStillListsTheDriveToTest) {
  const Listing listing = ListThreeDisks([](FakeSgStation& s) {
    s.AddPartition("sda", "sda1", 8, 1);
    s.AddPartition("sda", "sda2", 8, 2);
    DataPartitions(s);
    s.AddLoopDevice("loop0", 7, 0, "/var/lib/snapd/snaps/bare_5.snap");
    s.AddLoopDevice("loop1", 7, 1, "/var/lib/snapd/snaps/firefox_4173.snap");
    for (const char* line : {
             "24 30 0:22 / /sys rw,nosuid,nodev,noexec,relatime shared:7 - sysfs sysfs rw",
             "25 30 0:23 / /proc rw,nosuid,nodev,noexec,relatime shared:13 - proc proc rw",
             "26 30 0:5 / /dev rw,nosuid,relatime shared:2 - devtmpfs udev rw,size=8029388k,nr_inodes=2007347,mode=755",
             "27 26 0:24 / /dev/pts rw,nosuid,noexec,relatime shared:3 - devpts devpts rw,gid=5,mode=620,ptmxmode=000",
             "28 30 0:25 / /run rw,nosuid,nodev,noexec,relatime shared:5 - tmpfs tmpfs rw,size=1612196k,mode=755",
             "30 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw,errors=remount-ro",
             "31 24 0:6 / /sys/kernel/security rw,nosuid,nodev,noexec,relatime shared:8 - securityfs securityfs rw",
             "34 24 0:28 / /sys/fs/cgroup rw,nosuid,nodev,noexec,relatime shared:9 - cgroup2 cgroup2 rw,nsdelegate",
             "35 24 0:29 / /sys/fs/pstore rw,nosuid,nodev,noexec,relatime shared:10 - pstore pstore rw",
             "36 24 0:30 / /sys/firmware/efi/efivars rw,nosuid,nodev,noexec,relatime shared:11 - efivarfs efivarfs rw",
             "37 24 0:31 / /sys/fs/bpf rw,nosuid,nodev,noexec,relatime shared:12 - bpf bpf rw,mode=700",
             "38 25 0:32 / /proc/sys/fs/binfmt_misc rw,relatime shared:14 - autofs systemd-1 "
             "rw,fd=32,pgrp=1,timeout=0,minproto=5,maxproto=5,direct,pipe_ino=2917",
             "39 26 0:20 / /dev/mqueue rw,nosuid,nodev,noexec,relatime shared:15 - mqueue mqueue rw",
             "40 26 0:33 / /dev/hugepages rw,nosuid,nodev,relatime shared:16 - hugetlbfs hugetlbfs rw,pagesize=2M",
             "41 24 0:7 / /sys/kernel/debug rw,nosuid,nodev,noexec,relatime shared:17 - debugfs debugfs rw",
             "42 24 0:12 / /sys/kernel/tracing rw,nosuid,nodev,noexec,relatime shared:18 - tracefs tracefs rw",
             "43 24 0:34 / /sys/fs/fuse/connections rw,nosuid,nodev,noexec,relatime shared:19 - fusectl fusectl rw",
             "44 24 0:35 / /sys/kernel/config rw,nosuid,nodev,noexec,relatime shared:20 - configfs configfs rw",
             "68 30 7:0 / /snap/bare/5 ro,nodev,relatime shared:36 - squashfs /dev/loop0 ro,errors=continue",
             "71 30 7:1 / /snap/firefox/4173 ro,nodev,relatime shared:38 - squashfs /dev/loop1 ro,errors=continue",
             "90 30 8:1 / /boot/efi rw,relatime shared:48 - vfat /dev/sda1 rw,fmask=0077,dmask=0077,codepage=437",
             "92 30 8:17 / /home rw,relatime shared:50 - ext4 /dev/sdb1 rw",
             "95 38 0:45 / /proc/sys/fs/binfmt_misc rw,nosuid,nodev,noexec,relatime shared:52 - binfmt_misc "
             "binfmt_misc rw",
             "540 28 0:4 mnt:[4026532628] /run/snapd/ns/firefox.mnt rw - nsfs nsfs rw",
             "612 28 0:58 / /run/user/1000 rw,nosuid,nodev,relatime shared:331 - tmpfs tmpfs "
             "rw,size=1612192k,nr_inodes=403048,mode=700,uid=1000,gid=1000",
             "640 612 0:59 / /run/user/1000/doc rw,nosuid,nodev,relatime shared:347 - fuse.portal portal "
             "rw,user_id=1000,group_id=1000",
             "655 612 0:60 / /run/user/1000/gvfs rw,nosuid,nodev,relatime shared:355 - fuse.gvfsd-fuse gvfsd-fuse "
             "rw,user_id=1000,group_id=1000",
             "700 30 0:64 / /var/lib/docker/overlay2/9d3c0e5b7f1a/merged rw,relatime - overlay overlay "
             "rw,lowerdir=/var/lib/docker/overlay2/l/ZK4QW3:/var/lib/docker/overlay2/l/7HLX2B,"
             "upperdir=/var/lib/docker/overlay2/9d3c0e5b7f1a/diff,workdir=/var/lib/docker/overlay2/9d3c0e5b7f1a/work",
             "712 28 0:4 net:[4026532790] /run/docker/netns/5f0a3c2b91de rw shared:390 - nsfs nsfs rw",
             "730 30 8:33 / /media/operator/SSD\\040under\\040test rw,nosuid,nodev,relatime shared:400 - exfat "
             "/dev/sdc1 rw,uid=1000,gid=1000,fmask=0022,dmask=0022,iocharset=utf8,errors=remount-ro",
         }) {
      s.MountInfoLine(line);
    }
    s.Swap("/swap.img", true);
  });
  EXPECT_EQ(listing.nodes, std::vector<std::string>{"/dev/sg2"});
  EXPECT_EQ(listing.debugLines, "");
}

// udev's record of a block device that holds a member of the ZFS pool, with the pool's name as
// blkid gives it: with blanks as "_" and with every unsafe byte escaped.
void ZfsMember(FakeSgStation& s, int major, int minor, const std::string& label, const std::string& encodedLabel) {
  s.UdevRecord(major, minor,
               {"S:disk/by-partuuid/6f1c2a3e-9b0d-4e5f-8a7b-1c2d3e4f5a6b", "I:2468135", "E:ID_FS_VERSION=5000",
                "E:ID_FS_LABEL=" + label, "E:ID_FS_LABEL_ENC=" + encodedLabel, "E:ID_FS_UUID=1508091572857626210",
                "E:ID_FS_UUID_ENC=1508091572857626210", "E:ID_FS_UUID_SUB=8345710966283847719",
                "E:ID_FS_TYPE=zfs_member", "E:ID_FS_USAGE=raid", "G:systemd", "Q:systemd", "V:1"});
}

void ZfsMember(FakeSgStation& s, int major, int minor, const std::string& pool) {
  ZfsMember(s, major, minor, pool, pool);
}

TEST(SystemDisks, TheMembersOfAMountedZfsPoolAreNeverListed) {
  const LayoutCase cases[] = {
      {"ZFS root and boot pools on partitions of sda, beside an ext4 labelled like the pool",
       [](FakeSgStation& s) {
         s.AddPartition("sda", "sda3", 8, 3);
         s.AddPartition("sda", "sda4", 8, 4);
         ZfsMember(s, 8, 3, "bpool");
         ZfsMember(s, 8, 4, "rpool");
         s.Mount(0, 26, "rpool/ROOT/ubuntu_k2b7x1", "/", "zfs", "rw,xattr,posixacl");
         s.Mount(0, 27, "bpool/BOOT/ubuntu_k2b7x1", "/boot", "zfs", "rw,nodevices,xattr,posixacl");
         s.Mount(0, 28, "rpool/USERDATA/home_k2b7x1", "/home", "zfs", "rw,xattr,posixacl");
         s.AddPartition("sdb", "sdb1", 8, 17);
         s.UdevRecord(8, 17, {"E:ID_FS_LABEL=rpool", "E:ID_FS_LABEL_ENC=rpool", "E:ID_FS_TYPE=ext4"});
       },
       kAllButSda},
      {"a pool at /tank on a partition of sdb, with a snapshot mounted, beside an ext4 root",
       [](FakeSgStation& s) {
         SystemPartition(s, "/");
         s.AddPartition("sdb", "sdb1", 8, 17);
         ZfsMember(s, 8, 17, "tank");
         s.Mount(0, 30, "tank", "/tank", "zfs");
         s.Mount(0, 31, "tank@daily", "/tank/.zfs/snapshot/daily", "zfs", "ro");
       },
       {"/dev/sg2"}},
      {"a root pool mirrored on sda and sdb",
       [](FakeSgStation& s) {
         DataPartitions(s);
         s.AddPartition("sda", "sda1", 8, 1);
         ZfsMember(s, 8, 1, "rpool");
         ZfsMember(s, 8, 17, "rpool");
         s.Mount(0, 26, "rpool/ROOT/pve-1", "/", "zfs");
       },
       {"/dev/sg2"}},
      {"a pool on LUKS on sdb",
       [](FakeSgStation& s) {
         SystemPartition(s, "/");
         s.AddPartition("sdb", "sdb1", 8, 17);
         s.UdevRecord(8, 17, {"E:ID_FS_TYPE=crypto_LUKS", "E:ID_FS_VERSION=2"});
         s.AddStackedDevice("dm-0", 253, 0, {"sdb1"});
         ZfsMember(s, 253, 0, "vault");
         s.Mount(0, 30, "vault/data", "/srv/data", "zfs");
       },
       {"/dev/sg2"}},
      {"swap on a partition of a ZFS volume of a pool on sdb, no dataset of the pool mounted",
       [](FakeSgStation& s) {
         SystemPartition(s, "/");
         s.AddPartition("sdb", "sdb1", 8, 17);
         ZfsMember(s, 8, 17, "tank");
         s.AddStackedDevice("zd0", 230, 0, {});
         s.UdevRecord(230, 0, {"S:zvol/tank/swap", "E:DEVTYPE=disk"});
         s.AddPartition("zd0", "zd0p1", 230, 1);
         s.Swap("/dev/zd0p1", false);
       },
       {"/dev/sg2"}},
      {"a pool whose name holds a blank",
       [](FakeSgStation& s) {
         SystemPartition(s, "/");
         s.AddPartition("sdb", "sdb1", 8, 17);
         ZfsMember(s, 8, 17, "media_pool", "media\\x20pool");
         s.Mount(0, 30, "media\\040pool/films", "/srv/films", "zfs");
       },
       {"/dev/sg2"}},
  };
  ExpectEachListed(cases, Root::AsStaged);
}

// udev's records of a partition that holds a ZFS member whose pool they do not name: blkid found
// another signature beside it, or only the partition's type tells.
void AmbivalentZfsMember(FakeSgStation& s, int major, int minor) {
  s.UdevRecord(major, minor, {"E:ID_FS_AMBIVALENT=raid:zfs_member:5000 filesystem:ext4:1.0", "E:ID_PART_ENTRY_NUMBER=1"});
}
void ZfsPartitionTypeOnly(FakeSgStation& s, int major, int minor) {
  s.UdevRecord(major, minor, {"E:ID_PART_ENTRY_SCHEME=gpt", "E:ID_PART_ENTRY_TYPE=6A898CC3-1DD2-11B2-99A6-080020736631",
                              "E:ID_PART_ENTRY_NUMBER=1"});
}

// A pool counts while it is imported, mounted or not; while one is, a member whose pool udev
// cannot name may be its. A member of a pool this machine has not imported is a drive to test.
TEST(SystemDisks, TheMembersOfAnImportedZfsPoolAreNeverListed) {
  const auto rpoolOnSda2 = [](FakeSgStation& s) {
    s.AddPartition("sda", "sda2", 8, 2);
    ZfsMember(s, 8, 2, "rpool");
    s.ImportZfsPool("rpool");
    s.AddPartition("sdb", "sdb1", 8, 17);
  };
  const LayoutCase cases[] = {
      {"a pool imported with nothing mounted, its volumes serving virtual machines",
       [](FakeSgStation& s) {
         s.AddPartition("sdb", "sdb1", 8, 17);
         ZfsMember(s, 8, 17, "vmpool");
         s.ImportZfsPool("vmpool");
       },
       {"/dev/sg2"}},
      {"a member of the mounted pool tank that carries a second signature",
       [](FakeSgStation& s) {
         s.AddPartition("sda", "sda2", 8, 2);
         ZfsMember(s, 8, 2, "tank");
         s.Mount(0, 30, "tank", "/tank", "zfs");
         s.AddPartition("sdb", "sdb1", 8, 17);
         AmbivalentZfsMember(s, 8, 17);
       },
       {"/dev/sg2"}},
      {"a member that only ZFS's partition type tells, while rpool is imported",
       [&](FakeSgStation& s) {
         rpoolOnSda2(s);
         ZfsPartitionTypeOnly(s, 8, 17);
       },
       {"/dev/sg2"}},
      {"a customer's pool on a drive back for repair, while rpool is imported",
       [&](FakeSgStation& s) {
         rpoolOnSda2(s);
         ZfsMember(s, 8, 17, "customer");
       },
       {"/dev/sg1", "/dev/sg2"}},
      {"signs of a ZFS member while no pool is imported",
       [](FakeSgStation& s) {
         s.AddPartition("sdb", "sdb1", 8, 17);
         AmbivalentZfsMember(s, 8, 17);
       },
       {"/dev/sg1", "/dev/sg2"}},
  };
  ExpectEachListed(cases, Root::OnSda1);
}

TEST(SystemDisks, AFileSystemOnNoKnownDiskListsNoDiskUnlessItIsNetworkOrMemory) {
  struct Case {
    const char* what;
    std::function<void(FakeSgStation&)> stage;
    std::vector<std::string> listed;
    const char* why;  // in the debugger line of an empty listing
  };
  const Case cases[] = {
      {"ZFS root without udev's records",
       [](FakeSgStation& s) { s.Mount(0, 25, "rpool/ROOT/debian", "/", "zfs", "rw,xattr,posixacl"); },
       {},
       "the file system at / cannot be traced to its disks (no member of the ZFS pool rpool is in udev's records "
       "of the block devices)"},
      {"root on a loop device without a backing file",
       [](FakeSgStation& s) {
         s.AddLoopDevice("loop0", 7, 0, "");
         s.Mount(7, 0, "/dev/loop0", "/");
       },
       {},
       "the loop device loop0 has no backing file"},
      {"overlay root whose layers are not mounted here (a container)",
       [](FakeSgStation& s) {
         s.Mount(0, 40, "overlay", "/", "overlay",
                 "rw,lowerdir=/var/lib/docker/overlay2/l/A:/var/lib/docker/overlay2/l/B,"
                 "upperdir=/var/lib/docker/overlay2/x/diff,workdir=/var/lib/docker/overlay2/x/work");
       },
       {},
       "the file system at / lies on itself"},
      {"/usr on a device missing from sysfs",
       [](FakeSgStation& s) { s.Mount(8, 5, "/dev/sda5", "/usr"); },
       {},
       "the file system at /usr cannot be traced to its disks (the block device 8:5 is not in sysfs)"},
      {"a ZFS pool beside an ext4 root, its member's record missing",
       [](FakeSgStation& s) {
         SystemPartition(s, "/");
         s.AddPartition("sdb", "sdb1", 8, 17);
         s.UdevRecord(8, 1, {"E:ID_FS_TYPE=ext4"});
         s.Mount(0, 26, "tank", "/tank", "zfs", "rw,xattr,noacl");
       },
       {},
       "the file system at /tank cannot be traced to its disks (no member of the ZFS pool tank is in udev's records "
       "of the block devices)"},
      {"a pool imported with nothing mounted, none of its members in udev's records",
       [](FakeSgStation& s) {
         SystemPartition(s, "/");
         s.ImportZfsPool("vmpool");
       },
       {},
       "the imported ZFS pool vmpool cannot be traced to its disks (no member of the ZFS pool vmpool is in udev's "
       "records of the block devices)"},
      {"swap on a ZFS volume that udev gave no zvol/ link",
       [](FakeSgStation& s) {
         SystemPartition(s, "/");
         s.AddStackedDevice("zd0", 230, 0, {});
         s.Swap("/dev/zd0", false);
       },
       {},
       "the swap area /dev/zd0 cannot be traced to its disks (the pool of the ZFS volume zd0 is not in udev's "
       "records of the block devices)"},
      {"NFS root", [](FakeSgStation& s) { s.Mount(0, 50, "server:/export/root", "/", "nfs4", "rw,vers=4.2"); },
       {"/dev/sg0", "/dev/sg1", "/dev/sg2"}, ""},
      {"tmpfs root with /boot behind the automounter",
       [](FakeSgStation& s) {
         s.Mount(0, 2, "none", "/", "tmpfs");
         s.Mount(0, 45, "systemd-1", "/boot", "autofs", "rw,fd=47,pgrp=1");
       },
       {"/dev/sg0", "/dev/sg1", "/dev/sg2"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Listing listing = ListThreeDisks(c.stage);
    EXPECT_EQ(listing.nodes, c.listed);
    if (*c.why == '\0') {
      EXPECT_EQ(listing.debugLines, "");
      EXPECT_EQ(listing.problem, "");
    } else {
      EXPECT_NE(listing.debugLines.find(c.why), std::string::npos) << listing.debugLines;
      EXPECT_NE(listing.problem.find(c.why), std::string::npos) << listing.problem;
      EXPECT_NE(listing.debugLines.find("none is listed"), std::string::npos) << listing.debugLines;
    }
  }
}

TEST(SystemDisks, TheDisksOfTheRecordsAreNeverListed) {
  struct Case {
    const char* what;
    const char* file;  // a settings file of the station that names the folder
    const char* settings;
    std::function<void(FakeSgStation&, const std::string& station)> stage;
    std::vector<std::string> listed;
  };
  const auto onSdb = [](const char* mountPoint) {
    return [mountPoint](FakeSgStation& s, const std::string&) {
      s.AddPartition("sdb", "sdb1", 8, 17);
      s.Mount(8, 17, "/dev/sdb1", mountPoint);
    };
  };
  const Case cases[] = {
      {"the station folder", "Platform.ini", "",
       [](FakeSgStation& s, const std::string& station) {
         s.AddPartition("sdb", "sdb1", 8, 17);
         s.Mount(8, 17, "/dev/sdb1", station);
       },
       {"/dev/sg2"}},
      {"the folder of a drive", "Platform.ini", "[Drives]\r\nP=/mnt/server\r\n", onSdb("/mnt/server"), {"/dev/sg2"}},
      {"the serial-number record folder", "SATA_Setting.ini", "[Global_Setting]\r\nSN_Log_Path=/mnt/sn/today\r\n",
       onSdb("/mnt/sn"), {"/dev/sg2"}},
      {"a disk mounted inside the station folder", "Platform.ini", "",
       [](FakeSgStation& s, const std::string& station) {
         s.AddPartition("sdb", "sdb1", 8, 17);
         s.Mount(8, 17, "/dev/sdb1", station + "/Log");
       },
       {"/dev/sg2"}},
      {"the legacy page's log folder", "param.ini", "[Log Path]\r\nSetLogFolderPath=/mnt/logs\r\n",
       onSdb("/mnt/logs"), {"/dev/sg2"}},
      {"a records folder on ZFS", "SATA_Setting.ini", "[Global_Setting]\r\nSN_Log_Path=/tank/sn\r\n",
       [](FakeSgStation& s, const std::string&) { s.Mount(0, 60, "tank/sn", "/tank/sn", "zfs"); },
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testsupport::ScratchStation station;
    station.WriteFile(c.file, c.settings);
    const std::string folder = station.Folder().string();
    const Listing listing = ListThreeDisks(
        [&](FakeSgStation& s) {
          SystemPartition(s, "/");
          c.stage(s, folder);
        },
        device::StationRecordFolders);
    EXPECT_EQ(listing.nodes, c.listed);
  }
}

}  // namespace
