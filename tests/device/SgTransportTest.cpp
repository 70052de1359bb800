// SgTransport: the SG_IO header it fills and the outcome it reads back (against a fake ioctl),
// the disk list from a fake sysfs tree, and an INQUIRY on a real /dev/sg device when the
// machine has one we may open.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

#include "FakeTransport.h"
#include "device/DeviceCommand.h"
#include "device/DevicePaths.h"
#include "device/ReplyLayouts.h"
#include "device/SgTransport.h"

namespace {

namespace fs = std::filesystem;
using device::DataDirection;
using device::PassThroughRequest;
using device::SgTransport;

// What the fake ioctl saw, and what it answers.
struct FakeKernel {
  int openCalls = 0;
  int closeCalls = 0;
  std::string openedPath;
  int openFlags = 0;
  int openErrno = 0;            // non-zero: open fails with it
  int ioctlErrno = 0;           // non-zero: ioctl fails with it
  unsigned long ioctlRequest = 0;
  sg_io_hdr_t seen{};
  std::array<unsigned char, 16> seenCdb{};
  std::function<void(sg_io_hdr_t&)> answer;

  device::SgSystem System() {
    device::SgSystem system;
    system.open = [this](const char* path, int flags) {
      ++openCalls;
      openedPath = path;
      openFlags = flags;
      if (openErrno != 0) {
        errno = openErrno;
        return -1;
      }
      return 42;
    };
    system.close = [this](int fd) {
      EXPECT_EQ(fd, 42);
      ++closeCalls;
      return 0;
    };
    system.ioctl = [this](int fd, unsigned long request, void* argument) {
      EXPECT_EQ(fd, 42);
      ioctlRequest = request;
      auto* header = static_cast<sg_io_hdr_t*>(argument);
      seen = *header;
      std::memcpy(seenCdb.data(), header->cmdp, header->cmd_len);
      if (ioctlErrno != 0) {
        errno = ioctlErrno;
        return -1;
      }
      if (answer) answer(*header);
      return 0;
    };
    return system;
  }
};

TEST(SgTransportRequests, FillsTheHeaderForADataInCommand) {
  FakeKernel kernel;
  kernel.answer = [](sg_io_hdr_t& header) {
    static_cast<unsigned char*>(header.dxferp)[0] = 0x77;
    header.resid = 0;
  };
  SgTransport transport(kernel.System());
  std::vector<std::uint8_t> buffer(65536);
  PassThroughRequest request;
  request.cdb = {0xF0, 0x21, 0x50, 0x01, 0x00, 0x80, 0, 0, 0, 0, 0x01, 0x00, 0x40, 0, 0, 0};
  request.cdbLength = 16;
  request.direction = DataDirection::In;
  request.data = buffer.data();
  request.dataLength = 65536;
  request.timeoutSeconds = 30;
  const auto result = transport.Execute("/dev/sg3", request);

  EXPECT_EQ(kernel.openedPath, "/dev/sg3");
  EXPECT_EQ(kernel.openFlags & O_ACCMODE, O_RDWR);
  EXPECT_NE(kernel.openFlags & O_NONBLOCK, 0);
  EXPECT_EQ(kernel.ioctlRequest, static_cast<unsigned long>(SG_IO));
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
  EXPECT_EQ(kernel.closeCalls, 1);

  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.transferred, 65536u);
  EXPECT_EQ(buffer[0], 0x77);
}

TEST(SgTransportRequests, NonDataAndDataOutDirections) {
  FakeKernel kernel;
  SgTransport transport(kernel.System());
  PassThroughRequest request;
  request.cdbLength = 16;
  request.direction = DataDirection::None;
  transport.Execute("/dev/sg0", request);
  EXPECT_EQ(kernel.seen.dxfer_direction, SG_DXFER_NONE);
  EXPECT_EQ(kernel.seen.dxfer_len, 0u);
  EXPECT_EQ(kernel.seen.dxferp, nullptr);

  std::vector<std::uint8_t> block(512, 0xAB);
  request.direction = DataDirection::Out;
  request.data = block.data();
  request.dataLength = 512;
  transport.Execute("/dev/sg0", request);
  EXPECT_EQ(kernel.seen.dxfer_direction, SG_DXFER_TO_DEV);
  EXPECT_EQ(kernel.seen.dxfer_len, 512u);
}

TEST(SgTransportRequests, ReadsStatusSenseAndResidBack) {
  FakeKernel kernel;
  kernel.answer = [](sg_io_hdr_t& header) {
    header.status = 0x02;
    header.host_status = 0;
    header.driver_status = 0x08;
    header.sb_len_wr = 22;
    const unsigned char sense[22] = {0x72, 0x0B, 0, 0, 0, 0, 0, 14, 0x09, 0x0C, 0, 0x04,
                                     0,    0,    0, 0, 0, 0, 0, 0,  0x40, 0x51};
    std::memcpy(header.sbp, sense, sizeof(sense));
    header.resid = 512;
  };
  SgTransport transport(kernel.System());
  std::vector<std::uint8_t> buffer(1024);
  PassThroughRequest request;
  request.cdbLength = 16;
  request.direction = DataDirection::In;
  request.data = buffer.data();
  request.dataLength = 1024;
  const auto result = transport.Execute("/dev/sg1", request);
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
  FakeKernel kernel;
  kernel.openErrno = ENOENT;
  SgTransport transport(kernel.System());
  PassThroughRequest request;
  request.cdbLength = 16;
  auto result = transport.Execute("/dev/sg9", request);
  EXPECT_EQ(result.systemError, ENOENT);
  EXPECT_EQ(kernel.closeCalls, 0);

  kernel.openErrno = 0;
  kernel.ioctlErrno = EIO;
  result = transport.Execute("/dev/sg9", request);
  EXPECT_EQ(result.systemError, EIO);
  EXPECT_EQ(kernel.closeCalls, 1) << "the node is closed after a failed request too";

  request.cdbLength = 17;
  result = transport.Execute("/dev/sg9", request);
  EXPECT_EQ(result.systemError, EINVAL);
}

TEST(SgTransportRequests, DeviceCommandThroughTheSgTransport) {
  FakeKernel kernel;
  kernel.answer = [](sg_io_hdr_t& header) { header.resid = 0; };
  auto transport = std::make_shared<SgTransport>(kernel.System());
  device::SetTransport(transport);
  const std::uint8_t previous = g_U2AMode.load();
  g_U2AMode = 0;
  CDeviceCommand command(std::string("/dev/sg5"));
  std::array<std::uint8_t, 528> page{};
  EXPECT_EQ(command.TesterReadUsbPage(page), 1);
  EXPECT_EQ(kernel.seen.dxfer_len, 528u);
  EXPECT_EQ(kernel.seen.timeout, 10000u);
  EXPECT_EQ(kernel.seenCdb[0], device::cdb::kTesterCdbOpcode);
  g_U2AMode = previous;
  device::SetTransport(nullptr);
}

// ---- disk list from sysfs ------------------------------------------------------------------

class FakeSysfs {
 public:
  FakeSysfs() : m_root(fs::temp_directory_path() / ("sgsysfs-" + std::to_string(::getpid()) + "-" +
                                                    std::to_string(reinterpret_cast<std::uintptr_t>(this)))) {
    fs::create_directories(m_root);
  }
  ~FakeSysfs() {
    std::error_code error;
    fs::remove_all(m_root, error);
  }
  const fs::path& Root() const { return m_root; }

  // A SCSI device below a USB port, with an sg node, a type and optionally a block device.
  void AddGeneric(const std::string& sgName, int type, const std::string& port, int host, const std::string& block) {
    const fs::path device = m_root / "devices/pci0000:00/0000:00:14.0/usb2" / port /
                            ("host" + std::to_string(host)) / "target0:0:0" / "0:0:0:0";
    fs::create_directories(device);
    std::ofstream(device / "type") << type << "\n";
    if (!block.empty()) fs::create_directories(device / "block" / block);
    const fs::path link = m_root / "class/scsi_generic" / sgName;
    fs::create_directories(link);
    fs::create_directory_symlink(device, link / "device");
  }
  void AddBlock(const std::string& name, const std::string& port) {
    const fs::path device = m_root / "devices/platform" / port / "host0/target0:0:0/0:0:0:0";
    fs::create_directories(device);
    fs::create_directories(m_root / "block" / name);
    fs::create_directory_symlink(device, m_root / "block" / name / "device");
  }
  device::SgSystem System() const {
    device::SgSystem system = device::SgSystem::Linux();
    system.sysfsRoot = m_root;
    system.deviceRoot = "/dev";
    return system;
  }

 private:
  fs::path m_root;
};

TEST(SgTransportListing, DisksInSgOrderWithTheirPorts) {
  FakeSysfs sysfs;
  sysfs.AddGeneric("sg10", 0, "2-3/2-3:1.0", 9, "sdc");
  sysfs.AddGeneric("sg2", 0, "2-2/2-2:1.0", 7, "sdb");
  sysfs.AddGeneric("sg0", 5, "2-9/2-9:1.0", 3, "");  // a CD drive: not a disk
  sysfs.AddGeneric("sg1", 0x0E, "2-1/2-1:1.0", 6, "sda");
  SgTransport transport(sysfs.System());
  const auto disks = transport.ListDisks();
  ASSERT_EQ(disks.size(), 3u);
  EXPECT_EQ(disks[0].devicePath, "/dev/sg1");
  EXPECT_EQ(disks[1].devicePath, "/dev/sg2");
  EXPECT_EQ(disks[2].devicePath, "/dev/sg10");
  EXPECT_EQ(disks[1].nodeText, "pci0000:00/0000:00:14.0/usb2/2-2/2-2:1.0");
  EXPECT_EQ(transport.DevicePathOfDrive(3), "/dev/sg10");
  EXPECT_EQ(transport.DevicePathOfDrive(4), "");
  EXPECT_EQ(transport.DevicePathOfDrive(0), "");
  EXPECT_EQ(transport.BlockDeviceOf("/dev/sg2"), "/dev/sdb");
  EXPECT_EQ(transport.BlockDeviceOf("/dev/sg0"), "");
  EXPECT_EQ(transport.BlockDeviceOf("/dev/sdq"), "/dev/sdq");
  EXPECT_EQ(transport.BlockDeviceOf("/tmp/sg2"), "");
}

TEST(SgTransportListing, WithoutTheSgDriverTheBlockDevicesInNameOrder) {
  FakeSysfs sysfs;
  sysfs.AddBlock("sdaa", "p3");
  sysfs.AddBlock("sdb", "p2");
  sysfs.AddBlock("sda", "p1");
  SgTransport transport(sysfs.System());
  const auto disks = transport.ListDisks();
  ASSERT_EQ(disks.size(), 3u);
  EXPECT_EQ(disks[0].devicePath, "/dev/sda");
  EXPECT_EQ(disks[1].devicePath, "/dev/sdb");
  EXPECT_EQ(disks[2].devicePath, "/dev/sdaa");
  EXPECT_EQ(disks[0].nodeText, "platform/p1");
}

TEST(SgTransportListing, NoSysfsGivesNoDisks) {
  device::SgSystem system = device::SgSystem::Linux();
  system.sysfsRoot = "/nonexistent-sysfs-root";
  SgTransport transport(system);
  EXPECT_TRUE(transport.ListDisks().empty());
}

// ---- a real device --------------------------------------------------------------------------

TEST(SgTransportRealDevice, InquiryOnARealGenericDevice) {
  std::string usable;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/dev", error)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("sg", 0) != 0) continue;
    const int fd = ::open(entry.path().c_str(), O_RDWR | O_NONBLOCK);
    if (fd >= 0) {
      ::close(fd);
      usable = entry.path().string();
      break;
    }
  }
  if (usable.empty()) GTEST_SKIP() << "no /dev/sg device that this user may open";

  device::SetTransport(std::make_shared<SgTransport>());
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
