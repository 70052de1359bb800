// The slot task's Run: the flow that each kind and station mode choose, what is recorded at
// each station, StopIfFail, bridge mode, kinds without a flow, a failed flow's records, a flow
// that throws, and the task deleting itself.
#include <atomic>
#include <functional>

#include "run/FlowDispatch.h"
#include "run/RunFixture.h"
#include "support/ForwardingTransport.h"

namespace runtest {
namespace {

const char* const kStationNames[] = {"EraseAll", "RDT",    "RDTResult", "MP",     "EraseMP", "QC",
                                     "UpdateFW", "ReRDT", "SortMP",    "SortRDT", "RMADBG"};
constexpr int kStationCount = 11;

using F = SlotFlow;
// The flow of each station mode 0..10, by kind (and OnlyDoISP for kind 1).
const F kKind1[kStationCount] = {F::EraseAll, F::RDT, F::RDT, F::MP, F::MP, F::MP, F::MP, F::RDT, F::MP, F::RDT, F::MP};
const F kKind1OnlyIsp[kStationCount] = {F::EraseAll,        F::RDT,        F::RDT, F::UpgradeFirmware,
                                        F::UpgradeFirmware, F::UpgradeFirmware, F::UpgradeFirmware, F::RDT,
                                        F::UpgradeFirmware, F::RDT,        F::UpgradeFirmware};
const F kKind4[kStationCount] = {F::QC, F::QC, F::ZeroMBCheck, F::QC, F::QC,        F::QC,
                                 F::RewriteISP, F::QC, F::QC, F::QC, F::ReadRMADebug};
const F kKind10[kStationCount] = {F::None, F::None, F::RDTResult, F::None, F::None, F::None,
                                  F::None, F::None, F::None,      F::None, F::None};

F ExpectedFlow(int kind, int mode, bool onlyDoIsp) {
  if (kind == kTaskInit) return onlyDoIsp ? kKind1OnlyIsp[mode] : kKind1[mode];
  if (kind == kTaskQC) return kKind4[mode];
  if (kind == kTaskRDTResult) return kKind10[mode];
  return F::None;
}

TEST(FlowDispatch, EveryKindAndStationModeChoosesItsFlow) {
  for (int kind : {0, 1, 2, 4, 7, 10, 11, 12}) {
    for (int mode = 0; mode < kStationCount; ++mode) {
      for (bool onlyDoIsp : {false, true}) {
        EXPECT_EQ(ChooseSlotFlow(kind, mode, onlyDoIsp), ExpectedFlow(kind, mode, onlyDoIsp))
            << "kind " << kind << " mode " << mode << " OnlyDoISP " << onlyDoIsp;
      }
    }
  }
}

// A task whose flows are recorded and behave as the test says.
class RecordingTask : public TaskProbe {
 public:
  using TaskProbe::TaskProbe;
  ~RecordingTask() override { ++deleted; }

  static inline std::atomic<int> deleted{0};
  static inline std::atomic<int> flowsRun{0};
  static inline std::atomic<F> lastFlow{F::None};
  // What a flow does; by default it passes as the flows do.
  static inline std::function<std::uint8_t(RecordingTask&)> behaviour;

  std::uint8_t Pass() {
    SetSlotStatus(kSlotPass, "Pass", "");
    SetResultText("0_00");
    return 1;
  }
  std::uint8_t Fail(const char* tag, const char* message) {
    m_pDevice->m_ErrorTag = tag;
    m_pDevice->m_ErrorMessage = message;
    return FailOut();
  }

  std::uint8_t RunMPFlow() override { return Ran(F::MP); }
  std::uint8_t RunQCFlow() override { return Ran(F::QC); }
  std::uint8_t RunEraseAllFlow() override { return Ran(F::EraseAll); }
  std::uint8_t RunRDTFlow() override { return Ran(F::RDT); }
  std::uint8_t RunZeroMBCheckFlow() override { return Ran(F::ZeroMBCheck); }
  std::uint8_t RunUpgradeFirmwareFlow() override { return Ran(F::UpgradeFirmware); }
  std::uint8_t RunRDTResultFlow() override { return Ran(F::RDTResult); }
  std::uint8_t RunRewriteISPFlow() override { return Ran(F::RewriteISP); }
  std::uint8_t RunReadRMADebugFlow() override { return Ran(F::ReadRMADebug); }

 private:
  std::uint8_t Ran(F flow) {
    lastFlow = flow;
    ++flowsRun;
    return behaviour ? behaviour(*this) : Pass();
  }
};

class TaskRun : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    RecordingTask::deleted = 0;
    RecordingTask::flowsRun = 0;
    RecordingTask::lastFlow = F::None;
    RecordingTask::behaviour = nullptr;
    station.WriteFile("WO_1.txt", "[Base Info]\r\nWorkOrder=WO0001\r\n");
    g_WorkOrderFilePath.Set("S:\\WO_1.txt");
    g_WorkFolder.Set("S:\\");
    for (auto& text : page.resultTexts) text.Set("H_F8");
  }
  void TearDown() override {
    RecordingTask::behaviour = nullptr;
    RunTest::TearDown();
  }
  // Runs a task of the kind on a port at the station; the task deletes itself.
  template <class Task = RecordingTask>
  void RunTask(int kind, const char* stationName, int port = 1) {
    SetStation(stationName);
    NewTask<Task>(port, kind)->Run(0);
  }
  std::string WorkOrder() const { return station.ReadFile("WO_1.txt"); }
  std::string SummaryCsv() const { return station.ReadFile("MPTestSummary/Summary.csv"); }
};

TEST_F(TaskRun, RunCallsTheFlowThatTheKindAndStationChoose) {
  for (bool onlyDoIsp : {false, true}) {
    SetKey(".\\param.ini", "Options", "OnlyDoISP", onlyDoIsp ? "1" : "0");
    for (int kind : {kTaskInit, kTaskQC, kTaskRDTResult, kTaskBadBlock}) {
      for (int mode = 0; mode < kStationCount; ++mode) {
        RecordingTask::lastFlow = F::None;
        RunTask(kind, kStationNames[mode]);
        EXPECT_EQ(RecordingTask::lastFlow.load(), ExpectedFlow(kind, mode, onlyDoIsp))
            << "kind " << kind << " at " << kStationNames[mode] << " OnlyDoISP " << onlyDoIsp;
      }
    }
  }
  EXPECT_EQ(RecordingTask::deleted.load(), 2 * 4 * kStationCount);
}

TEST_F(TaskRun, AKindWithoutAFlowShowsTheSlotIdleAndRecordsNothing) {
  RunTask(kTaskBadBlock, "MP");
  RunTask(kTaskRDTResult, "QC", 2);
  EXPECT_EQ(RecordingTask::flowsRun.load(), 0);
  for (int port : {1, 2}) {
    EXPECT_EQ(PortStateOf(port), kPortWaiting);
    EXPECT_EQ(Cell(port).GetWindowText(), "");
    EXPECT_EQ(ResultText(port), "H_F8");
    EXPECT_EQ(page.resultCodes[port - 1].load(), kPortResultPosted);
    EXPECT_EQ(Report(port), "");
  }
  EXPECT_EQ(WorkOrder(), "[Base Info]\r\nWorkOrder=WO0001\r\n");
  EXPECT_EQ(SummaryCsv(), "");
}

TEST_F(TaskRun, AStationSettingThatNamesNoStationTouchesNoDrive) {
  // Changed after the page started the pass: the task runs no flow and sends no command.
  for (const char* name : {"Garbage", ""}) {
    SCOPED_TRACE(name);
    const unsigned commands = Slot(1).Faults().Calls();
    RunTask(kTaskInit, name);
    EXPECT_EQ(RecordingTask::flowsRun.load(), 0);
    EXPECT_EQ(Slot(1).Faults().Calls(), commands);
    EXPECT_EQ(PortStateOf(1), kPortFail);
    EXPECT_EQ(ResultText(1), "S_x44");
    EXPECT_EQ(Cell(1).GetWindowText(), CMPDevice::ErrorTagToCode("S_x44") + "*[General Info]");
    EXPECT_NE(std::string(Cell(1).GetSubText()).find("TestStation of .\\Configuration\\System\\MPToolSetting.ini"),
              std::string::npos)
        << std::string(Cell(1).GetSubText());
    EXPECT_EQ(RecordingTask::deleted.load(), 1);
    RecordingTask::deleted = 0;
  }
  EXPECT_EQ(WorkOrder(), "[Base Info]\r\nWorkOrder=WO0001\r\n");
}

TEST_F(TaskRun, EachStationRecordsItsOwnResults) {
  RunTask(kTaskInit, "EraseAll", 1);
  EXPECT_EQ(WorkOrder(), "[Base Info]\r\nWorkOrder=WO0001\r\n");
  EXPECT_EQ(SummaryCsv(), "");
  RunTask(kTaskQC, "QC", 2);
  EXPECT_EQ(platform::ReadProfileKeys("S:\\WO_1.txt", "Results List").size(), 1u);
  EXPECT_EQ(SummaryCsv(), "");
  RunTask(kTaskInit, "MP", 3);
  EXPECT_EQ(platform::ReadProfileKeys("S:\\WO_1.txt", "Results List").size(), 2u);
  EXPECT_EQ(SummaryCsv(), "Date,Cap,SN,TestResult\n20240506,256,,Pass\n");
  EXPECT_EQ(ResultText(3), "0_00");
}

TEST_F(TaskRun, AFailedFlowAtTheMPStationGivesItsSummaryRowTheTagsCode) {
  // OnlyDoISP turns the MP station's task to the firmware upgrade, which needs code from flash.
  SetKey(".\\param.ini", "Options", "OnlyDoISP", "1");
  RunTask<TaskProbe>(kTaskInit, "MP", 2);
  EXPECT_EQ(ResultText(2), "I_x67");
  EXPECT_EQ(PortStateOf(2), kPortFail);
  EXPECT_NE(WorkOrder().find(",Fail,I_x67,[ChkRC]Not Running on Flash Code now\r\n"), std::string::npos)
      << WorkOrder();
  EXPECT_EQ(SummaryCsv(), "Date,Cap,SN,TestResult\n20240506,256,," + CMPDevice::ErrorTagToCode("I_x67") + "\n");
}

TEST_F(TaskRun, APassingTaskPowersItsSlotOffAndAFailingOneKeepsItOnUnderStopIfFail) {
  RunTask(kTaskInit, "EraseAll", 1);
  EXPECT_FALSE(Slot(1).SlotPowered());
  EXPECT_EQ(g_StopAll.load(), 0);

  SetKey(".\\param.ini", "RD Debug", "StopIfFail", "1");
  RecordingTask::behaviour = [](RecordingTask& task) { return task.Fail("F_E03", "Erase fail"); };
  RunTask(kTaskInit, "EraseAll", 2);
  EXPECT_EQ(g_StopAll.load(), 1);
  EXPECT_TRUE(Slot(2).SlotPowered());
  // Once the run is stopped no task powers its slot off.
  RecordingTask::behaviour = nullptr;
  RunTask(kTaskInit, "EraseAll", 3);
  EXPECT_TRUE(Slot(3).SlotPowered());
}

TEST_F(TaskRun, BridgeModeMakesNoPowerOffCall) {
  g_U2AMode = 1;
  RunTask(kTaskInit, "EraseAll", 1);
  EXPECT_EQ(RecordingTask::flowsRun.load(), 1);
  EXPECT_TRUE(Slot(1).SlotPowered());
}

TEST_F(TaskRun, AFailureAppendsTheEnginesExtraStatus) {
  RecordingTask::behaviour = [](RecordingTask& task) {
    task.m_pDevice->m_DriveSerial = "ABCDEFGHIJKL";
    task.m_pDevice->m_ErrorTag = "F_E03";
    task.m_pDevice->m_ErrorMessage = "Erase fail";
    task.FinishSlotStatus(1, kSlotFail, "F_E03", "Erase fail", "");
    return std::uint8_t{0};
  };
  RunTask(kTaskInit, "EraseAll", 1);
  EXPECT_EQ(Cell(1).GetWindowText(), "0x301*ABCDEFGHIJ*KL");
  EXPECT_EQ(Cell(1).GetTextHeight(), 18);
}

TEST_F(TaskRun, AnEmptySlotOnTheSinglePathShowsNoFailureButItsFlowsZeroStopsTheRunUnderStopIfFail) {
  Install(sim::DriveProfile{}, 4, {2});
  RunTask<TaskProbe>(kTaskInit, "EraseAll", 2);
  EXPECT_EQ(PortStateOf(2), kPortWaiting);
  EXPECT_EQ(Cell(2).GetWindowText(), "");
  EXPECT_EQ(Cell(2).GetBkColor(), ui::RGB(255, 255, 255));
  EXPECT_EQ(ResultText(2), "P_A01");
  EXPECT_EQ(g_StopAll.load(), 0);

  SetKey(".\\param.ini", "RD Debug", "StopIfFail", "1");
  RunTask<TaskProbe>(kTaskInit, "EraseAll", 2);
  EXPECT_EQ(PortStateOf(2), kPortWaiting);
  EXPECT_EQ(Cell(2).GetWindowText(), "");
  EXPECT_EQ(g_StopAll.load(), 1);
}

TEST_F(TaskRun, AFlowThatThrowsLeavesTheSlotFailedAndTheTaskDeleted) {
  // The flow had shown a pass already: the slot still ends up failed.
  RecordingTask::behaviour = [](RecordingTask& task) -> std::uint8_t {
    task.Pass();
    throw std::runtime_error("lost its way");
  };
  RunTask(kTaskInit, "MP", 1);
  EXPECT_EQ(RecordingTask::deleted.load(), 1);
  EXPECT_EQ(PortStateOf(1), kPortFail);
  EXPECT_EQ(Cell(1).GetWindowText(), "Fail");
  EXPECT_EQ(std::string(Cell(1).GetSubText()), "lost its way");
}

TEST_F(TaskRun, AFlowThatEndsWithoutShowingAVerdictShowsTheFailureItStoppedOn) {
  // The slot would show "Testing" for ever and the page would wait for it.
  RecordingTask::behaviour = [](RecordingTask& task) -> std::uint8_t {
    task.m_pDevice->m_ErrorTag = "I_x64";
    task.m_pDevice->m_ErrorMessage = "[ChkRC]Read Firmware Name Fail";
    return 0;
  };
  RunTask(kTaskInit, "RDT", 1);
  EXPECT_EQ(PortStateOf(1), kPortFail);
  EXPECT_EQ(ResultText(1), "I_x64");
  EXPECT_EQ(std::string(Cell(1).GetSubText()), "[ChkRC]Read Firmware Name Fail");
  EXPECT_NE(WorkOrder().find(",Fail,I_x64,"), std::string::npos) << WorkOrder();
  // Even one that claims a pass: no drive is shown passed without its verdict.
  RecordingTask::behaviour = [](RecordingTask&) -> std::uint8_t { return 1; };
  RunTask(kTaskInit, "RDT", 2);
  EXPECT_EQ(PortStateOf(2), kPortFail);
  EXPECT_EQ(Cell(2).GetWindowText(), "Fail");
}

// The station's transport with a driver layer that gives up by throwing.
class ThrowingTransport : public testsupport::ForwardingTransport {
 public:
  using ForwardingTransport::ForwardingTransport;
  device::PassThroughResult Execute(const std::string&, device::PassThroughRequest&) override {
    throw std::runtime_error("driver layer gave up");
  }
};

TEST_F(TaskRun, AnExceptionBeforeAnyFlowStartedLeavesTheSlotIdleAndTheTaskDeleted) {
  // An auto-detect round begins with the card detection, which throws here: no flow has run.
  device::SetTransport(std::make_shared<ThrowingTransport>(device::GetTransport()));
  page.autoDetect.SetCheck(ui::BST_CHECKED);
  Cell(1).SetWindowText("Testing");
  RunTask(kTaskInit, "MP", 1);
  EXPECT_EQ(RecordingTask::deleted.load(), 1);
  EXPECT_EQ(RecordingTask::flowsRun.load(), 0);
  EXPECT_EQ(PortStateOf(1), kPortWaiting);
  EXPECT_EQ(Cell(1).GetWindowText(), "");
  EXPECT_EQ(Cell(1).GetBkColor(), ui::RGB(255, 255, 255));
  EXPECT_EQ(ResultText(1), "H_F8");
  EXPECT_EQ(WorkOrder(), "[Base Info]\r\nWorkOrder=WO0001\r\n");
}

TEST_F(TaskRun, AReleasedTaskIsDeletedUnrun) {
  NewTask<RecordingTask>(1)->Release();
  EXPECT_EQ(RecordingTask::deleted.load(), 1);
  EXPECT_EQ(RecordingTask::flowsRun.load(), 0);
}

}  // namespace
}  // namespace runtest
