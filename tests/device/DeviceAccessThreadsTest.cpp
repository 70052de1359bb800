// Many engines talk to their drives at once while the pages list the drives again: every
// command still reaches its own drive, and nothing races (this suite also runs under
// ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "FakeTransport.h"
#include "device/DeviceCommand.h"
#include "device/DeviceListing.h"
#include "device/DevicePaths.h"

namespace {

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
  std::vector<std::thread> engines;
  for (int drive = 1; drive <= 24; ++drive) {
    engines.emplace_back([drive, &failures] {
      CDeviceCommand command(drive);
      std::array<std::uint8_t, 512> buffer{};
      for (int i = 0; i < kCommandsPerDrive; ++i) {
        if (!command.GetSystemInfo(buffer, 1)) ++failures;
      }
    });
  }
  for (auto& engine : engines) engine.join();
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

}  // namespace
