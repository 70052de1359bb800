// The fault sweep of the MP station: on one drive of a 24-drive MP pass the simulator pulls the
// drive, stops answering or answers garbage from command N on, for command indexes N taken
// from a passing run of that drive. Every such run must end: the faulted drive with a tag and
// without "END", its report ending in its own fail record and its line in the results list,
// the other 23 drives passing as if nothing had happened.
//
// The indexes: a passing run of the faulted drive is traced command by command. A step sends
// a sequence of its own, so N is taken where a step can begin: at the first command of each
// kind, and at each pair (previous command, command) that no earlier run of the sweep sent
// unless the command right before was taken already (the two then belong to one step), and
// at the last command; counted apart before and after the MP firmware is started from flash.
// Commands that only ever follow the command opening their step (a read-back, a status poll,
// the second half of a test) are reached by the faults that begin at that opener. That reaches
// every step of the flow without repeating one failure hundreds of times (the DRAM test alone
// is 512 commands). The faulted drive comes in on boot code, then on burner code and on the
// RDT firmware, each adding what its own branch sends. The three faults take turns.
#include <filesystem>
#include <set>
#include <tuple>

#include "e2e/MPPassFixture.h"
#include "engine/MPDevice.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "support/CommandTrace.h"

namespace {

using e2etest::MPPassTest;

constexpr int kFaultedPort = 5;
constexpr const char* kFaults[] = {"Pull", "Timeout", "Garbage"};
// Commands that come only right after the command that opens their step.
const std::set<std::string> kFollowers = {"Card Detect",      "Read Device Status", "Read PRAM",
                                          "Start PRAM",       "Read BBT Parameter", "Read BBT",
                                          "Read Info Block",  "Read DRAM",          "Read Flash Code",
                                          "Start Flash Code", "Read DMA Ext",       "Read Capacity (16)"};

// Sanitizer builds run every fourth (ThreadSanitizer: eighth) run of the sweep; the default
// build covers the whole sweep.
#if defined(__SANITIZE_THREAD__)
constexpr std::size_t kRunStride = 8;
#elif defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kRunStride = 4;
#else
constexpr std::size_t kRunStride = 1;
#endif

// Burner drives everywhere (the quickest healthy MP run), the faulted drive as given.
std::string SweepScenario(const std::string& faultedCode, const std::string& faultLine) {
  std::string text = "[Station]\r\nBoards=1\r\nSeed=3160\r\n[Board1]\r\nSlots=24\r\nSlot" +
                     std::to_string(kFaultedPort) +
                     "=Faulted\r\n[Drive]\r\nCode=Burner\r\n[Faulted]\r\nCode=" + faultedCode + "\r\n";
  if (faultedCode == "Rdt") text += "RdtState=Done\r\nRdtResultCode=0\r\n";
  if (!faultLine.empty()) text += faultLine + "\r\n";
  return text;
}

class MPFaultSweepThreads : public MPPassTest {
 protected:
  MPFaultSweepThreads() : MPPassTest(SweepScenario("Boot", "")) {}

  // Fresh drives for a pass, the records of the last pass removed.
  void Install(const std::string& scenario) {
    test.sim.Install(test.station, scenario);
    const std::filesystem::path logFolder = platform::ToNativePath(page->LogFolder());
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(logFolder, ignored)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("WO_", 0) == 0 || name == "_Summary.log") std::filesystem::remove(entry.path(), ignored);
    }
  }
  std::string Report(int port) const { return test.Report(page->LogFolder(), port); }
  std::string ResultsListLine(int port) const {
    const std::string path = g_WorkOrderFilePath.Get();
    const std::string suffix = platform::Format(",%02d]", port);
    for (const std::string& key : platform::ReadProfileKeys(path, "Results List")) {
      if (key.size() >= suffix.size() && key.compare(key.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return platform::ReadProfileString(path, "Results List", key, "");
      }
    }
    return {};
  }
  void ExpectOthersPassed() {
    for (int port = 1; port <= 24; ++port) {
      if (port == kFaultedPort) continue;
      SCOPED_TRACE("port " + std::to_string(port));
      EXPECT_EQ(PortStateOf(port), kPortPass);
      EXPECT_EQ(page->ResultTextOfPort(port), "0_00");
      EXPECT_EQ(page->PortCell(port).GetWindowText().substr(0, 5), "Pass*");
      EXPECT_NE(Report(port).find("END        :"), std::string::npos);
    }
  }
  // The faulted drive: no pass, a tag, the report ending in its fail record, no "END", its
  // line in the results list and (for a failure, not an empty slot) in the summary log.
  void ExpectFaultedDriveFailed() {
    const std::string tag = page->ResultTextOfPort(kFaultedPort);
    const std::string report = Report(kFaultedPort);
    EXPECT_NE(PortStateOf(kFaultedPort), kPortPass) << page->PortCell(kFaultedPort).GetWindowText();
    ASSERT_EQ(tag.size(), 5u) << tag;
    EXPECT_EQ(tag[1], '_') << tag;
    const std::size_t record = report.rfind("------------------------- FAIL -------------------------\r\n");
    ASSERT_NE(record, std::string::npos) << report;
    // The last fail record is the drive's own; nothing succeeded after it (the RDT judgement
    // may still close its log with its total testing time).
    EXPECT_EQ(report.find("Error Tag  : ", record), report.find("Error Tag  : " + tag + "\r\n", record))
        << report.substr(record);
    EXPECT_EQ(report.find("[ Success ]", record), std::string::npos) << report.substr(record);
    EXPECT_EQ(report.find("END        :"), std::string::npos);
    EXPECT_NE(ResultsListLine(kFaultedPort).find(",Fail,"), std::string::npos) << ResultsListLine(kFaultedPort);
    if (PortStateOf(kFaultedPort) == kPortFail) {
      EXPECT_NE(summary.find("\r\n" + tag + "=1\r\n"), std::string::npos) << summary;
    } else {
      // Pulled while the slot was being checked: the slot shows no drive, which is no failure.
      EXPECT_EQ(PortStateOf(kFaultedPort), kPortWaiting);
      EXPECT_TRUE(CSlotTestTask::IsNoDriveTag(tag)) << tag;
    }
  }
};

TEST_F(MPFaultSweepThreads, EveryFaultOfOneDriveEndsItsRunAndLeavesTheOthersPassing) {
  std::set<std::tuple<bool, std::string>> kindsReached;
  std::set<std::tuple<bool, std::string, std::string>> pairsReached;
  std::size_t run = 0;
  for (const char* code : {"Boot", "Burner", "Rdt"}) {
    SCOPED_TRACE(code);
    // The passing run of this drive, command by command.
    Install(SweepScenario(code, ""));
    const auto simulated = device::GetTransport();
    const auto trace =
        std::make_shared<testsupport::CommandTrace>(simulated, simulated->DevicePathOfDrive(kFaultedPort));
    device::SetTransport(trace);
    PressStartAndWait();
    ASSERT_EQ(PortStateOf(kFaultedPort), kPortPass) << Report(kFaultedPort);
    std::vector<std::string> commands = trace->Names();
    // The slot's power goes off after the verdict: that command belongs to no step.
    ASSERT_FALSE(commands.empty());
    ASSERT_EQ(commands.back(), "Tester Power");
    commands.pop_back();

    std::vector<std::size_t> indexes;
    bool started = false;
    for (std::size_t n = 0; n < commands.size(); ++n) {
      const std::string previous = n == 0 ? std::string() : commands[n - 1];
      started = started || previous == "Start Flash Code";
      const bool newKind = kindsReached.insert({started, commands[n]}).second;
      const bool newPair = pairsReached.insert({started, previous, commands[n]}).second;
      if (commands[n] == previous || kFollowers.count(commands[n]) != 0) continue;
      const bool afterTaken = !indexes.empty() && indexes.back() == n - 1;
      if (newKind || (newPair && !afterTaken) || n + 1 == commands.size()) indexes.push_back(n);
    }
    for (const std::size_t n : indexes) {
      if (run++ % kRunStride != 0) continue;
      const char* fault = kFaults[run % std::size(kFaults)];
      SCOPED_TRACE(platform::Format("%s at command %zu (%s)", fault, n, commands[n].c_str()));
      Install(SweepScenario(code, platform::Format("Fault1=Any,%zu,%s,times=0", n, fault)));
      PressStartAndWait();
      ExpectFaultedDriveFailed();
      ExpectOthersPassed();
      if (HasFatalFailure()) return;
    }
  }
  RecordProperty("FaultedRuns", static_cast<int>(run));
}

}  // namespace
