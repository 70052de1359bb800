// SgTransport: the SG_IO header it fills and the outcome it reads back, the disk list, the
// drive numbers and node texts, and the nodes it opens, all against a fake kernel with its
// sysfs and /proc trees; and an INQUIRY on a real disk when the machine has one we may open.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <fcntl.h>
#include <utility>

#include "CommandCalls.h"
#include "FakeSgStation.h"
#include "device/DeviceCommand.h"
#include "device/DeviceListing.h"
#include "device/DevicePaths.h"
#include "device/ReplyLayouts.h"
#include "device/SysfsFiles.h"
#include "device/VolumeLock.h"
#include "support/FakeVolumes.h"

namespace {

namespace fs = std::filesystem;
using device::CommandError;
using device::DataDirection;
using device::PassThroughRequest;
using device::SgTransport;
using devicetest::BridgeMode;
using devicetest::FakeSgStation;
using Address = FakeSgStation::Address;

Address UsbPort(const std::string& port, int host, int lun = 0) {
  return {port + "/" + port + ":1.0", host, 0, 0, lun};
}

// A USB device plugged in a port of the controller's USB 2 root hub ("1-3").
Address Usb2Port(const std::string& port) {
  return {"/pci0000:00/0000:00:14.0/usb1/" + port + "/" + port + ":1.0", FakeSgStation::kNewHost};
}

// A disk attached with its sg node and sd disk, or, without the sg driver, its sd disk alone.
fs::path Attach(FakeSgStation& kernel, bool generic, const std::string& sg, const std::string& sd,
                const Address& address, int minor) {
  return generic ? kernel.AddDisk(sg, address, sd, 8, minor) : kernel.AddBlockDisk(sd, address, 8, minor);
}

// A station with disks on sg3 and sg9, listed.
struct ListedStation {
  FakeSgStation station;
  SgTransport transport;
  ListedStation() : transport(Staged(station)) { transport.ListDisks(); }
  static device::SgSystem Staged(FakeSgStation& station) {
    station.AddDisk("sg3", UsbPort("2-3", 7), "sdb", 8, 16);
    station.AddDisk("sg9", UsbPort("2-9", 8), "sdc", 8, 32);
    return station.System();
  }
};

PassThroughRequest NonDataRequest() {
  PassThroughRequest request;
  request.cdbLength = 16;
  return request;
}

TEST(SgTransportRequests, FillsTheHeaderForADataInCommand) {
  ListedStation listed;
  FakeSgStation& kernel = listed.station;
  kernel.answer = [](sg_io_hdr_t& header) {
    static_cast<unsigned char*>(header.dxferp)[0] = 0x77;
    header.resid = 0;
  };
  std::vector<std::uint8_t> buffer(65536);
  PassThroughRequest request;
  request.cdb = {0xF0, 0x21, 0x50, 0x01, 0x00, 0x80, 0, 0, 0, 0, 0x01, 0x00, 0x40, 0, 0, 0};
  request.cdbLength = 16;
  request.direction = DataDirection::In;
  request.data = buffer.data();
  request.dataLength = 65536;
  request.timeoutSeconds = 30;
  const auto result = listed.transport.Execute("/dev/sg3", request);

  ASSERT_EQ(kernel.opened, std::vector<std::string>{"/dev/sg3"});
  EXPECT_EQ(kernel.openFlags[0] & O_ACCMODE, O_RDWR);
  EXPECT_NE(kernel.openFlags[0] & O_NONBLOCK, 0);
  EXPECT_EQ(kernel.seen.interface_id, 'S');
  EXPECT_EQ(kernel.seen.dxfer_direction, SG_DXFER_FROM_DEV);
  EXPECT_EQ(kernel.seen.cmd_len, 16);
  EXPECT_EQ(std::memcmp(kernel.seenCdb.data(), request.cdb.data(), 16), 0);
  EXPECT_EQ(kernel.seen.dxfer_len, 65536u);
  EXPECT_EQ(kernel.seen.dxferp, buffer.data());
  EXPECT_EQ(kernel.seen.mx_sb_len, 32);
  EXPECT_NE(kernel.seen.sbp, nullptr);
  EXPECT_EQ(kernel.seen.timeout, 30000u);
  EXPECT_EQ(kernel.seen.iovec_count, 0);
  EXPECT_EQ(kernel.closes, 0) << "the node is kept for the next request";

  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.transferred, 65536u);
  EXPECT_EQ(buffer[0], 0x77);
}

TEST(SgTransportRequests, NonDataAndDataOutDirections) {
  ListedStation listed;
  FakeSgStation& kernel = listed.station;
  PassThroughRequest request = NonDataRequest();
  listed.transport.Execute("/dev/sg3", request);
  EXPECT_EQ(kernel.seen.dxfer_direction, SG_DXFER_NONE);
  EXPECT_EQ(kernel.seen.dxfer_len, 0u);
  EXPECT_EQ(kernel.seen.dxferp, nullptr);

  std::vector<std::uint8_t> block(512, 0xAB);
  request.direction = DataDirection::Out;
  request.data = block.data();
  request.dataLength = 512;
  listed.transport.Execute("/dev/sg3", request);
  EXPECT_EQ(kernel.seen.dxfer_direction, SG_DXFER_TO_DEV);
  EXPECT_EQ(kernel.seen.dxfer_len, 512u);
}

TEST(SgTransportRequests, ReadsStatusSenseAndResidBack) {
  ListedStation listed;
  listed.station.answer = [](sg_io_hdr_t& header) {
    header.status = 0x02;
    header.host_status = 0;
    header.driver_status = 0x08;
    header.sb_len_wr = 22;
    const unsigned char sense[22] = {0x72, 0x0B, 0, 0, 0, 0, 0, 14, 0x09, 0x0C, 0, 0x04,
                                     0,    0,    0, 0, 0, 0, 0, 0,  0x40, 0x51};
    std::memcpy(header.sbp, sense, sizeof(sense));
    header.resid = 512;
  };
  std::vector<std::uint8_t> buffer(1024);
  PassThroughRequest request = NonDataRequest();
  request.direction = DataDirection::In;
  request.data = buffer.data();
  request.dataLength = 1024;
  const auto result = listed.transport.Execute("/dev/sg9", request);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(result.scsiStatus, 0x02);
  EXPECT_EQ(result.driverStatus, 0x08);
  EXPECT_EQ(result.senseLength, 22);
  EXPECT_EQ(result.sense[21], 0x51);
  EXPECT_EQ(result.transferred, 512u);
}

TEST(SgTransportRequests, OddResidAndOversizedSenseStayInBounds) {
  sg_io_hdr_t header{};
  unsigned char sense[32] = {};
  header.dxfer_len = 512;
  header.resid = 4096;
  header.sb_len_wr = 200;
  auto result = SgTransport::ResultOf(header, sense);
  EXPECT_EQ(result.transferred, 0u);
  EXPECT_EQ(result.senseLength, 32);
  header.resid = -8;
  result = SgTransport::ResultOf(header, sense);
  EXPECT_EQ(result.transferred, 512u);
}

TEST(SgTransportRequests, SystemErrorsComeBackAsErrno) {
  ListedStation listed;
  FakeSgStation& kernel = listed.station;
  kernel.openErrno = ENOENT;
  PassThroughRequest request = NonDataRequest();
  auto result = listed.transport.Execute("/dev/sg9", request);
  EXPECT_EQ(result.systemError, ENOENT);
  EXPECT_EQ(kernel.closes, 0);

  kernel.openErrno = 0;
  kernel.ioctlErrno = EIO;
  result = listed.transport.Execute("/dev/sg9", request);
  EXPECT_EQ(result.systemError, EIO);
  EXPECT_EQ(kernel.closes, 0) << "a node whose request failed is still its disk's";

  request.cdbLength = 17;
  result = listed.transport.Execute("/dev/sg9", request);
  EXPECT_EQ(result.systemError, EINVAL);
}

TEST(SgTransportRequests, DeviceCommandThroughTheSgTransport) {
  FakeSgStation kernel;
  kernel.AddDisk("sg5", UsbPort("2-5", 7));
  kernel.answer = [](sg_io_hdr_t& header) { header.resid = 0; };
  device::SetTransport(std::make_shared<SgTransport>(kernel.System()));
  BridgeMode mode(0);
  CDeviceCommand command(std::string("/dev/sg5"));
  std::array<std::uint8_t, 528> page{};
  EXPECT_EQ(command.TesterReadUsbPage(page), 1);
  EXPECT_EQ(kernel.seen.dxfer_len, 528u);
  EXPECT_EQ(kernel.seen.timeout, 10000u);
  EXPECT_EQ(kernel.seenCdb[0], device::cdb::kTesterCdbOpcode);
  device::SetTransport(nullptr);
}

// A disk's node is opened at its first request and kept for the pass: the sg node read and
// write, the sd node (without the sg driver) read-only; both non-blocking.
TEST(SgTransportRequests, ADisksNodeIsOpenedOnceForThePass) {
  for (const bool generic : {true, false}) {
    SCOPED_TRACE(generic ? "sg nodes" : "sd nodes");
    FakeSgStation kernel;
    const auto attach = [&](const std::string& name, const Address& address, int minor) {
      return generic ? kernel.AddDisk(name, address) : kernel.AddBlockDisk(name, address, 8, minor);
    };
    const std::string first = generic ? "sg0" : "sda";
    const std::string second = generic ? "sg1" : "sdb";
    const fs::path pulled = attach(first, UsbPort("2-1", 6), 0);
    attach(second, UsbPort("2-2", 7), 16);
    {
      SgTransport transport(kernel.System());
      transport.ListDisks();
      PassThroughRequest request = NonDataRequest();
      for (int i = 0; i < 3; ++i) EXPECT_TRUE(transport.Execute("/dev/" + first, request).Succeeded());
      transport.Execute("/dev/" + second, request);
      ASSERT_EQ(kernel.opened, (std::vector<std::string>{"/dev/" + first, "/dev/" + second}));
      EXPECT_EQ(kernel.closes, 0);

      for (const int flags : kernel.openFlags) {
        EXPECT_EQ(flags & O_ACCMODE, generic ? O_RDWR : O_RDONLY);
        EXPECT_NE(flags & O_NONBLOCK, 0);
      }

      kernel.RemoveDisk(generic ? first : "", pulled, generic ? "" : first);
      EXPECT_EQ(transport.Execute("/dev/" + first, request).systemError, ENODEV);
      EXPECT_EQ(kernel.closes, 1) << "the node of a disk that has gone is closed";
      EXPECT_EQ(kernel.sentTo.size(), 4u);
    }
    EXPECT_EQ(kernel.OpenDescriptors(), 0) << "the transport closes what it kept";
  }
}

// A kept node of a disk that the kernel dropped answers ENODEV without reaching the disk. When
// the disk is back at its address, the request goes once more on its node opened anew; a disk
// that is not back, or another disk that took the name, is sent nothing.
TEST(SgTransportRequests, ARequestADeadKeptNodeDidNotTakeGoesOnceMoreToTheDiskBack) {
  struct Case {
    const char* what;
    int arrival;    // the number of the node that arrives; none when negative
    Address address;
    bool succeeds;
  };
  const Case cases[] = {
      {"back under its name", 1, UsbPort("2-2", 7), true},
      {"back under another name and host", 2, UsbPort("2-2", 9), true},
      {"another disk under its name", 1, UsbPort("2-6", 9), false},
      {"not back", -1, {}, false},
  };
  for (const bool generic : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (generic ? ", sg nodes" : ", sd nodes"));
      FakeSgStation kernel;
      const auto node = [&](int n) { return generic ? "sg" + std::to_string(n) : "sd" + std::string(1, 'a' + n); };
      const auto attach = [&](int n, const Address& address) {
        return generic ? kernel.AddDisk(node(n), address) : kernel.AddBlockDisk(node(n), address, 8, 16 * n);
      };
      attach(0, UsbPort("2-1", 6));
      const fs::path disk = attach(1, UsbPort("2-2", 7));
      SgTransport transport(kernel.System());
      transport.ListDisks();
      PassThroughRequest request = NonDataRequest();
      ASSERT_TRUE(transport.Execute("/dev/" + node(1), request).Succeeded());
      kernel.RemoveDisk(generic ? node(1) : "", disk, generic ? "" : node(1));
      if (c.arrival >= 0) attach(c.arrival, c.address);
      kernel.sentTo.clear();
      const auto result = transport.Execute("/dev/" + node(1), request);
      EXPECT_EQ(result.Succeeded(), c.succeeds);
      EXPECT_EQ(result.systemError, c.succeeds ? 0 : ENODEV);
      EXPECT_EQ(kernel.sentTo, c.succeeds ? std::vector<std::string>{"/dev/" + node(c.arrival)}
                                          : std::vector<std::string>{});
      EXPECT_EQ(kernel.OpenDescriptors(), c.succeeds ? 1 : 0) << "the dead node is closed";
    }
  }
}

// A disk's node passes to a disk at another port while a request is on its way to the disk: the
// disk drops and comes back at its address under another node, and the other disk takes the
// freed one. Whether the node passes after the lookup found it and before it is opened, or while
// it is opened, the other disk is sent nothing, and in the first case its node is not opened.
TEST(SgTransportRequests, ANodeThatPassesToADiskAtAnotherPortGetsNothing) {
  enum class Moment { BeforeTheOpen, WhileItIsOpened };
  const struct {
    const char* what;
    Moment moment;
  } cases[] = {{"before the open", Moment::BeforeTheOpen},
               {"between the open and the check after it", Moment::WhileItIsOpened}};
  for (const bool generic : {true, false}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (generic ? ", sg nodes" : ", sd nodes"));
      FakeSgStation kernel;
      Attach(kernel, generic, "sg0", "sda", UsbPort("2-1", 6), 0);
      const fs::path disk = Attach(kernel, generic, "sg1", "sdb", UsbPort("2-2", 7), 16);
      bool armed = false;
      const auto pass = [&] {
        if (!std::exchange(armed, false)) return;
        kernel.RemoveDisk(generic ? "sg1" : "", disk, "sdb");
        Attach(kernel, generic, "sg5", "sdf", UsbPort("2-2", 7), 80);
        Attach(kernel, generic, "sg1", "sdb", UsbPort("2-6", 9), 16);
      };
      device::SgSystem system = kernel.System();
      if (c.moment == Moment::BeforeTheOpen) {
        // The machine's record folders are asked for while the disk found at the address is
        // checked: after its node was looked up, before the node is opened.
        system.recordFolders = [&] {
          pass();
          return std::vector<fs::path>{};
        };
      } else {
        kernel.beforeOpen = [&](const std::string&) { pass(); };
      }
      SgTransport transport(system);
      transport.ListDisks();
      const std::string identity = transport.IdentityOfDrive(2);
      armed = true;
      PassThroughRequest request = NonDataRequest();
      EXPECT_EQ(transport.ExecuteOn(identity, request).systemError, ENODEV);
      EXPECT_FALSE(armed) << "the node did not pass";
      const std::string node = generic ? "/dev/sg1" : "/dev/sdb";
      EXPECT_EQ(kernel.opened,
                c.moment == Moment::BeforeTheOpen ? std::vector<std::string>{} : std::vector<std::string>{node});
      EXPECT_TRUE(kernel.sentTo.empty());
      EXPECT_EQ(kernel.OpenDescriptors(), 0);
    }
  }
}

// ---- the disk list from sysfs ----------------------------------------------------------------

TEST(SgTransportListing, DisksInSgOrderWithTheirPorts) {
  FakeSgStation kernel;
  kernel.AddDisk("sg10", UsbPort("2-3", 9), "sdc", 8, 32);
  kernel.AddDisk("sg2", UsbPort("2-2", 7), "sdb", 8, 16);
  kernel.AddDisk("sg0", UsbPort("2-9", 3), "", 8, 0, 5);  // a CD drive: not a disk
  kernel.AddDisk("sg1", UsbPort("2-1", 6), "sda", 8, 0, 0x0E);
  SgTransport transport(kernel.System());
  const auto disks = transport.ListDisks();
  ASSERT_EQ(disks.size(), 3u);
  EXPECT_EQ(disks[0].devicePath, "/dev/sg1");
  EXPECT_EQ(disks[1].devicePath, "/dev/sg2");
  EXPECT_EQ(disks[2].devicePath, "/dev/sg10");
  EXPECT_EQ(disks[1].nodeText, "pci0000:00/0000:00:14.0/usb2/2-2/2-2:1.0/0:0:0");
  EXPECT_EQ(transport.DevicePathOfDrive(3), "/dev/sg10");
  EXPECT_EQ(transport.DevicePathOfDrive(4), "");
  EXPECT_EQ(transport.DevicePathOfDrive(0), "");
  EXPECT_EQ(transport.BlockDeviceOf(transport.IdentityOf("/dev/sg2")).path, "/dev/sdb");
  EXPECT_EQ(transport.IdentityOf("/dev/sg0"), "") << "not a listed disk";
  EXPECT_EQ(transport.IdentityOf("/dev/sdq"), "");
}

TEST(SgTransportListing, WithoutTheSgDriverTheBlockDevicesInNameOrder) {
  FakeSgStation kernel;
  kernel.AddBlockDisk("sdaa", UsbPort("2-3", 8), 65, 160);
  kernel.AddBlockDisk("sdb", UsbPort("2-2", 7), 8, 16);
  kernel.AddBlockDisk("sda", UsbPort("2-1", 6), 8, 0);
  SgTransport transport(kernel.System());
  const auto disks = transport.ListDisks();
  ASSERT_EQ(disks.size(), 3u);
  EXPECT_EQ(disks[0].devicePath, "/dev/sda");
  EXPECT_EQ(disks[1].devicePath, "/dev/sdb");
  EXPECT_EQ(disks[2].devicePath, "/dev/sdaa");
  EXPECT_EQ(disks[0].nodeText, "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/0:0:0");
  EXPECT_EQ(transport.BlockDeviceOf(transport.IdentityOf("/dev/sdb")).path, "/dev/sdb");
}

TEST(SgTransportListing, NoSysfsGivesNoDisks) {
  FakeSgStation kernel;
  device::SgSystem system = kernel.System();
  system.sysfsRoot = "/nonexistent-sysfs-root";
  SgTransport transport(system);
  EXPECT_TRUE(transport.ListDisks().empty());
}

// Node texts and identities leave out the SCSI host number, which the kernel hands out anew at
// every enumeration, where a host is the one below its port; they keep the hosts where two disks
// would be alike without them. An identity takes a USB 3 port and its USB 2 peer as one port.
TEST(SgTransportListing, NodeTextsAndIdentitiesTellEveryTwoDisksApart) {
  struct Case {
    const char* what;
    Address first;
    Address second;
    bool together;  // both attached at once; else the first is pulled and the second attached
    bool sameNode;
    bool sameDisk;
  };
  const Address isciFunction{"/pci0000:00/0000:00:1f.0", 6};
  const Address fcPort{"/pci0000:00/0000:03:00.0", 5};
  const Case cases[] = {
      {"two LUNs of one USB device", UsbPort("2-2", 7, 0), UsbPort("2-2", 7, 1), true, false, false},
      {"two disks behind one port multiplier", {"ata3", 2, 0, 0, 0}, {"ata3", 2, 1, 0, 0}, true, false, false},
      {"two hosts below one controller function", isciFunction, {"/pci0000:00/0000:00:1f.0", 7}, true, false, false},
      {"an NPIV host below its port's host", fcPort, {"/pci0000:00/0000:03:00.0/host5/vport-5:0-0", 6}, true, false,
       false},
      {"two iSCSI sessions", {"/platform", 3}, {"/platform", 4}, true, false, false},
      {"one USB disk plugged in again under another host", UsbPort("2-2", 7), UsbPort("2-2", 12), false, true, true},
      {"one SATA disk under another host", {"ata3", 2}, {"ata3", 5}, false, true, true},
      {"a USB 3 disk back at its port's USB 2 peer", UsbPort("2-3", 7),
       {"/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0", 8}, false, false, true},
      {"a USB 3 disk back at another USB 2 port", UsbPort("2-3", 7), {"/pci0000:00/0000:00:14.0/usb1/1-4/1-4:1.0", 8},
       false, false, false},
      {"a USB disk back at another port", UsbPort("2-3", 7), UsbPort("2-4", 7), false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeSgStation kernel;
    kernel.PeerUsbPorts("usb2-port3", "usb1-port3");
    kernel.PeerUsbPorts("usb2-port4", "usb1-port5");
    const fs::path first = kernel.AddDisk("sg0", c.first);
    SgTransport transport(kernel.System());
    std::vector<std::string> nodes;
    std::vector<std::string> identities;
    const auto list = [&] {
      for (const auto& disk : transport.ListDisks()) {
        nodes.push_back(disk.nodeText);
        identities.push_back(disk.identity);
      }
    };
    if (c.together) {
      kernel.AddDisk("sg1", c.second);
      list();
    } else {
      list();
      kernel.RemoveDisk("sg0", first);
      kernel.AddDisk("sg1", c.second);
      transport.ListDisks();
      list();
    }
    ASSERT_EQ(identities.size(), 2u);
    EXPECT_EQ(nodes[0] == nodes[1], c.sameNode) << nodes[0] << " / " << nodes[1];
    EXPECT_EQ(identities[0] == identities[1], c.sameDisk) << identities[0] << " / " << identities[1];
  }
}

// While the sd driver is loaded, a disk that it did not take (a hardware array's member that the
// HBA keeps from it, which the machine may run on) is not listed; without sd, the sg disks are.
TEST(SgTransportListing, DisksTheSdDriverDidNotTakeAreNotListedWhileItIsLoaded) {
  for (const bool sdLoaded : {true, false}) {
    SCOPED_TRACE(sdLoaded ? "sd loaded" : "sd not loaded");
    FakeSgStation kernel;
    if (sdLoaded) kernel.LoadSdDriver();
    kernel.AddDisk("sg0", UsbPort("2-1", 6), sdLoaded ? "sda" : "", 8, 0);
    kernel.AddDisk("sg1", {"/pci0000:00/0000:01:00.0", 2, 0, 1, 0});  // no block device
    kernel.AddDisk("sg2", UsbPort("2-2", 7), sdLoaded ? "sdb" : "", 8, 16);
    SgTransport transport(kernel.System());
    std::vector<std::string> listed;
    for (const auto& disk : transport.ListDisks()) listed.push_back(disk.devicePath);
    const std::vector<std::string> expected =
        sdLoaded ? std::vector<std::string>{"/dev/sg0", "/dev/sg2"}
                 : std::vector<std::string>{"/dev/sg0", "/dev/sg1", "/dev/sg2"};
    EXPECT_EQ(listed, expected);
  }
}

// A disk that a device built on it holds is the machine's with nothing mounted: the members of an
// md array that nothing mounts, and an LVM physical volume whose volume a virtual machine uses
// raw, are not listed, and the listing names them with their holders for the operator.
TEST(SgTransportListing, DisksThatADeviceOfTheMachineHoldsAreNotListedButNamed) {
  for (const bool generic : {true, false}) {
    SCOPED_TRACE(generic ? "sg nodes" : "sd nodes");
    FakeSgStation kernel;
    Attach(kernel, generic, "sg0", "sda", UsbPort("2-1", 6), 0);
    Attach(kernel, generic, "sg1", "sdb", UsbPort("2-2", 7), 16);
    Attach(kernel, generic, "sg2", "sdc", UsbPort("2-3", 8), 32);
    Attach(kernel, generic, "sg3", "sdd", UsbPort("2-4", 9), 48);
    kernel.AddStackedDevice("md0", 9, 0, {"sdb", "sdc"});
    kernel.AddPartition("sdd", "sdd1", 8, 49);
    kernel.AddStackedDevice("dm-0", 253, 0, {"sdd1"}, "vg0-vm1");
    SgTransport transport(kernel.System());
    std::vector<std::string> listed;
    for (const auto& disk : transport.ListDisks()) listed.push_back(disk.devicePath);
    EXPECT_EQ(listed, std::vector<std::string>{generic ? "/dev/sg0" : "/dev/sda"});
    EXPECT_EQ(devicetest::HeldTexts(transport.HeldDisks()),
              (std::vector<std::string>{"sdb is held by md0", "sdc is held by md0", "sdd is held by dm-0 (vg0-vm1)"}));
  }
}

// ---- a drive number names one disk for the whole pass -----------------------------------------

// A pass on four disks (sg0, sg2, sg3, sg4; sg1 is a CD drive). Mid-pass the disk of drive 2
// (sg2) goes, and a disk arrives and is given the freed sg2: another disk, or the same one back
// in its USB port under a new SCSI host. Later a listing (another page's drop-down) runs. The
// other drives keep their disks throughout; drive 2 reaches its own disk back at its port, and
// fails as a pulled drive while its place holds no disk of its own, for the other disk is sent
// nothing but by a command made after that listing, which gives it drive 2's empty place.
TEST(SgTransportDriveNumbers, ADriveNumberNamesOneDiskForThePass) {
  struct Arrival {
    const char* what;
    Address address;
    bool ownDisk;
  };
  const Arrival arrivals[] = {{"another disk", UsbPort("2-7", 11), false},
                              {"the same disk back under another host", UsbPort("2-2", 11), true}};
  for (const Arrival& arrival : arrivals) {
    for (const std::uint8_t bridge : {0, 1}) {
      SCOPED_TRACE(std::string(arrival.what) + (bridge ? ", bridge mode" : ", tester mode"));
      FakeSgStation kernel;
      kernel.AddDisk("sg0", UsbPort("2-1", 6));
      kernel.AddDisk("sg1", UsbPort("2-5", 10), "", 8, 0, 5);
      const fs::path second = kernel.AddDisk("sg2", UsbPort("2-2", 7));
      kernel.AddDisk("sg3", UsbPort("2-3", 8));
      kernel.AddDisk("sg4", UsbPort("2-4", 9));
      kernel.answer = [](sg_io_hdr_t& header) { header.resid = 0; };
      const auto transport = std::make_shared<SgTransport>(kernel.System());
      device::SetTransport(transport);
      BridgeMode mode(bridge);
      devicetest::ListDrives();  // the scan

      std::vector<std::unique_ptr<CDeviceCommand>> drives;
      std::array<std::uint8_t, 512> buffer{};
      for (int number = 1; number <= 4; ++number) {
        drives.push_back(std::make_unique<CDeviceCommand>(number));
        ASSERT_EQ(drives.back()->ReadFirmwareName(buffer), 1);
      }
      const std::vector<std::string> everyDrive{"/dev/sg0", "/dev/sg2", "/dev/sg3", "/dev/sg4"};
      EXPECT_EQ(kernel.sentTo, everyDrive);

      kernel.RemoveDisk("sg2", second);
      kernel.AddDisk("sg2", arrival.address);
      kernel.sentTo.clear();
      const auto sendToEveryDrive = [&] {
        for (std::size_t i = 0; i < drives.size(); ++i) {
          const std::uint8_t passed = drives[i]->ReadFirmwareName(buffer);
          EXPECT_EQ(passed, i != 1 || arrival.ownDisk) << "drive " << i + 1;
        }
        if (!arrival.ownDisk) {
          EXPECT_EQ(drives[1]->LastError(), CommandError::NoDevice);
          EXPECT_EQ(drives[1]->LastAttempts(), 1u);
        }
      };
      const std::vector<std::string> otherDrives{"/dev/sg0", "/dev/sg3", "/dev/sg4"};
      sendToEveryDrive();
      CDeviceCommand again(2);
      EXPECT_EQ(again.ReadFirmwareName(buffer), arrival.ownDisk ? 1 : 0) << "drive 2 names its own disk only";
      if (arrival.ownDisk) {
        EXPECT_EQ(kernel.sentTo, (std::vector<std::string>{"/dev/sg0", "/dev/sg2", "/dev/sg3", "/dev/sg4", "/dev/sg2"}));
      } else {
        EXPECT_EQ(kernel.sentTo, otherDrives);
      }

      devicetest::ListDrives();  // another page's drop-down
      kernel.sentTo.clear();
      sendToEveryDrive();
      EXPECT_EQ(kernel.sentTo, arrival.ownDisk ? everyDrive : otherDrives);
      CDeviceCommand found(2);
      EXPECT_EQ(found.ReadFirmwareName(buffer), 1) << "a listing finds the disk in drive 2's place";
      EXPECT_EQ(kernel.sentTo.back(), "/dev/sg2");
      EXPECT_EQ(device::DevicePathOfDrive(4), "/dev/sg4");
      device::SetTransport(nullptr);
    }
  }
}

// The station's transport, but a lookup of the disk at a path lists the drives again first, as a
// drop-down on another thread may between a command's lookups.
class ListingBeforeEveryPathLookup : public device::Transport {
 public:
  explicit ListingBeforeEveryPathLookup(std::shared_ptr<SgTransport> inner) : m_inner(std::move(inner)) {}
  std::vector<device::TransportDisk> ListDisks() override { return m_inner->ListDisks(); }
  device::PassThroughResult Execute(const std::string& devicePath, PassThroughRequest& request) override {
    return m_inner->Execute(devicePath, request);
  }
  std::string DevicePathOfDrive(int driveNumber) override { return m_inner->DevicePathOfDrive(driveNumber); }
  std::string IdentityOf(const std::string& devicePath) override {
    devicetest::ListDrives();
    return m_inner->IdentityOf(devicePath);
  }
  std::string IdentityOfDrive(int driveNumber) override { return m_inner->IdentityOfDrive(driveNumber); }
  device::PassThroughResult ExecuteOn(const std::string& identity, PassThroughRequest& request) override {
    return m_inner->ExecuteOn(identity, request);
  }

 private:
  std::shared_ptr<SgTransport> m_inner;
};

// Drive 2's disk drops and comes back at its address under sg5, and a newcomer at another port
// takes the freed sg2, when a command first finds drive 2: a listing between finding the
// drive's node and finding that node's disk would give it the newcomer. It finds its own disk.
TEST(SgTransportDriveNumbers, AListingWhileACommandFindsItsDriveLeavesItTheDrivesOwnDisk) {
  for (const std::uint8_t bridge : {0, 1}) {
    SCOPED_TRACE(bridge ? "bridge mode" : "tester mode");
    FakeSgStation kernel;
    kernel.AddDisk("sg1", UsbPort("2-1", 6));
    const fs::path second = kernel.AddDisk("sg2", UsbPort("2-2", 7));
    kernel.AddDisk("sg3", UsbPort("2-3", 8));
    kernel.answer = [](sg_io_hdr_t& header) { header.resid = 0; };
    device::SetTransport(
        std::make_shared<ListingBeforeEveryPathLookup>(std::make_shared<SgTransport>(kernel.System())));
    BridgeMode mode(bridge);
    devicetest::ListDrives();

    kernel.RemoveDisk("sg2", second);
    kernel.AddDisk("sg5", UsbPort("2-2", 7));
    kernel.AddDisk("sg2", UsbPort("2-7", 11));
    CDeviceCommand command(2);
    std::array<std::uint8_t, 512> buffer{};
    EXPECT_EQ(command.ReadFirmwareName(buffer), 1);
    EXPECT_EQ(kernel.sentTo, std::vector<std::string>{"/dev/sg5"});
    device::SetTransport(nullptr);
  }
}

// A disk that drops off and comes back at the very place it left (libata attaches a drive anew
// when its IDENTIFY data changed after a firmware jump: same port, same host, same sg number)
// is the disk of its drive number still.
TEST(SgTransportDriveNumbers, ADiskBackAtItsOwnAddressKeepsItsDriveNumber) {
  FakeSgStation kernel;
  kernel.AddDisk("sg0", {"ata1", 0});
  const fs::path disk = kernel.AddDisk("sg1", {"ata2", 1});
  device::SetTransport(std::make_shared<SgTransport>(kernel.System()));
  BridgeMode mode(1);
  devicetest::ListDrives();
  CDeviceCommand command(2);
  std::array<std::uint8_t, 512> buffer{};
  ASSERT_EQ(command.ReadFirmwareName(buffer), 1);
  kernel.RemoveDisk("sg1", disk);
  EXPECT_EQ(command.ReadFirmwareName(buffer), 0);
  kernel.AddDisk("sg1", {"ata2", 1});
  EXPECT_EQ(command.ReadFirmwareName(buffer), 1);
  EXPECT_EQ(kernel.sentTo, (std::vector<std::string>{"/dev/sg1", "/dev/sg1"}));
  device::SetTransport(nullptr);
}

// Twenty-four disks drop off at once (a firmware jump, a power cycle of the tester or of the USB
// bridges) and the kernel attaches them again in another order, each under the SCSI host and
// the node that it hands out next (the lowest free numbers); one comes back at another port.
// Listings run while they are away and after (another page's drop-down), and hand the places to
// the disks in their new order. Every drive's commands reach its own disk under its new host and
// node, and no other disk; the drive of the disk at another port fails as a pulled drive.
TEST(SgTransportDriveNumbers, DisksBackAtTheirPortsUnderNewHostsAndNodesAreReachedByTheirOwnDrives) {
  constexpr int kDisks = 24;
  constexpr int kMoved = 5;  // back at another port
  // Disk k is the (7k + 3) mod 24-th to arrive again, and gets the host and node of that number.
  const auto arrival = [](int k) { return (7 * k + 3) % kDisks; };
  for (const bool generic : {true, false}) {
    for (const std::uint8_t bridge : {0, 1}) {
      SCOPED_TRACE(std::string(generic ? "sg nodes" : "sd nodes") + (bridge ? ", bridge mode" : ", tester mode"));
      FakeSgStation kernel;
      const auto node = [&](int n) {
        return generic ? "sg" + std::to_string(n) : "sd" + std::string(1, static_cast<char>('a' + n));
      };
      const auto attach = [&](int n, const std::string& port) {
        const Address address = UsbPort(port, FakeSgStation::kNewHost);
        return generic ? kernel.AddDisk(node(n), address) : kernel.AddBlockDisk(node(n), address, 8, 16 * n);
      };
      const auto ownPort = [](int k) { return "1-" + std::to_string(k + 1); };
      std::vector<fs::path> disks;
      for (int k = 0; k < kDisks; ++k) disks.push_back(attach(k, ownPort(k)));
      kernel.answer = [](sg_io_hdr_t& header) { header.resid = 0; };
      device::SetTransport(std::make_shared<SgTransport>(kernel.System()));
      BridgeMode mode(bridge);
      devicetest::ListDrives();
      std::vector<std::unique_ptr<CDeviceCommand>> drives;
      std::array<std::uint8_t, 512> buffer{};
      for (int k = 0; k < kDisks; ++k) {
        drives.push_back(std::make_unique<CDeviceCommand>(k + 1));
        EXPECT_EQ(drives.back()->ReadFirmwareName(buffer), 1);
      }

      for (int k = 0; k < kDisks; ++k) kernel.RemoveDisk(generic ? node(k) : "", disks[k], generic ? "" : node(k));
      devicetest::ListDrives();
      std::vector<int> arrivals(kDisks);
      for (int k = 0; k < kDisks; ++k) arrivals[arrival(k)] = k;
      for (int n = 0; n < kDisks; ++n) {
        const int k = arrivals[n];
        const fs::path back = attach(n, k == kMoved ? "1-30" : ownPort(k));
        EXPECT_NE(back.parent_path().parent_path(), disks[k].parent_path().parent_path())
            << "disk " << k << " keeps its SCSI host";
      }
      devicetest::ListDrives();
      EXPECT_EQ(device::DevicePathOfDrive(1), "/dev/" + node(0)) << "the listing gave place 1 to another disk";

      kernel.sentTo.clear();
      std::vector<std::string> expected;
      for (int k = 0; k < kDisks; ++k) {
        EXPECT_EQ(drives[k]->ReadFirmwareName(buffer), k == kMoved ? 0 : 1) << "drive " << k + 1;
        if (k != kMoved) expected.push_back("/dev/" + node(arrival(k)));
      }
      EXPECT_EQ(drives[kMoved]->LastError(), CommandError::NoDevice);
      EXPECT_EQ(kernel.sentTo, expected);
      drives.clear();
      device::SetTransport(nullptr);
    }
  }
}

// Two disks whose SCSI hosts hang below one device: the two hosts of one controller function, or
// an FC port's NPIV host below the physical port's host. Each drive's commands reach its own
// disk, and a second listing keeps every disk in its place.
TEST(SgTransportDriveNumbers, DisksOfTwoHostsBelowOneDeviceAreReachedByTheirOwnDrives) {
  struct Layout {
    const char* what;
    Address first;
    Address second;
  };
  const Layout layouts[] = {
      {"two hosts of one controller function", {"/pci0000:00/0000:00:1f.0", 6}, {"/pci0000:00/0000:00:1f.0", 7}},
      {"an NPIV host below its port's host", {"/pci0000:00/0000:03:00.0", 5},
       {"/pci0000:00/0000:03:00.0/host5/vport-5:0-0", 6}},
  };
  for (const Layout& layout : layouts) {
    for (const std::uint8_t bridge : {0, 1}) {
      SCOPED_TRACE(std::string(layout.what) + (bridge ? ", bridge mode" : ", tester mode"));
      FakeSgStation kernel;
      kernel.AddDisk("sg1", layout.first, "sdb", 8, 16);
      kernel.AddDisk("sg2", layout.second, "sdc", 8, 32);
      kernel.AddDisk("sg3", UsbPort("2-3", 8), "sdd", 8, 48);
      kernel.answer = [](sg_io_hdr_t& header) { header.resid = 0; };
      const auto transport = std::make_shared<SgTransport>(kernel.System());
      device::SetTransport(transport);
      BridgeMode mode(bridge);
      devicetest::ListDrives();
      const std::vector<std::string> everyDisk{"/dev/sg1", "/dev/sg2", "/dev/sg3"};
      std::array<std::uint8_t, 512> buffer{};
      for (int number = 1; number <= 3; ++number) {
        CDeviceCommand command(number);
        EXPECT_EQ(command.ReadFirmwareName(buffer), 1) << "drive " << number;
        EXPECT_EQ(command.BlockDevice().path, "/dev/sd" + std::string(1, static_cast<char>('a' + number)));
      }
      EXPECT_EQ(kernel.sentTo, everyDisk);
      devicetest::ListDrives();
      for (int number = 1; number <= 3; ++number) EXPECT_EQ(device::DevicePathOfDrive(number), everyDisk[number - 1]);
      device::SetTransport(nullptr);
    }
  }
}

// The fake kernel's transport installed in bridge mode and listed, and drive 2's command bound to
// its disk by a first request, which succeeds.
struct BoundDriveTwo {
  explicit BoundDriveTwo(FakeSgStation& kernel) {
    kernel.answer = [](sg_io_hdr_t& header) { header.resid = 0; };
    device::SetTransport(std::make_shared<SgTransport>(kernel.System()));
    devicetest::ListDrives();
    EXPECT_EQ(command.ReadFirmwareName(buffer), 1);
  }
  ~BoundDriveTwo() { device::SetTransport(nullptr); }
  BoundDriveTwo(const BoundDriveTwo&) = delete;
  BoundDriveTwo& operator=(const BoundDriveTwo&) = delete;
  std::uint8_t Send() { return command.ReadFirmwareName(buffer); }

  BridgeMode mode{1};
  CDeviceCommand command{2};
  std::array<std::uint8_t, 512> buffer{};
};

// An iSCSI session's disk keeps its SCSI host in its address, also while it is the only session,
// so a second session that logs in leaves the first one's drive its disk.
TEST(SgTransportDriveNumbers, AnIscsiSessionsDiskKeepsItsDriveWhenAnotherSessionLogsIn) {
  FakeSgStation kernel;
  kernel.answer = [](sg_io_hdr_t& header) { header.resid = 0; };
  kernel.AddDisk("sg0", {"/platform", 3}, "sda", 8, 0);
  device::SetTransport(std::make_shared<SgTransport>(kernel.System()));
  BridgeMode mode(1);
  devicetest::ListDrives();
  CDeviceCommand command(1);
  std::array<std::uint8_t, 512> buffer{};
  EXPECT_EQ(command.ReadFirmwareName(buffer), 1);
  kernel.AddDisk("sg1", {"/platform", 4}, "sdb", 8, 16);
  devicetest::ListDrives();
  EXPECT_EQ(command.ReadFirmwareName(buffer), 1);
  EXPECT_EQ(kernel.sentTo, (std::vector<std::string>{"/dev/sg0", "/dev/sg0"}));
  EXPECT_EQ(device::DevicePathOfDrive(1), "/dev/sg0");
  device::SetTransport(nullptr);
}

// A USB 3 bridge whose link trains at USB 2 speed after a power cycle comes back at its
// connector's USB 2 port, the peer of the port it left: its drive reaches it there. Back at any
// other port it stays gone for the pass. Where the root hubs give no speed, a port and its peer
// are one port all the same.
TEST(SgTransportDriveNumbers, ABridgeBackAtItsPortsUsb2PeerIsReachedByItsDrive) {
  struct Case {
    const char* what;
    std::string port;  // below the controller's root hubs
    bool speeds;       // the root hubs tell their speeds
    bool reached;
  };
  const Case cases[] = {{"back at the USB 2 peer", "usb1/1-3/1-3:1.0", true, true},
                        {"back at the peer of hubs without speeds", "usb1/1-3/1-3:1.0", false, true},
                        {"back at another USB 2 port", "usb1/1-4/1-4:1.0", true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeSgStation kernel;
    kernel.PeerUsbPorts("usb2-port3", "usb1-port3", c.speeds);
    kernel.PeerUsbPorts("usb2-port4", "usb1-port4", c.speeds);
    kernel.AddDisk("sg0", UsbPort("2-2", FakeSgStation::kNewHost));
    const fs::path disk = kernel.AddDisk("sg1", UsbPort("2-3", FakeSgStation::kNewHost));
    BoundDriveTwo drive(kernel);
    kernel.RemoveDisk("sg1", disk);
    kernel.AddDisk("sg1", {"/pci0000:00/0000:00:14.0/" + c.port, FakeSgStation::kNewHost});
    devicetest::ListDrives();
    EXPECT_EQ(drive.Send(), c.reached ? 1 : 0);
    const std::vector<std::string> sent =
        c.reached ? std::vector<std::string>{"/dev/sg1", "/dev/sg1"} : std::vector<std::string>{"/dev/sg1"};
    EXPECT_EQ(kernel.sentTo, sent);
    if (!c.reached) {
      EXPECT_EQ(drive.command.LastError(), CommandError::NoDevice);
    }
  }
}

// A drive's disk drops and comes back at its address as a disk the machine uses (a partition of it
// mounted at /mnt/backup): its bound command sends it nothing, fails saying so, and the volume
// lock is given no block device to unmount. The automounter's mount below /media is the
// operator's: that disk is reached.
TEST(SgTransportDriveNumbers, ADiskBackAsOneTheMachineUsesIsSentNothing) {
  struct Case {
    const char* what;
    const char* mountPoint;
    bool reached;
  };
  const Case cases[] = {{"mounted by the machine", "/mnt/backup", false},
                        {"mounted by the automounter", "/media/operator/DRIVE", true}};
  for (const bool generic : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (generic ? ", sg nodes" : ", sd nodes"));
      FakeSgStation kernel;
      const auto attach = [&](const std::string& sg, const std::string& sd, const std::string& port, int minor) {
        return Attach(kernel, generic, sg, sd, UsbPort(port, FakeSgStation::kNewHost), minor);
      };
      attach("sg0", "sda", "2-1", 0);
      const fs::path disk = attach("sg1", "sdb", "2-2", 16);
      BoundDriveTwo drive(kernel);
      CDeviceCommand& command = drive.command;
      const std::string node = generic ? "/dev/sg1" : "/dev/sdb";
      ASSERT_EQ(kernel.sentTo, std::vector<std::string>{node});

      kernel.RemoveDisk(generic ? "sg1" : "", disk, "sdb");
      attach("sg2", "sdc", "2-2", 32);
      kernel.AddPartition("sdc", "sdc1", 8, 33);
      kernel.Mount(8, 33, "/dev/sdc1", c.mountPoint);
      const std::string back = generic ? "/dev/sg2" : "/dev/sdc";
      EXPECT_EQ(drive.Send(), c.reached ? 1 : 0);
      const std::vector<std::string> sent =
          c.reached ? std::vector<std::string>{node, back} : std::vector<std::string>{node};
      EXPECT_EQ(kernel.sentTo, sent);
      EXPECT_EQ(command.BlockDevice().path, c.reached ? "/dev/sdc" : "");
      if (!c.reached) {
        EXPECT_EQ(command.LastError(), CommandError::NoDevice);
        EXPECT_NE(command.LastErrorMessage().find("one that the machine uses"), std::string::npos)
            << command.LastErrorMessage();
      }
      devicetest::ListDrives();
      EXPECT_EQ(device::DevicePathOfDrive(2), c.reached ? back : "");
    }
  }
}

// A disk listed free that the machine takes before the drive's first command (an md array
// assembled over it, an LVM volume activated on it), or that cannot be told apart from the
// machine's own any more (a mount that cannot be traced comes up), is sent nothing and has
// nothing unmounted: the command and the volume lock say which of the two it is, and why.
TEST(SgTransportDriveNumbers, ADiskTheMachineTakesAfterTheListingIsSentNothing) {
  struct Case {
    const char* what;
    std::function<void(FakeSgStation&)> take;
    const char* told;  // in the command's and the lock's messages; none when the disk is reached
  };
  const Case cases[] = {
      {"an md array assembled over it", [](FakeSgStation& s) { s.AddStackedDevice("md127", 9, 127, {"sdb"}); },
       "is one that the machine uses now (sdb is held by md127)"},
      {"an LVM volume activated on a partition of it",
       [](FakeSgStation& s) {
         s.AddPartition("sdb", "sdb1", 8, 17);
         s.AddStackedDevice("dm-0", 253, 0, {"sdb1"}, "vg0-vm1");
       },
       "is one that the machine uses now (sdb is held by dm-0 (vg0-vm1))"},
      {"a pool imported on it",
       [](FakeSgStation& s) {
         s.UdevRecord(8, 16, {"E:ID_FS_LABEL=tank", "E:ID_FS_TYPE=zfs_member"});
         s.ImportZfsPool("tank");
       },
       "is one that the machine uses now (sdb is a member of the imported ZFS pool tank)"},
      {"a mount that cannot be traced", [](FakeSgStation& s) { s.Mount(8, 5, "/dev/sda5", "/usr"); },
       "cannot be told apart from the machine's own disks now (the file system at /usr cannot be traced to its "
       "disks (the block device 8:5 is not in sysfs))"},
      {"holders that cannot be read", [](FakeSgStation& s) { s.MakeHoldersUnreadable("sdb"); },
       "cannot be told apart from the machine's own disks now (sdb's holders cannot be read (sdb/holders: Not a "
       "directory))"},
      {"nothing", [](FakeSgStation&) {}, nullptr},
  };
  for (const bool generic : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (generic ? ", sg nodes" : ", sd nodes"));
      FakeSgStation kernel;
      kernel.answer = [](sg_io_hdr_t& header) { header.resid = 0; };
      Attach(kernel, generic, "sg0", "sda", UsbPort("2-1", 6), 0);
      Attach(kernel, generic, "sg1", "sdb", UsbPort("2-2", 7), 16);
      device::SetTransport(std::make_shared<SgTransport>(kernel.System()));
      BridgeMode mode(1);
      devicetest::ListDrives();
      c.take(kernel);
      CDeviceCommand command(2);
      std::array<std::uint8_t, 512> buffer{};
      const bool reached = c.told == nullptr;
      EXPECT_EQ(command.ReadFirmwareName(buffer), reached ? 1 : 0);
      const auto volumes = testsupport::FakeVolumes::Mounted({{"/dev/sdb1", "/media/operator/DRIVE"}});
      CVolumeLock lock(volumes);
      lock.LockDrive(command);
      const std::string node = generic ? "/dev/sg1" : "/dev/sdb";
      EXPECT_EQ(kernel.sentTo, reached ? std::vector<std::string>{node} : std::vector<std::string>{});
      if (!reached) {
        EXPECT_EQ(command.LastError(), CommandError::NoDevice);
        EXPECT_NE(command.LastErrorMessage().find(c.told), std::string::npos) << command.LastErrorMessage();
        EXPECT_NE(lock.LastErrorMessage().find(c.told), std::string::npos) << lock.LastErrorMessage();
      }
      EXPECT_EQ(volumes->unmounted,
                reached ? std::vector<std::string>{"/media/operator/DRIVE"} : std::vector<std::string>{});
      EXPECT_EQ(lock.IsHeld(), reached);
      device::SetTransport(nullptr);
    }
  }
}

// A USB port and its peer are one place only while that gives no two disks one address. Bridges
// at both halves of a connector are each reached by their own drive; a drive bound while its
// bridge was alone at 2-3 sends nothing to a bridge that then comes at 1-3; and a bridge listed
// before the kernel linked it to its port keeps its address once it is linked. The ports are
// peered by number, as the kernel peers them where the firmware gives no connector locations.
TEST(SgTransportDriveNumbers, APortAndItsPeerNeverGiveTwoDisksOneAddress) {
  for (const auto& [generic, bridge] : {std::pair{true, 0}, {true, 1}, {false, 0}, {false, 1}}) {
    SCOPED_TRACE(std::string(generic ? "sg nodes" : "sd nodes") + (bridge ? ", bridge mode" : ", tester mode"));
    const std::string first = generic ? "/dev/sg0" : "/dev/sda";
    const std::string second = generic ? "/dev/sg1" : "/dev/sdb";
    std::array<std::uint8_t, 512> buffer{};
    // Ports 3 of both root hubs peered, and the fake kernel's transport installed for the block.
    struct PeeredStation {
      PeeredStation() {
        kernel.answer = [](sg_io_hdr_t& header) { header.resid = 0; };
        kernel.PeerUsbPorts("usb2-port3", "usb1-port3");
        device::SetTransport(std::make_shared<SgTransport>(kernel.System()));
      }
      ~PeeredStation() { device::SetTransport(nullptr); }
      PeeredStation(const PeeredStation&) = delete;
      PeeredStation& operator=(const PeeredStation&) = delete;
      FakeSgStation kernel;
    };
    BridgeMode mode(static_cast<std::uint8_t>(bridge));
    {
      SCOPED_TRACE("bridges at 2-3 and 1-3");
      PeeredStation peered;
      FakeSgStation& kernel = peered.kernel;
      Attach(kernel, generic, "sg0", "sda", UsbPort("2-3", FakeSgStation::kNewHost), 0);
      Attach(kernel, generic, "sg1", "sdb", Usb2Port("1-3"), 16);
      devicetest::ListDrives();
      CDeviceCommand one(1);
      CDeviceCommand two(2);
      EXPECT_EQ(one.ReadFirmwareName(buffer), 1);
      EXPECT_EQ(two.ReadFirmwareName(buffer), 1);
      EXPECT_EQ(kernel.sentTo, (std::vector<std::string>{first, second}));
    }
    {
      SCOPED_TRACE("a drive bound while alone at 2-3, then a bridge at 1-3");
      PeeredStation peered;
      FakeSgStation& kernel = peered.kernel;
      Attach(kernel, generic, "sg0", "sda", UsbPort("2-3", FakeSgStation::kNewHost), 0);
      devicetest::ListDrives();
      CDeviceCommand alone(1);
      EXPECT_EQ(alone.ReadFirmwareName(buffer), 1);
      Attach(kernel, generic, "sg1", "sdb", Usb2Port("1-3"), 16);
      devicetest::ListDrives();
      EXPECT_EQ(alone.ReadFirmwareName(buffer), 0);
      EXPECT_EQ(alone.LastError(), CommandError::NoDevice);
      EXPECT_EQ(kernel.sentTo, std::vector<std::string>{first});
    }
    {
      SCOPED_TRACE("a bridge listed before its port link");
      PeeredStation peered;
      FakeSgStation& kernel = peered.kernel;
      kernel.linkUsbPorts = false;
      const fs::path disk = Attach(kernel, generic, "sg0", "sda", UsbPort("2-3", FakeSgStation::kNewHost), 0);
      devicetest::ListDrives();
      CDeviceCommand early(1);
      EXPECT_EQ(early.ReadFirmwareName(buffer), 1);
      kernel.LinkUsbPort(disk);
      devicetest::ListDrives();
      EXPECT_EQ(early.ReadFirmwareName(buffer), 1);
      EXPECT_EQ(kernel.sentTo, (std::vector<std::string>{first, first}));
    }
  }
}

// A listing that cannot tell the machine's disks apart (a mount, or an imported ZFS pool, that
// cannot be traced to its disks) lists nothing, names the problem and names no disk by any drive
// number, but keeps the places: once the problem has gone, every disk still there has its old
// drive number, and the place of the disk pulled meanwhile is empty.
TEST(SgTransportDriveNumbers, AListingThatCannotTellTheMachinesDisksApartKeepsEveryPlace) {
  struct Cause {
    const char* problem;
    std::function<void(FakeSgStation&)> arise;
    std::function<void(FakeSgStation&)> go;
  };
  const Cause causes[] = {
      {"the file system at /usr", [](FakeSgStation& s) { s.Mount(8, 5, "/dev/sda5", "/usr"); },
       [](FakeSgStation& s) { s.Unmount("/usr"); }},
      {"the imported ZFS pool vmpool", [](FakeSgStation& s) { s.ImportZfsPool("vmpool"); },
       [](FakeSgStation& s) { s.ExportZfsPool("vmpool"); }},
  };
  for (const bool generic : {true, false}) {
    for (const Cause& cause : causes) {
      SCOPED_TRACE(std::string(cause.problem) + (generic ? ", sg nodes" : ", sd nodes"));
      FakeSgStation kernel;
      Attach(kernel, generic, "sg0", "sda", UsbPort("2-1", 6), 0);
      const fs::path pulled = Attach(kernel, generic, "sg1", "sdb", UsbPort("2-2", 7), 16);
      Attach(kernel, generic, "sg2", "sdc", UsbPort("2-3", 8), 32);
      SgTransport transport(kernel.System());
      const auto listedIdentities = [&] {
        std::vector<std::string> identities;
        for (const auto& disk : transport.ListDisks()) identities.push_back(disk.identity);
        return identities;
      };
      const std::vector<std::string> before = listedIdentities();
      PassThroughRequest request = NonDataRequest();
      ASSERT_TRUE(transport.ExecuteOn(before[2], request).Succeeded());

      cause.arise(kernel);
      kernel.RemoveDisk(generic ? "sg1" : "", pulled, "sdb");
      EXPECT_TRUE(listedIdentities().empty());
      EXPECT_NE(transport.ListingProblem().find(cause.problem), std::string::npos) << transport.ListingProblem();
      for (int number = 1; number <= 3; ++number) {
        EXPECT_EQ(transport.DevicePathOfDrive(number), "") << "drive " << number;
        EXPECT_EQ(transport.IdentityOfDrive(number), "") << "drive " << number;
      }
      EXPECT_FALSE(transport.ExecuteOn(before[2], request).Succeeded());
      EXPECT_EQ(kernel.sentTo.size(), 1u) << "a disk is sent nothing while the problem stands";

      cause.go(kernel);
      EXPECT_EQ(listedIdentities(), (std::vector<std::string>{before[0], "", before[2]}));
    }
  }
}

// A command made while the listing cannot tell the machine's disks apart names that problem, as
// Scan does, rather than saying that its drive is not connected: a drive number in tester mode
// (the transport's listing) and in bridge mode (the last Scan's, also when the problem has gone
// since), and a "\\.\PhysicalDrive" path.
TEST(SgTransportDriveNumbers, ACommandMadeWhileTheListingHasAProblemNamesIt) {
  const struct {
    const char* what;
    std::uint8_t bridge;
    bool goneSinceTheScan;
    const char* path;  // the command's path text; none for drive 2
  } cases[] = {
      {"drive 2, tester mode", 0, false, nullptr},
      {"drive 2, bridge mode", 1, false, nullptr},
      {"drive 2, bridge mode, the problem gone since the scan", 1, true, nullptr},
      {"a path", 0, false, "\\\\.\\PhysicalDrive2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeSgStation kernel;
    Attach(kernel, true, "sg0", "sda", UsbPort("2-1", 6), 0);
    Attach(kernel, true, "sg1", "sdb", UsbPort("2-2", 7), 16);
    kernel.Mount(8, 5, "/dev/sda5", "/usr");
    const auto transport = std::make_shared<SgTransport>(kernel.System());
    device::SetTransport(transport);
    BridgeMode mode(c.bridge);
    devicetest::ListDrives();  // the scan
    const std::string problem = transport->ListingProblem();
    ASSERT_NE(problem, "");
    if (c.goneSinceTheScan) {
      kernel.Unmount("/usr");
      transport->ListDisks();
    }
    CDeviceCommand command = c.path != nullptr ? CDeviceCommand(std::string(c.path)) : CDeviceCommand(2);
    std::array<std::uint8_t, 512> buffer{};
    EXPECT_EQ(command.ReadFirmwareName(buffer), 0);
    EXPECT_EQ(command.LastError(), CommandError::NoDevice);
    const std::string told = (c.path != nullptr ? std::string(c.path) : "drive 2") + " is not listed: " + problem;
    EXPECT_NE(command.LastErrorMessage().find(told), std::string::npos) << command.LastErrorMessage();
    EXPECT_TRUE(kernel.sentTo.empty());
    device::SetTransport(nullptr);
  }
}

// A drive's first request reads as much of sysfs with one other disk on the bus as with 25.
TEST(SgTransportDriveNumbers, ADrivesFirstRequestReadsNoMoreOfSysfsForMoreDisksOnTheBus) {
  for (const bool generic : {true, false}) {
    SCOPED_TRACE(generic ? "sg nodes" : "sd nodes");
    const auto readsOfAFirstRequest = [generic](int disks) {
      FakeSgStation kernel;
      for (int k = 0; k < disks; ++k) {
        const std::string port = std::to_string(k + 1);
        kernel.PeerUsbPorts("usb2-port" + port, "usb1-port" + port);
        Attach(kernel, generic, "sg" + std::to_string(k), "sd" + std::string(1, static_cast<char>('a' + k)),
               UsbPort("2-" + port, FakeSgStation::kNewHost), 16 * k);
      }
      SgTransport transport(kernel.System());
      transport.ListDisks();
      const std::string identity = transport.IdentityOfDrive(1);
      PassThroughRequest request = NonDataRequest();
      const std::uint64_t before = device::SysfsReadsOfThisThread();
      EXPECT_TRUE(transport.ExecuteOn(identity, request).Succeeded());
      return device::SysfsReadsOfThisThread() - before;
    };
    EXPECT_EQ(readsOfAFirstRequest(2), readsOfAFirstRequest(26));
  }
}

// Without the sg driver, a device at the peer port that sd has not given a node yet keeps the two
// ports' addresses apart all the same: a disk bound while it was alone at 2-3 looks gone.
TEST(SgTransportDriveNumbers, ADeviceWithoutANodeYetAtThePeerPortKeepsTheAddressesApart) {
  FakeSgStation kernel;
  kernel.PeerUsbPorts("usb2-port3", "usb1-port3");
  kernel.AddBlockDisk("sda", UsbPort("2-3", FakeSgStation::kNewHost), 8, 0);
  SgTransport transport(kernel.System());
  transport.ListDisks();
  const std::string alone = transport.IdentityOfDrive(1);
  PassThroughRequest request = NonDataRequest();
  ASSERT_TRUE(transport.ExecuteOn(alone, request).Succeeded());
  kernel.AddNodelessDevice(Usb2Port("1-3"));
  transport.ListDisks();
  EXPECT_EQ(transport.ExecuteOn(alone, request).systemError, ENODEV);
  EXPECT_EQ(kernel.sentTo, std::vector<std::string>{"/dev/sda"});
}

// ---- a real device --------------------------------------------------------------------------

TEST(SgTransportRealDevice, InquiryOnARealGenericDevice) {
  const auto transport = std::make_shared<SgTransport>();
  std::string usable;
  for (const device::TransportDisk& disk : transport->ListDisks()) {
    const int fd = ::open(disk.devicePath.c_str(), O_RDWR | O_NONBLOCK);
    if (fd >= 0) {
      ::close(fd);
      usable = disk.devicePath;
      break;
    }
  }
  if (usable.empty()) GTEST_SKIP() << "no disk that this user may open beside the system's own";

  device::SetTransport(transport);
  CDeviceCommand command(usable);
  std::array<std::uint8_t, device::kInquiryLength> data{};
  const std::uint8_t passed = command.Inquiry(data);
  device::SetTransport(nullptr);
  ASSERT_EQ(passed, 1) << command.LastErrorMessage();
  EXPECT_GE(command.LastTransferred(), 36u);
  for (int i = 8; i < 16; ++i) {
    EXPECT_TRUE(data[i] >= 0x20 && data[i] < 0x7F) << "vendor byte " << i;
  }
}

}  // namespace
