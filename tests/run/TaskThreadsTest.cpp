// Slot tasks on worker threads: 24 slots ending at once through the pool, the auto-detect
// path that tests each newly inserted drive, and the drive-exchange path. These suites run
// under ThreadSanitizer.
#include <cerrno>
#include <algorithm>
#include <set>
#include <thread>

#include "platform/FileFaults.h"
#include "run/RunFixture.h"
#include "run/VerdictRecords.h"
#include "support/Waits.h"

namespace runtest {
namespace {

using testsupport::WaitUntil;

class TaskThreads : public RunTest {
 protected:
  // Ends the worker's loop as its test does (auto-detect unticked, the exchange phase over) and
  // waits for it, so that a wait that failed ends its test cleanly.
  void TearDown() override {
    page.autoDetect.SetCheck(ui::BST_UNCHECKED);
    g_ExchangePhase = 0;
    if (worker.joinable()) worker.join();
    RunTest::TearDown();
  }
  void PullDrive(unsigned slot) {
    std::lock_guard<std::mutex> guard(Slot(slot).Lock());
    Slot(slot).Pull();
  }
  // The operator inserts a drive into a slot that the last round powered off; the board
  // powers the slot for the drive plugged in.
  void InsertDrive(unsigned slot, const std::string& serial) {
    std::lock_guard<std::mutex> guard(Slot(slot).Lock());
    Slot(slot).Insert(std::make_shared<sim::SimDrive>(sim::DriveProfile{}, serial));
  }

  std::thread worker;  // the slot task of the test, on a thread of its own
};

TEST_F(TaskThreads, TwentyFourSlotsEndingAtOnceLoseNoLineAndWriteTheCsvHeaderOnce) {
  Install(sim::DriveProfile{}, 24);
  SetStation("MP");
  station.WriteFile("WO_1.txt", "[Base Info]\r\nWorkOrder=WO0001\r\n");
  g_WorkOrderFilePath.Set("S:\\WO_1.txt");
  g_WorkFolder.Set("S:\\");
  CWorkerPool pool;
  ASSERT_TRUE(pool.Create(kPortCount, nullptr));
  // OnlyDoISP chooses the firmware upgrade, which needs code from flash: every drive on its boot
  // code fails at its first check, all at about the same moment.
  SetKey(".\\param.ini", "Options", "OnlyDoISP", "1");
  for (int port = 1; port <= kPortCount; ++port) ASSERT_TRUE(pool.Post(NewTask<CSlotTestTask>(port)));
  pool.Shutdown();

  const std::vector<std::string> keys = platform::ReadProfileKeys("S:\\WO_1.txt", "Results List");
  EXPECT_EQ(keys.size(), static_cast<std::size_t>(kPortCount));
  std::set<std::string> ports;
  for (const std::string& key : keys) ports.insert(key.substr(key.size() - 3));
  EXPECT_EQ(ports.size(), static_cast<std::size_t>(kPortCount));
  // Each slot refreshed the checksum after its line (its value is checked byte for byte in
  // the results-list tests).
  const std::string checksum = platform::ReadProfileString("S:\\WO_1.txt", "Base Info", "Checksum", "");
  EXPECT_EQ(checksum.size(), 4u);
  EXPECT_EQ(checksum.find_first_not_of("0123456789abcdef"), std::string::npos);

  const std::string csv = station.ReadFile("MPTestSummary/Summary.csv");
  EXPECT_EQ(csv.find("Date,Cap,SN,TestResult\n"), 0u);
  EXPECT_EQ(csv.find("Date,Cap,SN,TestResult\n", 1), std::string::npos);
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), kPortCount + 1);
  for (int port = 1; port <= kPortCount; ++port) {
    EXPECT_EQ(PortStateOf(port), kPortFail) << port;
    EXPECT_EQ(ResultText(port), "I_x67") << port;
  }
}

TEST_F(TaskThreads, TwentyFourErasesRunTogetherAndPass) {
  Install(sim::DriveProfile{}, 24);
  CWorkerPool pool;
  ASSERT_TRUE(pool.Create(kPortCount, nullptr));
  for (int port = 1; port <= kPortCount; ++port) ASSERT_TRUE(pool.Post(NewTask<CSlotTestTask>(port)));
  pool.Shutdown();
  for (int port = 1; port <= kPortCount; ++port) {
    EXPECT_EQ(PortStateOf(port), kPortPass) << port;
    EXPECT_EQ(ResultText(port), "0_00") << port;
    EXPECT_EQ(Cell(port).GetWindowText(), "Pass") << port;
    EXPECT_FALSE(Slot(static_cast<unsigned>(port)).SlotPowered()) << port;
  }
}

// A task whose flow counts its rounds and fails its second one.
class RoundTask : public TaskProbe {
 public:
  using TaskProbe::TaskProbe;
  static inline std::atomic<int> rounds{0};
  std::uint8_t RunEraseAllFlow() override {
    const int round = ++rounds;
    if (round == 2) {
      m_pDevice->m_ErrorTag = "F_E03";
      m_pDevice->m_ErrorMessage = "Erase fail";
      m_pDevice->m_SerialNumber = "SECOND";
      return FailOut();
    }
    m_pDevice->m_SerialNumber = "FIRST";
    SetSlotStatus(kSlotPass, "Pass", "");
    return 1;
  }
};

TEST_F(TaskThreads, AutoDetectTestsEveryNewlyInsertedDriveOnceAndLogsIt) {
  RoundTask::rounds = 0;
  page.autoDetect.SetCheck(ui::BST_CHECKED);
  RoundTask* task = NewTask<RoundTask>(1);
  worker = std::thread([task] { task->Run(0); });

  ASSERT_TRUE(WaitUntil([] { return RoundTask::rounds.load() == 1; }));
  ASSERT_TRUE(WaitUntil([] {
    return platform::ReadProfileInt(".\\WO1_PC\\Total_Init.log", "Total Results", "Good", 0) == 1;
  }));
  // The pass is shown once its logs are written.
  ASSERT_TRUE(WaitUntil([this] { return page.resultCodes[0].load() == kPortResultShown; }));
  // The tested drive stays in its slot: the task keeps polling but tests it no more.
  const unsigned calls = Slot(1).Faults().Calls();
  ASSERT_TRUE(WaitUntil([&] { return Slot(1).Faults().Calls() > calls + 10; }));
  EXPECT_EQ(RoundTask::rounds.load(), 1);

  PullDrive(1);
  ASSERT_TRUE(WaitUntil([] { return PortStateOf(1) == kPortWaiting; }));
  EXPECT_EQ(RoundTask::rounds.load(), 1);
  InsertDrive(1, "NEXT");
  ASSERT_TRUE(WaitUntil([] { return RoundTask::rounds.load() == 2; }));
  ASSERT_TRUE(WaitUntil([] {
    return platform::ReadProfileInt(".\\WO1_PC\\_Summary.log", "ErrorList", "F_E03", 0) == 1;
  }));
  page.autoDetect.SetCheck(ui::BST_UNCHECKED);
  worker.join();

  EXPECT_EQ(RoundTask::rounds.load(), 2);
  EXPECT_EQ(platform::ReadProfileInt(".\\WO1_PC\\Total_Init.log", "Total Results", "Total", 0), 2);
  EXPECT_EQ(platform::ReadProfileInt(".\\WO1_PC\\Total_Init.log", "Total Results", "Bad", 0), 1);
  EXPECT_EQ(platform::ReadProfileString(".\\WO1_PC\\Total_Init.log", "Serial Number", "Last Serial Number", ""),
            "FIRST");
  EXPECT_EQ(platform::ReadProfileKeys(".\\WO1_PC\\Error_Init.log", "Error List"),
            std::vector<std::string>{"[2024-05-06 07:08:09]   SlotNo:01   SN:SECOND"});
}

// The slot logs of an auto-detect round are written before the report's END: a round whose
// summary log cannot be written ends failed, its report never says PASS, and the total log
// counts it bad, not good, and still names the drive that passed before it as the last one.
TEST_F(TaskThreads, AnAutoDetectRoundWhoseSummaryLogIsLostIsCountedBadEverywhere) {
  RoundTask::rounds = 0;
  station.WriteFile("WO1_PC/Total_Init.log", "[Serial Number]\r\nLast Serial Number=EARLIER\r\n");
  page.autoDetect.SetCheck(ui::BST_CHECKED);
  platform::ScopedFileFault full({"_Summary.log", platform::kWriteReplace, ENOSPC});
  RoundTask* task = NewTask<RoundTask>(1);
  worker = std::thread([task] { task->Run(0); });
  ASSERT_TRUE(WaitUntil([] { return RoundTask::rounds.load() == 1; }));
  ASSERT_TRUE(WaitUntil([] {
    return platform::ReadProfileInt(".\\WO1_PC\\Total_Init.log", "Total Results", "Bad", 0) == 1;
  }));
  page.autoDetect.SetCheck(ui::BST_UNCHECKED);
  worker.join();
  EXPECT_EQ(ResultText(1), "A_W01");
  EXPECT_EQ(platform::ReadProfileInt(".\\WO1_PC\\Total_Init.log", "Total Results", "Total", 0), 1);
  EXPECT_EQ(platform::ReadProfileInt(".\\WO1_PC\\Total_Init.log", "Total Results", "Good", 0), 0);
  EXPECT_EQ(Report(1).find("Result     : PASS"), std::string::npos) << Report(1);
  EXPECT_NE(Report(1).find("Error Tag  : A_W01\r\n"), std::string::npos) << Report(1);
  EXPECT_EQ(platform::ReadProfileKeys(".\\WO1_PC\\Error_Init.log", "Error List").size(), 1u);
  EXPECT_EQ(platform::ReadProfileString(".\\WO1_PC\\Total_Init.log", "Serial Number", "Last Serial Number", ""),
            "EARLIER");
}

// A total log that named no drive before a pass that is taken back names none after it.
TEST_F(TaskThreads, APassTakenBackLeavesNoLastSerialNumberWhereThereWasNone) {
  RoundTask::rounds = 0;
  page.autoDetect.SetCheck(ui::BST_CHECKED);
  platform::ScopedFileFault full({"_Summary.log", platform::kWriteReplace, ENOSPC});
  RoundTask* task = NewTask<RoundTask>(1);
  worker = std::thread([task] { task->Run(0); });
  ASSERT_TRUE(WaitUntil([] {
    return platform::ReadProfileInt(".\\WO1_PC\\Total_Init.log", "Total Results", "Bad", 0) == 1;
  }));
  page.autoDetect.SetCheck(ui::BST_UNCHECKED);
  worker.join();
  EXPECT_EQ(platform::ReadProfileKeyLine(".\\WO1_PC\\Total_Init.log", "Serial Number", "Last Serial Number"), 0u);
}

// The total log's take-back refused as well: it is owed beside the summary log's count, and
// both are written once the disk takes them.
TEST_F(TaskThreads, ATotalLogTakeBackTheDiskRefusedIsWrittenOnceItCanBe) {
  RoundTask::rounds = 0;
  station.WriteFile("WO1_PC/Total_Init.log", "[Serial Number]\r\nLast Serial Number=EARLIER\r\n");
  page.autoDetect.SetCheck(ui::BST_CHECKED);
  platform::ScopedFileFault full({"_Summary.log", platform::kWriteReplace, ENOSPC});
  platform::ArmFileFault({"Total_Init.log", platform::kWriteReplace, ENOSPC, 1, 1});
  RoundTask* task = NewTask<RoundTask>(1);
  worker = std::thread([task] { task->Run(0); });
  ASSERT_TRUE(WaitUntil([this] { return ResultText(1) == "A_W01"; }));
  page.autoDetect.SetCheck(ui::BST_UNCHECKED);
  worker.join();
  EXPECT_EQ(OwedTakeBackLines().size(), 2u);
  platform::DisarmFileFaults();
  EXPECT_TRUE(WriteOwedTakeBacks());
  EXPECT_EQ(platform::ReadProfileInt(".\\WO1_PC\\_Summary.log", "ErrorList", "A_W01", 0), 1);
  EXPECT_EQ(platform::ReadProfileInt(".\\WO1_PC\\Total_Init.log", "Total Results", "Good", 0), 0);
  EXPECT_EQ(platform::ReadProfileInt(".\\WO1_PC\\Total_Init.log", "Total Results", "Bad", 0), 1);
  EXPECT_EQ(platform::ReadProfileString(".\\WO1_PC\\Total_Init.log", "Serial Number", "Last Serial Number", ""),
            "EARLIER");
}

TEST_F(TaskThreads, AutoDetectWithoutAFlowLeavesTheSlotIdleAndLogsNothing) {
  page.autoDetect.SetCheck(ui::BST_CHECKED);
  page.resultTexts[0].Set("H_F8");
  TaskProbe* task = NewTask(1, kTaskBadBlock);
  worker = std::thread([task] { task->Run(0); });
  ASSERT_TRUE(WaitUntil([this] { return page.resultCodes[0].load() == kPortResultAutoRound; }));
  const unsigned calls = Slot(1).Faults().Calls();
  ASSERT_TRUE(WaitUntil([&] { return Slot(1).Faults().Calls() > calls + 10; }));
  page.autoDetect.SetCheck(ui::BST_UNCHECKED);
  worker.join();
  EXPECT_EQ(PortStateOf(1), kPortWaiting);
  EXPECT_EQ(ResultText(1), "H_F8");
  EXPECT_FALSE(platform::FileExists(".\\WO1_PC\\Total_Debug.log"));
  EXPECT_FALSE(platform::FileExists(".\\WO1_PC\\_Summary.log"));
}

TEST_F(TaskThreads, TheExchangeRoundShowsTheVerdictOnRemovalAndTheReadySlotOnInsertion) {
  g_ExchangePhase = 1;
  g_PortState[0] = kPortFail;
  TaskProbe* task = NewTask(1, kTaskExchange);
  worker = std::thread([task] { task->Run(0); });
  PullDrive(1);
  ASSERT_TRUE(WaitUntil([this] { return Cell(1).GetBkColor() == ui::RGB(255, 100, 100); }));
  EXPECT_EQ(Cell(1).GetTextColor(), ui::RGB(0, 0, 0));
  page.bars[0].SetPos(60);
  InsertDrive(1, "NEW");
  worker.join();
  EXPECT_EQ(Cell(1).GetBkColor(), ui::RGB(0, 100, 255));
  EXPECT_EQ(Cell(1).GetTextColor(), ui::RGB(255, 255, 255));
  EXPECT_EQ(Cell(1).GetWindowText(), " 1 ");
  EXPECT_EQ(page.bars[0].GetPos(), 0);
  EXPECT_FALSE(Slot(1).SlotPowered());
  EXPECT_EQ(PortStateOf(1), kPortFail);
}

TEST_F(TaskThreads, TheExchangeRoundEndsWhenThePhaseEnds) {
  g_ExchangePhase = 1;
  g_PortState[1] = kPortPass;
  Cell(2).SetWindowText("Pass");
  SetKey(".\\param.ini", "RD Debug", "StopIfFail", "1");
  TaskProbe* task = NewTask(2, kTaskExchange);
  worker = std::thread([task] { task->Run(0); });
  const unsigned calls = Slot(2).Faults().Calls();
  ASSERT_TRUE(WaitUntil([&] { return Slot(2).Faults().Calls() > calls + 3; }));
  g_ExchangePhase = 0;
  worker.join();
  // The drive was never taken out: nothing was painted, and under StopIfFail the slot stays on.
  EXPECT_EQ(Cell(2).GetWindowText(), "Pass");
  EXPECT_TRUE(Slot(2).SlotPowered());
}

}  // namespace
}  // namespace runtest
