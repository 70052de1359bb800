#pragma once
// One station flow run on its own on the simulated station: a task of the port with its engine
// object, the slot showing "Testing", then the flow; and what a passed or failed flow leaves
// (status cell, port state, result text, slot report, block-information records).
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "run/BlockInfoFile.h"
#include "run/RunFixture.h"

namespace runtest {

inline constexpr char kToolSettings[] = ".\\Configuration\\System\\MPToolSetting.ini";
inline constexpr char kParam[] = ".\\param.ini";
inline constexpr char kParamFdb[] = ".\\paramFDB.ini";
inline constexpr char kFlashInfo[] = ".\\Configuration\\System\\FlashInfo.ini";

// Drives on the burner code, on the MP firmware from flash with the info block of an earlier
// MP, and on the RDT firmware whose test has finished.
inline sim::DriveProfile OnBurner() {
  sim::DriveProfile profile;
  profile.startOnBurner = true;
  return profile;
}
inline sim::DriveProfile OnMpFirmware() {
  sim::DriveProfile profile;
  profile.flashFirmware = sim::FlashFirmware::Mp;
  profile.infoBlockWritten = true;
  profile.goodMark = 0x01;
  return profile;
}
inline sim::DriveProfile OnRdtFirmware() {
  sim::DriveProfile profile;
  profile.flashFirmware = sim::FlashFirmware::Rdt;
  profile.rdt.state = sim::RdtState::Done;
  return profile;
}

class FlowTest : public RunTest {
 protected:
  using Flow = std::uint8_t (CSlotTestTask::*)();

  std::uint8_t RunFlowOf(Flow flow, int kind, int port = 1) {
    task.reset(NewTask(port, kind));
    EXPECT_TRUE(task->MakeDevice(nullptr));
    if (beforeFlow) beforeFlow(*task->m_pDevice);
    task->SetSlotStatus(kSlotTesting, "Testing", "");
    return (task.get()->*flow)();
  }
  bool ReportHas(const std::string& text, int port = 1) const { return Report(port).find(text) != std::string::npos; }
  void SetSlotLayout(int slots) { SetKey(kToolSettings, "General Info", "SlotNumber", std::to_string(slots)); }
  // The tags of the port's block-information records, each followed by ";".
  std::string BlockInfoTags(int port = 1) {
    std::string tags;
    for (const BlockInfoRecord& record : ReadBlockInfoRecords(BlockInfoFilePath(port))) {
      tags += std::string(record.tag, 4) + ";";
    }
    return tags;
  }
  void ExpectPassed(const std::string& passText, int state = kPortPass) {
    EXPECT_EQ(Cell(1).GetWindowText(), passText) << Report(1);
    EXPECT_EQ(PortStateOf(1), state);
    EXPECT_EQ(ResultText(1), "0_00");
    EXPECT_EQ(page.bars[0].GetPos(), 0);
    EXPECT_TRUE(ReportHas("Result     : PASS"));
  }
  // A failure of the flow: its tag in the task, the result text and the report's fail record,
  // the message under the tag in the cell, no "END".
  void ExpectFailed(const std::string& tag, const std::string& message) {
    EXPECT_EQ(ResultText(1), tag);
    EXPECT_EQ(task->ErrorTag(), tag);
    EXPECT_EQ(PortStateOf(1), kPortFail);
    EXPECT_EQ(std::string(Cell(1).GetSubText()), message);
    EXPECT_TRUE(ReportHas("Error Tag  : " + tag + "\r\nError Code : " + CMPDevice::ErrorTagToCode(tag) +
                          "\r\nMessage    : " + message + "\r\n"))
        << Report(1);
    EXPECT_FALSE(ReportHas("END        :"));
  }
  // An empty slot: waiting with the no-drive tag and an empty cell.
  void ExpectNoDrive() {
    EXPECT_EQ(ResultText(1), "P_A01");
    EXPECT_EQ(PortStateOf(1), kPortWaiting);
    EXPECT_EQ(Cell(1).GetWindowText(), "");
    EXPECT_FALSE(ReportHas("END        :"));
  }
  // Whether another thread could take the lock now.
  bool LockIsFree(std::size_t index);

  std::unique_ptr<TaskProbe> task;
  std::function<void(CMPDevice&)> beforeFlow;
};

inline bool FlowTest::LockIsFree(std::size_t index) {
  bool free = false;
  std::thread other([&] {
    free = page.locks[index].TryEnter();
    if (free) page.locks[index].Leave();
  });
  other.join();
  return free;
}

}  // namespace runtest
