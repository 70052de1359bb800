#pragma once
// One station flow run on its own on the simulated station: a task of the port with its engine
// object, the slot showing "Testing", then the flow; and what a passed or failed flow leaves
// (status cell, port state, result text, progress bar, slot report, block-information
// records); a drive whose volume can be locked.
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "run/BlockInfoFile.h"
#include "run/RunFixture.h"
#include "support/DriveProfiles.h"
#include "support/FakeVolumes.h"

namespace runtest {

inline constexpr char kToolSettings[] = ".\\Configuration\\System\\MPToolSetting.ini";
inline constexpr char kParam[] = ".\\param.ini";
inline constexpr char kParamFdb[] = ".\\paramFDB.ini";
inline constexpr char kFlashInfo[] = ".\\Configuration\\System\\FlashInfo.ini";

using testsupport::FakeVolumes;
using testsupport::OnBurner;
using testsupport::OnMpFirmwareAfterMp;
using testsupport::OnRdtFirmware;
using testsupport::VolumeTransport;

// Drive 1 seen as a block device with one mounted volume: the block device VolumeTransport
// names and the mount table of FakeVolumes.
inline constexpr char kDriveBlockDevice[] = "/dev/simdrive";
inline std::shared_ptr<FakeVolumes> DriveVolume() { return FakeVolumes::Mounted({{"/dev/simdrive1", "/media/slot1"}}); }

class FlowTest : public RunTest {
 public:
  using Flow = std::uint8_t (CSlotTestTask::*)();

 protected:
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
  // A failure of the flow as the slot shows it: the tag in the task and the result text, the
  // tag's code (with the message's bracketed part) in the red cell and the message under it,
  // the fail record of `recordedTag` (the tag itself unless the flow shows one of its own over
  // its check's record), no "END", and the bar where the flow left it.
  void ExpectFailedAt(const std::string& tag, const std::string& message, int progress,
                      const std::string& recordedTag = "") {
    EXPECT_EQ(ResultText(1), tag);
    EXPECT_EQ(task->ErrorTag(), tag);
    EXPECT_EQ(PortStateOf(1), kPortFail);
    EXPECT_EQ(Cell(1).GetBkColor(), ui::RGB(255, 0, 0));
    EXPECT_EQ(std::string(Cell(1).GetSubText()), message);
    const std::size_t open = message.find('[');
    const std::size_t close = message.find(']', open == std::string::npos ? 0 : open);
    const std::string bracket =
        open == std::string::npos || close == std::string::npos ? "" : "*" + message.substr(open, close - open + 1);
    EXPECT_EQ(Cell(1).GetWindowText(), CMPDevice::ErrorTagToCode(tag) + bracket);
    const std::string recorded = recordedTag.empty() ? tag : recordedTag;
    EXPECT_TRUE(ReportHas("Error Tag  : " + recorded + "\r\nError Code : " + CMPDevice::ErrorTagToCode(recorded)))
        << Report(1);
    if (recordedTag.empty()) {
      EXPECT_TRUE(ReportHas("Message    : " + message + "\r\n")) << Report(1);
    }
    EXPECT_FALSE(ReportHas("END        :"));
    EXPECT_EQ(page.bars[0].GetPos(), progress);
  }
  // The texts appear in the port's report in this order.
  void ExpectReportInOrder(const std::vector<std::string>& texts, int port = 1) const {
    const std::string report = Report(port);
    std::size_t at = 0;
    for (const std::string& text : texts) {
      at = report.find(text, at);
      ASSERT_NE(at, std::string::npos) << text << "\n" << report;
      at += text.size();
    }
  }
  // Bridge mode: the drives reached through the listing, no tester commands.
  void UseBridgeMode() {
    g_U2AMode = 1;
    g_RootDevice.request = kListRequest;
    ListTvDevice(&g_RootDevice);
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
