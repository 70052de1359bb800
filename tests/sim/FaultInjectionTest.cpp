// Faults at every I/O call: time-outs, drives pulled mid-command, short transfers, sense
// data and garbage, staged by rules from code or from scenario text.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "SimRequests.h"
#include "sim/FaultInjector.h"
#include "sim/ScsiReplies.h"

namespace {

using device::CommandId;
using simtest::Send;
using simtest::Vendor;

TEST(FaultRuleText, ParsesEveryActionAndRefusesMalformedRules) {
  auto rule = sim::ParseFaultRule("Identify, 2, Timeout");
  ASSERT_TRUE(rule);
  EXPECT_EQ(rule->command, "Identify");
  EXPECT_EQ(rule->skip, 2u);
  EXPECT_EQ(rule->action, sim::FaultAction::Timeout);
  EXPECT_EQ(rule->times, 1u);

  rule = sim::ParseFaultRule("Get_RDT_BadBlock_Log,0,Short,100,times=0");
  ASSERT_TRUE(rule);
  EXPECT_EQ(rule->action, sim::FaultAction::Short);
  EXPECT_EQ(rule->shortBytes, 100u);
  EXPECT_EQ(rule->times, 0u);

  rule = sim::ParseFaultRule("Any,5,Sense,3,11,0");
  ASSERT_TRUE(rule);
  EXPECT_EQ(rule->senseKey, 0x03);
  EXPECT_EQ(rule->asc, 0x11);

  EXPECT_TRUE(sim::ParseFaultRule("Card Detect,0,Pull"));
  EXPECT_TRUE(sim::ParseFaultRule("Any,0,garbage"));
  EXPECT_FALSE(sim::ParseFaultRule("Identify,x,Timeout"));
  EXPECT_FALSE(sim::ParseFaultRule("Identify,0,Explode"));
  EXPECT_FALSE(sim::ParseFaultRule("Identify,0,Short"));
  EXPECT_FALSE(sim::ParseFaultRule("Identify,0,Sense,3"));
  EXPECT_FALSE(sim::ParseFaultRule("Identify,0"));
  EXPECT_FALSE(sim::ParseFaultRule("Identify,0,Timeout,often"));
}

TEST(FaultInjector, SkipsThenFiresTheGivenNumberOfTimes) {
  sim::FaultInjector injector;
  sim::FaultRule rule;
  rule.command = "Identify";
  rule.skip = 1;
  rule.times = 2;
  injector.Add(rule);
  EXPECT_FALSE(injector.OnCall("Identify"));
  EXPECT_FALSE(injector.OnCall("GetSystemInfo"));
  EXPECT_TRUE(injector.OnCall("identify"));
  EXPECT_TRUE(injector.OnCall("Identify"));
  EXPECT_FALSE(injector.OnCall("Identify"));
  EXPECT_EQ(injector.Calls(), 5u);
}

class FaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    station = simtest::MakeStation({4});
    transport = std::make_unique<sim::SimTransport>(station);
    path = transport->DevicePathOfDrive(2);
  }
  void Arm(sim::FaultAction action, const std::string& command = "Any", unsigned skip = 0) {
    sim::FaultRule rule;
    rule.command = command;
    rule.skip = skip;
    rule.action = action;
    rule.shortBytes = 100;
    rule.senseKey = 0x03;
    rule.asc = 0x11;
    station->SlotOfDrive(2)->Faults().Add(rule);
  }
  std::shared_ptr<sim::SimStation> station;
  std::unique_ptr<sim::SimTransport> transport;
  std::string path;
};

TEST_F(FaultTest, TimeOutComesBackAsHostTimeOutWithoutRunningTheCommand) {
  Arm(sim::FaultAction::Timeout, "Set CE Map");
  auto request = Vendor(CommandId::SetCeMap, 0x00FF);
  request.request.timeoutSeconds = 3600;  // time scale 0: no real wait
  const auto result = Send(*transport, path, request);
  EXPECT_EQ(result.hostStatus, device::kHostTimeOut);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(station->SlotOfDrive(2)->Drive()->CeMapInUse(), 0);
  EXPECT_TRUE(Send(*transport, path, request).Succeeded());
  EXPECT_EQ(station->SlotOfDrive(2)->Drive()->CeMapInUse(), 0x00FF);
}

TEST_F(FaultTest, DrivePulledMidCommandIsATransportErrorThenAnEmptySlot) {
  Arm(sim::FaultAction::Pull, "Get_RDT_Temperature_Time_Log");
  auto request = Vendor(CommandId::GetRdtTemperatureTimeLog, 0, 1);
  const auto result = Send(*transport, path, request);
  EXPECT_EQ(result.systemError, ENODEV);
  EXPECT_EQ(result.transferred, 0u);
  auto identify = simtest::Ata(CommandId::IdentifyDevice);
  const auto after = Send(*transport, path, identify);
  EXPECT_EQ(simtest::SenseKey(after), sim::kSenseNotReady);
  auto detect = simtest::Tester(CommandId::TesterCardDetect);
  ASSERT_TRUE(Send(*transport, path, detect).Succeeded());
  EXPECT_EQ(detect.buffer[0], device::kCardEmpty);
  // The other drives are untouched and keep their drive numbers.
  EXPECT_TRUE(Send(*transport, transport->DevicePathOfDrive(3), identify).Succeeded());
  EXPECT_EQ(transport->ListDisks().size(), 4u);
}

TEST_F(FaultTest, ShortTransferMovesFewerBytesThanAsked) {
  Arm(sim::FaultAction::Short, "Identify");
  auto identify = simtest::Ata(CommandId::IdentifyDevice);
  const auto result = Send(*transport, path, identify);
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.transferred, 100u);
}

TEST_F(FaultTest, SenseFaultIsACheckConditionAndTheCommandDoesNotRun) {
  Arm(sim::FaultAction::Sense, "Set CE Map");
  auto request = Vendor(CommandId::SetCeMap, 0x0003);
  const auto result = Send(*transport, path, request);
  EXPECT_EQ(result.scsiStatus, device::kScsiCheckCondition);
  EXPECT_EQ(result.sense[0], 0x70);
  EXPECT_EQ(result.sense[2], 0x03);
  EXPECT_EQ(result.sense[12], 0x11);
  EXPECT_EQ(station->SlotOfDrive(2)->Drive()->CeMapInUse(), 0);
}

TEST_F(FaultTest, GarbageOverwritesTheAnswer) {
  auto clean = simtest::Ata(CommandId::IdentifyDevice);
  ASSERT_TRUE(Send(*transport, path, clean).Succeeded());
  Arm(sim::FaultAction::Garbage, "Identify");
  auto noisy = simtest::Ata(CommandId::IdentifyDevice);
  const auto result = Send(*transport, path, noisy);
  EXPECT_TRUE(result.Succeeded());
  EXPECT_EQ(result.transferred, 512u);
  EXPECT_NE(noisy.buffer, clean.buffer);
}

TEST_F(FaultTest, StationWideRuleWalksAFaultThroughEverySendOfASequence) {
  // The sequence: AP key, system information, flash IDs, identify. Each run arms a fault at
  // call n of the whole station; exactly that call fails and the others succeed.
  const auto sequence = [&](std::vector<bool>& ok) {
    std::vector<simtest::Request> requests;
    requests.push_back(Vendor(CommandId::SetApKey, device::kApKeyValue, 1));
    requests.push_back(Vendor(CommandId::GetSystemInfo, 0, 1));
    requests.push_back(Vendor(CommandId::ScanAllFlashId, 0, 1));
    requests.push_back(simtest::Ata(CommandId::IdentifyDevice));
    for (auto& request : requests) ok.push_back(Send(*transport, path, request).Succeeded());
  };
  for (unsigned failAt = 0; failAt < 4; ++failAt) {
    station->Faults().Clear();
    sim::FaultRule rule;
    rule.skip = failAt;
    rule.action = sim::FaultAction::Sense;
    station->Faults().Add(rule);
    std::vector<bool> ok;
    sequence(ok);
    for (unsigned call = 0; call < ok.size(); ++call) EXPECT_EQ(ok[call], call != failAt) << failAt << " " << call;
  }
}

TEST(SimTransportThreads, TwentyFourWorkersTalkToTwentyFourDrivesAtOnce) {
  auto station = simtest::MakeStation({24});
  sim::SimTransport transport(station);
  std::atomic<unsigned> failures{0};
  std::vector<std::thread> workers;
  for (int drive = 1; drive <= 24; ++drive) {
    workers.emplace_back([&, drive] {
      const std::string path = transport.DevicePathOfDrive(drive);
      for (int round = 0; round < 20; ++round) {
        auto identify = simtest::Ata(CommandId::IdentifyDevice);
        auto info = Vendor(CommandId::GetSystemInfo, 0, 1);
        auto detect = simtest::Tester(CommandId::TesterCardDetect);
        auto ceMap = Vendor(CommandId::SetCeMap, static_cast<std::uint64_t>(drive));
        if (!Send(transport, path, identify).Succeeded() || !Send(transport, path, info).Succeeded() ||
            !Send(transport, path, detect).Succeeded() || !Send(transport, path, ceMap).Succeeded()) {
          ++failures;
        }
      }
    });
  }
  // Meanwhile one drive is pulled and put back by another thread: no request may hang.
  std::thread puller([&] {
    auto spare = std::make_shared<sim::SimDrive>(sim::DriveProfile{}, "SPARE");
    for (int round = 0; round < 50; ++round) {
      sim::SimSlot& slot = *station->SlotOfDrive(24);
      std::lock_guard lock(slot.Lock());
      if (slot.Drive()) {
        slot.Pull();
      } else {
        slot.Insert(spare);
      }
    }
  });
  for (auto& worker : workers) worker.join();
  puller.join();
  for (int drive = 1; drive < 24; ++drive) {
    EXPECT_EQ(station->SlotOfDrive(drive)->Drive()->CeMapInUse(), drive);
  }
  EXPECT_LE(failures.load(), 20u);  // only drive 24's requests can fail, while it is out
}

}  // namespace
