// The disk the machine runs from is never listed and never sent a request, however it holds
// the system: a file system at "/", "/boot", "/usr" or "/var" on the disk, on a partition, on
// LVM, device-mapper or md devices built on it, under an overlay, a loop device or a btrfs of
// several disks, or active swap on it; nor the disks of the station's records. When one of
// them cannot be traced to its disks, no disk is listed.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

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

// Three disks: sda (8:0), sdb (8:16) and sdc (8:32) on sg0, sg1 and sg2; the nodes listed,
// and the debugger lines of the listing.
struct Listing {
  std::vector<std::string> nodes;
  std::string debugLines;
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
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.what);
    const Listing listing = ListThreeDisks(c.stage);
    EXPECT_EQ(listing.nodes, c.listed);
    EXPECT_EQ(listing.debugLines, "");
  }
}

TEST(SystemDisks, AFileSystemOnNoKnownDiskListsNoDiskUnlessItIsNetworkOrMemory) {
  struct Case {
    const char* what;
    std::function<void(FakeSgStation&)> stage;
    std::vector<std::string> listed;
    const char* why;  // in the debugger line of an empty listing
  };
  const Case cases[] = {
      {"ZFS root",
       [](FakeSgStation& s) { s.Mount(0, 25, "rpool/ROOT/debian", "/", "zfs", "rw,xattr,posixacl"); },
       {},
       "the file system at / cannot be traced to its disks (a zfs file system, rpool/ROOT/debian, names no block "
       "device)"},
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
       "dev/block/8:5 is not in sysfs"},
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
    } else {
      EXPECT_NE(listing.debugLines.find(c.why), std::string::npos) << listing.debugLines;
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
