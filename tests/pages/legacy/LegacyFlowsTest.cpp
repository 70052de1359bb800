// The legacy flows on the simulated station of 48 drives, headless at time scale 0: Initial
// with the drive-exchange phase (the operator pulls every drive and plugs the next in) and a
// drive pulled during its erase; QC whose exchange phase a press of Bad Block ends; Bad Block
// and Pretest over every slot; passes and cycles of TestLoop and TestInFinity; the checks of
// param.ini and the testers; and the guards: start keys ignored while a flow runs, a pool that
// cannot be made, a quit request during the wait.
#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "LegacyPageFixture.h"
#include "pages/legacy/LegacyGlobals.h"
#include "platform/Clock.h"
#include "sim/SimDrive.h"
#include "sim/SimStation.h"
#include "support/Waits.h"

namespace legacytest {
namespace {

constexpr ui::COLORREF kPassedGreen = ui::RGB(0, 128, 0);
constexpr ui::COLORREF kFailedRed = ui::RGB(255, 100, 100);
constexpr ui::COLORREF kReadyBlue = ui::RGB(0, 100, 255);

// 48 drives; slot 5's drive is pulled during its erase.
const std::string kPulledInSlotFive =
    "[Station]\r\nBoards=2\r\nSeed=3160\r\n[Board1]\r\nSlots=24\r\nSlot5=Pulled\r\n[Board2]\r\nSlots=24\r\n"
    "[Drive]\r\nCode=Boot\r\n[Pulled]\r\nFault1=Erase By Type,0,Pull\r\n";

// The suites run their passes on the pool's workers: their names end in "Threads".
class LegacyFlowsThreads : public LegacyPageTest {
 protected:
  explicit LegacyFlowsThreads(const std::string& scenario = kFortyEightDrives) : LegacyPageTest(scenario) {}
  ~LegacyFlowsThreads() override {
    g_ExchangePhase = 0;
    if (m_operator.joinable()) m_operator.join();
  }

  void SetStation(const char* name) {
    test.SetKey(".\\Configuration\\System\\MPToolSetting.ini", "General Info", "TestStation", name);
  }
  void SetDebug(const char* key, const char* value) { test.SetKey(kParam, "RD Debug", key, value); }
  sim::SimSlot& SimSlot(int slot) { return *test.sim.Station().SlotOfDrive(static_cast<int>(page.TesterDrive(slot))); }

  // The operator of the exchange phase: once the phase runs, pulls every drive, waits until
  // every slot shows its verdict colour and plugs the drives (a new one where none was left)
  // back in, powered.
  void ExchangeEveryDriveWhenAsked() {
    m_operator = std::thread([this] {
      if (!testsupport::WaitUntil([] { return g_ExchangePhase.load() == 1; })) return;
      std::vector<std::shared_ptr<sim::SimDrive>> drives(kSlotCount + 1);
      for (int slot = 1; slot <= kSlotCount; ++slot) {
        sim::SimSlot& simSlot = SimSlot(slot);
        std::lock_guard<std::mutex> guard(simSlot.Lock());
        drives[static_cast<std::size_t>(slot)] = simSlot.Drive();
        simSlot.Pull();
      }
      const bool painted = testsupport::WaitUntil([this] {
        for (int slot = 1; slot <= kSlotCount; ++slot) {
          const ui::COLORREF background = page.SlotBox(slot).GetBkColor();
          if (background != kPassedGreen && background != kFailedRed) return false;
        }
        return true;
      });
      m_verdictsPainted = painted;
      for (int slot = 1; slot <= kSlotCount; ++slot) {
        std::shared_ptr<sim::SimDrive>& drive = drives[static_cast<std::size_t>(slot)];
        if (!drive) drive = std::make_shared<sim::SimDrive>(sim::DriveProfile{}, "NEWDRIVE" + std::to_string(slot));
        sim::SimSlot& simSlot = SimSlot(slot);
        std::lock_guard<std::mutex> guard(simSlot.Lock());
        simSlot.Insert(drive);
        simSlot.SetPower(true);
      }
    });
  }
  // Presses Bad Block on the page's thread once the exchange phase runs.
  void PressBadBlockDuringTheExchangePhase() {
    m_operator = std::thread([this] {
      if (!testsupport::WaitUntil([] { return g_ExchangePhase.load() == 1; })) return;
      test.dispatcher.Post([this] {
        m_exchangeSeen = true;
        page.FlowButton(ids::kBadBlock).Click();
      });
    });
  }
  void ExpectIdleEnd() {
    EXPECT_FALSE(page.FlowRunning());
    EXPECT_EQ(g_IsTesting.load(), 0);
    EXPECT_EQ(g_ExchangePhase.load(), 0);
    for (int id : {ids::kBadBlock, ids::kPretest, ids::kQc, ids::kInitial, ids::kReloadParam, ids::kClearRecord}) {
      EXPECT_TRUE(page.FlowButton(id).IsWindowEnabled()) << id;
    }
    EXPECT_TRUE(page.ParameterFileList().IsWindowEnabled() || page.LockCheck().GetCheck() == ui::BST_CHECKED);
  }

  std::thread m_operator;
  std::atomic<bool> m_verdictsPainted{false};
  bool m_exchangeSeen = false;
};

// Four drives: enough for the tests of passes and cycles, which run tester detection and a
// pool at every pass.
class FourDriveFlowsThreads : public LegacyFlowsThreads {
 protected:
  FourDriveFlowsThreads()
      : LegacyFlowsThreads("[Station]\r\nBoards=1\r\n[Board1]\r\nSlots=4\r\n[Drive]\r\nCode=Boot\r\n") {}
};

class PulledDriveFlowsThreads : public LegacyFlowsThreads {
 protected:
  PulledDriveFlowsThreads() : LegacyFlowsThreads(kPulledInSlotFive) {}
};

TEST_F(PulledDriveFlowsThreads, InitialErasesFortyEightDrivesThenExchangesThem) {
  Open();
  ExchangeEveryDriveWhenAsked();
  KeyUp(kF4);
  m_operator.join();
  EXPECT_TRUE(m_verdictsPainted.load());
  EXPECT_EQ(page.PassesRun(), 1);
  EXPECT_EQ(page.ExchangePhasesRun(), 1);

  // The pass: 47 passed, slot 5 failed with the tag of its pulled drive.
  const std::string pulledTag = page.ResultText(5);
  EXPECT_EQ(pulledTag.size(), 5u) << pulledTag;
  EXPECT_NE(pulledTag, "0_00");
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    if (slot == 5) continue;
    EXPECT_EQ(page.ResultText(slot), "0_00") << slot;
  }
  EXPECT_EQ(PortStateOf(5), kPortFail);
  EXPECT_EQ(PortStateOf(48), kPortPass);
  EXPECT_EQ(Key("Total_Init.log", "Total Results", "Total"), "48");
  EXPECT_EQ(Key("Total_Init.log", "Total Results", "Good"), "47");
  EXPECT_EQ(Key("Total_Init.log", "Total Results", "Bad"), "1");
  EXPECT_EQ(Key("Total_Init.log", "General Info", "SlotNumber"), "48");
  EXPECT_EQ(Key("_Summary.log", "Results", "Pass"), "47");
  EXPECT_EQ(Key("_Summary.log", "Results", "TotalErrorCount"), "1");
  EXPECT_EQ(Key("_Summary.log", "ErrorList", pulledTag.c_str()), "1");
  EXPECT_EQ(page.CountText(ids::kTotalCount), "48");
  EXPECT_EQ(page.CountText(ids::kBadCount), "1");

  // The exchange phase: every slot shows it is ready for the next pass.
  for (int slot : {1, 5, 24, 25, 48}) {
    EXPECT_EQ(page.SlotBox(slot).GetBkColor(), kReadyBlue) << slot;
    EXPECT_EQ(page.SlotBox(slot).GetWindowText(), " " + std::to_string(slot) + " ");
    EXPECT_EQ(page.SlotProgress(slot).GetPos(), 0);
  }
  EXPECT_EQ(page.FlowButton(ids::kInitial).GetWindowText(), "Initial");
  EXPECT_EQ(page.FlowButton(ids::kInitial).GetImage().icon, 150);
  ExpectIdleEnd();
  EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(LegacyFlowsThreads, AFlowButtonEndsTheExchangePhaseOfQcWithoutStartingAFlow) {
  Open();
  page.SelectSlot(3, false);
  PressBadBlockDuringTheExchangePhase();
  KeyUp(kF8);
  m_operator.join();
  EXPECT_TRUE(m_exchangeSeen);
  EXPECT_EQ(page.PassesRun(), 1);
  EXPECT_EQ(page.ExchangePhasesRun(), 1);
  // The unselected slot was not tested; the other 47 were, whatever the QC flow found.
  EXPECT_EQ(page.ResultText(3), "H_F8");
  EXPECT_EQ(PortStateOf(3), kPortIdle);
  for (int slot : {1, 2, 4, 30, 48}) EXPECT_NE(page.ResultText(slot), "H_F8") << slot;
  EXPECT_EQ(Key("Total_QC.log", "Total Results", "Total"), "47");
  // QC's button is restored by its flow, the pressed button by its own press.
  EXPECT_EQ(page.FlowButton(ids::kQc).GetWindowText(), "QC");
  EXPECT_EQ(page.FlowButton(ids::kQc).GetImage().icon, 141);
  EXPECT_EQ(page.FlowButton(ids::kBadBlock).GetWindowText(), "Bad Block");
  ExpectIdleEnd();
}

TEST_F(LegacyFlowsThreads, BadBlockTestsEverySlotWithADriveAndShowsThePassTime) {
  Open();
  page.SelectSlot(3, false);
  // The pass lasts 62 min 5 s by the tick source, which moves on while the pass waits for its
  // tasks (a message served meanwhile), not with the machine's speed. The elapsed-time timer
  // would show "02:05": its minutes wrap at the hour.
  std::atomic<std::uint64_t> ticks{1000};
  platform::SetTickSource([&ticks] { return ticks.load(); });
  test.dispatcher.Post([&ticks] { ticks = 1000 + 3725 * 1000; });
  page.FlowButton(ids::kBadBlock).Click();
  platform::SetTickSource({});
  EXPECT_EQ(page.PassesRun(), 1);
  EXPECT_EQ(page.ExchangePhasesRun(), 0);
  // Kind 11 runs no station flow: each task shows its slot waiting and leaves "H_F8".
  for (int slot : {1, 3, 25, 48}) {
    EXPECT_EQ(PortStateOf(slot), kPortWaiting) << slot;
    EXPECT_EQ(page.ResultText(slot), "H_F8");
  }
  EXPECT_EQ(Key("Total_QC.log", "Total Results", "Total"), "0");
  EXPECT_EQ(Key("Total_QC.log", "General Info", "MPVersion"), "2.0a");
  EXPECT_EQ(page.TimeButton().GetWindowText(), "62:05");
  ExpectIdleEnd();
}

TEST_F(FourDriveFlowsThreads, PretestRunsTheTestLoopPassesWithTheirLogsAndNoExchange) {
  SetStation("RDTResult");
  SetDebug("TestLoop", "2");
  Open();
  page.FlowButton(ids::kPretest).Click();
  EXPECT_EQ(page.PassesRun(), 2);
  EXPECT_EQ(page.ExchangePhasesRun(), 0);
  const int total = std::stoi(Key("Total_QC.log", "Total Results", "Total"));
  EXPECT_EQ(total, 8);
  EXPECT_EQ(std::stoi(Key("Total_QC.log", "Total Results", "Good")) +
                std::stoi(Key("Total_QC.log", "Total Results", "Bad")),
            8);
  ExpectIdleEnd();
}

TEST_F(FourDriveFlowsThreads, QcWithTestLoopThreeRunsThreePassesAndNoExchangePhase) {
  SetDebug("TestLoop", "3");
  Open();
  KeyUp(kF8);
  EXPECT_EQ(page.PassesRun(), 3);
  EXPECT_EQ(page.ExchangePhasesRun(), 0);
  EXPECT_EQ(Key("Total_QC.log", "Total Results", "Total"), "12");
  ExpectIdleEnd();
}

TEST_F(FourDriveFlowsThreads, InfiniteCyclesEndWhenAFailingTaskStopsTheRun) {
  SetDebug("TestInFinity", "1");
  SetDebug("StopIfFail", "1");
  SetStation("RDTResult");
  Open();
  page.FlowButton(ids::kPretest).Click();  // every RDT result flow fails here
  EXPECT_EQ(page.PassesRun(), 1);
  EXPECT_EQ(g_StopAll.load(), 1);
  ExpectIdleEnd();
}

TEST_F(LegacyFlowsThreads, TestLoopZeroRunsNoPassAndANegativeCountIsNoCount) {
  Open();
  for (const char* count : {"0", "-2"}) {
    SetDebug("TestLoop", count);
    KeyUp(kF4);
    EXPECT_EQ(page.PassesRun(), 0) << count;
    ExpectIdleEnd();
  }
  EXPECT_TRUE(Key("Total_Init.log", "Total Results", "Total") == "<none>");
}

TEST_F(LegacyFlowsThreads, TheLoopBoxWithNoSlotToTestEndsTheFlow) {
  Open();
  for (int slot = 1; slot <= kSlotCount; ++slot) page.SelectSlot(slot, false);
  page.LoopCheck().SetCheck(ui::BST_CHECKED);
  KeyUp(kF8);
  EXPECT_EQ(page.PassesRun(), 0);
  ExpectIdleEnd();
}

TEST_F(LegacyFlowsThreads, StartKeysAreIgnoredWhileAPassRuns) {
  Open();
  // Delivered while the Bad Block pass waits for its tasks.
  test.dispatcher.Post([this] {
    KeyUp(kF8);
    KeyUp(kF4);
  });
  page.FlowButton(ids::kBadBlock).Click();
  EXPECT_EQ(page.PassesRun(), 1);
  EXPECT_EQ(Key("Total_Init.log", "Total Results", "Total"), "<none>");
  ExpectIdleEnd();
}

TEST_F(LegacyFlowsThreads, APoolThatCannotBeMadeEndsTheFlowWithTheSlotsIdle) {
  Open();
  page.FailNextPoolCreation();
  page.FlowButton(ids::kBadBlock).Click();
  EXPECT_EQ(page.PassesRun(), 0);
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_EQ(MessageTexts()[0], "The worker pool of the pass cannot be made.");
  for (int slot : {1, 48}) {
    EXPECT_EQ(PortStateOf(slot), kPortIdle);
    EXPECT_EQ(page.SlotState(slot), kPortIdle);
    EXPECT_EQ(page.SlotBox(slot).GetWindowText(), " " + std::to_string(slot) + " ");
  }
  ExpectIdleEnd();
}

TEST_F(FourDriveFlowsThreads, AQuitDuringTheWaitLetsThePassEndAndStaysPending) {
  SetDebug("TestLoop", "3");
  Open();
  test.dispatcher.Post([this] { test.dispatcher.PostQuit(7); });
  KeyUp(kF8);
  EXPECT_EQ(page.PassesRun(), 1);
  // The pass ran to its end and was logged; the quit is still there for the program's loop.
  EXPECT_EQ(Key("Total_QC.log", "Total Results", "Total"), "4");
  EXPECT_TRUE(test.dispatcher.QuitRequested());
  EXPECT_EQ(test.dispatcher.ExitCode(), 7);
  ExpectIdleEnd();
}

TEST_F(LegacyFlowsThreads, ParamIniAndControllerTypeAreCheckedFirst) {
  Open();
  test.SetKey(kParam, "Device Info", "ControllerType", " XX3160 ");
  KeyUp(kF4);
  ASSERT_EQ(MessageTexts().size(), 1u);
  EXPECT_EQ(MessageTexts()[0], "[Device Info]\r\nControllerType=XX3160\r\non param.ini file NOT correctly !!!");
  // A lower-case name with a variant letter is the supported controller.
  test.SetKey(kParam, "Device Info", "ControllerType", "tv3160L");
  SetDebug("TestLoop", "0");
  KeyUp(kF4);
  EXPECT_EQ(MessageTexts().size(), 1u);
  test.station.WriteFile("param.ini", "");
  std::filesystem::remove(test.station.Folder() / "param.ini");
  platform::FlushProfileCache();
  page.FlowButton(ids::kBadBlock).Click();
  ASSERT_EQ(MessageTexts().size(), 2u);
  EXPECT_EQ(MessageTexts()[1], "Don't found param.ini file !!!");
  EXPECT_EQ(page.PassesRun(), 0);
  EXPECT_FALSE(page.FlowRunning());
}

class OutdatedTestersThreads : public LegacyFlowsThreads {
 protected:
  OutdatedTestersThreads()
      : LegacyFlowsThreads(
            "[Station]\r\nBoards=1\r\n[Board1]\r\nSlots=4\r\nSlot2=Deaf\r\nSlot4=Deaf\r\n[Drive]\r\nCode=Boot\r\n"
            "[Deaf]\r\nFault1=Read Tester USB Page,0,Timeout,times=0\r\n") {}
};

TEST_F(OutdatedTestersThreads, EachTesterThatNeedsNewFirmwareGetsAMessageAndNoPassRuns) {
  Open();
  page.FlowButton(ids::kBadBlock).Click();
  const std::vector<std::string> texts = MessageTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], "Error: T_x08 !\nTesters_2, need update new firmware after V3.09\n");
  EXPECT_EQ(texts[1], "Error: T_x08 !\nTesters_4, need update new firmware after V3.09\n");
  EXPECT_EQ(page.PassesRun(), 0);
  ExpectIdleEnd();
}

}  // namespace
}  // namespace legacytest
