#pragma once
// The fault sweep of a station: on one drive of a 24-drive pass the simulator pulls the drive,
// stops answering, answers garbage, answers with a sense error or moves fewer bytes than asked
// from command N on, for command indexes N taken from a passing run of that drive. Every such
// run must end: the faulted drive with a tag and without "END", its report ending in its own
// fail record, its Fail_Log copy the report up to that record, its block-information records
// whole and those the passing run stored up to the failure, and the pass's records of its
// failure; the other 23 drives passing as if nothing had happened, with their records.
//
// The indexes: a passing run of the faulted drive is traced command by command. A step sends
// a sequence of its own, so N is taken where a step can begin: at the first command of each
// kind, and at each pair (previous command, command) that no earlier run of the sweep sent
// unless the command right before was taken already (the two then belong to one step), and
// at the last command; counted apart before and after firmware is started from flash.
// Commands that only ever follow the command opening their step (a read-back, a status poll,
// the second half of a test) are taken at their first command of the kind only; the rest of
// them are reached by the faults that begin at that opener. The commands a page sends for
// itself before its flows start (tester detection) are no step of a flow. That reaches every
// step of a flow without repeating one failure hundreds of times (the DRAM test alone is 512
// commands). A sweep traces the faulted drive on each way into its flow (each running code),
// each adding what its own branch sends.
//
// How many runs: the default build samples, one fault at an index, the faults taking turns: it
// runs every index that opens a new kind of command, so that every kind of command of each
// flow is faulted at least once, and every kPairStride-th of the others. Sanitizer builds run
// every kSanitizerRunStride-th index. With STATION_FULL_SWEEP=1 in the environment every fault
// runs at every index, in any build:
//     STATION_FULL_SWEEP=1 ctest --preset default -R FaultSweep
//
// The sweep works on any page that runs passes (the production page's sheet, the legacy slot
// page): the page gives it the few things it needs through SweepPage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
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
// The faults as a scenario's fault rule names them (a sense error of ABORTED COMMAND; a
// reply of half a sector).
inline constexpr const char* kSweepFaults[] = {"Pull", "Timeout", "Garbage", "Sense,0B,00,00", "Short,256"};

// Sanitizer builds run every fourth (ThreadSanitizer: sixteenth) run of a sweep; the default
// build runs every run a sweep asks for. A stride that is a multiple of 5 would give every
// run the same fault.
#if defined(__SANITIZE_THREAD__)
inline constexpr std::size_t kSanitizerRunStride = 16;
#elif defined(__SANITIZE_ADDRESS__)
inline constexpr std::size_t kSanitizerRunStride = 4;
#else
inline constexpr std::size_t kSanitizerRunStride = 1;
#endif

// A sampled sweep of the default build runs every kPairStride-th of the injection points that
// open no new kind of command (a multiple of 5 would give them all the same fault).
inline constexpr std::size_t kPairStride = 2;

// STATION_FULL_SWEEP=1: every fault at every index, in every build.
inline bool FullSweepAsked() {
  const char* value = std::getenv("STATION_FULL_SWEEP");
  return value != nullptr && std::string_view(value) == "1";
}

// Whether a sweep of a station whose flow another station's sweep covers runs in this build:
// sanitizer builds sweep one station per flow (the same code on the same threads), unless the
// full sweep is asked for.
inline bool SweepsVariantStations() { return kSanitizerRunStride == 1 || FullSweepAsked(); }

// Profiles of drives (the keys of a scenario's drive section): on boot code; on the MP
// firmware from flash after an MP (its info block and good mark written); on the RDT firmware
// whose test has finished and passed.
inline const std::string kOnBootCode = "Code=Boot\r\n";
inline const std::string kOnMpFirmware = "Code=Flash\r\nInfoBlock=Written\r\nGoodMark=01\r\n";
inline const std::string kRdtPassed = "Code=Rdt\r\nRdtState=Done\r\nRdtResultCode=0\r\n";

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
  // The pass's records of a drive that passed (none to check: empty).
  std::function<void(int port)> expectPassRecorded;
  // The tags of a port's block-information records as the pass left them, each followed by
  // ";" (none kept by the page: empty); the file must hold whole records only.
  std::function<std::string(int port)> blockInfoTags;
  // The copy of a port's report in Fail_Log (nullopt: none; the page keeps none: empty).
  std::function<std::optional<std::string>(int port)> failLogCopy;
  // Commands the page sends for itself before its flows start.
  std::set<std::string> pageCommands;
};

class FaultSweep {
 public:
  explicit FaultSweep(SweepPage page) : m_page(std::move(page)) {}

  // A passing run of the faulted drive: its commands and, for each, whether it reads data; and
  // the block-information records of every port after it.
  struct PassingRun {
    std::vector<std::string> commands;
    std::vector<bool> readsData;
    std::vector<std::string> blockInfoTags;   // index port - 1
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
    PassingRun run{trace->Names(), trace->ReadsData(), {}};
    if (m_page.blockInfoTags) {
      for (int port = 1; port <= 24; ++port) run.blockInfoTags.push_back(m_page.blockInfoTags(port));
    }
    EXPECT_FALSE(run.commands.empty());
    if (!run.commands.empty() && run.commands.back() == "Tester Power") {
      run.commands.pop_back();
      run.readsData.pop_back();
    }
    return run;
  }

  // Faults the drive at the sweep's indexes of a passing run (see above); scenarioOf gives the
  // scenario with a fault line.
  void SweepFaults(const PassingRun& run, const std::function<std::string(const std::string&)>& scenarioOf) {
    const bool full = FullSweepAsked();
    const bool everyFault = full || everyFaultAtEachIndex;
    for (const auto& [n, newKind] : ChooseIndexes(run.commands)) {
      for (std::size_t turn = 0; turn < (everyFault ? std::size(kSweepFaults) : 1); ++turn) {
        const bool taken = full || Sampled(newKind);
        ++runs;
        if (!taken) continue;
        const char* fault = kSweepFaults[runs % std::size(kSweepFaults)];
        // Garbage and a short reply change only data a drive sends: where none follows that the
        // flow checks, the drive answers right.
        const std::string_view kind(fault);
        if ((kind == "Garbage" || kind.rfind("Short", 0) == 0) && !CheckedDataFrom(n, run)) fault = "Timeout";
        SCOPED_TRACE(platform::Format("%s at command %zu (%s)", fault, n, run.commands[n].c_str()));
        m_page.install(scenarioOf(platform::Format("Fault1=Any,%zu,%s,times=0", n, fault)));
        m_page.runPass();
        ExpectFaultedDriveFailed(run);
        ExpectOthersPassed(run);
        if (::testing::Test::HasFatalFailure()) return;
        ++faultedRuns;
        faultedKinds.insert(run.commands[n]);
      }
    }
  }
  // The same for each way into the flow: the faulted drive's profile, given to scenarioOf
  // with the fault line.
  void SweepEachWay(const std::vector<std::string>& ways,
                    const std::function<std::string(const std::string& way, const std::string& faultLine)>& scenarioOf) {
    for (const std::string& way : ways) {
      SCOPED_TRACE(way);
      const PassingRun passingRun = TracePassingRun(scenarioOf(way, ""));
      if (::testing::Test::HasFailure()) return;
      SweepFaults(passingRun, [&](const std::string& faultLine) { return scenarioOf(way, faultLine); });
      if (::testing::Test::HasFatalFailure()) return;
    }
  }

  // Commands that come only right after the command that opens their step.
  // (A table read opens with "Read BBT Parameter": every table read is a step of its own.)
  std::set<std::string> followers = {"Card Detect",     "Read Device Status", "Read PRAM",
                                     "Start PRAM",      "Read BBT",           "Read Info Block",
                                     "Read DRAM",       "Read Flash Code",    "Start Flash Code",
                                     "Read DMA Ext",    "Read Capacity (16)"};
  // Commands whose data the flow reports as the drive sends it (garbage in them is nothing
  // the flow could tell from data).
  std::set<std::string> uncheckedData;
  // Tags a flow shows in place of the tag its failing check recorded ("I_B67").
  std::set<std::string> rewrittenTags;
  // The phase letter a flow puts in place of the "x" of a step's tag, over the step's record.
  char rewrittenPhase = '\0';
  // Every fault at each index, not one in turn (for a flow of a few steps).
  bool everyFaultAtEachIndex = false;

  std::size_t runs = 0;         // injection points met, run or not
  std::size_t faultedRuns = 0;  // runs with a fault
  std::set<std::string> faultedKinds;  // kinds of command a run began its fault at

 private:
  // Whether a sampled sweep runs the next injection point: the default build runs every new
  // kind of command and every kPairStride-th of the other points; sanitizer builds every
  // kSanitizerRunStride-th point.
  bool Sampled(bool newKind) {
    if (kSanitizerRunStride != 1) return runs % kSanitizerRunStride == 0;
    return newKind || m_pairPoints++ % kPairStride == 0;
  }

  // The injection points of a passing run: index and whether it is the first of its kind.
  std::vector<std::pair<std::size_t, bool>> ChooseIndexes(const std::vector<std::string>& commands) {
    std::vector<std::pair<std::size_t, bool>> indexes;
    bool started = false;
    for (std::size_t n = 0; n < commands.size(); ++n) {
      if (m_page.pageCommands.count(commands[n]) != 0) continue;
      const std::string previous = n == 0 ? std::string() : commands[n - 1];
      started = started || previous == "Start Flash Code";
      const bool newKind = m_kindsReached.insert({started, commands[n]}).second;
      const bool newPair = m_pairsReached.insert({started, previous, commands[n]}).second;
      if (newKind) {
        indexes.emplace_back(n, true);
        continue;
      }
      if (commands[n] == previous || followers.count(commands[n]) != 0) continue;
      const bool afterTaken = !indexes.empty() && indexes.back().first == n - 1;
      if ((newPair && !afterTaken) || n + 1 == commands.size()) indexes.emplace_back(n, false);
    }
    return indexes;
  }
  bool CheckedDataFrom(std::size_t n, const PassingRun& run) const {
    for (std::size_t k = n; k < run.commands.size(); ++k) {
      if (run.readsData[k] && uncheckedData.count(run.commands[k]) == 0) return true;
    }
    return false;
  }

  // The other drives: passed, with the records of a pass and the block-information records of
  // the passing run; no fail record copied.
  void ExpectOthersPassed(const PassingRun& run) {
    for (int port = 1; port <= 24; ++port) {
      if (port == kFaultedPort) continue;
      SCOPED_TRACE("port " + std::to_string(port));
      EXPECT_EQ(PortStateOf(port), kPortPass);
      EXPECT_EQ(m_page.resultText(port), "0_00");
      EXPECT_EQ(m_page.cellText(port).substr(0, 4), "Pass");
      EXPECT_NE(m_page.report(port).find("END        :"), std::string::npos);
      if (m_page.expectPassRecorded) m_page.expectPassRecorded(port);
      if (m_page.blockInfoTags) {
        EXPECT_EQ(m_page.blockInfoTags(port), run.blockInfoTags[port - 1]);
      }
      if (m_page.failLogCopy) {
        EXPECT_EQ(m_page.failLogCopy(port), std::nullopt);
      }
    }
  }
  // The faulted drive: no pass, a tag, the report ending in its fail record, no "END", the
  // Fail_Log copy of the report as it stood at that record, the block-information records of
  // the passing run up to the failure, and the pass's record of it.
  void ExpectFaultedDriveFailed(const PassingRun& run) {
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
      // A flow that shows a step's failure in its own phase keeps the step's record ("x").
      std::string recorded = tag;
      if (rewrittenPhase != '\0' && recorded[2] == rewrittenPhase) recorded[2] = 'x';
      const std::size_t own = report.find("Error Tag  : " + tag + "\r\n", record);
      const std::size_t step = report.find("Error Tag  : " + recorded + "\r\n", record);
      EXPECT_EQ(report.find("Error Tag  : ", record), own != std::string::npos ? own : step) << report.substr(record);
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
    if (m_page.failLogCopy) {
      const std::optional<std::string> copy = m_page.failLogCopy(kFaultedPort);
      ASSERT_TRUE(copy.has_value()) << "no Fail_Log copy";
      EXPECT_GT(copy->size(), record);
      EXPECT_EQ(report.compare(0, copy->size(), *copy), 0) << *copy;
    }
    if (m_page.blockInfoTags) {
      ExpectRecordsUpToTheFailure(m_page.blockInfoTags(kFaultedPort), run.blockInfoTags[kFaultedPort - 1]);
    }
  }
  // The faulted drive's block-information records: those of the passing run, in its order, up
  // to the step that failed, whose record may not have got its tag.
  static void ExpectRecordsUpToTheFailure(const std::string& tags, const std::string& passingTags) {
    const std::vector<std::string> records = platform::Split(tags, ';');
    const std::vector<std::string> passing = platform::Split(passingTags, ';');
    ASSERT_LE(records.size(), passing.size()) << tags << " of " << passingTags;
    for (std::size_t i = 0; i + 1 < records.size(); ++i) {
      if (records[i] == std::string(4, '\0')) continue;
      EXPECT_EQ(records[i], passing[i]) << tags << " of " << passingTags;
    }
  }

  SweepPage m_page;
  std::size_t m_pairPoints = 0;
  std::set<std::tuple<bool, std::string>> m_kindsReached;
  std::set<std::tuple<bool, std::string, std::string>> m_pairsReached;
};

}  // namespace e2etest
