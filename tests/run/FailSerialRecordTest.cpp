// The fail-serial record: the running number and its wrap, the mapping entry and the cell's
// key, the upload queue copied to the server log when the server drive is reachable, entries
// kept while it is not or while their mapping is missing, and the server drive setting.
#include "run/RunFixture.h"

namespace runtest {
namespace {

constexpr char kRecord[] = ".\\WO1_PC\\F1_FailSNRecord.log";

class FailSerialRecord : public RunTest {
 protected:
  std::unique_ptr<TaskProbe> Task(int kind = kTaskInit) {
    std::unique_ptr<TaskProbe> task(NewTask(3, kind));
    EXPECT_TRUE(task->MakeDevice(nullptr));
    task->m_pDevice->m_DriveSerial = "SIMSERIAL3";
    task->m_pDevice->m_ErrorTag = "F_E03";
    return task;
  }
  // The server drive P: cannot hold a folder.
  void ServerUnreachable() { station.WriteFile("drives/p", "not a folder"); }
  std::string RecordText() const { return station.ReadFile("WO1_PC/F1_FailSNRecord.log"); }
};

TEST_F(FailSerialRecord, TheFirstFailureIsNumberZeroAndWaitsWhileTheServerIsAway) {
  ServerUnreachable();
  Cell(3).SetWindowText("0x301 ");
  Task()->RecordFailSerial();
  EXPECT_EQ(RecordText(),
            "[Serial Number]\r\nLast Serial Number=0001\r\n"
            "[Fail_SN_Mapping_Table]\r\n0000xxxx=SIMSERIAL3,F_E03\r\n"
            "[WaitForUpload]\r\nWait_0000=0000xxxx\r\n");
  EXPECT_EQ(Cell(3).GetWindowText(), "0x301*0000xxxx");
  EXPECT_EQ(Cell(3).GetBkColor(), ui::RGB(255, 0, 0));
  // The next failure takes the next number and the next queue entry.
  Task()->RecordFailSerial();
  EXPECT_EQ(platform::ReadProfileString(kRecord, "Serial Number", "Last Serial Number", ""), "0002");
  EXPECT_EQ(platform::ReadProfileString(kRecord, "WaitForUpload", "Wait_0001", ""), "0001xxxx");
}

TEST_F(FailSerialRecord, AReachableServerTakesTheQueueAndEmptiesIt) {
  Task()->RecordFailSerial();
  EXPECT_EQ(station.ReadFile("drives/p/FailSNLog/WO0001_HOST_F1.log"),
            "[Fail_SN_Mapping_Table]\r\n0000xxxx=SIMSERIAL3,F_E03\r\n");
  EXPECT_TRUE(platform::ReadProfileKeys(kRecord, "WaitForUpload").empty());
  EXPECT_EQ(platform::ReadProfileString(kRecord, "Fail_SN_Mapping_Table", "0000xxxx", ""), "SIMSERIAL3,F_E03");
}

TEST_F(FailSerialRecord, EntriesWaitingFromAnEarlierCallAreUploadedAndUnmappedOnesKept) {
  ServerUnreachable();
  Task()->RecordFailSerial();
  SetKey(kRecord, "WaitForUpload", "Wait_0005", "GONE1234");
  std::filesystem::remove(station.Folder() / "drives" / "p");
  g_WorkingNo.Set("WO9");
  Task()->RecordFailSerial();
  EXPECT_EQ(station.ReadFile("drives/p/FailSNLog/WO9_HOST_F1.log"),
            "[Fail_SN_Mapping_Table]\r\n0000xxxx=SIMSERIAL3,F_E03\r\n0001xxxx=SIMSERIAL3,F_E03\r\n");
  // An entry without a mapping stays queued instead of being lost.
  EXPECT_EQ(platform::ReadProfileKeys(kRecord, "WaitForUpload"), std::vector<std::string>{"Wait_0005"});
}

TEST_F(FailSerialRecord, TheRunningNumberWrapsAfter9999) {
  ServerUnreachable();
  station.WriteFile("WO1_PC/F1_FailSNRecord.log", "[Serial Number]\r\nLast Serial Number= 9999 \r\n");
  Task()->RecordFailSerial();
  EXPECT_EQ(platform::ReadProfileString(kRecord, "Fail_SN_Mapping_Table", "9999xxxx", ""), "SIMSERIAL3,F_E03");
  EXPECT_EQ(platform::ReadProfileString(kRecord, "Serial Number", "Last Serial Number", ""), "0000");
}

TEST_F(FailSerialRecord, TheKeyEndsWithTheIdentifierAndTheServerDriveIsChosenByItsSetting) {
  SetKey(".\\param.ini", "Options", "SetServerPath", " Q ");
  auto task = Task(kTaskQC);
  task->m_pDevice->m_IdentifierText = "ABCDEFGH12=4";
  task->m_pDevice->m_DriveSerial = "SN\r\n1";
  task->RecordFailSerial();
  EXPECT_EQ(station.ReadFile("drives/q/FailSNLog/WO0001_HOST_QC.log"),
            "[Fail_SN_Mapping_Table]\r\n000012_4=SN__1,F_E03\r\n");
  EXPECT_FALSE(std::filesystem::exists(station.Folder() / "drives" / "p"));
  EXPECT_TRUE(std::filesystem::exists(station.Folder() / "WO1_PC" / "QC_FailSNRecord.log"));
}

TEST_F(FailSerialRecord, OtherKindsHaveNoPrefix) {
  Task(kTaskRDTResult)->RecordFailSerial();
  EXPECT_TRUE(std::filesystem::exists(station.Folder() / "WO1_PC" / "_FailSNRecord.log"));
  EXPECT_EQ(station.ReadFile("drives/p/FailSNLog/WO0001_HOST_.log"),
            "[Fail_SN_Mapping_Table]\r\n0000xxxx=SIMSERIAL3,F_E03\r\n");
}

}  // namespace
}  // namespace runtest
