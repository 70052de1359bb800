#pragma once
// The run on a simulated station: a scratch station made from the template with the sample
// MP and RDT images, tester mode, a fixed MAC text and local time, one board of slots with
// drives of a given profile, and the page's side of a pass (status cells, progress bars,
// locks, result codes and texts) for the tasks to write into.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "controls/ColorEdit.h"
#include "device/DeviceListing.h"
#include "device/DevicePaths.h"
#include "device/StationHelpers.h"
#include "device/Transport.h"
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Profile.h"
#include "run/RunGlobals.h"
#include "run/SlotTestTask.h"
#include "run/VerdictRecords.h"
#include "sim/FaultInjector.h"
#include "sim/SimDrive.h"
#include "sim/SimStation.h"
#include "sim/SimTransport.h"
#include "support/SampleImageFiles.h"
#include "support/ScratchStation.h"
#include "support/SettingKeys.h"
#include "support/SimStationSetup.h"
#include "ui/Button.h"
#include "ui/ProgressCtrl.h"

namespace runtest {

inline constexpr char kHost[] = "HOST";
inline constexpr char kLogFolder[] = ".\\WO1_PC";
inline const platform::LocalTime kFixedTime{2024, 5, 6, 7, 8, 9, 123, 1};

using testsupport::SetKey;

// A task whose protected parts the tests reach, noting the progress positions its flow sets.
class TaskProbe : public CSlotTestTask {
 public:
  using CSlotTestTask::CSlotTestTask;
  using CSlotTestTask::CheckFirmwareBinType;
  using CSlotTestTask::FailOut;
  using CSlotTestTask::m_EndTimeText;
  using CSlotTestTask::m_SummaryRow;
  using CSlotTestTask::m_ErrorTag;
  using CSlotTestTask::m_pDevice;
  using CSlotTestTask::m_StartTimeText;
  using CSlotTestTask::m_StationMode;
  using CSlotTestTask::m_VolumesLocked;
  using CSlotTestTask::MakeDevice;

  // Every progress position the task's flow set, in order.
  std::vector<int> positions;

 protected:
  void SetProgress(int position) override {
    positions.push_back(position);
    CSlotTestTask::SetProgress(position);
  }
};

// What the production page owns for a pass.
struct PageSide {
  PageSide() {
    for (auto& code : resultCodes) code = kPortResultPosted;
  }
  CColorEdit cells[kPortCount];
  ui::CProgressCtrl bars[kPortCount];
  ui::CButton autoDetect;
  PortLocks locks;
  PortResultCodes resultCodes;
  CSharedText resultTexts[kPortCount];
};

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_U2AMode = 0;
    g_StopAll = 0;
    g_ExchangePhase = 0;
    g_WorkOrderFilePath.Set("");
    g_WorkFolder.Set("");
    g_WorkingNo.Set("");
    ResetPortStates();
    station.WriteFile("PC_MAC_Address.txt", std::string("[PC Info]\r\nMAC_Address=") + kHost + "\r\n");
    testsupport::WriteSampleImages(station);
    platform::FlushProfileCache();
    platform::SetFixedLocalTime(kFixedTime);
    Install(sim::DriveProfile{});
    // The template is the MP station; these tests start from the erase station, whose flow is
    // the quickest, and choose another one where they need it.
    SetStation("EraseAll");
  }
  void TearDown() override {
    device::SetTransport(nullptr);
    g_U2AMode = 1;
    g_StopAll = 0;
    g_ExchangePhase = 0;
    g_WorkOrderFilePath.Set("");
    g_WorkFolder.Set("");
    ResetPortStates();
    platform::SetFixedLocalTime(std::nullopt);
    ForgetOwedTakeBacks();  // what a test's refused records owe stays with that test
  }

  // A board of `slots` slots, each with a drive of the profile except the empty ones.
  void Install(const sim::DriveProfile& profile, unsigned slots = 4, const std::vector<unsigned>& emptySlots = {}) {
    simStation = testsupport::OneBoardStation(profile, slots, emptySlots);
    device::SetTransport(std::make_shared<sim::SimTransport>(simStation));
  }
  void SetStation(const std::string& name) {
    SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "TestStation", name);
  }

  // A task of the port (drive number = port) writing into the page side.
  template <class Task = TaskProbe>
  Task* NewTask(int port, int kind = kTaskInit, const std::string& logFolder = kLogFolder) {
    const auto index = static_cast<std::size_t>(port - 1);
    return new Task(kind, &page.locks, &page.cells[index], &page.bars[index], port, port, &page.autoDetect,
                    nullptr, logFolder, &page.resultTexts[index], nullptr, &page.resultCodes);
  }

  sim::SimSlot& Slot(unsigned slot) { return *simStation->SlotOfDrive(static_cast<int>(slot)); }
  void Fault(unsigned slot, const std::string& command, sim::FaultAction action, unsigned skip = 0,
             unsigned times = 1) {
    testsupport::AddFault(Slot(slot), command, action, skip, times);
  }
  std::string Report(int port) const {
    return station.ReadFile("WO1_PC/D_Reports/HOST_" + std::to_string(port) + "_Report.txt");
  }
  CColorEdit& Cell(int port) { return page.cells[port - 1]; }
  std::string ResultText(int port) { return page.resultTexts[port - 1].Get(); }

  testsupport::ScratchStation station{testsupport::ScratchStation::Template::Copy};
  std::shared_ptr<sim::SimStation> simStation;
  PageSide page;
};

}  // namespace runtest
