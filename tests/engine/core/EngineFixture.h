#pragma once
// A simulated station for the engine-core tests: one board of slots with drives of a given
// profile, tester mode, a scratch station folder made from the template, a fixed MAC text
// and a fixed local time; the engine of slot 1 and helpers to read its report.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "device/DevicePaths.h"
#include "device/Transport.h"
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "sim/FaultInjector.h"
#include "sim/SimDrive.h"
#include "sim/SimStation.h"
#include "sim/SimTransport.h"
#include "support/ScratchStation.h"
#include "support/SimStationSetup.h"

namespace enginetest {

inline constexpr char kHost[] = "HOST";
inline constexpr char kLogFolder[] = ".\\WO1_PC";

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_U2AMode = 0;
    station.WriteFile("PC_MAC_Address.txt", std::string("[PC Info]\r\nMAC_Address=") + kHost + "\r\n");
    platform::FlushProfileCache();
    platform::SetFixedLocalTime(platform::LocalTime{2024, 5, 6, 7, 8, 9, 0, 1});
    Install(sim::DriveProfile{});
  }
  void TearDown() override {
    device::SetTransport(nullptr);
    g_U2AMode = 1;
    platform::SetFixedLocalTime(std::nullopt);
  }

  // A station of `slots` slots, each with a drive of the profile but the empty ones, and a
  // fresh engine for slot 1.
  void Install(const sim::DriveProfile& profile, unsigned slots = 2, const std::vector<unsigned>& emptySlots = {}) {
    simStation = testsupport::OneBoardStation(profile, slots, emptySlots);
    device::SetTransport(std::make_shared<sim::SimTransport>(simStation));
    device = std::make_unique<CMPDevice>(1, 1, 1, kLogFolder, nullptr, nullptr);
  }

  sim::SimSlot& Slot(unsigned slot = 1) { return *simStation->SlotOfDrive(static_cast<int>(slot)); }
  sim::SimDrive& Drive(unsigned slot = 1) { return *Slot(slot).Drive(); }
  // A fault on the slot's next call(s) of a command ("Any" for every command).
  void Fault(const std::string& command, sim::FaultAction action, unsigned skip = 0, unsigned times = 1) {
    testsupport::AddFault(Slot(), command, action, skip, times);
  }
  // The info block the drive of slot 1 holds.
  std::array<std::uint8_t, 512> DriveInfoBlock() {
    std::array<std::uint8_t, 512> block{};
    EXPECT_EQ(Drive().ReadInfoBlock(0, block), sim::DriveStatus::Ok);
    return block;
  }
  // The slot report of slot 1 as written so far.
  std::string Report() const { return station.ReadFile("WO1_PC/D_Reports/HOST_1_Report.txt"); }
  bool ReportHas(const std::string& text) const { return Report().find(text) != std::string::npos; }
  // Whether the report holds a fail record of this tag.
  bool HasFailRecord(const std::string& tag) const { return ReportHas("Error Tag  : " + tag + "\r\n"); }
  void ExpectFailure(const char* tag, const std::string& message) const {
    EXPECT_EQ(device->m_ErrorTag, tag);
    EXPECT_EQ(device->m_ErrorMessage, message);
  }

  testsupport::ScratchStation station{testsupport::ScratchStation::Template::Copy};
  std::shared_ptr<sim::SimStation> simStation;
  std::unique_ptr<CMPDevice> device;
};

}  // namespace enginetest
