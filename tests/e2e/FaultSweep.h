#pragma once
// The fault sweep of a station: on one drive of a 24-drive pass the simulator pulls the drive,
// stops answering or answers garbage from command N on, for command indexes N taken from a
// passing run of that drive. Every such run must end: the faulted drive with a tag and without
// "END", its report ending in its own fail record and the pass's record of its failure, the
// other 23 drives passing as if nothing had happened.
//
// The indexes: a passing run of the faulted drive is traced command by command. A step sends
// a sequence of its own, so N is taken where a step can begin: at the first command of each
// kind, and at each pair (previous command, command) that no earlier run of the sweep sent
// unless the command right before was taken already (the two then belong to one step), and
// at the last command; counted apart before and after firmware is started from flash.
// Commands that only ever follow the command opening their step (a read-back, a status poll,
// the second half of a test) are reached by the faults that begin at that opener, and the
// commands a page sends for itself before its flows start (tester detection) are no step of a
// flow. That reaches every step of a flow without repeating one failure hundreds of times (the
// DRAM test alone is 512 commands). A sweep traces the faulted drive on each way into its flow
// (each running code), each adding what its own branch sends; the three faults take turns (a
// flow of a few steps may take each fault at each index).
//
// The sweep works on any page that runs passes (the production page's sheet, the legacy slot
// page): the page gives it the few things it needs through SweepPage.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "device/Transport.h"
#include "platform/Text.h"
#include "run/RunGlobals.h"
#include "run/SlotTestTask.h"
#include "support/CommandTrace.h"

namespace e2etest {

inline constexpr int kFaultedPort = 5;
inline constexpr const char* kSweepFaults[] = {"Pull", "Timeout", "Garbage"};

// Sanitizer builds run every fourth (ThreadSanitizer: eighth) run of a sweep; the default
// build runs every run a sweep asks for.
#if defined(__SANITIZE_THREAD__)
inline constexpr std::size_t kSanitizerRunStride = 8;
#elif defined(__SANITIZE_ADDRESS__)
inline constexpr std::size_t kSanitizerRunStride = 4;
#else
inline constexpr std::size_t kSanitizerRunStride = 1;
#endif

// The stride of a sweep whose every run would take too long: every stride-th injection point
// runs in the default build, and fewer in sanitizer builds. A stride that is a multiple of 3
// would give every run the same fault.
inline constexpr std::size_t SweepStride(std::size_t defaultBuildStride) {
  return defaultBuildStride * kSanitizerRunStride;
}

// A 24-slot station whose drives have the profile `drives` (the keys of [Drive]) and whose
// faulted port has `faulted` on top, with the fault line when there is one.
inline std::string SweepScenario(const std::string& drives, const std::string& faulted,
                                 const std::string& faultLine = "") {
  std::string text = "[Station]\r\nBoards=1\r\nSeed=3160\r\n[Board1]\r\nSlots=24\r\nSlot" +
                     std::to_string(kFaultedPort) + "=Faulted\r\n[Drive]\r\n" + drives + "[Faulted]\r\n" + faulted;
  if (!faultLine.empty()) text += faultLine + "\r\n";
  return text;
}

// What a sweep needs of the page that runs its passes.
struct SweepPage {
  // Fresh drives of the scenario for the next pass, the records of the last pass removed.
  std::function<void(const std::string& scenario)> install;
  // One pass of every drive, to its end.
  std::function<void()> runPass;
  std::function<std::string(int port)> report;
  std::function<std::string(int port)> resultText;
  std::function<std::string(int port)> cellText;
  // The pass's own record of a drive that failed (state 0) or found no drive (state 4).
  std::function<void(int port, const std::string& tag, int state)> expectFailureRecorded;
  // Commands the page sends for itself before its flows start.
  std::set<std::string> pageCommands;
};

class FaultSweep {
 public:
  explicit FaultSweep(SweepPage page) : m_page(std::move(page)) {}

  // A passing run of the faulted drive: its commands and, for each, whether it reads data.
  struct PassingRun {
    std::vector<std::string> commands;
    std::vector<bool> readsData;
  };
  // The passing run of the faulted drive in the scenario, without the power-off of the slot
  // after the verdict (it belongs to no step).
  PassingRun TracePassingRun(const std::string& scenario) {
    m_page.install(scenario);
    const auto simulated = device::GetTransport();
    const auto trace =
        std::make_shared<testsupport::CommandTrace>(simulated, simulated->DevicePathOfDrive(kFaultedPort));
    device::SetTransport(trace);
    m_page.runPass();
    EXPECT_EQ(PortStateOf(kFaultedPort), kPortPass) << m_page.report(kFaultedPort);
    PassingRun run{trace->Names(), trace->ReadsData()};
    EXPECT_FALSE(run.commands.empty());
    if (!run.commands.empty() && run.commands.back() == "Tester Power") {
      run.commands.pop_back();
      run.readsData.pop_back();
    }
    return run;
  }

  // Faults the drive at the sweep's indexes of a passing run (see above); scenarioOf gives the
  // scenario with a fault line. Of the runs of the whole sweep, every stride-th runs.
  void SweepFaults(const PassingRun& run, const std::function<std::string(const std::string&)>& scenarioOf,
                   std::size_t stride) {
    for (const std::size_t n : ChooseIndexes(run.commands)) {
      for (std::size_t turn = 0; turn < (everyFaultAtEachIndex ? std::size(kSweepFaults) : 1); ++turn) {
        if (runs++ % stride != 0) continue;
        const char* fault = kSweepFaults[runs % std::size(kSweepFaults)];
        // Garbage changes only data a drive sends: where none follows that the flow checks,
        // the drive answers right.
        if (std::string_view(fault) == "Garbage" && !CheckedDataFrom(n, run)) fault = "Timeout";
        SCOPED_TRACE(platform::Format("%s at command %zu (%s)", fault, n, run.commands[n].c_str()));
        m_page.install(scenarioOf(platform::Format("Fault1=Any,%zu,%s,times=0", n, fault)));
        m_page.runPass();
        ExpectFaultedDriveFailed();
        ExpectOthersPassed();
        if (::testing::Test::HasFatalFailure()) return;
        ++faultedRuns;
      }
    }
  }

  // Commands that come only right after the command that opens their step.
  std::set<std::string> followers = {"Card Detect",      "Read Device Status", "Read PRAM",
                                     "Start PRAM",       "Read BBT Parameter", "Read BBT",
                                     "Read Info Block",  "Read DRAM",          "Read Flash Code",
                                     "Start Flash Code", "Read DMA Ext",       "Read Capacity (16)"};
  // Commands whose data the flow reports as the drive sends it (garbage in them is nothing
  // the flow could tell from data).
  std::set<std::string> uncheckedData;
  // Tags a flow shows in place of the tag its failing check recorded ("I_B67").
  std::set<std::string> rewrittenTags;
  // Every fault at each index, not one in turn (for a flow of a few steps).
  bool everyFaultAtEachIndex = false;

  std::size_t runs = 0;         // injection points met, run or not
  std::size_t faultedRuns = 0;  // runs with a fault

 private:
  std::vector<std::size_t> ChooseIndexes(const std::vector<std::string>& commands) {
    std::vector<std::size_t> indexes;
    bool started = false;
    for (std::size_t n = 0; n < commands.size(); ++n) {
      if (m_page.pageCommands.count(commands[n]) != 0) continue;
      const std::string previous = n == 0 ? std::string() : commands[n - 1];
      started = started || previous == "Start Flash Code";
      const bool newKind = m_kindsReached.insert({started, commands[n]}).second;
      const bool newPair = m_pairsReached.insert({started, previous, commands[n]}).second;
      if (commands[n] == previous || followers.count(commands[n]) != 0) continue;
      const bool afterTaken = !indexes.empty() && indexes.back() == n - 1;
      if (newKind || (newPair && !afterTaken) || n + 1 == commands.size()) indexes.push_back(n);
    }
    return indexes;
  }
  bool CheckedDataFrom(std::size_t n, const PassingRun& run) const {
    for (std::size_t k = n; k < run.commands.size(); ++k) {
      if (run.readsData[k] && uncheckedData.count(run.commands[k]) == 0) return true;
    }
    return false;
  }

  void ExpectOthersPassed() {
    for (int port = 1; port <= 24; ++port) {
      if (port == kFaultedPort) continue;
      SCOPED_TRACE("port " + std::to_string(port));
      EXPECT_EQ(PortStateOf(port), kPortPass);
      EXPECT_EQ(m_page.resultText(port), "0_00");
      EXPECT_EQ(m_page.cellText(port).substr(0, 4), "Pass");
      EXPECT_NE(m_page.report(port).find("END        :"), std::string::npos);
    }
  }
  // The faulted drive: no pass, a tag, the report ending in its fail record, no "END", and the
  // pass's record of it.
  void ExpectFaultedDriveFailed() {
    const std::string tag = m_page.resultText(kFaultedPort);
    const std::string report = m_page.report(kFaultedPort);
    EXPECT_NE(PortStateOf(kFaultedPort), kPortPass) << m_page.cellText(kFaultedPort);
    ASSERT_EQ(tag.size(), 5u) << tag;
    EXPECT_EQ(tag[1], '_') << tag;
    const std::size_t record = report.rfind("------------------------- FAIL -------------------------\r\n");
    ASSERT_NE(record, std::string::npos) << report;
    // The last fail record is the drive's own (a tag a flow shows over its check's keeps the
    // check's record); nothing succeeded after it.
    if (rewrittenTags.count(tag) == 0) {
      EXPECT_EQ(report.find("Error Tag  : ", record), report.find("Error Tag  : " + tag + "\r\n", record))
          << report.substr(record);
    }
    EXPECT_EQ(report.find("[ Success ]", record), std::string::npos) << report.substr(record);
    EXPECT_EQ(report.find("END        :"), std::string::npos);
    const int state = PortStateOf(kFaultedPort);
    if (state != kPortFail) {
      // Pulled while the slot was being checked: the slot shows no drive, which is no failure.
      EXPECT_EQ(state, kPortWaiting);
      EXPECT_TRUE(CSlotTestTask::IsNoDriveTag(tag)) << tag;
    }
    m_page.expectFailureRecorded(kFaultedPort, tag, state);
  }

  SweepPage m_page;
  std::set<std::tuple<bool, std::string>> m_kindsReached;
  std::set<std::tuple<bool, std::string, std::string>> m_pairsReached;
};

}  // namespace e2etest
