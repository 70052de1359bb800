// The slot logs of auto-detect runs byte for byte (total, error and summary logs per task
// kind), their counters over several drives, the copy of a log under a station-and-time name
// and the engine's own log names.
#include "run/RunFixture.h"

namespace runtest {
namespace {

class SlotLogs : public RunTest {
 protected:
  // A task of the kind on port 3 with an engine whose serial and tag are given.
  std::unique_ptr<TaskProbe> Task(int kind, const std::string& serial, const std::string& tag = "") {
    std::unique_ptr<TaskProbe> task(NewTask(3, kind));
    EXPECT_TRUE(task->MakeDevice(nullptr));
    task->m_pDevice->m_SerialNumber = serial;
    task->m_pDevice->m_ErrorTag = tag;
    task->m_ErrorTag = tag;
    return task;
  }
  std::string Log(const std::string& name) const { return station.ReadFile("WO1_PC/" + name); }
};

TEST_F(SlotLogs, APassAtKindOneCountsGoodAndKeepsTheSerial) {
  Task(kTaskInit, "SN0001")->WriteSlotLogs(1);
  EXPECT_EQ(Log("Total_Init.log"),
            "[Total Results]\r\nTotal=1\r\nGood=1\r\n"
            "[Time]\r\nEnd Time=2024-05-06 07:08:09\r\n"
            "[Serial Number]\r\nLast Serial Number=SN0001\r\n");
  EXPECT_EQ(Log("_Summary.log"), "[Time]\r\nEnd Time=2024-05-06 07:08:09\r\n[Results]\r\nPass=1\r\n");
  EXPECT_EQ(Log("Error_Init.log"), "");
}

TEST_F(SlotLogs, AFailureAtKindFourCountsBadListsTheErrorAndCountsItsTag) {
  auto task = Task(kTaskQC, "SN0002", "F_E03");
  task->WriteSlotLogs(0);
  EXPECT_EQ(task->TotalLogPath(), ".\\WO1_PC\\Total_QC.log");
  EXPECT_EQ(task->ErrorLogPath(), ".\\WO1_PC\\Error_QC.log");
  EXPECT_EQ(Log("Total_QC.log"), "[Total Results]\r\nTotal=1\r\nBad=1\r\n[Time]\r\nEnd Time=2024-05-06 07:08:09\r\n");
  EXPECT_EQ(Log("Error_QC.log"), "[Error List]\r\n[2024-05-06 07:08:09]   SlotNo:03   SN:SN0002=--F_E03\r\n");
  EXPECT_EQ(Log("_Summary.log"),
            "[Time]\r\nEnd Time=2024-05-06 07:08:09\r\n[Results]\r\nTotalErrorCount=1\r\n[ErrorList]\r\nF_E03=1\r\n");
}

TEST_F(SlotLogs, CountersAddUpOverDrivesAndOtherKindsUseTheDebugLogs) {
  Task(kTaskRDTResult, "A", "F_E03")->WriteSlotLogs(0);
  Task(kTaskRDTResult, "B", "F_E03")->WriteSlotLogs(0);
  Task(kTaskRDTResult, "C", "I_x24")->WriteSlotLogs(0);
  Task(kTaskRDTResult, "D")->WriteSlotLogs(1);
  EXPECT_EQ(platform::ReadProfileInt(".\\WO1_PC\\Total_Debug.log", "Total Results", "Total", 0), 4);
  EXPECT_EQ(platform::ReadProfileInt(".\\WO1_PC\\Total_Debug.log", "Total Results", "Good", 0), 1);
  EXPECT_EQ(platform::ReadProfileInt(".\\WO1_PC\\Total_Debug.log", "Total Results", "Bad", 0), 3);
  EXPECT_EQ(platform::ReadProfileInt(".\\WO1_PC\\_Summary.log", "Results", "TotalErrorCount", 0), 3);
  EXPECT_EQ(platform::ReadProfileInt(".\\WO1_PC\\_Summary.log", "Results", "Pass", 0), 1);
  EXPECT_EQ(platform::ReadProfileInt(".\\WO1_PC\\_Summary.log", "ErrorList", "F_E03", 0), 2);
  EXPECT_EQ(platform::ReadProfileInt(".\\WO1_PC\\_Summary.log", "ErrorList", "I_x24", 0), 1);
  EXPECT_EQ(platform::ReadProfileString(".\\WO1_PC\\Total_Debug.log", "Serial Number", "Last Serial Number", ""), "D");
  // The same second and slot: the error list keeps one entry per key.
  EXPECT_EQ(platform::ReadProfileKeys(".\\WO1_PC\\Error_Debug.log", "Error List").size(), 3u);
}

TEST_F(SlotLogs, LineBreaksAndEqualSignsFromTheDriveDoNotBreakTheLogs) {
  auto task = Task(kTaskInit, "S=1\r\nX", "F_E03\n");
  task->m_ErrorTag = "F=E03\r";
  task->WriteSlotLogs(0);
  EXPECT_EQ(Log("Error_Init.log"), "[Error List]\r\n[2024-05-06 07:08:09]   SlotNo:03   SN:S_1__X=--F_E03_\r\n");
  EXPECT_EQ(platform::ReadProfileInt(".\\WO1_PC\\_Summary.log", "ErrorList", "F_E03_", 0), 1);
  Task(kTaskInit, "A\rB")->WriteSlotLogs(1);
  EXPECT_EQ(platform::ReadProfileString(".\\WO1_PC\\Total_Init.log", "Serial Number", "Last Serial Number", ""),
            "A_B");
}

TEST_F(SlotLogs, ALogIsCopiedUnderTheDriveStationAndTime) {
  g_WorkFolder.Set("S:\\");
  station.WriteFile("source.txt", "report\r\n");
  auto task = Task(kTaskInit, "SN");
  task->CopyStationLog(".\\source.txt", kStationMP);
  EXPECT_EQ(station.ReadFile("Log/#3_MP_20240506 07h08m09s123ms.txt"), "report\r\n");
  task->CopyStationLog(".\\source.txt", 11);
  EXPECT_EQ(station.ReadFile("Log/#3_unKnown_20240506 07h08m09s123ms.txt"), "report\r\n");
  // A missing source is no error.
  task->CopyStationLog(".\\missing.txt", kStationEraseAll);
}

TEST_F(SlotLogs, TheEngineNamesItsLogsByItsKind) {
  CMPDevice init(1, kTaskInit, 1, ".\\L", nullptr, nullptr);
  init.SetLogFileNames(kStationMP);
  EXPECT_EQ(init.m_StationIndex, kStationMP);
  EXPECT_EQ(init.m_TotalLogPath, ".\\L\\Total_Init.log");
  EXPECT_EQ(init.m_ErrorLogPath, ".\\L\\Error_Init.log");
  CMPDevice qc(1, kTaskQC, 1, ".\\L", nullptr, nullptr);
  qc.SetLogFileNames(kStationQC);
  EXPECT_EQ(qc.m_TotalLogPath, ".\\L\\Total_Init.log");
  CMPDevice other(1, kTaskRDTResult, 1, ".\\L", nullptr, nullptr);
  other.SetLogFileNames(kStationRDTResult);
  EXPECT_EQ(other.m_TotalLogPath, ".\\L\\Total_Debug.log");
  EXPECT_EQ(other.m_ErrorLogPath, ".\\L\\Error_Debug.log");
}

}  // namespace
}  // namespace runtest
