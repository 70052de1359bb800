// Many engines talk to their drives at once while the pages list the drives again: every
// command still reaches its own drive, and nothing races (this suite also runs under
// ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "FakeSgStation.h"
#include "FakeTransport.h"
#include "device/DeviceCommand.h"
#include "device/DeviceListing.h"
#include "device/DevicePaths.h"

namespace {

// Each drive's engine sends its commands from a thread of its own; the failed ones are counted.
void RunEngines(int drives, int commandsPerDrive, std::atomic<int>& failures) {
  std::vector<std::thread> engines;
  for (int drive = 1; drive <= drives; ++drive) {
    engines.emplace_back([drive, commandsPerDrive, &failures] {
      CDeviceCommand command(drive);
      std::array<std::uint8_t, 512> buffer{};
      for (int i = 0; i < commandsPerDrive; ++i) {
        if (!command.GetSystemInfo(buffer, 1)) ++failures;
      }
    });
  }
  for (auto& engine : engines) engine.join();
}

TEST(DeviceAccessThreads, CommandsOfManyDrivesWhileTheListingIsRefreshed) {
  devicetest::InstalledFakeTransport transport(devicetest::NumberedDisks(24));
  const std::uint8_t previous = g_U2AMode.load();
  g_U2AMode = 1;
  g_RootDevice.request = kListRequest;
  ListTvDevice(&g_RootDevice);

  constexpr int kCommandsPerDrive = 40;
  std::atomic<int> failures{0};
  std::atomic<bool> listing{true};
  std::thread lister([&] {
    ROOT_Device record{};
    while (listing.load()) {
      record.request = kListRequest;
      g_GetDevLibrary.ListTvDevice(&record);
      g_RootDevice.request = kListRequest;
      ListTvDevice(&g_RootDevice);
      if (CopyRootDevice().deviceCount != 24) ++failures;
    }
  });
  RunEngines(24, kCommandsPerDrive, failures);
  listing = false;
  lister.join();
  g_GetDevLibrary.Unload();
  g_U2AMode = previous;

  EXPECT_EQ(failures.load(), 0);
  std::map<std::string, int> perDevice;
  for (const auto& request : transport->Requests()) ++perDevice[request.devicePath];
  ASSERT_EQ(perDevice.size(), 24u);
  for (const auto& [path, count] : perDevice) EXPECT_EQ(count, kCommandsPerDrive) << path;
}

// The real transport's places, checks and kept nodes under the same load: sd disks (their
// nodes are kept) while the disk list is read again and again.
TEST(DeviceAccessThreads, TheSgTransportServesManyDrivesWhileItLists) {
  constexpr int kDrives = 8;
  constexpr int kCommandsPerDrive = 40;
  devicetest::FakeSgStation kernel;
  for (int i = 0; i < kDrives; ++i) {
    const std::string name = std::string("sd") + static_cast<char>('a' + i);
    kernel.AddBlockDisk(name, {"2-" + std::to_string(i + 1), 6 + i}, 8, 16 * i);
  }
  kernel.answer = [](sg_io_hdr_t& header) { header.resid = 0; };
  device::SetTransport(std::make_shared<device::SgTransport>(kernel.System()));
  const std::uint8_t previous = g_U2AMode.load();
  g_U2AMode = 0;

  std::atomic<int> failures{0};
  std::atomic<bool> listing{true};
  std::thread lister([&] {
    while (listing.load()) {
      if (device::GetTransport()->ListDisks().size() != kDrives) ++failures;
    }
  });
  RunEngines(kDrives, kCommandsPerDrive, failures);
  listing = false;
  lister.join();
  device::SetTransport(nullptr);
  g_U2AMode = previous;

  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(kernel.opened.size(), static_cast<std::size_t>(kDrives)) << "one kept node per disk";
  EXPECT_EQ(kernel.sentTo.size(), static_cast<std::size_t>(kDrives * kCommandsPerDrive));
  EXPECT_EQ(kernel.OpenDescriptors(), 0);
}

}  // namespace
