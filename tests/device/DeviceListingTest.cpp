// The device listing: ROOT_Device filled from the transport, "NULL" entries, g_DevicePathTable
// lined up with drive numbers, the listing library's wrapper, and drive-path texts.
#include <gtest/gtest.h>

#include <cstring>

#include "FakeTransport.h"
#include "device/DeviceCommand.h"
#include "device/DeviceListing.h"
#include "device/DevicePaths.h"

namespace {

using devicetest::InstalledFakeTransport;
using devicetest::NumberedDisks;

std::string Text(const char* field) { return std::string(field, strnlen(field, kDeviceTextLength)); }

void ResetListing() {
  std::memset(&g_RootDevice, 0, sizeof(g_RootDevice));
  std::memset(g_DevicePathTable, 0, sizeof(g_DevicePathTable));
}

TEST(DeviceListing, FillsTheRecordInDriveNumberOrder) {
  ResetListing();
  InstalledFakeTransport transport({{"/dev/sg1", "usb2/2-1"}, {"", "usb2/2-2"}, {"/dev/sg3", "usb2/2-3"}});
  g_RootDevice.request = kListRequest;
  ListTvDevice(&g_RootDevice);
  EXPECT_EQ(g_RootDevice.request, kListRequest);
  ASSERT_EQ(g_RootDevice.deviceCount, 3u);
  EXPECT_EQ(Text(g_RootDevice.devices[0].nodeText), "usb2/2-1");
  EXPECT_EQ(Text(g_RootDevice.devices[0].devicePath), "/dev/sg1");
  EXPECT_EQ(Text(g_RootDevice.devices[1].nodeText), "usb2/2-2");
  EXPECT_EQ(Text(g_RootDevice.devices[1].devicePath), "NULL");
  EXPECT_EQ(Text(g_RootDevice.devices[2].devicePath), "/dev/sg3");
  EXPECT_EQ(Text(g_DevicePathTable[2].devicePath), "/dev/sg3");
  EXPECT_EQ(Text(g_DevicePathTable[1].devicePath), "NULL");
  EXPECT_EQ(DevicePathOfListedDrive(1), "/dev/sg1");
  EXPECT_EQ(DevicePathOfListedDrive(2), "");
  EXPECT_EQ(DevicePathOfListedDrive(3), "/dev/sg3");
  EXPECT_EQ(DevicePathOfListedDrive(4), "");
  EXPECT_EQ(DevicePathOfListedDrive(0), "");
}

TEST(DeviceListing, PathTableEntriesLineUpWithDriveNumbersInBothModes) {
  ResetListing();
  InstalledFakeTransport transport(NumberedDisks(32));
  g_RootDevice.request = kListRequest;
  ListTvDevice(&g_RootDevice);
  const std::uint8_t previous = g_U2AMode.load();
  for (std::uint8_t mode : {std::uint8_t{0}, std::uint8_t{1}}) {
    g_U2AMode = mode;
    transport->ClearRequests();
    for (int j = 0; j < 32; ++j) {
      CDeviceCommand command(j + 1);
      EXPECT_EQ(command.StandbyImmediate(), 1);
    }
    const auto requests = transport->Requests();
    ASSERT_EQ(requests.size(), 32u);
    for (int j = 0; j < 32; ++j) {
      EXPECT_EQ(requests[j].devicePath, Text(g_DevicePathTable[j].devicePath)) << "drive " << j + 1;
      EXPECT_EQ(requests[j].devicePath, device::DevicePathOfDrive(j + 1));
    }
  }
  g_U2AMode = previous;
}

TEST(DeviceListing, OtherRequestsLeaveTheRecordAlone) {
  ResetListing();
  InstalledFakeTransport transport(NumberedDisks(2));
  g_RootDevice.request = 0;
  g_RootDevice.deviceCount = 7;
  ListTvDevice(&g_RootDevice);
  EXPECT_EQ(g_RootDevice.deviceCount, 7u);
  ListTvDevice(nullptr);
}

TEST(DeviceListing, LongTextsAreCutAndTooManyDisksAreLeftOut) {
  ResetListing();
  std::vector<device::TransportDisk> disks = NumberedDisks(70);
  disks[0].nodeText = std::string(400, 'n');
  disks[0].devicePath = std::string(300, 'p');
  InstalledFakeTransport transport(disks);
  g_RootDevice.request = kListRequest;
  ListTvDevice(&g_RootDevice);
  EXPECT_EQ(g_RootDevice.deviceCount, kMaxListedDevices);
  EXPECT_EQ(Text(g_RootDevice.devices[0].nodeText), std::string(259, 'n'));
  EXPECT_EQ(Text(g_RootDevice.devices[0].devicePath), std::string(259, 'p'));
  EXPECT_EQ(g_RootDevice.devices[0].devicePath[259], '\0');
  EXPECT_EQ(Text(g_RootDevice.devices[63].devicePath), "/dev/fake64");
}

TEST(DeviceListing, WithoutTransportTheListingIsEmpty) {
  ResetListing();
  device::SetTransport(nullptr);
  g_RootDevice.request = kListRequest;
  g_RootDevice.deviceCount = 5;
  ListTvDevice(&g_RootDevice);
  EXPECT_EQ(g_RootDevice.deviceCount, 0u);
  EXPECT_EQ(DevicePathOfListedDrive(1), "");
}

TEST(DeviceListing, TheLibraryWrapperLoadsOnFirstUse) {
  ResetListing();
  g_GetDevLibrary.Unload();
  device::SetTransport(nullptr);
  ROOT_Device record{};
  record.request = kListRequest;
  EXPECT_FALSE(g_GetDevLibrary.ListTvDevice(&record));
  EXPECT_FALSE(g_GetDevLibrary.IsLoaded());
  {
    InstalledFakeTransport transport(NumberedDisks(3));
    EXPECT_TRUE(g_GetDevLibrary.ListTvDevice(&record));
    EXPECT_TRUE(g_GetDevLibrary.IsLoaded());
    EXPECT_EQ(record.deviceCount, 3u);
    g_GetDevLibrary.Unload();
    EXPECT_FALSE(g_GetDevLibrary.IsLoaded());
    EXPECT_TRUE(g_GetDevLibrary.Load());
    g_GetDevLibrary.Unload();
  }
}

TEST(DrivePaths, PhysicalDriveTexts) {
  EXPECT_EQ(device::PhysicalDrivePathText(3), "\\\\.\\PhysicalDrive3");
  EXPECT_EQ(device::ParsePhysicalDrivePath("\\\\.\\PhysicalDrive12"), std::optional<int>(12));
  EXPECT_EQ(device::ParsePhysicalDrivePath("\\\\.\\physicaldrive7"), std::optional<int>(7));
  EXPECT_FALSE(device::ParsePhysicalDrivePath("\\\\.\\PhysicalDrive").has_value());
  EXPECT_FALSE(device::ParsePhysicalDrivePath("\\\\.\\PhysicalDrive1x").has_value());
  EXPECT_FALSE(device::ParsePhysicalDrivePath("\\\\.\\PhysicalDrive12345678").has_value());
  EXPECT_FALSE(device::ParsePhysicalDrivePath("/dev/sg1").has_value());

  InstalledFakeTransport transport(NumberedDisks(2));
  EXPECT_EQ(device::IdentityOfPathText(*transport, "\\\\.\\PhysicalDrive2"), "/dev/fake2");
  EXPECT_EQ(device::IdentityOfPathText(*transport, "\\\\.\\PhysicalDrive0"), "");
  EXPECT_EQ(device::IdentityOfPathText(*transport, "\\\\.\\PhysicalDrive3"), "");
  EXPECT_EQ(device::IdentityOfPathText(*transport, "/dev/sg9"), "/dev/sg9");
}

}  // namespace
