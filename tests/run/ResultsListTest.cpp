// The work-order file's results list and its checksum, and Summary.csv, byte for byte for
// given inputs; the checksum over kept lines; a failed Summary.csv creation shown without
// blocking the worker.
#include "device/Crc16.h"
#include "platform/FileFaults.h"
#include "run/RunFixture.h"
#include "ui/Dispatcher.h"
#include "ui/ScriptedHost.h"

namespace runtest {
namespace {

constexpr char kWorkOrder[] = "S:\\WO_WO0001_HOST.txt";

class ResultsList : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    station.WriteFile("WO_WO0001_HOST.txt", "[Base Info]\r\nWorkOrder=WO0001\r\n");
    g_WorkOrderFilePath.Set(kWorkOrder);
    g_WorkFolder.Set("S:\\");
  }
  // A task of port 3 at the station mode whose engine holds the drive's texts.
  std::unique_ptr<TaskProbe> Task(int stationMode = kStationMP) {
    std::unique_ptr<TaskProbe> task(NewTask(3));
    EXPECT_TRUE(task->MakeDevice(nullptr));
    task->m_StationMode = stationMode;
    task->m_StartTimeText = "2024/05/06_07:08:00";
    CMPDevice& device = *task->m_pDevice;
    device.m_TesterVersionText = "3.05";
    device.m_DriveSerial = "SIMSERIAL3";
    device.m_StandbyCurrentText = "120mA";
    device.m_WRCurrentText = "380mA";
    return task;
  }
  std::string WorkOrder() const { return station.ReadFile("WO_WO0001_HOST.txt"); }
};

TEST_F(ResultsList, APassAddsItsLineAndTheChecksumOfTheFile) {
  auto task = Task();
  task->WriteResultsList(1);
  EXPECT_EQ(task->m_EndTimeText, "07:08:09");
  EXPECT_EQ(WorkOrder(),
            "[Base Info]\r\nWorkOrder=WO0001\r\nChecksum=d3b2\r\n"
            "[Results List]\r\n"
            "[2024/05/06_07:08:00~07:08:09,03]=0,Tester_03,3.05,V2.0a(Normal),TV3160_MP_Sample.bin,SIMSERIAL3,0,"
            "120mA,380mA,Pass\r\n");
}

TEST_F(ResultsList, AFailureAddsTheTagAndMessageAndTheChecksumCoversTheOldChecksum) {
  auto task = Task();
  task->WriteResultsList(1);
  task->m_pDevice->m_ErrorTag = "F_E03";
  task->m_pDevice->m_ErrorMessage = "Erase fail\r\n[CE 3]";
  task->m_pDevice->m_RDTTotalTime = 3600;
  task->m_StartTimeText = "2024/05/06_07:08:01";
  task->WriteResultsList(0);
  EXPECT_EQ(WorkOrder(),
            "[Base Info]\r\nWorkOrder=WO0001\r\nChecksum=99b2\r\n"
            "[Results List]\r\n"
            "[2024/05/06_07:08:00~07:08:09,03]=0,Tester_03,3.05,V2.0a(Normal),TV3160_MP_Sample.bin,SIMSERIAL3,0,"
            "120mA,380mA,Pass\r\n"
            "[2024/05/06_07:08:01~07:08:09,03]=0,Tester_03,3.05,V2.0a(Normal),TV3160_MP_Sample.bin,SIMSERIAL3,3600,"
            "120mA,380mA,Fail,F_E03,Erase fail__[CE 3]\r\n");
}

TEST_F(ResultsList, TheSamePortAndTimesReplaceTheirLine) {
  auto task = Task();
  task->WriteResultsList(1);
  task->WriteResultsList(0);
  EXPECT_EQ(platform::ReadProfileKeys(kWorkOrder, "Results List").size(), 1u);
  EXPECT_NE(platform::ReadProfileString(kWorkOrder, "Results List", "[2024/05/06_07:08:00~07:08:09,03]", "")
                .find(",Fail,"),
            std::string::npos);
}

TEST_F(ResultsList, RdtStationsNameTheRdtImageAndAPathWithoutBackslashIsTheName) {
  Task(kStationReRDT)->WriteResultsList(1);
  EXPECT_NE(WorkOrder().find(",V2.0a(Normal),TV3160_RDT_Sample.bin,"), std::string::npos);
  SetKey(".\\param.ini", "Device Info", "ISP_MPBINCode", "Plain.bin");
  auto task = Task(kStationQC);
  task->m_StartTimeText = "2024/05/06_07:08:05";
  task->WriteResultsList(1);
  EXPECT_NE(WorkOrder().find(",V2.0a(Normal),Plain.bin,"), std::string::npos);
}

TEST_F(ResultsList, NoListIsWrittenBeforeTheWorkOrderFileIsMade) {
  g_WorkOrderFilePath.Set("");
  Task()->WriteResultsList(1);
  EXPECT_EQ(WorkOrder(), "[Base Info]\r\nWorkOrder=WO0001\r\n");
}

TEST_F(ResultsList, AnUnreadableWorkOrderFileGetsNoMadeUpChecksum) {
  g_WorkOrderFilePath.Set("S:\\missing\\WO.txt");
  auto task = Task();
  task->m_pDevice->WriteReportLine("START", 1);
  task->WriteResultsList(1);
  EXPECT_FALSE(platform::FileExists("S:\\missing\\WO.txt"));
  EXPECT_NE(Report(3).find("   Results list checksum not updated: work-order file cannot be read \r\n"),
            std::string::npos);
}

TEST(FileChecksum, IsCrc16ModbusOverTheKeptLines) {
  testsupport::ScratchStation station;
  station.WriteFile("abc.txt", "abc\r\n");
  EXPECT_EQ(CSlotTestTask::ComputeFileChecksum("abc.txt"), std::optional<std::uint16_t>(0x5749));
  // Lines joined: the line ends do not count, with or without CR.
  station.WriteFile("split.txt", "a\nbc");
  EXPECT_EQ(CSlotTestTask::ComputeFileChecksum("split.txt"), std::optional<std::uint16_t>(0x5749));
  station.WriteFile("check.txt", "12345\r\n\r\n// note\r\n6789\r\n");
  EXPECT_EQ(CSlotTestTask::ComputeFileChecksum("check.txt"), std::optional<std::uint16_t>(0x4B37));
  station.WriteFile("skipped.txt", "\r\n//abc\r\n\r\n//\r\n");
  EXPECT_EQ(CSlotTestTask::ComputeFileChecksum("skipped.txt"), std::optional<std::uint16_t>(0xFFFF));
  station.WriteFile("slash.txt", "/abc\r\n");
  std::uint16_t slash = 0xFFFF;
  CCrc16::UpdateString(slash, "/abc");
  EXPECT_EQ(CSlotTestTask::ComputeFileChecksum("slash.txt"), std::optional<std::uint16_t>(slash));
  EXPECT_NE(slash, 0x5749);
  EXPECT_EQ(CSlotTestTask::ComputeFileChecksum("missing.txt"), std::nullopt);
}

class SummaryCsv : public ResultsList {};

TEST_F(SummaryCsv, TheFileStartsWithItsHeaderAndTakesOneRowPerDrive) {
  auto task = Task();
  task->WriteSummaryCsv(task->m_pDevice.get(), 1);
  task->m_pDevice->m_ErrorTag = "F_E03";
  task->m_pDevice->m_DriveSerial = "SIMSERIAL4";
  task->WriteSummaryCsv(task->m_pDevice.get(), 0);
  EXPECT_EQ(station.ReadFile("MPTestSummary/Summary.csv"),
            "Date,Cap,SN,TestResult\n20240506,256,SIMSERIAL3,Pass\n20240506,256,SIMSERIAL4,0x301\n");
}

TEST_F(SummaryCsv, APassTakenBackChangesOnlyItsOwnRow) {
  auto task = Task();
  task->WriteSummaryCsv(task->m_pDevice.get(), 1);
  const SummaryCsvRow row = task->m_SummaryRow;
  ASSERT_EQ(row.passRow, "20240506,256,SIMSERIAL3,Pass\n");
  const std::string code = CMPDevice::ErrorTagToCode("A_W01");
  ASSERT_EQ(row.failRow, "20240506,256,SIMSERIAL3," + code + "\n");
  // A later row that ends in the same text is not the drive's row; the last whole row is.
  const std::string rows = "Date,Cap,SN,TestResult\n20240506,256,SIMSERIAL3,Pass\n"
                           "20240506,256,SIMSERIAL3,Pass\nX20240506,256,SIMSERIAL3,Pass\n";
  station.WriteFile("MPTestSummary/Summary.csv", rows);
  EXPECT_TRUE(TakeBackSummaryCsvRow(row));
  EXPECT_EQ(station.ReadFile("MPTestSummary/Summary.csv"),
            "Date,Cap,SN,TestResult\n20240506,256,SIMSERIAL3,Pass\n20240506,256,SIMSERIAL3," + code +
                "\nX20240506,256,SIMSERIAL3,Pass\n");
  // A file without the row (edited meanwhile) is left as it is and the take-back says so.
  station.WriteFile("MPTestSummary/Summary.csv", "Date,Cap,SN,TestResult\nX20240506,256,SIMSERIAL3,Pass\n");
  EXPECT_FALSE(TakeBackSummaryCsvRow(row));
  EXPECT_EQ(station.ReadFile("MPTestSummary/Summary.csv"), "Date,Cap,SN,TestResult\nX20240506,256,SIMSERIAL3,Pass\n");
  // A failed drive leaves no row to take back.
  auto failed = Task();
  failed->m_pDevice->m_ErrorTag = "F_E03";
  failed->WriteSummaryCsv(failed->m_pDevice.get(), 0);
  EXPECT_TRUE(failed->m_SummaryRow.path.empty());
}

TEST_F(SummaryCsv, AFailedCreationIsShownWithoutBlockingTheWorker) {
  ui::ScriptedHost host;
  ui::SetHost(&host);
  station.WriteFile("blocker", "a file where the folder should be");
  g_WorkFolder.Set("S:\\blocker\\");
  {
    ui::Dispatcher dispatcher;
    auto task = Task();
    std::thread worker([&] {
      platform::CriticalSectionGuard guard(page.locks[kLockEndOfTest]);
      task->WriteSummaryCsv(task->m_pDevice.get(), 1);
    });
    worker.join();
    // The worker is done before the box is shown on the user-interface thread.
    EXPECT_TRUE(host.MessageBoxes().empty());
    dispatcher.ProcessPending();
  }
  ui::SetHost(nullptr);
  ASSERT_EQ(host.MessageBoxes().size(), 1u);
  EXPECT_EQ(host.MessageBoxes()[0].text, "Create file fail (Summary.csv)");
}

}  // namespace
}  // namespace runtest

namespace runtest {
namespace {

// A line and the checksum of the file with it are one read, one parse and one replacement
// of the work-order file: a fault that lets the first replacement through never strikes.
TEST_F(ResultsList, ALineAndItsChecksumAreOneReplacementOfTheFile) {
  auto task = Task();
  {
    platform::ScopedFileFault second({"WO_WO0001_HOST.txt", platform::kWriteReplace, EIO, 1});
    ASSERT_TRUE(task->WriteResultsList(1));
    EXPECT_EQ(platform::FileFaultStrikes(), 0u);
  }
  const std::string file = WorkOrder();
  EXPECT_NE(file.find("Checksum=d3b2\r\n"), std::string::npos);
  // The checksum is that of the file with the line and the checksum it had before.
  std::string withOldChecksum = file;
  withOldChecksum.erase(withOldChecksum.find("Checksum=d3b2\r\n"), 15);
  EXPECT_EQ(CSlotTestTask::ChecksumOfText(withOldChecksum), 0xd3b2);
  // A list whose one replacement fails keeps the file as it was and notes the lost record.
  const std::string before = WorkOrder();
  task->m_StartTimeText = "2024/05/06_07:08:02";
  {
    platform::ScopedFileFault full({"WO_WO0001_HOST.txt", platform::kWriteReplace, ENOSPC});
    EXPECT_FALSE(task->WriteResultsList(1));
  }
  EXPECT_EQ(WorkOrder(), before);
  EXPECT_TRUE(task->m_pDevice->RecordsFailed());
}

TEST(FileChecksum, OfATextIsThatOfTheSameFile) {
  testsupport::ScratchStation station;
  const std::string text = "[Base Info]\r\nWorkOrder=WO1\r\n\r\n// note\r\n[Results List]\nkey=value";
  station.WriteFile("wo.txt", text);
  EXPECT_EQ(CSlotTestTask::ComputeFileChecksum("wo.txt"), std::optional<std::uint16_t>(CSlotTestTask::ChecksumOfText(text)));
  EXPECT_EQ(CSlotTestTask::ChecksumOfText(""), 0xFFFF);
}

}  // namespace
}  // namespace runtest
