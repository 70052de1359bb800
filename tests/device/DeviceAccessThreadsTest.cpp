// Many engines talk to their drives at once while the pages list the drives again: every
// command still reaches its own drive, and nothing races (this suite also runs under
// ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
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

// Only so that a fault fails the test instead of hanging it: nothing waits this long when the
// transport is right.
constexpr auto kGenerousWait = std::chrono::seconds(30);

// Holds the first call on one node in the fake kernel until released, as the kernel holds an
// sd open while the disk's host recovers from errors.
class HeldCall {
 public:
  explicit HeldCall(std::string node) : m_node(std::move(node)) {}
  void operator()(const std::string& node) {
    if (node != m_node || m_held.exchange(true)) return;
    m_entered.set_value();
    m_released.wait_for(kGenerousWait);
  }
  bool Entered() { return m_enteredFuture.wait_for(kGenerousWait) == std::future_status::ready; }
  void Release() { m_release.set_value(); }

 private:
  std::string m_node;
  std::atomic<bool> m_held{false};
  std::promise<void> m_entered;
  std::future<void> m_enteredFuture = m_entered.get_future();
  std::promise<void> m_release;
  std::shared_future<void> m_released = m_release.get_future().share();
};

// One disk's open, its SG_IO, or the close of the node of a disk that has gone, hangs in the
// kernel (as while its host recovers from errors): the commands of the other drives and a
// listing go on meanwhile.
TEST(DeviceAccessThreads, OneDisksHangingOpenRequestOrCloseHoldsNoOtherDrive) {
  enum class Hanging { Open, Request, Close };
  struct Case {
    const char* what;
    bool generic;
    Hanging hanging;
  };
  const Case cases[] = {{"an sg open", true, Hanging::Open},
                        {"an sd open", false, Hanging::Open},
                        {"an SG_IO on an sg node", true, Hanging::Request},
                        {"an SG_IO on an sd node", false, Hanging::Request},
                        {"an sg close", true, Hanging::Close},
                        {"an sd close", false, Hanging::Close}};
  const std::uint8_t previous = g_U2AMode.load();
  g_U2AMode = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    devicetest::FakeSgStation kernel;
    std::vector<std::filesystem::path> disks;
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
      names.push_back(c.generic ? "sg" + std::to_string(i) : std::string("sd") + static_cast<char>('a' + i));
      const devicetest::FakeSgStation::Address address{"2-" + std::to_string(i + 1), 6 + i};
      disks.push_back(c.generic ? kernel.AddDisk(names[i], address) : kernel.AddBlockDisk(names[i], address, 8, 16 * i));
    }
    kernel.answer = [](sg_io_hdr_t& header) { header.resid = 0; };
    HeldCall held("/dev/" + names[0]);
    (c.hanging == Hanging::Open      ? kernel.beforeOpen
     : c.hanging == Hanging::Request ? kernel.beforeIoctl
                                     : kernel.beforeClose) = [&held](const std::string& node) { held(node); };
    const auto transport = std::make_shared<device::SgTransport>(kernel.System());
    device::SetTransport(transport);
    std::array<std::unique_ptr<CDeviceCommand>, 3> drives;
    for (int i = 0; i < 3; ++i) drives[i] = std::make_unique<CDeviceCommand>(i + 1);
    std::atomic<int> failures{0};
    const auto command = [&](int i) {
      std::array<std::uint8_t, 512> buffer{};
      if (!drives[i]->ReadFirmwareName(buffer)) ++failures;
    };
    if (c.hanging == Hanging::Close) {
      for (int i = 0; i < 3; ++i) command(i);
      kernel.RemoveDisk(c.generic ? names[0] : "", disks[0], c.generic ? "" : names[0]);
    }

    std::thread hanging([&] {
      if (c.hanging != Hanging::Close) {
        command(0);
      } else {
        transport->ListDisks();  // closes the node of the disk that has gone
      }
    });
    EXPECT_TRUE(held.Entered()) << "the call never reached the kernel";
    std::promise<void> othersDone;
    std::thread others([&] {
      command(1);
      command(2);
      transport->ListDisks();
      othersDone.set_value();
    });
    EXPECT_EQ(othersDone.get_future().wait_for(kGenerousWait), std::future_status::ready)
        << "the other drives waited for the hanging disk";
    held.Release();
    hanging.join();
    others.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(kernel.sentTo.size(), c.hanging == Hanging::Close ? 5u : 3u);
    device::SetTransport(nullptr);
  }
  g_U2AMode = previous;
}

}  // namespace
